#include "engine/ToolProcesses.h"

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <thread>

void ToolProcesses::Add(pid_t group)
{
    std::lock_guard lock(m_mutex);
    if (m_ending) {
        ::killpg(group, SIGKILL);
        return;
    }
    m_groups.insert(group);
    if (m_paused)
        ::killpg(group, SIGSTOP);
}

void ToolProcesses::SetPaused(bool paused)
{
    std::lock_guard lock(m_mutex);
    m_paused = paused;
    for (pid_t group : m_groups)
        ::killpg(group, paused ? SIGSTOP : SIGCONT);
}

pid_t ToolProcesses::Reap(pid_t pid, int* status)
{
    std::lock_guard lock(m_mutex);
    pid_t r;
    do
        r = ::waitpid(pid, status, WNOHANG);
    while (r < 0 && errno == EINTR);
    if (r != 0)
        m_groups.erase(pid); // ended, or not ours to wait for: never signal it again
    return r;
}

void ToolProcesses::EndAll()
{
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
        for (pid_t group : m_groups) {
            ::killpg(group, SIGTERM);
            // A paused tool must run to act on the signal and clean up.
            if (m_paused)
                ::killpg(group, SIGCONT);
        }
        m_paused = false;
    }
    // The runners reap their tools while polling; wait for them to do so.
    const auto deadline = std::chrono::steady_clock::now() + kGrace;
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_groups.empty())
                return;
            if (std::chrono::steady_clock::now() >= deadline) {
                for (pid_t group : m_groups)
                    ::killpg(group, SIGKILL);
                return;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

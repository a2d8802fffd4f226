#pragma once

#include <chrono>
#include <mutex>
#include <set>
#include <sys/types.h>

// The tool processes that one job or one preview started, each the leader of a
// process group of its own. Ending them reaches exactly these groups, never a
// tool of another copy of the program that happens to have the same name.
class ToolProcesses
{
public:
    // How long a tool may take to clean up after SIGTERM before it gets SIGKILL.
    static constexpr std::chrono::milliseconds kGrace { 300 };

    // Registers a just-started tool. Once EndAll has begun, the tool is killed
    // at once instead: it was started just as the stop came in.
    void Add(pid_t group);

    // Reaps `pid` without waiting (waitpid WNOHANG) and forgets it when it has
    // ended; gives waitpid's result and fills `status`. Reaping and forgetting
    // under one lock means a group is never signalled after its pid is free.
    pid_t Reap(pid_t pid, int* status);

    // SIGTERM to every registered group, then SIGKILL after kGrace to the
    // groups whose leader has not been reaped by then. Later Adds are killed.
    void EndAll();

    // Stops (SIGSTOP) or continues (SIGCONT) every registered group, for a job
    // control stop of the program: the tools run in groups of their own, which
    // the terminal's Ctrl+Z does not reach. A tool added while paused is stopped.
    void SetPaused(bool paused);

private:
    std::mutex m_mutex;
    std::set<pid_t> m_groups;
    bool m_ending = false;
    bool m_paused = false;
};

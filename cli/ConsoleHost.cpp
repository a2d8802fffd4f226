#include "cli/ConsoleHost.h"

#include <chrono>

ConsoleHost::ConsoleHost(std::string outputFolder, std::vector<std::string> files, std::FILE* out)
    : m_outputFolder(std::move(outputFolder)), m_files(std::move(files)),
      m_results(m_files.size()), m_out(out)
{
}

void ConsoleHost::SetStatusText(const std::string& text)
{
    std::fprintf(m_out, "%s\n", text.c_str());
    std::fflush(m_out);
}

std::string ConsoleHost::RowPath(int row) const
{
    return m_files.at(static_cast<std::size_t>(row));
}

void ConsoleHost::SetRowResult(int row, const std::string& text)
{
    if (row < 0 || row >= RowCount())
        return;
    m_results[static_cast<std::size_t>(row)] = text;
    if (!text.empty()) {
        std::fprintf(m_out, "%s: %s\n", RowPath(row).c_str(), text.c_str());
        std::fflush(m_out);
    }
}

void ConsoleHost::FileStarted(int row)
{
    if (row < 0) {
        m_done = true;
        return;
    }
    std::fprintf(m_out, "[%3d%%] %s\n", m_progress, RowPath(row).c_str());
    std::fflush(m_out);
}

void ConsoleHost::ShowError(const std::string& text, const std::string& caption)
{
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

void ConsoleHost::Post(std::function<void()> call)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(call));
    }
    m_wake.notify_one();
}

void ConsoleHost::RunUntilDone(const std::atomic<bool>& interrupted,
                               const std::function<void()>& onInterrupt)
{
    bool interruptHandled = false;
    while (!m_done) {
        std::function<void()> call;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait_for(lock, std::chrono::milliseconds(100), [&] { return !m_queue.empty(); });
            if (!m_queue.empty()) {
                call = std::move(m_queue.front());
                m_queue.pop_front();
            }
        }
        if (call)
            call();
        if (interrupted && !interruptHandled) {
            interruptHandled = true;
            onInterrupt();
        }
    }
}

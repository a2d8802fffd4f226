#include "engine/MediaInfo.h"

#include "engine/ToolCommandLines.h"
#include "engine/ToolProcesses.h"
#include "engine/ToolRunner.h"
#include "platform/ProgramFolder.h"

#include <condition_variable>
#include <mutex>
#include <thread>

std::optional<std::string> MediaInfoFromOutput(const std::string& output)
{
    const std::size_t at = output.find("-f ");
    if (at == std::string::npos)
        return std::nullopt;
    std::string text;
    for (char c : output.substr(at + 3))
        if (c != '\r' && c != '\n')
            text += c;
    return text;
}

std::string MediaInfoCommandLine(const std::string& tool, const std::string& path)
{
    return QuotePath(tool) + " -f " + QuotePath(path);
}

std::optional<std::string> QueryMediaInfo(
    const std::string& path, std::chrono::milliseconds limit, const std::atomic<bool>* cancel)
{
    const std::string tool = ToolPath("swfinfo");
    if (!PathExists(tool))
        return std::nullopt;

    // A watchdog ends the tool's group when time runs out or the caller gives up;
    // the group takes along any child that holds the output pipe open.
    ToolProcesses processes;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool ended = false;
    std::thread watchdog([&] {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::unique_lock lock(mutex);
        while (!done) {
            const bool late = std::chrono::steady_clock::now() >= deadline;
            if (late || (cancel && cancel->load())) {
                ended = true;
                lock.unlock();
                processes.EndAll();
                return;
            }
            finished.wait_for(lock, std::chrono::milliseconds(20));
        }
    });

    std::string output;
    RunTool(MediaInfoCommandLine(tool, path), output, nullptr, {}, &processes);
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    finished.notify_one();
    watchdog.join();
    if (ended)
        return std::nullopt;
    return MediaInfoFromOutput(output);
}

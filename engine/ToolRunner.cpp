#include "engine/ToolRunner.h"

#include "engine/CommandLineSplitter.h"
#include "engine/ToolProcesses.h"
#include "platform/Spawn.h"
#include "platform/UniqueFd.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kPollMs = 100;
constexpr std::size_t kReadSize = 8191;

// Appends what was read, without its zero bytes.
void AppendWithoutZeros(std::string& output, const char* data, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        if (data[i] != '\0')
            output += data[i];
}

// Reads what is waiting; false at the end of the stream or on an error.
bool ReadAvailable(int fd, std::string& output)
{
    char buf[kReadSize + 1];
    for (;;) {
        ssize_t n = ::read(fd, buf, kReadSize);
        if (n > 0) {
            AppendWithoutZeros(output, buf, static_cast<std::size_t>(n));
            return true;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && errno == EAGAIN;
    }
}

std::atomic<bool> g_echo { true };

constexpr const char* kProgressVariable = "SABLEWICK_PROGRESS=";

// The environment of a tool: ours, asking for progress lines when they are read.
std::vector<std::string> ToolEnvironment(bool progress)
{
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e)
        if (std::strncmp(*e, kProgressVariable, std::strlen(kProgressVariable)) != 0)
            env.emplace_back(*e);
    if (progress)
        env.push_back(std::string(kProgressVariable) + "1");
    return env;
}

// Hands each whole line from `from` on to `onLine`; gives where the next line starts.
std::size_t DeliverLines(const std::string& output, std::size_t from, const ToolLineHandler& onLine)
{
    for (std::size_t end; (end = output.find('\n', from)) != std::string::npos; from = end + 1) {
        std::size_t length = end - from;
        if (length > 0 && output[end - 1] == '\r')
            --length;
        onLine(output.substr(from, length));
    }
    return from;
}

// Starts the tool in a process group of its own (so that a Ctrl+C meant for us
// does not reach it directly, and so that it can be ended as a group) with a
// parent-death signal. fork rather than posix_spawn, which cannot arm that
// signal.
pid_t Spawn(const std::vector<std::string>& args, int writeEnd, bool progress)
{
    const std::vector<std::string> env = ToolEnvironment(progress);
    SpawnOptions options;
    options.Args = args;
    options.Environment = &env;
    options.Output = writeEnd;
    options.Error = writeEnd;
    options.NewGroup = true;
    options.DieWithParent = true;
    options.DefaultSignals = true;
    return SpawnProcess(options);
}

} // namespace

void SetCommandLineEcho(bool on)
{
    g_echo = on;
}

bool RunTool(const std::string& commandLine, std::string& output, ToolExit* exit)
{
    return RunTool(commandLine, output, exit, ToolLineHandler());
}

bool RunTool(const std::string& commandLine, std::string& output, ToolExit* exit,
    const ToolLineHandler& onLine, ToolProcesses* owner)
{
    if (g_echo)
        std::fprintf(stderr, "%s\n", commandLine.c_str());
    if (exit)
        *exit = ToolExit {};

    const std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty())
        return false;

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);

    const pid_t pid = Spawn(args, writeEnd.Get(), static_cast<bool>(onLine));
    if (pid < 0)
        return false;
    // Reaping goes through the owner when there is one, so that it never
    // signals a group whose pid is already free.
    ToolProcesses local;
    ToolProcesses& processes = owner ? *owner : local;
    processes.Add(pid);
    // Only the child holds the write end now, so the end of the stream shows up
    // once the tool (and whatever it started) has closed it.
    writeEnd.Close();
    ::fcntl(readEnd.Get(), F_SETFL, ::fcntl(readEnd.Get(), F_GETFL) | O_NONBLOCK);

    std::size_t lineStart = output.size();
    int status = 0;
    bool ended = false;
    bool reaped = false;
    bool streamOpen = true;
    while (!ended) {
        if (streamOpen) {
            pollfd p { readEnd.Get(), POLLIN, 0 };
            int ready = ::poll(&p, 1, kPollMs);
            if (ready > 0) {
                streamOpen = ReadAvailable(readEnd.Get(), output);
                if (onLine)
                    lineStart = DeliverLines(output, lineStart, onLine);
            } else if (ready < 0 && errno != EINTR)
                streamOpen = false;
        } else {
            ::usleep(kPollMs * 1000);
        }
        const pid_t r = processes.Reap(pid, &status);
        reaped = r == pid;
        // A failed wait (SIGCHLD ignored: ECHILD) ends the wait, but its status
        // is unknown, and an unknown status is no success.
        ended = r != 0;
    }
    // What the tool printed just before it ended is still in the pipe. A child
    // that the tool left running may hold the pipe open: take only what is there.
    while (streamOpen && ReadAvailable(readEnd.Get(), output)) {
        pollfd p { readEnd.Get(), POLLIN, 0 };
        if (::poll(&p, 1, 0) <= 0)
            break;
    }
    if (onLine) {
        lineStart = DeliverLines(output, lineStart, onLine);
        if (lineStart < output.size())
            onLine(output.substr(lineStart)); // a last line without its line end
    }

    if (exit) {
        exit->Started = true;
        exit->Exited = reaped && WIFEXITED(status);
        exit->ExitCode = exit->Exited ? WEXITSTATUS(status) : -1;
        exit->Signal = reaped && WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    return true;
}

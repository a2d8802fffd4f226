#include "engine/ToolRunner.h"

#include "engine/CommandLineSplitter.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kPollMs = 100;
constexpr std::size_t kReadSize = 8191;

struct Fd
{
    int fd = -1;
    ~Fd() { Close(); }
    void Close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

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

std::atomic<bool> g_echo {true};

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

pid_t Spawn(const std::vector<std::string>& args, int writeEnd, bool progress)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, writeEnd, STDERR_FILENO);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // A group of its own, so a Ctrl+C meant for us does not reach the tool directly.
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);

    const std::vector<std::string> env = ToolEnvironment(progress);
    std::vector<char*> envp;
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    pid_t pid = -1;
    int rc = posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return rc == 0 ? pid : -1;
}

} // namespace

void SetCommandLineEcho(bool on) { g_echo = on; }

bool RunTool(const std::string& commandLine, std::string& output, ToolExit* exit)
{
    return RunTool(commandLine, output, exit, ToolLineHandler());
}

bool RunTool(const std::string& commandLine, std::string& output, ToolExit* exit,
             const ToolLineHandler& onLine)
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
    Fd readEnd {fds[0]};
    Fd writeEnd {fds[1]};

    const pid_t pid = Spawn(args, writeEnd.fd, static_cast<bool>(onLine));
    if (pid < 0)
        return false;
    // Only the child holds the write end now, so the end of the stream shows up
    // once the tool (and whatever it started) has closed it.
    writeEnd.Close();
    ::fcntl(readEnd.fd, F_SETFL, ::fcntl(readEnd.fd, F_GETFL) | O_NONBLOCK);

    std::size_t lineStart = output.size();
    int status = 0;
    bool ended = false;
    bool streamOpen = true;
    while (!ended) {
        if (streamOpen) {
            pollfd p {readEnd.fd, POLLIN, 0};
            int ready = ::poll(&p, 1, kPollMs);
            if (ready > 0) {
                streamOpen = ReadAvailable(readEnd.fd, output);
                if (onLine)
                    lineStart = DeliverLines(output, lineStart, onLine);
            } else if (ready < 0 && errno != EINTR)
                streamOpen = false;
        } else {
            ::usleep(kPollMs * 1000);
        }
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR))
            ended = true;
    }
    // What the tool printed just before it ended is still in the pipe. A child
    // that the tool left running may hold the pipe open: take only what is there.
    while (streamOpen && ReadAvailable(readEnd.fd, output)) {
        pollfd p {readEnd.fd, POLLIN, 0};
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
        exit->Exited = WIFEXITED(status);
        exit->ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        exit->Signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    return true;
}

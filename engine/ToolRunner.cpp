#include "engine/ToolRunner.h"

#include "engine/CommandLineSplitter.h"
#include "engine/ToolProcesses.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <csignal>
#include <sys/prctl.h>
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

// Reports an errno value from the child through the error pipe, then ends it.
[[noreturn]] void ChildFailed(int errorPipe)
{
    const int error = errno;
    ssize_t ignored = ::write(errorPipe, &error, sizeof error);
    (void)ignored;
    ::_exit(127);
}

// Starts the tool in a process group of its own (so that a Ctrl+C meant for us
// does not reach it directly, and so that it can be ended as a group) with a
// parent-death signal. fork rather than posix_spawn, which cannot arm that
// signal; the child runs only async-signal-safe calls until exec.
pid_t Spawn(const std::vector<std::string>& args, int writeEnd, bool progress)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const std::vector<std::string> env = ToolEnvironment(progress);
    std::vector<char*> envp;
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) != 0)
        return -1;
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(errorPipe[0]);
        ::setpgid(0, 0);
        // Armed first, then checked: a parent that died before the arming
        // would otherwise never send it.
        if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != parent)
            ::_exit(127);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int s : {SIGPIPE, SIGCHLD, SIGINT, SIGTERM, SIGHUP})
            ::signal(s, SIG_DFL); // ignored dispositions would survive exec
        const int in = ::open("/dev/null", O_RDONLY);
        if (in < 0 || ::dup2(in, STDIN_FILENO) < 0 || ::dup2(writeEnd, STDOUT_FILENO) < 0
            || ::dup2(writeEnd, STDERR_FILENO) < 0)
            ChildFailed(errorPipe[1]);
        ::execve(argv[0], argv.data(), envp.data());
        ChildFailed(errorPipe[1]);
    }
    ::close(errorPipe[1]);
    if (pid < 0) {
        ::close(errorPipe[0]);
        return -1;
    }
    // Both groups are set, in the child and here, so that neither side races.
    ::setpgid(pid, pid);
    int error = 0;
    ssize_t n;
    do
        n = ::read(errorPipe[0], &error, sizeof error);
    while (n < 0 && errno == EINTR);
    ::close(errorPipe[0]);
    if (n > 0) {
        // It could not run the program: collect the child and report failure.
        int status;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return -1;
    }
    return pid;
}

} // namespace

void SetCommandLineEcho(bool on) { g_echo = on; }

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
    Fd readEnd {fds[0]};
    Fd writeEnd {fds[1]};

    const pid_t pid = Spawn(args, writeEnd.fd, static_cast<bool>(onLine));
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
    ::fcntl(readEnd.fd, F_SETFL, ::fcntl(readEnd.fd, F_GETFL) | O_NONBLOCK);

    std::size_t lineStart = output.size();
    int status = 0;
    bool ended = false;
    bool reaped = false;
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
        const pid_t r = processes.Reap(pid, &status);
        reaped = r == pid;
        // A failed wait (SIGCHLD ignored: ECHILD) ends the wait, but its status
        // is unknown, and an unknown status is no success.
        ended = r != 0;
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
        exit->Exited = reaped && WIFEXITED(status);
        exit->ExitCode = exit->Exited ? WEXITSTATUS(status) : -1;
        exit->Signal = reaped && WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    return true;
}

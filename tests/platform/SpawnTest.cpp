#include "platform/Spawn.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Outcome
{
    pid_t Pid = -1;
    int Error = 0;
    pid_t Group = -1;
    pid_t Session = -1;
    std::string Output;
    int ExitCode = -1;
};

// Starts the program with its standard output in a pipe, waits for it, and gives what it
// printed and how it ended.
Outcome Start(SpawnOptions options)
{
    Outcome run;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return run;
    UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);
    options.Output = writeEnd.Get();
    run.Pid = SpawnProcess(options);
    run.Error = errno;
    writeEnd.Close();
    if (run.Pid < 0)
        return run;
    run.Group = ::getpgid(run.Pid);
    run.Session = ::getsid(run.Pid);
    char buf[4096];
    ssize_t n;
    while ((n = ::read(readEnd.Get(), buf, sizeof buf)) > 0)
        run.Output.append(buf, static_cast<std::size_t>(n));
    int status = 0;
    if (::waitpid(run.Pid, &status, 0) == run.Pid && WIFEXITED(status))
        run.ExitCode = WEXITSTATUS(status);
    return run;
}

// The SigIgn line of the child's own status: which signals it ignores.
bool IgnoresSigpipe(const std::string& status)
{
    const std::size_t at = status.find("SigIgn:");
    if (at == std::string::npos)
        return false;
    const unsigned long long mask = std::strtoull(status.c_str() + at + 7, nullptr, 16);
    return (mask & (1ull << (SIGPIPE - 1))) != 0;
}

TEST(Spawn, AProgramThatCannotRunIsAFailureWithItsReason)
{
    const struct
    {
        const char* program;
        bool searchPath;
        int error;
    } rows[] = {
        { "/nonexistent/program", false, ENOENT },
        { "sablewick-no-such-program", true, ENOENT },
        { "cat", false, ENOENT }, // not looked up: a name is a file in the current folder
        { "/dev/null", false, EACCES },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.program);
        SpawnOptions options;
        options.Args = { row.program };
        options.SearchPath = row.searchPath;
        const Outcome run = Start(options);
        EXPECT_EQ(run.Pid, -1);
        EXPECT_EQ(run.Error, row.error);
    }
    // The failed children were collected.
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST(Spawn, LooksNamesUpInPathAndReadsNothingFromOurInput)
{
    SpawnOptions options;
    options.Args = { "cat" }; // copies its standard input: /dev/null, so nothing
    options.SearchPath = true;
    const Outcome run = Start(options);
    ASSERT_GT(run.Pid, 0);
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Output, "");
}

TEST(Spawn, GroupSessionAndSignalsAsAsked)
{
    struct sigaction ignore
    {
    }, old {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGPIPE, &ignore, &old), 0);
    for (const bool fresh : { false, true }) {
        SCOPED_TRACE(fresh ? "new group, new session, default signals" : "as we are");
        SpawnOptions options;
        options.Args = { "/bin/cat", "/proc/self/status" };
        options.NewGroup = fresh;
        options.DefaultSignals = fresh;
        options.DieWithParent = fresh;
        const Outcome run = Start(options);
        ASSERT_GT(run.Pid, 0);
        EXPECT_EQ(run.ExitCode, 0);
        EXPECT_EQ(run.Group == run.Pid, fresh);
        EXPECT_EQ(IgnoresSigpipe(run.Output), !fresh) << run.Output;

        options.NewGroup = false;
        options.NewSession = fresh;
        const Outcome session = Start(options);
        ASSERT_GT(session.Pid, 0);
        EXPECT_EQ(session.Session == session.Pid, fresh);
    }
    ::sigaction(SIGPIPE, &old, nullptr);
}

} // namespace

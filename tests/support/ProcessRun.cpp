#include "tests/support/ProcessRun.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

ToolRun runOnce(const std::string& program, const std::vector<std::string>& args, RunLimits limits)
{
    ToolRun result;
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return result;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return result;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_t pid = fork();
    if (pid == 0) {
        int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        if (limits.maxFileSize >= 0) {
            struct rlimit rl
            {
                static_cast<rlim_t>(limits.maxFileSize), static_cast<rlim_t>(limits.maxFileSize)
            };
            setrlimit(RLIMIT_FSIZE, &rl);
            signal(SIGXFSZ, SIG_IGN);
        }
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (pid < 0) {
        close(out[0]);
        close(err[0]);
        return result;
    }
    pollfd fds[2] = { { out[0], POLLIN, 0 }, { err[0], POLLIN, 0 } };
    int open = 2;
    char buffer[4096];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
                continue;
            }
            result.output.append(buffer, static_cast<size_t>(n));
            (i == 0 ? result.out : result.errors).append(buffer, static_cast<size_t>(n));
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

} // namespace

ToolRun runProgram(
    const std::string& program, const std::vector<std::string>& args, RunLimits limits)
{
    ToolRun result = runOnce(program, args, limits);
    // The program's Stop ends tools by name; on a machine shared with other test runs a
    // stranger's SIGKILL may land on ours. The tool never kills itself, so run it again.
    if (result.signal == SIGKILL)
        result = runOnce(program, args, limits);
    return result;
}

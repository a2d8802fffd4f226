#include "platform/Spawn.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::vector<char*> PointersOf(const std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (const std::string& text : texts)
        pointers.push_back(const_cast<char*>(text.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

// The files an exec tries, in order: the program as named, or, looked up in PATH (the
// system's default path when unset; an empty entry is the current folder), each candidate.
std::vector<std::string> Candidates(const std::string& program, bool searchPath)
{
    if (!searchPath || program.empty() || program.find('/') != std::string::npos)
        return { program };
    const char* variable = std::getenv("PATH");
    const std::string path = variable ? variable : "/bin:/usr/bin";
    std::vector<std::string> candidates;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = path.find(':', start);
        const std::string folder = path.substr(start, colon - start);
        candidates.push_back(folder.empty() ? program : folder + "/" + program);
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    return candidates;
}

// Makes `fd` the descriptor `target`, open across exec.
bool MoveTo(int fd, int target)
{
    if (fd == target)
        return ::fcntl(fd, F_SETFD, 0) == 0;
    return ::dup2(fd, target) >= 0;
}

// Reports an errno value through the error pipe, then ends the child.
[[noreturn]] void ChildFailed(int errorPipe, int error)
{
    ssize_t ignored = ::write(errorPipe, &error, sizeof error);
    (void)ignored;
    ::_exit(127);
}

// Between fork and exec: only async-signal-safe calls, nothing that allocates.
[[noreturn]] void RunChild(const SpawnOptions& options, char* const* argv, char* const* envp,
    const std::vector<char*>& files, const sigset_t& oldMask, pid_t parent, int errorPipe)
{
    if (options.NewGroup)
        ::setpgid(0, 0);
    if (options.NewSession)
        ::setsid();
    // Armed first, then checked: a parent that died before the arming would otherwise
    // never send it.
    if (options.DieWithParent && (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != parent))
        ::_exit(127);
    // Our handlers are not meant for the child: exec would drop them anyway, this drops
    // them before the signals are let through again.
    for (int s = 1; s < NSIG; ++s) {
        struct sigaction action;
        if (::sigaction(s, nullptr, &action) == 0 && action.sa_handler != SIG_IGN
            && action.sa_handler != SIG_DFL)
            ::signal(s, SIG_DFL);
    }
    if (options.DefaultSignals) {
        for (int s : { SIGPIPE, SIGCHLD, SIGINT, SIGTERM, SIGHUP })
            ::signal(s, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
    } else {
        ::sigprocmask(SIG_SETMASK, &oldMask, nullptr);
    }
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (in < 0 || !MoveTo(in, STDIN_FILENO)
        || (options.Output >= 0 && !MoveTo(options.Output, STDOUT_FILENO))
        || (options.Error >= 0 && !MoveTo(options.Error, STDERR_FILENO)))
        ChildFailed(errorPipe, errno);
    // Like posix_spawnp: a candidate that is missing or may not be run lets the search go
    // on; a denied one is what is reported when none runs.
    int error = ENOENT;
    bool denied = false;
    for (char* file : files) {
        if (!file)
            break;
        ::execve(file, argv, envp);
        error = errno;
        if (error == EACCES)
            denied = true;
        else if (error != ENOENT && error != ENOTDIR && error != ESTALE && error != ENODEV
            && error != ETIMEDOUT && error != EHOSTUNREACH)
            ChildFailed(errorPipe, error);
    }
    ChildFailed(errorPipe, denied ? EACCES : error);
}

} // namespace

pid_t SpawnProcess(const SpawnOptions& options)
{
    if (options.Args.empty()) {
        errno = EINVAL;
        return -1;
    }
    // Everything the child needs is made here: it may not allocate.
    std::vector<char*> argv = PointersOf(options.Args);
    std::vector<char*> envp;
    if (options.Environment)
        envp = PointersOf(*options.Environment);
    const std::vector<std::string> candidates = Candidates(options.Args[0], options.SearchPath);
    std::vector<char*> files = PointersOf(candidates);

    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) != 0)
        return -1;
    UniqueFd readEnd(errorPipe[0]);
    UniqueFd writeEnd(errorPipe[1]);
    const pid_t parent = ::getpid();
    // No handler of ours may run in the child before it has dropped them.
    sigset_t all, oldMask;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &oldMask);
    const pid_t pid = ::fork();
    if (pid == 0)
        RunChild(options, argv.data(), options.Environment ? envp.data() : environ, files, oldMask,
            parent, writeEnd.Get());
    const int forkError = errno;
    ::pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    writeEnd.Close();
    if (pid < 0) {
        errno = forkError;
        return -1;
    }
    if (options.NewGroup)
        ::setpgid(pid, pid);
    int error = 0;
    ssize_t n;
    do
        n = ::read(readEnd.Get(), &error, sizeof error);
    while (n < 0 && errno == EINTR);
    if (n > 0) {
        // It could not run the program: collect the child and report failure.
        int status;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
        errno = error;
        return -1;
    }
    return pid;
}

#include "engine/ProcessKiller.h"

#include "platform/AsciiText.h"
#include "platform/CHandles.h"

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string ExecutableBaseName(const std::string& procDir)
{
    char buf[PATH_MAX];
    ssize_t n = ::readlink((procDir + "/exe").c_str(), buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    std::string path(buf, static_cast<std::size_t>(n));
    return path.substr(path.rfind('/') + 1);
}

std::string CommandName(const std::string& procDir)
{
    std::string name;
    if (const UniqueFile f { std::fopen((procDir + "/comm").c_str(), "r") }) {
        char buf[64] = {};
        if (std::fgets(buf, sizeof buf, f.get()))
            name = buf;
    }
    while (!name.empty() && name.back() == '\n')
        name.pop_back();
    return name;
}

} // namespace

std::vector<NamedProcess> FindProcessesByName(const std::string& name)
{
    std::vector<NamedProcess> found;
    if (name.empty())
        return found;
    const UniqueDir proc(::opendir("/proc"));
    if (!proc)
        return found;
    const uid_t me = ::getuid();
    const pid_t self = ::getpid();
    while (dirent* e = ::readdir(proc.get())) {
        char* end = nullptr;
        long pid = std::strtol(e->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == self)
            continue;
        const std::string dir = std::string("/proc/") + e->d_name;
        struct stat st;
        if (::stat(dir.c_str(), &st) != 0 || st.st_uid != me)
            continue; // other users' processes are never touched
        std::string base = ExecutableBaseName(dir);
        if (!StartsWithIgnoringCase(base, name)) {
            const std::string comm = CommandName(dir);
            if (!StartsWithIgnoringCase(comm, name))
                continue;
            base = comm;
        }
        found.push_back({ static_cast<pid_t>(pid), base });
    }
    return found;
}

int KillProcessesByName(const std::string& name)
{
    int killed = 0;
    for (const NamedProcess& p : FindProcessesByName(name)) {
        std::fprintf(
            stderr, "%s (PID to terminate: %ld)\n", p.Name.c_str(), static_cast<long>(p.Pid));
        if (::kill(p.Pid, SIGKILL) == 0) {
            ++killed;
            std::fprintf(
                stderr, "Process: %ld, was successfully terminated.\n", static_cast<long>(p.Pid));
        }
    }
    return killed;
}

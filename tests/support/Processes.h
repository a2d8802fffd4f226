#pragma once

// What the tests see of processes through /proc: whether one lives, and the
// children of one, so that a test finds its own processes without names.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/types.h>
#include <vector>

namespace test_processes {

// The state letter of the process ('Z' for a zombie), 0 when it is gone;
// `parent` receives its parent's pid.
inline char State(pid_t pid, pid_t* parent = nullptr)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(in, stat);
    const auto close = stat.rfind(')');
    char state = 0;
    int ppid = 0;
    if (close == std::string::npos
        || std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) != 2)
        return 0;
    if (parent)
        *parent = ppid;
    return state;
}

// True while `pid` lives (a zombie counts as gone).
inline bool Alive(pid_t pid)
{
    const char state = State(pid);
    return state != 0 && state != 'Z';
}

// The base name of the program `pid` runs (/proc/PID/exe), empty when unknown.
inline std::string ExecutableName(pid_t pid)
{
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
    return error ? std::string() : exe.filename().string();
}

// The command name of `pid` (/proc/PID/comm: at most 15 characters), empty when gone.
inline std::string CommandName(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// The living children of `parent`.
inline std::vector<pid_t> ChildrenOf(pid_t parent)
{
    std::vector<pid_t> children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        pid_t ppid = 0;
        const pid_t pid = std::stoi(name);
        const char state = State(pid, &ppid);
        if (ppid == parent && state != 0 && state != 'Z')
            children.push_back(pid);
    }
    return children;
}

} // namespace test_processes

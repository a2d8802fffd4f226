#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

struct NamedProcess
{
    pid_t Pid;
    std::string Name; // the name it matched by
};

// Every process of the current user (but this one) whose executable base name
// starts with `name`, compared without regard to ASCII case. The base name is
// that of /proc/PID/exe, or the process's command name when that cannot be read
// or does not match (a script's interpreter is not its name). None for "".
std::vector<NamedProcess> FindProcessesByName(const std::string& name);

// Kills (SIGKILL) the processes FindProcessesByName gives. Returns how many
// were signalled.
int KillProcessesByName(const std::string& name);

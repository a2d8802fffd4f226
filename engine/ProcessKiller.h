#pragma once

#include <string>

// Kills (SIGKILL) every process of the current user whose executable base name
// starts with `name`, compared without regard to ASCII case. The base name is
// that of /proc/PID/exe, or the process's command name when that cannot be read
// or does not match (a script's interpreter is not its name). Returns how many
// processes were signalled.
int KillProcessesByName(const std::string& name);

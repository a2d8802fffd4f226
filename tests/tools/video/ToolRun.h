#pragma once

#include <string>
#include <vector>

// Runs a program and collects what it printed and how it ended.
struct ToolRun
{
    int exitCode = -1; // -1 when it did not exit normally
    int signal = 0; // the signal that ended it, if any
    std::string output; // stdout and stderr together
    std::string errors; // stderr alone
};

struct RunLimits
{
    long long maxFileSize = -1; // RLIMIT_FSIZE, with SIGXFSZ ignored so writes fail with EFBIG
};

ToolRun runProgram(
    const std::string& program, const std::vector<std::string>& args, RunLimits limits = {});

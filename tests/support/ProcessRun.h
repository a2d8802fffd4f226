#pragma once

// Runs a program as the tests do: no shell, stdin from /dev/null, both output
// streams collected, and how it ended.

#include <string>
#include <vector>

struct ToolRun
{
    int exitCode = -1; // -1 when it did not exit normally
    int signal = 0; // the signal that ended it, if any
    std::string output; // stdout and stderr together, in the order they came
    std::string out; // stdout alone
    std::string errors; // stderr alone
};

struct RunLimits
{
    long long maxFileSize = -1; // RLIMIT_FSIZE, with SIGXFSZ ignored so writes fail with EFBIG
};

// `program` is a path; `args` follow it.
ToolRun runProgram(
    const std::string& program, const std::vector<std::string>& args, RunLimits limits = {});

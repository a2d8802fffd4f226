#pragma once

#include <string>
#include <vector>

struct ProcessOutput
{
    int exitCode = -1; // -1 when the process did not end normally
    std::string out;
    std::string err;
};

// Runs `argv` (argv[0] a path) without a shell and collects both of its output streams.
ProcessOutput RunProcess(const std::vector<std::string>& argv);

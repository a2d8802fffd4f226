#pragma once

#include <functional>
#include <string>

class ToolProcesses;

// How a tool's process ended.
struct ToolExit
{
    bool Started = false; // false when the process could not be started
    bool Exited = false; // ended by itself, with ExitCode
    int ExitCode = -1;
    int Signal = 0; // the signal that ended it, when not Exited

    bool Succeeded() const { return Started && Exited && ExitCode == 0; }
};

// Starts the program of a command line (split by SplitCommandLine; the first
// argument is the program), with standard output and standard error joined into
// one pipe and standard input from /dev/null, and waits for it to end.
// Everything the tool printed is appended to `output`, except zero bytes.
// False, with nothing appended, when the process cannot be started.
bool RunTool(const std::string& commandLine, std::string& output, ToolExit* exit = nullptr);

// Called with each whole line a tool prints, as it arrives, without its line end.
using ToolLineHandler = std::function<void(const std::string& line)>;

// The same, calling `onLine` (when set) for every line while the tool runs; the
// tool is then asked for its progress lines ("progress DONE/EXPECTED",
// SABLEWICK_PROGRESS=1). With `owner`, the tool is registered there while it
// runs, so that whoever started it can end it (ToolProcesses::EndAll).
// The tool gets SIGTERM when the thread that started it dies, so a killed
// program leaves no tool behind.
bool RunTool(const std::string& commandLine, std::string& output, ToolExit* exit,
    const ToolLineHandler& onLine, ToolProcesses* owner = nullptr);

// Whether RunTool prints each command line on standard error (it does unless
// told otherwise; the console program prints them itself with -v).
void SetCommandLineEcho(bool on);

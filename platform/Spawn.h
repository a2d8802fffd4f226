#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// How to start a program with SpawnProcess. Standard input is always /dev/null.
struct SpawnOptions
{
    std::vector<std::string> Args; // the program first
    bool SearchPath = false; // a program name without '/' is looked up in PATH
    // The child's environment; ours when not set.
    const std::vector<std::string>* Environment = nullptr;
    int Output = -1; // becomes standard output; -1 keeps ours
    int Error = -1; // becomes standard error; -1 keeps ours
    bool NewSession = false; // a session of its own (setsid)
    // A process group of its own, set on both sides of the fork so that neither races:
    // a Ctrl+C meant for us does not reach it directly, and it can be ended as a group.
    bool NewGroup = false;
    // SIGTERM reaches the child when the thread that started it dies.
    bool DieWithParent = false;
    // No blocked signals, and default dispositions for the stop, pipe and child signals,
    // even where we ignore them: ignored dispositions and the mask survive exec.
    bool DefaultSignals = false;
};

// Starts a program (fork and exec; the child runs only async-signal-safe calls until the
// exec, and no signal handler of ours runs in it). The child's pid, or -1 with errno set when
// the program could not be started; a child that failed to exec is already collected.
pid_t SpawnProcess(const SpawnOptions& options);

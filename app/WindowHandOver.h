#pragma once

#include <string>
#include <vector>

enum class HandOver
{
    NoWindow, // no window to hand the files to: open one as usual
    Taken, // the window took every file
    NotAllTaken, // the window is there but did not take a file (said on stderr)
};

// Open With and one window: when the arguments ask to add files and a window of
// this user already holds the session-bus name, hands it the files (as the exact
// bytes of absolute paths) and brings it to the front.
HandOver HandFilesToRunningWindow(const std::vector<std::string>& args);

#pragma once

#include <string>
#include <vector>

// Open With and one window: when the arguments ask to add files and a window of
// this user already holds the session-bus name, hands it the files (as absolute
// paths) and brings it to the front. True when the window took them, so this
// process has nothing more to do; false to open a window as usual.
bool HandFilesToRunningWindow(const std::vector<std::string>& args);

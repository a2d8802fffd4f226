#pragma once

#include <string>
#include <vector>

// What the program's arguments ask for, in order. The main window carries the actions out
// while it is still hidden: each AddPath goes to the file list when something exists at that
// path, and ShowCopyright shows the notice and ends the process.
struct CommandLineAction
{
    enum class Kind
    {
        AddPath,
        ShowCopyright,
    };

    Kind kind;
    std::string path;
    // Files from a launcher ("--files") get their media information as dropped files do.
    bool withMediaInfo = false;

    bool operator==(const CommandLineAction&) const = default;
};

// args[0] is the program itself. "-add" and "-open" (any letter case) take the next argument
// as a path whatever it looks like; as the last argument they do nothing. "-copyright" ends the
// list, since the process ends once its notice is dismissed. "--files" takes every argument
// after it as a path (a launcher's list of files). Everything else is ignored.
std::vector<CommandLineAction> ParseCommandLine(const std::vector<std::string>& args);

// The one-line notice that "-copyright" shows.
const char* CopyrightNotice();

#include "app/CommandLine.h"

#include "platform/AsciiText.h"

std::vector<CommandLineAction> ParseCommandLine(const std::vector<std::string>& args)
{
    std::vector<CommandLineAction> actions;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (EqualsIgnoringCase(arg, "-add") || EqualsIgnoringCase(arg, "-open")) {
            if (i + 1 < args.size()) {
                actions.push_back({ CommandLineAction::Kind::AddPath, args[i + 1] });
                ++i;
            }
        } else if (EqualsIgnoringCase(arg, "--files")) {
            // A launcher's list of files (the desktop entry's %F): every one is added.
            for (++i; i < args.size(); ++i)
                actions.push_back({ CommandLineAction::Kind::AddPath, args[i], true });
        } else if (EqualsIgnoringCase(arg, "-copyright")) {
            actions.push_back({ CommandLineAction::Kind::ShowCopyright, {} });
            break;
        }
    }
    return actions;
}

const char* CopyrightNotice()
{
    return "Copyright (C) 2025 Tellurvane Software, https://www.tellurvane.example/";
}

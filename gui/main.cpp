// sablewick: the converter's window.
#include "app/CConverterApp.h"
#include "engine/Settings.h"
#include "sablewick/Version.h"

#include <QApplication>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

// Answered before Qt starts, so that they work without a display.
void PrintHelp()
{
    std::printf("Usage: sablewick [-add FILE]... [--files FILE...] [-copyright]\n"
                "Opens the converter's window; each FILE is added to its list of videos.\n"
                "When a window of this user is already open, the files go to that window.\n"
                "Settings file: %s\n"
                "  -add FILE, -open FILE  add FILE (a video, or a folder) to the list\n"
                "  --files FILE...        add every FILE that follows\n"
                "  -copyright             show the copyright notice and exit\n"
                "  --help                 print this help and exit\n"
                "  --version              print the version and exit\n",
                SettingsReadPath().c_str());
}

} // namespace

int main(int argc, char** argv)
{
    if (PrintVersionIfAsked(argc, argv, "sablewick"))
        return 0;
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        PrintHelp();
        return 0;
    }
    // An ignored SIGCHLD handed on by a launcher would hide the tools' exit statuses.
    std::signal(SIGCHLD, SIG_DFL);
    QApplication app(argc, argv);
    CConverterApp converter(std::vector<std::string>(argv, argv + argc));
    return converter.Run();
}

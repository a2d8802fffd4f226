// sablewick-cli: converts video files with the program's settings file, tools
// and conversion job, without a window.
#include "cli/ConsoleHost.h"
#include "engine/ConversionController.h"
#include "engine/Settings.h"
#include "platform/ProgramFolder.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<bool> g_interrupted {false};

void OnSignal(int) { g_interrupted = true; }

void Usage(std::FILE* to)
{
    std::fprintf(to,
                 "Usage: sablewick-cli [-o FOLDER] FILE...\n"
                 "Converts each video FILE with the settings of %s\n"
                 "into FOLDER (default: the current folder).\n"
                 "Exit status: 0 all files converted, 1 a file failed, 2 usage error or no\n"
                 "settings file, 130 interrupted (Ctrl+C stops like the Stop button).\n",
                 SettingsFilePath().c_str());
}

bool IsFolder(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

int main(int argc, char** argv)
{
    std::string folder;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            Usage(stdout);
            return 0;
        }
        if (!optionsEnded && arg == "-o") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "sablewick-cli: -o needs a folder\n");
                return 2;
            }
            folder = argv[++i];
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "sablewick-cli: unknown option %s\n", arg.c_str());
            Usage(stderr);
            return 2;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        Usage(stderr);
        return 2;
    }
    if (folder.empty()) {
        char cwd[4096];
        if (!::getcwd(cwd, sizeof cwd)) {
            std::fprintf(stderr, "sablewick-cli: cannot read the current folder\n");
            return 2;
        }
        folder = cwd;
    }
    if (!IsFolder(folder)) {
        std::fprintf(stderr, "sablewick-cli: output folder %s does not exist\n", folder.c_str());
        return 2;
    }
    if (!PathExists(SettingsFilePath())) {
        std::fprintf(stderr, "sablewick-cli: no settings file at %s\n", SettingsFilePath().c_str());
        return 2;
    }

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);

    ConsoleHost host(folder, files, stdout);
    ConversionController controller(host);
    if (!controller.StartConversion())
        return 2;
    host.RunUntilDone(g_interrupted, [&] { controller.StopConversion(); });

    if (g_interrupted)
        return 130;
    for (const std::string& result : host.Results())
        if (result != "Success")
            return 1;
    return 0;
}

// sablewick-cli: converts video files with the program's settings file, tools
// and conversion job, without a window.
#include "cli/ConsoleHost.h"
#include "cli/ConsoleOptions.h"
#include "cli/EstimateCommand.h"
#include "engine/ConversionController.h"
#include "engine/FrameSweeper.h"
#include "engine/Settings.h"
#include "engine/ToolCommandLines.h"
#include "engine/ToolRunner.h"
#include "engine/VideoTypes.h"
#include "platform/AsciiText.h"
#include "platform/ProgramFolder.h"
#include "sablewick/Version.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<bool> g_interrupted { false };
volatile std::sig_atomic_t g_signal = 0;

void OnSignal(int signal)
{
    g_signal = signal;
    g_interrupted = true;
}

// Ctrl+Z, or a background read or write of the terminal: acted on by the main loop.
std::atomic<int> g_jobStop { 0 };

void OnJobStop(int signal)
{
    g_jobStop = signal;
}

// The tools run in process groups of their own, so a job control stop reaches
// only this program: it stops them, stops itself with the same signal, and
// continues them once the shell continues it (fg, bg).
void StopForJobControl(ConversionController& controller)
{
    const int signal = g_jobStop.exchange(0);
    if (signal == 0)
        return;
    controller.PauseTools(true);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::signal(signal, OnJobStop);
    controller.PauseTools(false);
}

const char* SignalName(int signal)
{
    switch (signal) {
    case SIGINT:
        return "SIGINT";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "SIGTERM";
    }
}

// Launchers may hand on ignored signals through exec: with SIGCHLD ignored the
// tools' exit statuses would be lost, with SIGPIPE ignored a closed pipe on our
// output would not end us.
void ResetInheritedSignals()
{
    for (int signal : { SIGCHLD, SIGPIPE })
        std::signal(signal, SIG_DFL);
}

// The window's video types, as the open-file dialog offers them.
std::string VideoTypeList()
{
    std::string list;
    for (const VideoType& type : VideoTypes())
        list += (list.empty() ? "" : " ") + std::string(type.Extension);
    return list;
}

void Usage(std::FILE* to)
{
    std::fprintf(to,
        "Usage: sablewick-cli [OPTION]... FILE...\n"
        "Converts each video FILE with the settings of %s.\n"
        "A FILE may be of any type FFmpeg reads, such as %s.\n"
        "The options below replace the settings key in brackets for this run only;\n"
        "the file itself is not changed.\n"
        "Exit status: 0 all files converted, 1 a file failed, 2 usage error or no\n"
        "settings file, 130 interrupted (Ctrl+C stops like the Stop button),\n"
        "129 the terminal closed (stopped the same way).\n"
        "With --json, each line names the input as given and the outputs under the\n"
        "-o FOLDER as given; reason is null where there is none; -q hides no line.\n"
        "A name that is not UTF-8 is an array of its bytes as numbers (0 to 255),\n"
        "so every name comes back exactly: in Python, bytes(name) gives them.\n"
        "Options:\n%s"
        "  --version             print the version and exit\n",
        SettingsReadPath().c_str(), VideoTypeList().c_str(), ConsoleOptionsHelp().c_str());
}

// Relative paths are made absolute (byte for byte otherwise), so that a name
// starting with '-' never reaches a tool as an option.
std::string Absolute(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

bool IsFolder(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

int main(int argc, char** argv)
{
    ResetInheritedSignals();
    if (PrintVersionIfAsked(argc, argv, "sablewick-cli"))
        return 0;
    const ParsedConsoleOptions parsed
        = ParseConsoleOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.Error.empty()) {
        std::fprintf(stderr, "sablewick-cli: %s (see --help)\n", parsed.Error.c_str());
        return 2;
    }
    const ConsoleOptions& options = parsed.Options;
    if (options.Help) {
        Usage(stdout);
        return 0;
    }
    if (options.Files.empty()) {
        Usage(stderr);
        return 2;
    }
    ConversionSettings settings = LoadSettings();
    if (!settings.FileExists) {
        std::fprintf(stderr, "sablewick-cli: no settings file at %s\n", SettingsReadPath().c_str());
        return 2;
    }
    if (std::string error = ApplyOverrides(options, settings); !error.empty()) {
        std::fprintf(stderr, "sablewick-cli: %s (see --help)\n", error.c_str());
        return 2;
    }

    if (options.Estimate) {
        for (int signal : { SIGINT, SIGTERM, SIGHUP })
            std::signal(signal, OnSignal);
        SetCommandLineEcho(options.Level == Verbosity::Verbose);
        std::vector<std::string> paths;
        for (const std::string& file : options.Files)
            paths.push_back(Absolute(file));
        const long long budget = options.MaxSize.empty() ? 0 : std::stoll(options.MaxSize);
        const int status = RunEstimates(options.Files, paths, settings, options.Edit, budget,
            options.Json, g_interrupted, stdout, stderr);
        if (g_interrupted)
            return g_signal == SIGHUP ? 129 : 130;
        return status;
    }

    std::string folder = options.OutputFolder.empty() ? "" : Absolute(options.OutputFolder);
    if (folder.empty()) {
        char cwd[4096];
        if (!::getcwd(cwd, sizeof cwd)) {
            std::fprintf(stderr, "sablewick-cli: cannot read the current folder\n");
            return 2;
        }
        folder = cwd;
    }
    if (!IsFolder(folder) && options.MakeFolder) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) {
            std::fprintf(stderr, "sablewick-cli: cannot make the output folder %s: %s\n",
                folder.c_str(), error.message().c_str());
            return 2;
        }
    }
    if (!IsFolder(folder)) {
        std::fprintf(stderr, "sablewick-cli: output folder %s does not exist\n", folder.c_str());
        return 2;
    }

    // A closed terminal stops the batch as Ctrl+C does: tools ended, frames removed.
    for (int signal : { SIGINT, SIGTERM, SIGHUP })
        std::signal(signal, OnSignal);
    for (int signal : { SIGTSTP, SIGTTIN, SIGTTOU })
        std::signal(signal, OnJobStop);

    // The host prints the command lines itself, where they do not break a live line.
    SetCommandLineEcho(false);
    std::vector<std::string> files;
    for (const std::string& file : options.Files)
        files.push_back(Absolute(file));
    ConsoleHost host(folder, files, stdout, stderr, options.Level, ::isatty(STDOUT_FILENO) == 1);
    host.SetNoClobber(options.NoClobber);
    host.SetEdit(options.Edit);
    if (options.Json)
        host.ReportAsJson(options.Files, options.OutputFolder,
            !EqualsIgnoringCase(LookupOutputFormat(settings.FileFormat).Mode, "AnimationGIF"));
    ConversionController controller(host);
    if (!controller.StartConversion(settings))
        return 2;
    host.RunUntilDone(
        g_interrupted,
        [&] {
            host.Stopping(std::string("stopped by ") + SignalName(g_signal));
            controller.StopConversion();
        },
        [&] { StopForJobControl(controller); });

    // A stop's frames go in the background: let that end before the process does.
    AwaitFrameSweeps(false);
    if (g_interrupted)
        return g_signal == SIGHUP ? 129 : 130;
    for (const std::optional<FileResult>& result : host.Results())
        if (result != FileResult::Succeeded)
            return 1;
    return 0;
}

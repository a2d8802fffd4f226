#include "engine/ConvertFile.h"

#include "engine/ToolCommandLines.h"
#include "engine/ToolRunner.h"
#include "platform/AsciiText.h"
#include "platform/CHandles.h"
#include "platform/ProgramFolder.h"
#include "platform/TempFolder.h"

#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace {

// The tool's message without the tool's name before it ("video.dll: has no video
// stream" says "has no video stream").
std::string WithoutToolName(const std::string& line)
{
    for (const char* name : { "video.dll: ", "imgconv.dll: ", "imgconv: " }) {
        const std::string prefix = name;
        if (line.compare(0, prefix.size(), prefix) == 0)
            return line.substr(prefix.size());
    }
    return line;
}

bool RunToSuccess(const std::string& commandLine, const std::string& toolName,
    ConversionPhase phase, const ToolObserver& observer, ToolProcesses* owner, std::string* reason)
{
    if (observer.Started)
        observer.Started(commandLine);
    std::string output; // what the tools print is not used, but for their progress
    std::string lastLine; // a failing tool says why in its last message
    ToolExit exit;
    const ToolLineHandler onLine = [&](const std::string& line) {
        long long done = 0;
        long long expected = 0;
        int trial = 0;
        if (ParseProgressLine(line, &done, &expected, &trial)) {
            if (observer.Progressed)
                observer.Progressed(phase, done, expected, trial);
            return;
        }
        if (line.find_first_not_of(" \t\r") != std::string::npos)
            lastLine = line;
        if (observer.Printed)
            observer.Printed(line);
    };
    RunTool(commandLine, output, &exit, onLine, owner);
    if (exit.Succeeded())
        return true;
    if (!lastLine.empty())
        *reason = WithoutToolName(lastLine);
    else if (!exit.Started)
        *reason = toolName + " could not be started";
    else if (exit.Exited)
        *reason = toolName + " ended with status " + std::to_string(exit.ExitCode);
    else
        *reason = toolName + " was ended by signal " + std::to_string(exit.Signal);
    return false;
}

// No static objects here: a background sweep may still run while the process exits.
bool IsTempFrameName(std::string_view name)
{
    constexpr std::string_view prefix = "DasmereTemp";
    constexpr std::string_view suffix = ".png";
    return name.size() >= prefix.size() + suffix.size() && name.substr(0, prefix.size()) == prefix
        && name.substr(name.size() - suffix.size()) == suffix;
}

} // namespace

void DeleteTempFrames(const std::atomic<bool>* stopped)
{
    DeleteTempFramesIn(TempFolder(), stopped);
}

void DeleteTempFramesIn(const std::string& folder, const std::atomic<bool>* stopped)
{
    if (folder.empty())
        return;
    const UniqueDir dir(::opendir(folder.c_str()));
    if (!dir)
        return;
    while (dirent* e = ::readdir(dir.get())) {
        if (stopped && *stopped)
            return; // the stop sweeps them away, off the window's thread
        if (IsTempFrameName(e->d_name))
            ::unlinkat(::dirfd(dir.get()), e->d_name, 0);
    }
}

bool ConvertFile(const std::string& inputPath, const std::string& outputPath,
    const std::string& videoOptions, const std::string& imageOptions, const std::string& mode,
    const std::atomic<bool>& stopped, const ToolObserver& observer, ToolProcesses* owner,
    std::string* reason)
{
    std::string ignored;
    if (!reason)
        reason = &ignored;
    reason->clear();
    const std::string videoTool = ToolPath("video");
    const std::string imageTool = ToolPath("imgconv");
    if (stopped)
        return false;
    for (const std::string& tool : { videoTool, imageTool }) {
        if (!PathExists(tool)) {
            *reason = tool + " is missing";
            return false;
        }
    }

    if (EqualsIgnoringCase(mode, "No"))
        return RunToSuccess(
            VideoCommandLine(videoTool, inputPath, videoOptions, NumberedOutputPattern(outputPath)),
            "video.dll", ConversionPhase::Frames, observer, owner, reason);

    const bool still = EqualsIgnoringCase(mode, "StillGIF");
    const bool animation = EqualsIgnoringCase(mode, "AnimationGIF");
    if (!still && !animation) {
        *reason = "unknown output mode " + mode;
        return false;
    }

    const std::string pattern = TempFramePattern();
    const std::string wildcard = FrameWildcard();
    if (pattern.empty()) {
        *reason = "no private temporary folder";
        return false;
    }
    // Frames left over from an earlier run would slip into this GIF.
    DeleteTempFrames(&stopped);
    bool ok = RunToSuccess(VideoCommandLine(videoTool, inputPath, videoOptions, pattern),
        "video.dll", ConversionPhase::Frames, observer, owner, reason);
    // A failed or stopped frame extraction leaves no half GIF behind.
    if (ok && !stopped) {
        const std::string imageLine = still
            ? StillGifImageCommandLine(
                imageTool, wildcard, imageOptions, NumberedOutputPattern(outputPath))
            : AnimationImageCommandLine(imageTool, imageOptions, wildcard, outputPath);
        ok = RunToSuccess(imageLine, "imgconv.dll", ConversionPhase::Gif, observer, owner, reason);
    } else {
        ok = false;
    }
    DeleteTempFrames(&stopped);
    return ok;
}

#include "engine/ConvertFile.h"

#include "engine/FrameFitting.h"
#include "engine/SettingsText.h"
#include "engine/ToolCommandLines.h"
#include "engine/ToolRunner.h"
#include "platform/AsciiText.h"
#include "platform/CHandles.h"
#include "platform/ProgramFolder.h"
#include "platform/TempFolder.h"

#include <algorithm>
#include <cmath>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
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

// `keptQuality` (when given) gets the quality a size budget kept, when the tool says it.
bool RunToSuccess(const std::string& commandLine, const std::string& toolName,
    ConversionPhase phase, const ToolObserver& observer, ToolProcesses* owner, std::string* reason,
    int* keptQuality = nullptr)
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
        if (keptQuality)
            ParseKeptQuality(WithoutToolName(line), keptQuality);
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

long long FileBytes(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : 0;
}

// The tools' paths and the temporary frames of one file's conversion.
struct ToolSet
{
    std::string Video;
    std::string Image;
    std::string Pattern;
    std::string Wildcard;
};

// The image tool could not fit the animation into its -max-size (`reason` says how small it
// got): the frames are taken again, fewer and then smaller, until a GIF fits well. The
// output holds the last GIF that fitted.
bool FitByLoweringFrames(const std::string& inputPath, const std::string& outputPath,
    const std::string& videoOptions, const std::string& imageOptions, const ToolSet& tools,
    const std::atomic<bool>& stopped, const ToolObserver& observer, ToolProcesses* owner,
    std::string* reason, std::string* fitted)
{
    long long smallest = 0;
    long long budget = 0;
    int width = 0;
    int height = 0;
    const double firstRate = RealValue(OptionValue(videoOptions, "-r"));
    if (!ParseCannotFit(*reason, &smallest)
        || !ParseByteSize(OptionValue(imageOptions, "-max-size"), &budget) || firstRate <= 0
        || !ReadPngSize(FolderOf(tools.Pattern) + "DasmereTemp00000001.png", &width, &height))
        return false;
    const FrameFitting::Step first { firstRate, width, height };
    FrameFitting fitting(budget, first);
    fitting.Record(first, false, smallest);
    // A GIF frame rate of the settings keeps the GIF's length: fewer frames show longer.
    const std::string firstDelay = OptionValue(imageOptions, "-delay");
    int keptQuality = 0;
    FrameFitting::Step last = first;
    while (const std::optional<FrameFitting::Step> step = fitting.Next()) {
        if (stopped)
            return false;
        DeleteTempFrames(&stopped);
        std::string video = WithOption(videoOptions, "-r", FormatFixed2(step->Rate));
        if (step->Width != width || step->Height != height)
            video = WithOption(video, "-s",
                FormatInteger(step->Width) + "x" + FormatInteger(step->Height),
                { "-qscale", "-r" });
        std::string image = imageOptions;
        if (!firstDelay.empty()) {
            const double delay = RealValue(firstDelay) * firstRate / step->Rate;
            image = WithOption(image, "-delay",
                FormatInteger(std::clamp<long long>(std::llround(delay), 1, 65535)));
        }
        if (!RunToSuccess(VideoCommandLine(tools.Video, inputPath, video, tools.Pattern),
                "video.dll", ConversionPhase::Frames, observer, owner, reason)
            || stopped)
            return false;
        std::string why;
        int quality = 0;
        const bool fits = RunToSuccess(
            AnimationImageCommandLine(tools.Image, image, tools.Wildcard, outputPath),
            "imgconv.dll", ConversionPhase::Gif, observer, owner, &why, &quality);
        if (fits) {
            fitting.Record(*step, true, FileBytes(outputPath));
            keptQuality = quality;
        } else if (ParseCannotFit(why, &smallest)) {
            fitting.Record(*step, false, smallest);
            last = *step;
        } else {
            *reason = why;
            return false;
        }
    }
    const std::optional<FrameFitting::Step> kept = fitting.Fitted();
    if (!kept) {
        if (!(last == first))
            *reason = "cannot fit in " + FormatInteger(budget) + " bytes even at "
                + fitting.GivenUp(last) + ": the smallest GIF takes " + FormatInteger(smallest)
                + " bytes";
        return false;
    }
    reason->clear();
    if (fitted)
        *fitted = "fitted: "
            + (keptQuality > 0 ? "quality " + FormatInteger(keptQuality) + ", " : std::string())
            + fitting.GivenUp(*kept);
    return true;
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
    std::string* reason, bool fitByFrames, std::string* fitted)
{
    std::string ignored;
    if (!reason)
        reason = &ignored;
    reason->clear();
    if (fitted)
        fitted->clear();
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
        int keptQuality = 0;
        ok = RunToSuccess(
            imageLine, "imgconv.dll", ConversionPhase::Gif, observer, owner, reason, &keptQuality);
        // Below the quality it started from, the budget gave up quality.
        const std::string startQuality = OptionValue(imageOptions, "-quality");
        if (ok && fitted && keptQuality > 0
            && keptQuality < (startQuality.empty() ? 90 : IntegerValue(startQuality)))
            *fitted = "fitted: quality " + FormatInteger(keptQuality);
        if (!ok && animation && fitByFrames && !stopped)
            ok = FitByLoweringFrames(inputPath, outputPath, videoOptions, imageOptions,
                { videoTool, imageTool, pattern, wildcard }, stopped, observer, owner, reason,
                fitted);
    } else {
        ok = false;
    }
    DeleteTempFrames(&stopped);
    return ok;
}

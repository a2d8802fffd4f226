#include "engine/ConvertFile.h"

#include "engine/ToolCommandLines.h"
#include "engine/ToolRunner.h"
#include "platform/AsciiText.h"
#include "platform/CHandles.h"
#include "platform/ProgramFolder.h"
#include "platform/TempFolder.h"

#include <unistd.h>

namespace {

bool RunToSuccess(const std::string& commandLine, ConversionPhase phase,
    const ToolObserver& observer, ToolProcesses* owner)
{
    if (observer.Started)
        observer.Started(commandLine);
    std::string output; // what the tools print is not used, but for their progress
    ToolExit exit;
    ToolLineHandler onLine;
    if (observer.Progressed || observer.Printed) {
        onLine = [&](const std::string& line) {
            long long done = 0;
            long long expected = 0;
            if (ParseProgressLine(line, &done, &expected)) {
                if (observer.Progressed)
                    observer.Progressed(phase, done, expected);
            } else if (observer.Printed) {
                observer.Printed(line);
            }
        };
    }
    RunTool(commandLine, output, &exit, onLine, owner);
    return exit.Succeeded();
}

bool IsTempFrameName(const std::string& name)
{
    static const std::string prefix = "DasmereTemp";
    static const std::string suffix = ".png";
    return name.size() >= prefix.size() + suffix.size()
        && name.compare(0, prefix.size(), prefix) == 0
        && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

void DeleteTempFrames()
{
    const std::string folder = TempFolder();
    if (folder.empty())
        return;
    const UniqueDir dir(::opendir(folder.c_str()));
    if (!dir)
        return;
    while (dirent* e = ::readdir(dir.get())) {
        if (IsTempFrameName(e->d_name))
            ::unlink((folder + e->d_name).c_str());
    }
}

bool ConvertFile(const std::string& inputPath, const std::string& outputPath,
    const std::string& videoOptions, const std::string& imageOptions, const std::string& mode,
    const std::atomic<bool>& stopped, const ToolObserver& observer, ToolProcesses* owner)
{
    const std::string videoTool = ToolPath("video");
    const std::string imageTool = ToolPath("imgconv");
    if (!PathExists(videoTool) || !PathExists(imageTool) || stopped)
        return false;

    if (EqualsIgnoringCase(mode, "No"))
        return RunToSuccess(
            VideoCommandLine(videoTool, inputPath, videoOptions, NumberedOutputPattern(outputPath)),
            ConversionPhase::Frames, observer, owner);

    const bool still = EqualsIgnoringCase(mode, "StillGIF");
    const bool animation = EqualsIgnoringCase(mode, "AnimationGIF");
    if (!still && !animation)
        return false;

    const std::string pattern = TempFramePattern();
    const std::string wildcard = FrameWildcard();
    if (pattern.empty())
        return false;
    // Frames left over from an earlier run would slip into this GIF.
    DeleteTempFrames();
    bool ok = RunToSuccess(VideoCommandLine(videoTool, inputPath, videoOptions, pattern),
        ConversionPhase::Frames, observer, owner);
    // A failed or stopped frame extraction leaves no half GIF behind.
    if (ok && !stopped) {
        const std::string imageLine = still
            ? StillGifImageCommandLine(
                imageTool, wildcard, imageOptions, NumberedOutputPattern(outputPath))
            : AnimationImageCommandLine(imageTool, imageOptions, wildcard, outputPath);
        ok = RunToSuccess(imageLine, ConversionPhase::Gif, observer, owner);
    } else {
        ok = false;
    }
    DeleteTempFrames();
    return ok;
}

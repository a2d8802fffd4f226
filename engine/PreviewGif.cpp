#include "engine/PreviewGif.h"

#include "engine/SampleFolder.h"
#include "engine/ToolCommandLines.h"
#include "engine/ToolRunner.h"
#include "platform/AsciiText.h"
#include "platform/ProgramFolder.h"

#include <cmath>
#include <fstream>
#include <iterator>


bool MakePreviewGif(const SampleJob& job, double seconds, std::string* gif,
    const std::atomic<bool>& stopped, ToolProcesses* owner, std::string* reason)
{
    std::string ignored;
    if (!reason)
        reason = &ignored;
    reason->clear();
    if (!EqualsIgnoringCase(job.Mode, "AnimationGIF")) {
        *reason = "the output format is not an animated GIF";
        return false;
    }
    const std::string videoTool = ToolPath("video");
    const std::string imageTool = ToolPath("imgconv");
    for (const std::string& tool : { videoTool, imageTool }) {
        if (!PathExists(tool)) {
            *reason = tool + " is missing";
            return false;
        }
    }
    const SampleFolder folder;
    if (folder.Path().empty()) {
        *reason = "no private temporary folder";
        return false;
    }
    const long frames = std::max(1L, std::lround(seconds * FrameRateOf(job.VideoOptions)));
    std::string videoLine = VideoCommandLine(
        videoTool, job.Input, job.VideoOptions, folder.Path() + "DasmereTemp%08d.png");
    videoLine.insert(
        QuotePath(videoTool).size(), " \"-segments\" \"1x" + std::to_string(frames) + "\"");
    if (stopped || !RunSamplingTool(videoLine, nullptr, owner, reason) || stopped)
        return false;
    const std::string output = folder.Path() + "preview.gif";
    const std::string imageLine = AnimationImageCommandLine(
        imageTool, job.ImageOptions, folder.Path() + "DasmereTemp*.png", output);
    if (!RunSamplingTool(imageLine, nullptr, owner, reason) || stopped)
        return false;
    std::ifstream in(output, std::ios::binary);
    gif->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (gif->empty()) {
        *reason = "the preview GIF could not be read";
        return false;
    }
    return true;
}

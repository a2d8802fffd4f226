#include "engine/FrameGrab.h"

#include "engine/ToolCommandLines.h"
#include "engine/ToolRunner.h"
#include "platform/ProgramFolder.h"

#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace {

std::string Quoted(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return std::string("\"") + text + "\"";
}

constexpr const char* kFrameName = "frame%08d.png";
constexpr const char* kFirstFrame = "frame00000001.png";

} // namespace

std::string FrameGrabCommandLine(const std::string& videoTool, const std::string& input,
    double seconds, double frameRate, const std::string& outputPattern)
{
    const double rate = std::isfinite(frameRate) && frameRate > 0 ? frameRate : 25.0;
    const double start = std::isfinite(seconds) && seconds > 0 ? seconds : 0.0;
    return QuotePath(videoTool) + " \"-i\" " + QuotePath(input) + " \"-y\" \"-ss\" "
        + Quoted("%.3f", start) + " \"-t\" " + Quoted("%.6f", 1.0 / rate) + " \"-r\" "
        + Quoted("%.6f", rate) + " " + QuotePath(outputPattern);
}

std::string GrabFrame(const std::string& input, double seconds, double frameRate,
    const std::string& folder, ToolProcesses& owner)
{
    const std::string tool = ToolPath("video");
    const std::string frame = folder + kFirstFrame;
    ::unlink(frame.c_str());
    std::string output;
    ToolExit exit;
    RunTool(FrameGrabCommandLine(tool, input, seconds, frameRate, folder + kFrameName), output,
        &exit, {}, &owner);
    if (!exit.Succeeded() || !PathExists(frame)) {
        ::unlink(frame.c_str()); // a half-written frame of a stopped tool
        return {};
    }
    return frame;
}

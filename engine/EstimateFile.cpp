#include "engine/EstimateFile.h"

#include "engine/CommandLineSplitter.h"
#include "engine/ConversionJob.h"
#include "engine/SampleFolder.h"
#include "engine/ToolCommandLines.h"
#include "engine/ToolRunner.h"
#include "platform/AsciiText.h"
#include "platform/ProgramFolder.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

bool RunSamplingTool(
    const std::string& commandLine, std::string* output, ToolProcesses* owner, std::string* reason)
{
    std::string ignored;
    ToolExit exit;
    std::string lastLine;
    RunTool(
        commandLine, output ? *output : ignored, &exit,
        [&](const std::string& line) {
            if (line.find_first_not_of(" \t\r") != std::string::npos)
                lastLine = line;
        },
        owner);
    if (exit.Succeeded())
        return true;
    *reason = lastLine.empty() ? "a tool failed" : lastLine;
    return false;
}

SampleJob SampleJobFor(
    const std::string& input, const ConversionSettings& settings, const FileEdit& edit)
{
    // The stretches are encoded in their own order; a bounce is counted afterwards.
    FileEdit forward = edit;
    forward.Order = FrameOrder::Forward;
    const ConversionJob job = BuildConversionJob({ input }, { forward }, "/", settings);
    SampleJob sample;
    sample.Order = edit.Order;
    sample.Input = input;
    sample.Mode = job.Mode;
    if (!job.Entries.empty()) {
        sample.VideoOptions = job.Entries[0].VideoOptions;
        sample.ImageOptions = job.Entries[0].ImageOptions;
        sample.Refusal = job.Entries[0].Refusal;
    }
    return sample;
}

SamplePlan DefaultSamplePlan()
{
    SamplePlan plan;
    if (const char* text = std::getenv("SABLEWICK_ESTIMATE_SEGMENTS")) {
        int count = 0;
        int frames = 0;
        if (std::sscanf(text, "%dx%d", &count, &frames) == 2 && count >= 1 && count <= 64
            && frames >= 2 && frames <= 1000)
            plan = { count, frames };
    }
    return plan;
}

double FrameRateOf(const std::string& videoOptions)
{
    const std::vector<std::string> args = SplitCommandLine(videoOptions);
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "-r")
            return std::max(0.001, std::atof(args[i + 1].c_str()));
    return 1.0;
}

GifEstimate EstimateFile(const SampleJob& job, const std::atomic<bool>& stopped,
    ToolProcesses* owner, std::string* reason, SamplePlan plan)
{
    std::string ignored;
    if (!reason)
        reason = &ignored;
    reason->clear();
    if (!job.Refusal.empty()) {
        *reason = job.Refusal;
        return {};
    }
    if (!EqualsIgnoringCase(job.Mode, "AnimationGIF")) {
        *reason = "only an animated GIF is estimated";
        return {};
    }
    const std::string videoTool = ToolPath("video");
    const std::string imageTool = ToolPath("imgconv");
    for (const std::string& tool : { videoTool, imageTool }) {
        if (!PathExists(tool)) {
            *reason = tool + " is missing";
            return {};
        }
    }
    const SampleFolder folder;
    if (folder.Path().empty()) {
        *reason = "no private temporary folder";
        return {};
    }
    if (stopped)
        return {};

    const std::string segments = "\"-segments\" \"" + std::to_string(plan.Count) + "x"
        + std::to_string(plan.Frames) + "\"";
    std::string videoLine = VideoCommandLine(
        videoTool, job.Input, job.VideoOptions, folder.Path() + "DasmereTemp%08d.png");
    videoLine.insert(QuotePath(videoTool).size(), " " + segments);
    std::string videoOutput;
    if (!RunSamplingTool(videoLine, &videoOutput, owner, reason) || stopped)
        return {};

    // The stretches' frame counts tell the image tool where each one ends.
    const std::string counts = SegmentSamples::FrameCounts(videoOutput);
    if (counts.empty()) {
        *reason = "the video tool told no stretches";
        return {};
    }
    const std::string imageLine = QuotePath(imageTool) + " \"-segments\" \"" + counts + "\" "
        + job.ImageOptions + " " + QuotePath(folder.Path() + "DasmereTemp*.png") + " \"-\"";
    std::string imageOutput;
    if (!RunSamplingTool(imageLine, &imageOutput, owner, reason) || stopped)
        return {};
    SegmentSamples samples;
    if (!SegmentSamples::FromToolOutput(videoOutput, imageOutput, &samples)) {
        *reason = "the tools' lines could not be read";
        return {};
    }
    GifEstimate estimate = GifEstimate::FromSamples(samples);
    // Back and forth: the way back shows every frame but the two turning ones again, each
    // holding about as much change as on the way out.
    if (estimate.Valid && job.Order == FrameOrder::Bounce && estimate.Frames > 2) {
        const double n = static_cast<double>(estimate.Frames);
        const double factor = (2 * n - 2) / n;
        const auto scaled = [factor](long long v) { return std::llround(v * factor); };
        estimate.Bytes = scaled(estimate.Bytes);
        estimate.Low = scaled(estimate.Low);
        estimate.High = scaled(estimate.High);
        estimate.Frames = 2 * estimate.Frames - 2;
        estimate.Seconds *= factor;
    }
    return estimate;
}

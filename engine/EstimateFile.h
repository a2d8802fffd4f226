#pragma once

#include "engine/FileEdit.h"
#include "engine/GifEstimate.h"
#include "engine/Settings.h"

#include <atomic>
#include <string>

class ToolProcesses;

// One file's tool options, exactly as its conversion would get them.
struct SampleJob
{
    std::string Input;
    std::string VideoOptions;
    std::string ImageOptions;
    std::string Mode; // "AnimationGIF" is the only one estimated
    std::string Refusal; // not empty: the file's edit cannot be made, for this reason
    FrameOrder Order = FrameOrder::Forward; // the options above keep the frames forward
};

// Runs one tool of an estimate or a preview under `owner`; on failure `reason` is the
// tool's last line. `output` (may be null) receives what it printed.
bool RunSamplingTool(
    const std::string& commandLine, std::string* output, ToolProcesses* owner, std::string* reason);

// The options from the job builder the conversion uses, with the file's edit.
SampleJob SampleJobFor(
    const std::string& input, const ConversionSettings& settings, const FileEdit& edit = {});

// How many stretches of how many frames an estimate takes. SABLEWICK_ESTIMATE_SEGMENTS
// (COUNTxFRAMES) replaces it, for measuring other choices.
// The video tool shortens the stretches of a clip with few frames.
struct SamplePlan
{
    int Count = 3;
    int Frames = 6;
};
SamplePlan DefaultSamplePlan();

// Extracts and encodes a few stretches of the file with the job's options, in one run of
// each tool, and scales them to the whole. Invalid, with `reason`, when that fails or
// `stopped` is set; the tools run under `owner` (when given), so a stop can end them.
// Everything they write goes, whatever happens.
GifEstimate EstimateFile(const SampleJob& job, const std::atomic<bool>& stopped,
    ToolProcesses* owner = nullptr, std::string* reason = nullptr,
    SamplePlan plan = DefaultSamplePlan());

// The frames taken per second by these video options ("-r"), 1 when they say none.
double FrameRateOf(const std::string& videoOptions);

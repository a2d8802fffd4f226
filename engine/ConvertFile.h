#pragma once

#include "engine/ProgressModel.h"

#include <atomic>
#include <functional>
#include <string>

class ToolProcesses;

// What the job learns of one file's tools while they run (both may be empty).
struct ToolObserver
{
    std::function<void(const std::string& commandLine)> Started;
    // `trial` counts a size budget's encodes, 0 without one.
    std::function<void(ConversionPhase phase, long long done, long long expected, int trial)>
        Progressed;
    // Every other line a tool prints (its messages, such as why it failed).
    std::function<void(const std::string& line)> Printed;
};

// Converts one file with the tools of the program folder. True only when every
// tool it ran ended with status 0. `stopped` is looked at between the tools:
// once it is set, nothing further runs. The tools are registered with `owner`
// (when given) while they run, so that a stop can end them. On failure `reason`
// (when given) gets why: the failing tool's last message, without its name.
// With `fitByFrames`, an animation that the image tool cannot fit into its -max-size even at
// the lowest quality is made again from fewer and smaller frames (see FrameFitting);
// `fitted` (when given) then gets what was given up ("fitted: 8 fps, 400×225"), and stays
// empty when nothing was.
bool ConvertFile(const std::string& inputPath, const std::string& outputPath,
    const std::string& videoOptions, const std::string& imageOptions, const std::string& mode,
    const std::atomic<bool>& stopped, const ToolObserver& observer = {},
    ToolProcesses* owner = nullptr, std::string* reason = nullptr, bool fitByFrames = false,
    std::string* fitted = nullptr);

// Removes every temporary frame (DasmereTemp*.png) of the private temporary
// folder; gives up, leaving the rest, once `stopped` (when given) is set.
void DeleteTempFrames(const std::atomic<bool>* stopped = nullptr);
// The same in `folder` (ending with '/'), touching no other state of the process.
void DeleteTempFramesIn(const std::string& folder, const std::atomic<bool>* stopped = nullptr);

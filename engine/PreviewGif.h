#pragma once

#include "engine/EstimateFile.h"

#include <atomic>
#include <string>

class ToolProcesses;

// The real GIF of a short stretch of the file: `seconds` of it from the middle of the
// job's range, extracted and encoded by the same tools with the same options as its
// conversion. The GIF's bytes go to `gif`; nothing stays on disk. False, with `reason`,
// when that fails or `stopped` is set; the tools run under `owner` (when given).
bool MakePreviewGif(const SampleJob& job, double seconds, std::string* gif,
    const std::atomic<bool>& stopped, ToolProcesses* owner = nullptr,
    std::string* reason = nullptr);

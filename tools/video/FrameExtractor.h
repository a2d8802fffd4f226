#pragma once

#include "tools/common/Outcome.h"
#include "tools/video/VideoOptions.h"

namespace video {

// Runs one extraction: decodes the clip, takes the frames for the requested rate and writes
// them. Gives the number of files written, or the reason none could be. The files are
// numbered from `firstNumber`, so several stretches of one clip can follow each other.
Outcome<long long> ExtractFrames(const VideoOptions& options, long long firstNumber = 1);

} // namespace video

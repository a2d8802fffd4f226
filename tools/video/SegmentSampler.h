#pragma once

#include "tools/common/Outcome.h"
#include "tools/video/VideoOptions.h"

#include <optional>
#include <string>
#include <vector>

namespace video {

// A few short stretches spread over the clip instead of the whole of it, for an estimate
// of what the whole would give: `count` stretches of `frames` frames each.
struct SegmentRequest
{
    int count = 0;
    int frames = 0;
};

// Takes a leading "-segments COUNTxFRAMES" off `args` (the rest is the usual command
// line); none when the first argument is something else.
Outcome<std::optional<SegmentRequest>> TakeSegmentOption(std::vector<std::string>& args);

// The lines --help adds for the option.
const char* SegmentHelpText();

// The stretches are a small part of a clip of many frames: at most a twelfth of them,
// shorter stretches (down to 3 frames) rather than fewer, never longer than asked. A single
// stretch (a preview) stays as asked.
constexpr long long kShareOfClip = 12;
constexpr int kShortestStretch = 3;
SegmentRequest Shortened(const SegmentRequest& request, long long clipFrames);

// Where the stretches start, in seconds from the requested start, for a range of `length`
// seconds taken at `rate`: each in the middle of its share of the range, inside the range.
// One stretch from 0 covering everything when the stretches would cover the range anyway.
std::vector<double> SegmentStarts(const SegmentRequest& request, double rate, double length);

// Writes the stretches' frames, numbered on from 1 without gaps, and prints a line per
// stretch ("video.dll: segment N at S s: F frames in T s") and one with the frames the
// whole range would give ("video.dll: clip of N frames"). Gives the files written.
Outcome<long long> ExtractSegments(const VideoOptions& options, const SegmentRequest& request);

} // namespace video

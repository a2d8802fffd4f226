#pragma once

#include "tools/imgconv/ImgconvOptions.h"
#include "tools/imgconv/QuantizeSettings.h"

#include <string>
#include <vector>

namespace imgconv {

// Takes a leading "-segments N,N,..." off `args`: the frames, in name order, fall into
// stretches of that many frames each. False, with `error`, for a bad value; true with
// `counts` empty when the first argument is something else.
bool TakeSegmentCounts(
    std::vector<std::string>& args, std::vector<int>& counts, std::string& error);

// The lines --help adds for the option.
const char* SegmentHelpText();

// Encodes each stretch as an animation of its own with the command's options, writing no
// file (a size budget is not applied: the estimate is of the GIF without one), and prints
// for each "imgconv: segment N: WxH, F frames in T s: S:B S:B ..." where each S:B is a GIF
// frame that starts at source frame S of the stretch and takes B bytes (the first also
// holds the file's header).
bool EncodeSegments(const CommandLine& command, const std::vector<std::string>& files,
    const std::vector<int>& counts, const QuantizeSettings& settings, int threads,
    std::string& error);

} // namespace imgconv

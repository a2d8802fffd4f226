#pragma once

#include "tools/common/Outcome.h"

#include <optional>
#include <string>
#include <vector>

namespace video {

// A rectangle of the displayed picture (after the file's rotation), in pixels.
struct CropArea
{
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
};

// Text drawn on the frames: white with a dark outline, centred at the top or the bottom.
struct CaptionOptions
{
    std::string text; // UTF-8, one or two lines; empty for none
    bool top = false;
    std::optional<double> from; // seconds of the clip; none: from its beginning
    std::optional<double> to; // none: to its end
};

// The command line of the frame extractor, in the fixed order the program builds it.
struct VideoOptions
{
    std::string input;
    bool overwrite = false;
    double start = 0.0; // seconds from the beginning of the file
    std::optional<double> duration; // seconds; none means to the end of the video
    int width = 0; // 0: from the display size of the source (both 0: that size)
    int height = 0;
    std::optional<double> qscale; // JPEG quality scale (2 best .. 31 worst)
    double rate = 1.0; // frames taken per second
    // Options after -r, in any order: each changes the frames only when given.
    double speed = 1.0; // frames are taken `speed` times as far apart in the clip
    // -to: where the part ends, in seconds of the file; sets `duration`, and an end past
    // the end of the video is an error rather than the end of the video.
    std::optional<double> end;
    std::optional<CropArea> crop;
    CaptionOptions caption;
    std::string output; // path with a %d or %0Nd number placeholder
    bool help = false;
};

Outcome<VideoOptions> ParseVideoOptions(const std::vector<std::string>& args);

// Usage text printed by --help.
std::string VideoHelpText();

} // namespace video

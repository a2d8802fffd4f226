#pragma once

#include "tools/common/Outcome.h"

#include <optional>
#include <string>
#include <vector>

namespace video {

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
    std::string output; // path with a %d or %0Nd number placeholder
    bool help = false;
};

Outcome<VideoOptions> ParseVideoOptions(const std::vector<std::string>& args);

// Usage text printed by --help.
std::string VideoHelpText();

} // namespace video

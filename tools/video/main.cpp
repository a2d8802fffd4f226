// video.dll: writes the frames of a video as numbered still images.

#include "sablewick/Version.h"
#include "tools/common/PartialFiles.h"
#include "tools/video/FrameExtractor.h"
#include "tools/video/SegmentSampler.h"
#include "tools/video/VideoOptions.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (PrintVersionIfAsked(argc, argv, "video.dll"))
        return 0;
    std::vector<std::string> args(argv + 1, argv + argc);
    auto segments = video::TakeSegmentOption(args);
    if (!segments) {
        std::fprintf(stderr, "video.dll: %s\n", segments.Error().c_str());
        return 2;
    }
    auto options = video::ParseVideoOptions(args);
    if (!options) {
        std::fprintf(stderr, "video.dll: %s\n", options.Error().c_str());
        return 2;
    }
    if (options.Value().help) {
        std::fputs(video::VideoHelpText().c_str(), stdout);
        std::fputs(video::SegmentHelpText(), stdout);
        return 0;
    }
    // A stop removes the images being written before the tool dies.
    partial_files::RemoveOnSignals();
    // Damaged streams make the decoders talk; the one line below is what the caller gets.
    av_log_set_level(AV_LOG_QUIET);
    auto written = segments.Value() ? video::ExtractSegments(options.Value(), *segments.Value())
                                    : video::ExtractFrames(options.Value());
    if (!written) {
        std::fprintf(stderr, "video.dll: %s\n", written.Error().c_str());
        return 1;
    }
    std::printf("video.dll: %lld frames written\n", written.Value());
    return 0;
}

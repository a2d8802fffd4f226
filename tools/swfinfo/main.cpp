// swfinfo.dll -f PATH: prints "-f " and a one-line description of the video at PATH.
#include "sablewick/Version.h"
#include "tools/swfinfo/MediaDescription.h"
#include "tools/swfinfo/MediaProbe.h"

#include <cstdio>
#include <cstring>

extern "C" {
#include <libavutil/log.h>
}

namespace {

constexpr const char* kUsage
    = "usage: swfinfo.dll -f PATH\n"
      "Prints \"-f \" followed by a one-line description of the video\n"
      "at PATH (duration, frame size, frame rate, codecs). Exits with\n"
      "status 1, after \"-f \" and the reason, when PATH is not a video.\n";

} // namespace

int main(int argc, char** argv)
{
    if (PrintVersionIfAsked(argc, argv, "swfinfo.dll"))
        return 0;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 3 || std::strcmp(argv[1], "-f") != 0) {
        std::fputs("swfinfo.dll: expected -f PATH (see --help)\n", stderr);
        return 2;
    }

    // The caller joins our standard error to the output it shows; library chatter
    // about a damaged file must not reach the description.
    av_log_set_level(AV_LOG_QUIET);

    const ProbeResult result = ProbeMedia(argv[2]);
    if (!result.ok) {
        std::printf("-f %s\n", result.error.c_str());
        return 1;
    }
    std::printf("-f %s\n", DescribeMedia(result.facts).c_str());
    return 0;
}

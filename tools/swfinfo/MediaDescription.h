#pragma once

#include "tools/swfinfo/MediaFacts.h"

#include <string>
#include <string_view>

// The one-line description the file list shows, most useful facts first:
// "0:01:23, 1280x720, 25 fps, H.264, AAC stereo"; HDR video says so after its codec,
// "H.265, HDR (HLG)".
std::string DescribeMedia(const MediaFacts& facts);

// "H:MM:SS", rounded to the nearest second; a clip shorter than a second reads "0:00:01".
std::string FormatDuration(double seconds);

// "25 fps", "29.97 fps", "12.5 fps"; empty when the rate is unknown.
std::string FormatFrameRate(int num, int den);

// A reader's name for an FFmpeg codec name: "h264" -> "H.264", unknown names upper-cased.
std::string CodecDisplayName(std::string_view codecName);

// "mono", "stereo", "5.1", or "6 ch".
std::string ChannelsDisplayName(int channels);

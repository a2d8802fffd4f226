#pragma once

#include <string>

// What the media-information tool knows about one video, in plain values.
struct MediaFacts
{
    double durationSeconds = -1.0; // negative when unknown
    int width = 0;
    int height = 0;
    int frameRateNum = 0; // 0 when unknown
    int frameRateDen = 1;
    std::string videoCodec; // FFmpeg's short codec name, e.g. "h264"
    std::string hdrTransfer; // "HLG" or "PQ" for HDR video, empty for SDR
    bool hasAudio = false;
    std::string audioCodec; // FFmpeg's short codec name, e.g. "aac"
    int audioChannels = 0;
};

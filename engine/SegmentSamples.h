#pragma once

#include <string>
#include <vector>

// One GIF frame of a sampled stretch: the stretch's source frame it starts at (from 1)
// and the bytes it takes.
struct SampledGifFrame
{
    int Start = 1;
    long long Bytes = 0;
};

// What the tools told of one stretch of the clip, extracted and encoded as the job would.
struct SegmentSample
{
    int SourceFrames = 0; // frames the video tool took in the stretch
    std::vector<SampledGifFrame> GifFrames; // the first one also holds the file's header
    double VideoSeconds = 0.0; // the tools' own time for the stretch
    double ImageSeconds = 0.0;
};

// The samples of one file: the stretches, the frames the whole range gives, the frame size.
struct SegmentSamples
{
    std::vector<SegmentSample> Segments;
    long long ClipFrames = 0;
    int Width = 0;
    int Height = 0;
    bool Whole = false; // one stretch that is the whole range

    // Reads the lines of video.dll -segments and imgconv.dll -segments; false when they do
    // not describe the same stretches.
    static bool FromToolOutput(
        const std::string& videoOutput, const std::string& imageOutput, SegmentSamples* samples);
    // The video tool's stretches as imgconv.dll -segments takes them ("6,6,5"); empty when
    // it told none.
    static std::string FrameCounts(const std::string& videoOutput);
};

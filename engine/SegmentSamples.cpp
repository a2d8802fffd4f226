#include "engine/SegmentSamples.h"

#include <cstdio>
#include <sstream>

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

} // namespace

std::string SegmentSamples::FrameCounts(const std::string& videoOutput)
{
    std::string counts;
    for (const std::string& line : Lines(videoOutput)) {
        int number = 0;
        double at = 0.0;
        int frames = 0;
        double seconds = 0.0;
        if (std::sscanf(line.c_str(), "video.dll: segment %d at %lf s: %d frames in %lf s", &number,
                &at, &frames, &seconds)
            == 4)
            counts += (counts.empty() ? "" : ",") + std::to_string(frames);
    }
    return counts;
}

bool SegmentSamples::FromToolOutput(
    const std::string& videoOutput, const std::string& imageOutput, SegmentSamples* samples)
{
    SegmentSamples s;
    bool clipSeen = false;
    for (const std::string& line : Lines(videoOutput)) {
        int number = 0;
        double at = 0.0;
        int frames = 0;
        double seconds = 0.0;
        long long clip = 0;
        if (std::sscanf(line.c_str(), "video.dll: segment %d at %lf s: %d frames in %lf s", &number,
                &at, &frames, &seconds)
            == 4) {
            if (number != static_cast<int>(s.Segments.size()) + 1 || frames < 1)
                return false;
            SegmentSample segment;
            segment.SourceFrames = frames;
            segment.VideoSeconds = seconds;
            s.Segments.push_back(segment);
        } else if (std::sscanf(line.c_str(), "video.dll: clip of %lld frames", &clip) == 1) {
            s.ClipFrames = clip;
            clipSeen = true;
        }
    }
    if (!clipSeen || s.Segments.empty() || s.ClipFrames < 1)
        return false;
    size_t encoded = 0;
    for (const std::string& line : Lines(imageOutput)) {
        int number = 0;
        int width = 0;
        int height = 0;
        int frames = 0;
        double seconds = 0.0;
        int consumed = 0;
        if (std::sscanf(line.c_str(), "imgconv: segment %d: %dx%d, %d frames in %lf s:%n", &number,
                &width, &height, &frames, &seconds, &consumed)
                != 5
            || consumed == 0)
            continue;
        if (number != static_cast<int>(encoded) + 1 || encoded >= s.Segments.size()
            || frames != s.Segments[encoded].SourceFrames || width < 1 || height < 1)
            return false;
        SegmentSample& segment = s.Segments[encoded++];
        segment.ImageSeconds = seconds;
        s.Width = width;
        s.Height = height;
        std::istringstream pairs(line.substr(static_cast<size_t>(consumed)));
        for (std::string pair; pairs >> pair;) {
            SampledGifFrame frame;
            if (std::sscanf(pair.c_str(), "%d:%lld", &frame.Start, &frame.Bytes) != 2
                || frame.Start < 1 || frame.Start > frames || frame.Bytes < 0
                || (!segment.GifFrames.empty() && frame.Start <= segment.GifFrames.back().Start))
                return false;
            segment.GifFrames.push_back(frame);
        }
        if (segment.GifFrames.empty() || segment.GifFrames.front().Start != 1)
            return false;
    }
    if (encoded != s.Segments.size())
        return false;
    s.Whole = s.Segments.size() == 1 && s.Segments[0].SourceFrames == s.ClipFrames;
    *samples = std::move(s);
    return true;
}

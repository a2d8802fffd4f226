#include "engine/GifEstimate.h"

#include <algorithm>
#include <cmath>

namespace {

// Uncertainty of the scaling itself, seen on clips whose stretches agree closely.
constexpr double kModelSpread = 0.10;
// Standard errors of the stretches' mean that the range spans on each side.
constexpr double kSpreadErrors = 2.0;
// How much wider the range reaches above the value than below it.
constexpr double kUpwardShare = 1.5;
// One trailer byte ends the file.
constexpr long long kTrailer = 1;

struct Rates
{
    double Head = 0.0; // bytes of the first GIF frame (with the header)
    std::vector<double> PerFrame; // later bytes per source frame, one per stretch
    std::vector<double> FramesPerFrame; // later GIF frames per source frame
};

Rates Measure(const SegmentSamples& samples)
{
    Rates rates;
    for (const SegmentSample& segment : samples.Segments) {
        rates.Head += static_cast<double>(segment.GifFrames.front().Bytes);
        // Unchanged frames merge into the one before: the first GIF frame may stand for
        // several source frames, and a stretch that does not change is one frame.
        const int headFrames = segment.GifFrames.size() > 1 ? segment.GifFrames[1].Start - 1
                                                            : segment.SourceFrames;
        const int rest = segment.SourceFrames - headFrames;
        if (rest <= 0) {
            rates.PerFrame.push_back(0.0);
            rates.FramesPerFrame.push_back(0.0);
            continue;
        }
        long long bytes = 0;
        for (size_t i = 1; i < segment.GifFrames.size(); ++i)
            bytes += segment.GifFrames[i].Bytes;
        rates.PerFrame.push_back(static_cast<double>(bytes) / rest);
        rates.FramesPerFrame.push_back(static_cast<double>(segment.GifFrames.size() - 1) / rest);
    }
    rates.Head /= static_cast<double>(samples.Segments.size());
    return rates;
}

double Mean(const std::vector<double>& values)
{
    double sum = 0.0;
    for (double value : values)
        sum += value;
    return values.empty() ? 0.0 : sum / static_cast<double>(values.size());
}

} // namespace

GifEstimate GifEstimate::FromSamples(const SegmentSamples& samples)
{
    GifEstimate e;
    if (samples.Segments.empty() || samples.ClipFrames < 1)
        return e;
    e.Valid = true;
    e.Width = samples.Width;
    e.Height = samples.Height;

    long long sourceFrames = 0;
    long long gifFrames = 0;
    long long bytes = 0;
    double videoSeconds = 0.0;
    double imageSeconds = 0.0;
    for (const SegmentSample& segment : samples.Segments) {
        sourceFrames += segment.SourceFrames;
        gifFrames += static_cast<long long>(segment.GifFrames.size());
        for (const SampledGifFrame& frame : segment.GifFrames)
            bytes += frame.Bytes;
        videoSeconds += segment.VideoSeconds;
        imageSeconds += segment.ImageSeconds;
    }
    const double clip = static_cast<double>(samples.ClipFrames);
    e.Seconds = sourceFrames > 0 ? (videoSeconds + imageSeconds) * clip / sourceFrames : 0.0;

    if (samples.Whole) {
        // The stretch was the whole clip: this is the GIF itself.
        e.Bytes = bytes + kTrailer;
        e.Low = e.Bytes;
        e.High = e.Bytes;
        e.Frames = gifFrames;
        return e;
    }
    const Rates rates = Measure(samples);
    const double mean = Mean(rates.PerFrame);
    const double later = clip - 1.0;
    e.Frames = 1 + std::llround(later * Mean(rates.FramesPerFrame));
    const double value = rates.Head + mean * later + kTrailer;
    e.Bytes = std::llround(value);

    // The stretches' disagreement says how far their mean may lie from the clip's; the
    // first frame is known well, so only the later part carries it.
    double spread = 0.0;
    const size_t n = rates.PerFrame.size();
    if (n > 1 && mean > 0.0) {
        double squares = 0.0;
        for (double rate : rates.PerFrame)
            squares += (rate - mean) * (rate - mean);
        const double deviation = std::sqrt(squares / static_cast<double>(n - 1));
        spread = kSpreadErrors * deviation / std::sqrt(static_cast<double>(n)) / mean;
    }
    const double laterShare = value > 0.0 ? mean * later / value : 0.0;
    const double relative
        = std::sqrt(kModelSpread * kModelSpread + (spread * laterShare) * (spread * laterShare));
    // Larger above than below: the frames just after a stretch's first one change least,
    // since the picture shown has not yet drifted from the video by the tolerance that
    // leaves still pixels alone; later in a long GIF more pixels pass it.
    e.Low = std::llround(value * std::max(0.0, 1.0 - relative));
    e.High = std::llround(value * (1.0 + kUpwardShare * relative));
    return e;
}

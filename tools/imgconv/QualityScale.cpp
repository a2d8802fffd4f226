#include "tools/imgconv/QualityScale.h"

#include <algorithm>
#include <cmath>

namespace imgconv {

namespace {

    // Lever values at points of the scale, chosen by measurement (bench/imgconv-bench.sh
    // rd); in between they are interpolated linearly.
    struct Point
    {
        double quality;
        double maxQuality; // libimagequant target
        double maxColors;
        double dithering;
        double stillThreshold; // in texture
        double stillBase; // on flat areas
        double lossy;
        double sizeRatio; // typical size against the default settings
    };

    // Measured over the benchmark clips against gifski's quality curve at equal SSIM. A
    // higher still threshold is by far the cheapest way down from the default: pixels
    // that hardly moved keep what is shown. Past 13 in texture (or 4 on flat areas) it
    // freezes fine noise, whose SSIM then collapses, so further down the colours go, with
    // lighter dithering, and only at the bottom the lossy LZW tolerance, which costs the
    // most SSIM per byte. On noise libimagequant's target alone hardly lowers the colour
    // count until it reaches 0, a cliff; a cap on the colours keeps the bottom smooth.
    // 90 is the default settings; 100 only drops the lossy LZW.
    constexpr Point kPoints[] = {
        { 1, 10, 32, 0.2, 16, 5, 20, 0.17 },
        { 20, 35, 96, 0.2, 14, 4.5, 8, 0.46 },
        { 40, 60, 256, 0.2, 13, 4, 4, 0.57 },
        { 50, 75, 256, 0.2, 13, 4, 3, 0.62 },
        { 60, 85, 256, 0.3, 13, 4, 3, 0.651 },
        { 70, 100, 256, 0.3, 11, 3.5, 3, 0.737 },
        { 80, 100, 256, 0.3, 8, 2.5, 3, 0.817 },
        { 90, 100, 256, 0.3, 4, 1, 3, 1.0 },
        { 100, 100, 256, 0.3, 4, 1, 0, 1.116 },
    };

    constexpr int kPointCount = static_cast<int>(sizeof kPoints / sizeof kPoints[0]);

    // Exact at the ends, so that a point of the table gives its own values.
    double Mix(double a, double b, double t)
    {
        return t >= 1 ? b : a + (b - a) * t;
    }

// The two points of the scale around `quality` (clamped to 1..100), and how far
// between them it lies.
struct Segment
{
    const Point& a;
    const Point& b;
    double t;
};

Segment SegmentAt(double quality)
{
    quality = std::clamp(quality, 1.0, 100.0);
    int i = 0;
    while (i + 2 < kPointCount && quality > kPoints[i + 1].quality)
        ++i;
    const Point& a = kPoints[i];
    const Point& b = kPoints[i + 1];
    return {a, b, (quality - a.quality) / (b.quality - a.quality)};
}

} // namespace

QuantizeSettings SettingsForQuality(QuantizeSettings base, double quality)
{
    const auto [a, b, t] = SegmentAt(quality);
    base.maxQuality = static_cast<int>(std::lround(Mix(a.maxQuality, b.maxQuality, t)));
    // Colour counts in between go by their logarithm, as the bits per pixel do.
    base.maxColors = static_cast<int>(
        std::lround(std::exp(Mix(std::log(a.maxColors), std::log(b.maxColors), t))));
    // Mapping onto a shared palette dithers a little less than a palette of its own, by as
    // much as the default settings do (kept exact there: 0.3f - 0.1f is not 0.2f).
    const float dithering = static_cast<float>(Mix(a.dithering, b.dithering, t));
    base.reuseDithering = std::max(0.0f, base.reuseDithering + (dithering - base.dithering));
    base.dithering = dithering;
    base.stillThreshold = static_cast<int>(std::lround(Mix(a.stillThreshold, b.stillThreshold, t)));
    base.stillBase = static_cast<float>(Mix(a.stillBase, b.stillBase, t));
    base.lossy = static_cast<int>(std::lround(Mix(a.lossy, b.lossy, t)));
    return base;
}

double TypicalSizeRatio(double quality)
{
    const auto [a, b, t] = SegmentAt(quality);
    return std::exp(Mix(std::log(a.sizeRatio), std::log(b.sizeRatio), t));
}

double QualityForSizeRatio(double ratio)
{
    if (ratio <= kPoints[0].sizeRatio)
        return 1;
    if (ratio >= kPoints[kPointCount - 1].sizeRatio)
        return 100;
    int i = 0;
    while (i + 2 < kPointCount && ratio > kPoints[i + 1].sizeRatio)
        ++i;
    const Point& a = kPoints[i];
    const Point& b = kPoints[i + 1];
    const double t = (std::log(ratio) - std::log(a.sizeRatio))
        / (std::log(b.sizeRatio) - std::log(a.sizeRatio));
    return Mix(a.quality, b.quality, t);
}

} // namespace imgconv

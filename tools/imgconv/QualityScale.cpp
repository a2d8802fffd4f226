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
        double dithering;
        double stillThreshold; // in texture
        double stillBase; // on flat areas
        double lossy;
        double sizeRatio; // typical size against the default settings
    };

    // Measured on a pan and on flat synthetic content against gifski's quality curve:
    // fewer colours and a higher still threshold cost less SSIM per byte saved than a
    // higher lossy tolerance, which therefore grows last. 90 is the default settings.
    constexpr Point kPoints[] = {
        { 1, 0, 0.2, 20, 5, 30, 0.30 },
        { 20, 10, 0.25, 12, 3, 10, 0.45 },
        { 40, 20, 0.3, 10, 3, 6, 0.56 },
        { 50, 30, 0.3, 8, 2, 4, 0.66 },
        { 60, 40, 0.3, 7, 2, 4, 0.76 },
        { 70, 60, 0.3, 6, 2, 4, 0.85 },
        { 80, 80, 0.3, 6, 2, 3, 0.91 },
        { 90, 100, 0.3, 4, 1, 3, 1.0 },
        { 100, 100, 0.3, 3, 0.5, 1, 1.1 },
    };
    constexpr int kPointCount = static_cast<int>(sizeof kPoints / sizeof kPoints[0]);

    // Exact at the ends, so that a point of the table gives its own values.
    double Mix(double a, double b, double t)
    {
        return t >= 1 ? b : a + (b - a) * t;
    }

} // namespace

QuantizeSettings SettingsForQuality(QuantizeSettings base, double quality)
{
    quality = std::clamp(quality, 1.0, 100.0);
    int i = 0;
    while (i + 2 < kPointCount && quality > kPoints[i + 1].quality)
        ++i;
    const Point& a = kPoints[i];
    const Point& b = kPoints[i + 1];
    const double t = (quality - a.quality) / (b.quality - a.quality);
    base.maxQuality = static_cast<int>(std::lround(Mix(a.maxQuality, b.maxQuality, t)));
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
    quality = std::clamp(quality, 1.0, 100.0);
    int i = 0;
    while (i + 2 < kPointCount && quality > kPoints[i + 1].quality)
        ++i;
    const Point& a = kPoints[i];
    const Point& b = kPoints[i + 1];
    const double t = (quality - a.quality) / (b.quality - a.quality);
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

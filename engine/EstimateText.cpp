#include "engine/EstimateText.h"

#include <cmath>
#include <cstdio>

namespace {

std::string Format(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The number part of a size in a given unit, with the precision a reader needs.
std::string Amount(long long bytes, double unit)
{
    const double value = static_cast<double>(bytes) / unit;
    return Format(value < 9.95 && unit > 1000.0 ? "%.1f" : "%.0f", value);
}

double UnitOf(long long bytes)
{
    return bytes >= 999500 ? 1e6 : bytes >= 1000 ? 1e3 : 1.0;
}

const char* UnitName(double unit)
{
    return unit == 1e6 ? "MB" : unit == 1e3 ? "kB" : "bytes";
}

std::string SecondsText(double seconds)
{
    if (seconds < 1.0)
        return "under a second";
    if (seconds < 90.0)
        return Format("%.0f s", seconds);
    return Format("%.0f min", seconds / 60.0);
}

} // namespace

std::string SizeText(long long bytes)
{
    const double unit = UnitOf(bytes);
    return Amount(bytes, unit) + " " + UnitName(unit);
}

std::string EstimateLine(const GifEstimate& e)
{
    if (!e.Valid)
        return "no estimate";
    std::string line = "about " + SizeText(e.Bytes);
    if (e.Low != e.High) {
        // Both ends in the unit of the upper one, so the range reads as one.
        const double unit = UnitOf(e.High);
        line += " (" + Amount(e.Low, unit) + "\u2013" + Amount(e.High, unit) + " " + UnitName(unit)
            + ")";
    }
    line += ", " + std::to_string(e.Frames) + (e.Frames == 1 ? " frame" : " frames") + " of "
        + std::to_string(e.Width) + "\u00d7" + std::to_string(e.Height);
    const std::string time = SecondsText(e.Seconds);
    line += e.Seconds < 1.0 ? ", " + time + " to convert" : ", about " + time + " to convert";
    return line;
}

std::string EstimateCell(const GifEstimate& e)
{
    if (!e.Valid)
        return {};
    return SizeText(e.Bytes);
}

std::string BudgetVerdict(const GifEstimate& e, long long budget)
{
    const std::string limit = SizeText(budget);
    if (e.High <= budget)
        return "fits in " + limit;
    if (e.Low > budget)
        return "too big for " + limit;
    return "may not fit in " + limit;
}

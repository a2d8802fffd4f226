#pragma once

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <string>

namespace video {

// The colour facts of one decoded frame that decide how it becomes sRGB. The tags are plain
// numbers: a damaged file may carry values that no enumerator names.
struct ColourTags
{
    int transfer = AVCOL_TRC_UNSPECIFIED;
    int primaries = AVCOL_PRI_UNSPECIFIED;
    int matrix = AVCOL_SPC_UNSPECIFIED;
    bool fullRange = false;
    bool rgb = false; // planes hold R, G and B rather than luma and chroma
    double maxContentLight = 0.0; // cd/m², 0 when not given
    double masteringPeak = 0.0; // cd/m² of the mastering display, 0 when not given
};

// How a frame is converted: today's plain conversion, or through the colour filters.
struct ColourPlan
{
    enum class Path
    {
        Standard, // BT.709/BT.601 and anything not clearly tagged: the scaler alone
        WideGamut, // SDR with BT.2020 or Display P3 primaries: primaries converted
        Hlg, // HDR, tone-mapped
        Pq, // HDR, tone-mapped
    };
    Path path = Path::Standard;
    // zscale's names for the source's transfer, primaries and matrix, and its range.
    std::string transfer;
    std::string primaries;
    std::string matrix;
    bool fullRange = false;
    double peak = 0.0; // brightest signal relative to 100 cd/m² (tone-mapped paths)

    bool operator==(const ColourPlan&) const = default;
};

// Chooses the conversion; tags that are missing or that the filters do not know leave the
// frame on the standard path, so no frame is ever worse off than before.
ColourPlan PlanColour(const ColourTags& tags);

// The filter chain (libavfilter syntax) that turns a frame of that plan into 8-bit BT.709 RGB
// (gbrp) of the same size; empty for the standard path.
std::string ColourFilter(const ColourPlan& plan);

} // namespace video

#include "tools/video/ColourPlan.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace video {
namespace {

    // Signal levels are relative to SDR reference white, as the tone-mapping filter takes them.
    constexpr double kReferenceWhite = 100.0;
    // ST 2084 ends at 10000 cd/m²; HLG is graded on a 1000 cd/m² display.
    constexpr double kPqPeak = 10000.0;
    constexpr double kHlgPeak = 1000.0;

    const char* PrimariesName(int primaries)
    {
        switch (primaries) {
        case AVCOL_PRI_BT709:
            return "709";
        case AVCOL_PRI_BT2020:
            return "2020";
        case AVCOL_PRI_SMPTE432:
            return "smpte432";
        default:
            return nullptr;
        }
    }

    const char* MatrixName(int matrix)
    {
        switch (matrix) {
        case AVCOL_SPC_BT709:
            return "709";
        case AVCOL_SPC_BT470BG:
            return "470bg";
        case AVCOL_SPC_SMPTE170M:
            return "170m";
        case AVCOL_SPC_BT2020_NCL:
            return "2020_ncl";
        case AVCOL_SPC_BT2020_CL:
            return "2020_cl";
        default:
            return nullptr;
        }
    }

    // SDR transfers the filters know; BT.601 and BT.2020 use BT.709's curve.
    const char* SdrTransferName(int transfer)
    {
        switch (transfer) {
        case AVCOL_TRC_BT709:
        case AVCOL_TRC_SMPTE170M:
        case AVCOL_TRC_BT2020_10:
        case AVCOL_TRC_BT2020_12:
            return "709";
        case AVCOL_TRC_IEC61966_2_1:
            return "iec61966-2-1";
        default:
            return nullptr;
        }
    }

    // Metadata gives the brightest light of the content, else of the mastering display;
    // values outside what the transfer can carry are damage and give way to its default.
    double PeakFor(const ColourTags& tags, double transferPeak)
    {
        for (double nits : { tags.maxContentLight, tags.masteringPeak })
            if (std::isfinite(nits) && nits >= kReferenceWhite && nits <= transferPeak)
                return nits / kReferenceWhite;
        return transferPeak / kReferenceWhite;
    }

} // namespace

ColourPlan PlanColour(const ColourTags& tags)
{
    ColourPlan plan;
    plan.fullRange = tags.fullRange;
    bool hlg = tags.transfer == AVCOL_TRC_ARIB_STD_B67;
    bool pq = tags.transfer == AVCOL_TRC_SMPTE2084;

    // HDR is BT.2020 in practice: an HDR transfer without primaries or matrix still says enough.
    int primaries = tags.primaries;
    int matrix = tags.matrix;
    if (hlg || pq) {
        if (primaries == AVCOL_PRI_UNSPECIFIED)
            primaries = AVCOL_PRI_BT2020;
        if (matrix == AVCOL_SPC_UNSPECIFIED && !tags.rgb)
            matrix = AVCOL_SPC_BT2020_NCL;
    }
    const char* primariesName = PrimariesName(primaries);
    // RGB frames have no matrix; the filters take them as they are.
    const char* matrixName = tags.rgb ? "" : MatrixName(matrix);
    if (!primariesName || !matrixName)
        return plan;

    if (hlg || pq) {
        plan.path = hlg ? ColourPlan::Path::Hlg : ColourPlan::Path::Pq;
        plan.transfer = hlg ? "arib-std-b67" : "smpte2084";
        plan.peak = PeakFor(tags, hlg ? kHlgPeak : kPqPeak);
    } else if (primaries == AVCOL_PRI_BT2020 || primaries == AVCOL_PRI_SMPTE432) {
        const char* transferName = SdrTransferName(tags.transfer);
        if (!transferName)
            return plan;
        plan.path = ColourPlan::Path::WideGamut;
        plan.transfer = transferName;
    } else {
        return plan;
    }
    plan.primaries = primariesName;
    plan.matrix = matrixName;
    return plan;
}

std::string ColourFilter(const ColourPlan& plan)
{
    if (plan.path == ColourPlan::Path::Standard)
        return {};
    std::string source = "zscale=tin=" + plan.transfer + ":pin=" + plan.primaries
        + (plan.matrix.empty() ? "" : ":min=" + plan.matrix)
        + ":rin=" + (plan.fullRange ? "pc" : "tv");
    if (plan.path == ColourPlan::Path::WideGamut)
        // zimg converts the primaries in linear light by itself and clips what lies outside;
        // the transfer stays the source's.
        return source + ":t=" + plan.transfer + ":p=709,format=gbrp";
    // Linear light in BT.709 primaries, in floats so that highlights above white survive to
    // the tone curve; then back to BT.709's transfer, as SDR video carries it.
    char peak[32];
    auto written = std::to_chars(peak, peak + sizeof peak, plan.peak, std::chars_format::fixed, 4);
    return source + ":t=linear:npl=100:p=709,format=gbrpf32le,tonemap=hable:desat=0:peak="
        + std::string(peak, written.ptr) + ",zscale=t=709,format=gbrp";
}

} // namespace video

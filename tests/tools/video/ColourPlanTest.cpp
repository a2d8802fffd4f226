#include "tools/video/ColourPlan.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using video::ColourPlan;
using video::ColourTags;
using video::PlanColour;
using Path = ColourPlan::Path;

namespace {

ColourTags Tags(int transfer, int primaries, int matrix)
{
    ColourTags tags;
    tags.transfer = transfer;
    tags.primaries = primaries;
    tags.matrix = matrix;
    return tags;
}

TEST(ColourPlan, OnlyClearlyTaggedHdrOrWideGamutLeavesTheStandardPath)
{
    struct Case
    {
        const char* what;
        ColourTags tags;
        Path expected;
    };
    const int damagedTransfer = 200;
    const int damagedPrimaries = 99;
    const int damagedMatrix = -7;
    const Case cases[] = {
        { "untagged", Tags(AVCOL_TRC_UNSPECIFIED, AVCOL_PRI_UNSPECIFIED, AVCOL_SPC_UNSPECIFIED),
            Path::Standard },
        { "BT.709", Tags(AVCOL_TRC_BT709, AVCOL_PRI_BT709, AVCOL_SPC_BT709), Path::Standard },
        { "BT.601", Tags(AVCOL_TRC_SMPTE170M, AVCOL_PRI_SMPTE170M, AVCOL_SPC_SMPTE170M),
            Path::Standard },
        { "HLG", Tags(AVCOL_TRC_ARIB_STD_B67, AVCOL_PRI_BT2020, AVCOL_SPC_BT2020_NCL), Path::Hlg },
        { "PQ", Tags(AVCOL_TRC_SMPTE2084, AVCOL_PRI_BT2020, AVCOL_SPC_BT2020_NCL), Path::Pq },
        { "PQ with only its transfer tagged",
            Tags(AVCOL_TRC_SMPTE2084, AVCOL_PRI_UNSPECIFIED, AVCOL_SPC_UNSPECIFIED), Path::Pq },
        { "HLG in BT.709 primaries", Tags(AVCOL_TRC_ARIB_STD_B67, AVCOL_PRI_BT709, AVCOL_SPC_BT709),
            Path::Hlg },
        { "BT.2020 SDR", Tags(AVCOL_TRC_BT2020_10, AVCOL_PRI_BT2020, AVCOL_SPC_BT2020_NCL),
            Path::WideGamut },
        { "Display P3", Tags(AVCOL_TRC_IEC61966_2_1, AVCOL_PRI_SMPTE432, AVCOL_SPC_BT709),
            Path::WideGamut },
        { "BT.2020 primaries without a transfer",
            Tags(AVCOL_TRC_UNSPECIFIED, AVCOL_PRI_BT2020, AVCOL_SPC_BT2020_NCL), Path::Standard },
        { "BT.2020 primaries without a matrix",
            Tags(AVCOL_TRC_BT2020_10, AVCOL_PRI_BT2020, AVCOL_SPC_UNSPECIFIED), Path::Standard },
        { "damaged transfer", Tags(damagedTransfer, AVCOL_PRI_BT2020, AVCOL_SPC_BT2020_NCL),
            Path::Standard },
        { "HLG with damaged primaries",
            Tags(AVCOL_TRC_ARIB_STD_B67, damagedPrimaries, AVCOL_SPC_BT2020_NCL), Path::Standard },
        { "PQ with a damaged matrix", Tags(AVCOL_TRC_SMPTE2084, AVCOL_PRI_BT2020, damagedMatrix),
            Path::Standard },
        { "PQ with a matrix the filters lack",
            Tags(AVCOL_TRC_SMPTE2084, AVCOL_PRI_BT2020, AVCOL_SPC_YCGCO), Path::Standard },
        { "linear light", Tags(AVCOL_TRC_LINEAR, AVCOL_PRI_BT2020, AVCOL_SPC_BT2020_NCL),
            Path::Standard },
    };
    for (const Case& c : cases) {
        ColourPlan plan = PlanColour(c.tags);
        EXPECT_EQ(plan.path, c.expected) << c.what;
        EXPECT_EQ(video::ColourFilter(plan).empty(), c.expected == Path::Standard) << c.what;
    }
}

TEST(ColourPlan, OnlyHdrIsToneMapped)
{
    ColourPlan hdr = PlanColour(Tags(AVCOL_TRC_SMPTE2084, AVCOL_PRI_BT2020, AVCOL_SPC_BT2020_NCL));
    ColourPlan wide = PlanColour(Tags(AVCOL_TRC_BT2020_10, AVCOL_PRI_BT2020, AVCOL_SPC_BT2020_NCL));
    EXPECT_NE(video::ColourFilter(hdr).find("tonemap="), std::string::npos);
    EXPECT_EQ(video::ColourFilter(wide).find("tonemap"), std::string::npos);
    EXPECT_EQ(video::ColourFilter(wide).find("linear"), std::string::npos);
}

TEST(ColourPlan, PeakComesFromSaneMetadataElseFromTheTransfer)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case
    {
        const char* what;
        int transfer;
        double maxContentLight;
        double masteringPeak;
        double expected; // relative to 100 cd/m²
    };
    const Case cases[] = {
        { "PQ without metadata", AVCOL_TRC_SMPTE2084, 0, 0, 100.0 },
        { "HLG without metadata", AVCOL_TRC_ARIB_STD_B67, 0, 0, 10.0 },
        { "content light first", AVCOL_TRC_SMPTE2084, 1000, 4000, 10.0 },
        { "mastering display next", AVCOL_TRC_SMPTE2084, 0, 4000, 40.0 },
        { "content light below white is damage", AVCOL_TRC_SMPTE2084, 1, 4000, 40.0 },
        { "beyond what PQ carries is damage", AVCOL_TRC_SMPTE2084, 65535, 0, 100.0 },
        { "beyond an HLG display is damage", AVCOL_TRC_ARIB_STD_B67, 4000, 0, 10.0 },
        { "not a number", AVCOL_TRC_SMPTE2084, nan, nan, 100.0 },
        { "infinite", AVCOL_TRC_SMPTE2084, 0, std::numeric_limits<double>::infinity(), 100.0 },
    };
    for (const Case& c : cases) {
        ColourTags tags = Tags(c.transfer, AVCOL_PRI_BT2020, AVCOL_SPC_BT2020_NCL);
        tags.maxContentLight = c.maxContentLight;
        tags.masteringPeak = c.masteringPeak;
        EXPECT_DOUBLE_EQ(PlanColour(tags).peak, c.expected) << c.what;
    }
}

} // namespace

#include "tools/video/SpaceGuard.h"

#include <gtest/gtest.h>
#include <vector>

using namespace video;

namespace {

constexpr long long kGB = 1000LL * 1000 * 1000;
constexpr long long kMiB = 1LL << 20;

SpaceGuard::Query Reporting(std::optional<FolderSpace> space)
{
    return [space](const std::string&) { return space; };
}

// The audit's clip (frames at 0, 5 h and 10 h) asks for 360,010 frames at 10 per second.
TEST(SpaceGuard, FramesThatCannotFitAreRefusedWithWhatTheyNeedAndWhatIsFree)
{
    const struct
    {
        const char* name;
        long long frames, bytes, available, total;
        bool temporary;
        const char* reason; // empty: they fit
    } cases[] = {
        { "the audit's clip", 360010, 111111, 3100 * 1000 * 1000LL, 100 * kGB, true,
            "needs about 40 GB of temporary space, 3.1 GB free" },
        { "still images", 1000, 5 * 1000 * 1000, 800 * 1000 * 1000LL, 100 * kGB, false,
            "needs about 5.0 GB of space in '/out/', 800 MB free" },
        { "fits with the reserve to spare", 100, 1000 * 1000, 400 * 1000 * 1000LL, 100 * kGB, true,
            "" },
        { "would eat into the reserve", 100, 1000 * 1000, 300 * 1000 * 1000LL, 100 * kGB, true,
            "needs about 100 MB of temporary space, 300 MB free (268 MB of it kept in reserve)" },
        { "small file system: a twentieth kept", 13, 310 * 1000, 4 * kMiB, 4 * kMiB, true,
            "needs about 4.0 MB of temporary space, 4.2 MB free (210 kB of it kept in reserve)" },
        { "more bytes than a long long holds", 1LL << 40, 1LL << 40, kGB, 100 * kGB, true,
            "needs about 9.0 EB of temporary space, 1.0 GB free" },
        { "unknown number of frames", 0, 1000, 0, 100 * kGB, true, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SpaceGuard guard(
            "/out/", c.temporary, Reporting(FolderSpace { c.available, c.total }));
        EXPECT_EQ(guard.CheckRoomFor(c.frames, c.bytes), c.reason);
    }
    // A file system that cannot be asked stops nothing.
    EXPECT_EQ(
        SpaceGuard("/out/", true, Reporting(std::nullopt)).CheckRoomFor(1LL << 40, 1LL << 40), "");
}

// While frames are written, the free space is watched: at the reserve, the extraction stops.
TEST(SpaceGuard, StopsWhenOnlyTheReserveIsLeft)
{
    long long available = 300 * kMiB;
    const SpaceGuard guard(
        "/tmp/x/", true, [&](const std::string& folder) -> std::optional<FolderSpace> {
            EXPECT_EQ(folder, "/tmp/x/");
            return FolderSpace { available, 100 * kGB };
        });
    EXPECT_EQ(guard.CheckLeft(), "");
    available = 256 * kMiB + 1;
    EXPECT_EQ(guard.CheckLeft(), "");
    available = 256 * kMiB;
    EXPECT_EQ(guard.CheckLeft(), "stopped with only 268 MB of temporary space left");
    available = 0;
    EXPECT_EQ(guard.CheckLeft(), "stopped with only 0 bytes of temporary space left");
    EXPECT_EQ(SpaceGuard("", false, Reporting(FolderSpace { 10, 1000 })).CheckLeft(),
        "stopped with only 10 bytes of space in '.' left");
}

TEST(SpaceGuard, EstimatesAreExactForStoredImagesAndLowForCompressedOnes)
{
    // Stored PNG rows: three bytes a pixel and a filter byte a row; BMP rows padded to 4.
    EXPECT_EQ(EstimatedImageBytes(ImageFormat::Png, true, 641, 480), (3 * 641 + 1) * 480);
    EXPECT_EQ(EstimatedImageBytes(ImageFormat::Bmp, false, 641, 480), 1924 * 480 + 54);
    for (ImageFormat format :
        { ImageFormat::Png, ImageFormat::Jpeg, ImageFormat::Tga, ImageFormat::Pcx }) {
        const long long estimate = EstimatedImageBytes(format, false, 640, 480);
        EXPECT_GT(estimate, 0);
        EXPECT_LE(estimate, 640 * 480 * 3 / 4);
    }
}

TEST(SpaceGuard, SizesReadAsDfShowsThem)
{
    const std::pair<long long, const char*> cases[]
        = { { 0, "0 bytes" }, { 999, "999 bytes" }, { 1000, "1.0 kB" }, { 9949, "9.9 kB" },
              { 9950, "10 kB" }, { 870000, "870 kB" }, { 999499, "999 kB" }, { 999500, "1.0 MB" },
              { 3100000000LL, "3.1 GB" }, { 40000000000LL, "40 GB" }, { -5, "0 bytes" } };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(ApproximateBytes(bytes), text) << bytes;
}

} // namespace

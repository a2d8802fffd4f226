// The estimate's arithmetic on fixed stretch sizes, and the reading of the tools' lines.
#include "engine/EstimateText.h"
#include "engine/GifEstimate.h"
#include "engine/SegmentSamples.h"

#include <gtest/gtest.h>

namespace {

// A stretch of `frames` source frames: a first GIF frame of `head` bytes, then one GIF
// frame per source frame of `each` bytes (none when `each` is 0: nothing changes).
SegmentSample Stretch(int frames, long long head, long long each, double seconds = 0.0)
{
    SegmentSample s;
    s.SourceFrames = frames;
    s.GifFrames.push_back({ 1, head });
    if (each > 0)
        for (int i = 2; i <= frames; ++i)
            s.GifFrames.push_back({ i, each });
    s.VideoSeconds = seconds;
    s.ImageSeconds = seconds;
    return s;
}

struct Case
{
    const char* name;
    std::vector<SegmentSample> segments;
    long long clipFrames;
    bool whole;
    long long bytes;
    long long frames;
    bool exact; // low == high == bytes
};

class GifEstimateTable : public testing::TestWithParam<Case>
{ };

TEST_P(GifEstimateTable, ScalesTheStretchesToTheClip)
{
    const Case& c = GetParam();
    SegmentSamples samples;
    samples.Segments = c.segments;
    samples.ClipFrames = c.clipFrames;
    samples.Width = 320;
    samples.Height = 180;
    samples.Whole = c.whole;
    const GifEstimate e = GifEstimate::FromSamples(samples);
    ASSERT_TRUE(e.Valid);
    EXPECT_EQ(e.Bytes, c.bytes);
    EXPECT_EQ(e.Frames, c.frames);
    EXPECT_EQ(e.Width, 320);
    EXPECT_EQ(e.Height, 180);
    EXPECT_LE(e.Low, e.Bytes);
    EXPECT_GE(e.High, e.Bytes);
    if (c.exact) {
        EXPECT_EQ(e.Low, e.Bytes);
        EXPECT_EQ(e.High, e.Bytes);
    } else {
        EXPECT_LT(e.Low, e.Bytes);
        EXPECT_GT(e.High, e.Bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, GifEstimateTable,
    testing::Values(
        // The first frame counts once, not once per stretch: 1000 + 99 x 100 + trailer.
        Case { "FirstFrameOnce", { Stretch(6, 1000, 100), Stretch(6, 1000, 100) }, 100, false,
            1000 + 99 * 100 + 1, 100, false },
        // Stretches that disagree: their later frames are averaged (100 and 300 -> 200).
        Case { "LaterFramesAveraged", { Stretch(5, 800, 100), Stretch(5, 1200, 300) }, 50,
            false, 1000 + 49 * 200 + 1, 50, false },
        // A still picture: nothing after the first frame, one GIF frame however long.
        Case { "StillPicture", { Stretch(6, 5000, 0), Stretch(6, 5000, 0) }, 240, false,
            5000 + 1, 1, false },
        // The stretch was the whole clip: the sum of its frames, nothing scaled.
        Case { "WholeClip", { Stretch(10, 900, 50) }, 10, true, 900 + 9 * 50 + 1, 10, true },
        // A stretch that does not change counts as one whose later frames cost nothing.
    Case { "OneStretchStill", { Stretch(6, 1000, 0), Stretch(6, 1000, 200) }, 101, false,
        1000 + 100 * 100 + 1, 51, false },
    // A clip shorter than the head of the stretches: never less than the head.
        Case { "ShortClip", { Stretch(4, 700, 10) }, 1, false, 700 + 1, 1, false }),
    [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

// A first GIF frame that stands for several source frames (merged, unchanged ones): the
// later rate counts only the source frames after it.
TEST(GifEstimate, MergedFramesAfterTheFirstAreNotCountedTwice)
{
    SegmentSample s;
    s.SourceFrames = 6;
    s.GifFrames = { { 1, 2000 }, { 4, 300 }, { 5, 300 }, { 6, 300 } };
    SegmentSamples samples;
    samples.Segments = { s, s };
    samples.ClipFrames = 60;
    const GifEstimate e = GifEstimate::FromSamples(samples);
    // 3 source frames in the head, then 900 bytes over 3 frames: 300 per source frame, and
    // a GIF frame for each.
    EXPECT_EQ(e.Bytes, 2000 + 59 * 300 + 1);
    EXPECT_EQ(e.Frames, 60);
}

TEST(GifEstimate, StretchesThatDisagreeWidenTheRange)
{
    SegmentSamples agree;
    agree.Segments = { Stretch(6, 1000, 200), Stretch(6, 1000, 200), Stretch(6, 1000, 200) };
    agree.ClipFrames = 200;
    SegmentSamples disagree = agree;
    disagree.Segments = { Stretch(6, 1000, 100), Stretch(6, 1000, 200), Stretch(6, 1000, 300) };
    const GifEstimate a = GifEstimate::FromSamples(agree);
    const GifEstimate d = GifEstimate::FromSamples(disagree);
    EXPECT_EQ(a.Bytes, d.Bytes);
    EXPECT_GT(d.High - d.Low, a.High - a.Low);
}

TEST(GifEstimate, TimeScalesWithTheFrames)
{
    SegmentSamples samples;
    samples.Segments = { Stretch(5, 1000, 100, 0.5), Stretch(5, 1000, 100, 0.5) };
    samples.ClipFrames = 100;
    // 2 s for 10 frames: 20 s for 100.
    EXPECT_DOUBLE_EQ(GifEstimate::FromSamples(samples).Seconds, 20.0);
}

TEST(GifEstimate, NoStretchesNoEstimate)
{
    SegmentSamples samples;
    samples.ClipFrames = 100;
    EXPECT_FALSE(GifEstimate::FromSamples(samples).Valid);
    samples.Segments = { Stretch(5, 1000, 100) };
    samples.ClipFrames = 0;
    EXPECT_FALSE(GifEstimate::FromSamples(samples).Valid);
}

const char* kVideoLines = "video.dll: segment 1 at 1.000 s: 3 frames in 0.0500 s\n"
                          "video.dll: segment 2 at 5.000 s: 3 frames in 0.0300 s\n"
                          "video.dll: clip of 90 frames\n"
                          "video.dll: 6 frames written\n";

TEST(SegmentSamples, ReadsTheToolsLines)
{
    const std::string image = "imgconv: segment 1: 320x180, 3 frames in 0.2000 s: 1:900 2:40 3:41\n"
                              "imgconv: segment 2: 320x180, 3 frames in 0.1000 s: 1:950 3:80\n";
    SegmentSamples s;
    ASSERT_TRUE(SegmentSamples::FromToolOutput(kVideoLines, image, &s));
    EXPECT_EQ(SegmentSamples::FrameCounts(kVideoLines), "3,3");
    EXPECT_EQ(s.ClipFrames, 90);
    EXPECT_EQ(s.Width, 320);
    EXPECT_EQ(s.Height, 180);
    EXPECT_FALSE(s.Whole);
    ASSERT_EQ(s.Segments.size(), 2u);
    EXPECT_DOUBLE_EQ(s.Segments[0].VideoSeconds, 0.05);
    EXPECT_DOUBLE_EQ(s.Segments[1].ImageSeconds, 0.1);
    ASSERT_EQ(s.Segments[1].GifFrames.size(), 2u);
    EXPECT_EQ(s.Segments[1].GifFrames[1].Start, 3);
    EXPECT_EQ(s.Segments[1].GifFrames[1].Bytes, 80);
}

TEST(SegmentSamples, RefusesLinesThatDoNotMatch)
{
    const char* bad[] = {
        "", // no image lines at all
        "imgconv: segment 1: 320x180, 3 frames in 0.2 s: 1:900\n", // one stretch missing
        "imgconv: segment 1: 320x180, 4 frames in 0.2 s: 1:900\n" // another frame count
        "imgconv: segment 2: 320x180, 3 frames in 0.1 s: 1:950\n",
        "imgconv: segment 1: 320x180, 3 frames in 0.2 s: 2:900\n" // first frame not at 1
        "imgconv: segment 2: 320x180, 3 frames in 0.1 s: 1:950\n",
        "imgconv: segment 1: 320x180, 3 frames in 0.2 s: 1:900 1:5\n" // not in order
        "imgconv: segment 2: 320x180, 3 frames in 0.1 s: 1:950\n",
        "imgconv: segment 1: 320x180, 3 frames in 0.2 s: 1:900 9:5\n" // past the stretch
        "imgconv: segment 2: 320x180, 3 frames in 0.1 s: 1:950\n",
    };
    for (const char* image : bad) {
        SegmentSamples s;
        EXPECT_FALSE(SegmentSamples::FromToolOutput(kVideoLines, image, &s)) << image;
    }
    SegmentSamples s;
    EXPECT_FALSE(SegmentSamples::FromToolOutput("video.dll: 6 frames written\n", "", &s));
}

TEST(EstimateText, ReadsAsAPersonWouldSayIt)
{
    GifEstimate e;
    e.Valid = true;
    e.Bytes = 4'200'000;
    e.Low = 3'800'000;
    e.High = 4'700'000;
    e.Frames = 80;
    e.Width = 480;
    e.Height = 270;
    e.Seconds = 6.2;
    EXPECT_EQ(EstimateLine(e),
        "about 4.2 MB (3.8\u20134.7 MB), 80 frames of 480\u00d7270, about 6 s to convert");
    EXPECT_EQ(EstimateCell(e), "4.2 MB");
    EXPECT_EQ(BudgetVerdict(e, 5'000'000), "fits in 5.0 MB");
    EXPECT_EQ(BudgetVerdict(e, 4'000'000), "may not fit in 4.0 MB");
    EXPECT_EQ(BudgetVerdict(e, 3'000'000), "too big for 3.0 MB");
    e.Low = e.High = e.Bytes = 850'400;
    e.Frames = 1;
    e.Seconds = 0.4;
    EXPECT_EQ(EstimateLine(e), "about 850 kB, 1 frame of 480\u00d7270, under a second to convert");
    EXPECT_EQ(SizeText(999), "999 bytes");
    EXPECT_EQ(SizeText(12'345'678), "12 MB");
    EXPECT_EQ(EstimateLine(GifEstimate {}), "no estimate");
}

} // namespace

#include "tools/swfinfo/MediaDescription.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(SwfinfoDescription, DurationReadsHoursMinutesSeconds)
{
    struct Case
    {
        double seconds;
        const char* expected;
    };
    const Case cases[] = {
        { 0.0, "0:00:00" },
        { 0.3, "0:00:01" },
        { 2.49, "0:00:02" },
        { 2.5, "0:00:03" },
        { 59.6, "0:01:00" },
        { 83.0, "0:01:23" },
        { 3599.4, "0:59:59" },
        { 3600.0, "1:00:00" },
        { 36061.0, "10:01:01" },
        { -1.0, "" },
        { std::numeric_limits<double>::infinity(), "" },
        { std::numeric_limits<double>::quiet_NaN(), "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatDuration(c.seconds), c.expected) << c.seconds;
}

TEST(SwfinfoDescription, FrameRateDropsNeedlessDecimals)
{
    struct Case
    {
        int num;
        int den;
        const char* expected;
    };
    const Case cases[] = {
        { 25, 1, "25 fps" },
        { 30000, 1001, "29.97 fps" },
        { 24000, 1001, "23.98 fps" },
        { 25, 2, "12.5 fps" },
        { 60, 1, "60 fps" },
        { 1, 3, "0.33 fps" },
        { 0, 1, "" },
        { 25, 0, "" },
        { -25, 1, "" },
        { 90000, 1, "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatFrameRate(c.num, c.den), c.expected) << c.num << "/" << c.den;
}

TEST(SwfinfoDescription, CodecNamesAreTheUsualOnes)
{
    EXPECT_EQ(CodecDisplayName("h264"), "H.264");
    EXPECT_EQ(CodecDisplayName("msmpeg4v3"), "MS-MPEG4v3");
    EXPECT_EQ(CodecDisplayName("pcm_s24le"), "PCM");
    EXPECT_EQ(CodecDisplayName("vp9"), "VP9");
    EXPECT_EQ(CodecDisplayName(""), "");
}

TEST(SwfinfoDescription, LineListsTheFactsInOrder)
{
    MediaFacts facts;
    facts.durationSeconds = 83.2;
    facts.width = 1280;
    facts.height = 720;
    facts.frameRateNum = 25;
    facts.videoCodec = "h264";
    facts.hasAudio = true;
    facts.audioCodec = "aac";
    facts.audioChannels = 2;
    EXPECT_EQ(DescribeMedia(facts), "0:01:23, 1280x720, 25 fps, H.264, AAC stereo");

    facts.hasAudio = false;
    EXPECT_EQ(DescribeMedia(facts), "0:01:23, 1280x720, 25 fps, H.264, no sound");
}

TEST(SwfinfoDescription, HdrVideoSaysWhichKindAfterItsCodec)
{
    MediaFacts facts;
    facts.durationSeconds = 5.0;
    facts.width = 1920;
    facts.height = 1080;
    facts.frameRateNum = 30;
    facts.videoCodec = "hevc";
    facts.hdrTransfer = "HLG";
    EXPECT_EQ(DescribeMedia(facts), "0:00:05, 1920x1080, 30 fps, H.265, HDR (HLG), no sound");
    facts.hdrTransfer = "PQ";
    facts.videoCodec.clear();
    EXPECT_EQ(DescribeMedia(facts), "0:00:05, 1920x1080, 30 fps, HDR (PQ), no sound");
}

TEST(SwfinfoDescription, UnknownFactsAreLeftOutWithoutStraySeparators)
{
    MediaFacts facts;
    facts.width = 320;
    facts.height = 240;
    facts.videoCodec = "rawvideo";
    facts.hasAudio = true;
    facts.audioChannels = 3;
    EXPECT_EQ(DescribeMedia(facts), "320x240, raw video, 3 ch");

    facts.audioChannels = 0;
    EXPECT_EQ(DescribeMedia(facts), "320x240, raw video, sound");
}

} // namespace

#include "tools/video/VideoOptions.h"

#include <gtest/gtest.h>

using video::ParseVideoOptions;

namespace {

std::vector<std::string> split(const std::string& line)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size()) {
        size_t j = line.find(' ', i);
        if (j == std::string::npos)
            j = line.size();
        if (j > i)
            out.push_back(line.substr(i, j - i));
        i = j + 1;
    }
    return out;
}

TEST(VideoOptions, FullFormInBuilderOrder)
{
    auto o = ParseVideoOptions({ "-i", "/a/b c.mp4", "-y", "-ss", "10", "-t", "15", "-s", "320x240",
        "-qscale", "4.00", "-r", "2.00", "/tmp/x/DasmereTemp%08d.png" });
    ASSERT_TRUE(o) << o.Error();
    EXPECT_EQ(o.Value().input, "/a/b c.mp4");
    EXPECT_TRUE(o.Value().overwrite);
    EXPECT_DOUBLE_EQ(o.Value().start, 10.0);
    EXPECT_DOUBLE_EQ(o.Value().duration.value(), 15.0);
    EXPECT_EQ(o.Value().width, 320);
    EXPECT_EQ(o.Value().height, 240);
    EXPECT_DOUBLE_EQ(o.Value().qscale.value(), 4.0);
    EXPECT_DOUBLE_EQ(o.Value().rate, 2.0);
    EXPECT_EQ(o.Value().output, "/tmp/x/DasmereTemp%08d.png");
}

TEST(VideoOptions, MinimalFormAndOutputStartingWithMinus)
{
    auto o = ParseVideoOptions({ "-i", "in.avi", "-r", "0.13", "-out%d.jpg" });
    ASSERT_TRUE(o) << o.Error();
    EXPECT_FALSE(o.Value().overwrite);
    EXPECT_FALSE(o.Value().duration);
    EXPECT_EQ(o.Value().width, 0);
    EXPECT_EQ(o.Value().output, "-out%d.jpg");
}

TEST(VideoOptions, EitherSideOfTheSizeMayBeAuto)
{
    auto o = ParseVideoOptions({ "-i", "in.avi", "-s", "480xauto", "-r", "15.00", "o%d.png" });
    ASSERT_TRUE(o) << o.Error();
    EXPECT_EQ(o.Value().width, 480);
    EXPECT_EQ(o.Value().height, 0);
    o = ParseVideoOptions({ "-i", "in.avi", "-s", "autox90", "-r", "15.00", "o%d.png" });
    ASSERT_TRUE(o) << o.Error();
    EXPECT_EQ(o.Value().width, 0);
    EXPECT_EQ(o.Value().height, 90);
}

TEST(VideoOptions, HelpAlone)
{
    EXPECT_TRUE(ParseVideoOptions({ "--help" }).Value().help);
}

TEST(VideoOptions, RejectsEverythingElse)
{
    const char* bad[] = {
        "",
        "--help -i a.mp4 -r 1 o%d.png",
        "-y -i a.mp4 -r 1 o%d.png", // -i must come first
        "-i a.mp4 -r 1", // no output
        "-i a.mp4 o%d.png", // no -r
        "-i a.mp4 -r 1 o%d.png extra",
        "-i a.mp4 -s 320x240 -ss 3 -r 1 o%d.png", // out of order
        "-i a.mp4 -r 1 -y o%d.png",
        "-i a.mp4 -ss -1 -r 1 o%d.png",
        "-i a.mp4 -ss 1,5 -r 1 o%d.png",
        "-i a.mp4 -ss nan -r 1 o%d.png",
        "-i a.mp4 -t 0 -r 1 o%d.png",
        "-i a.mp4 -s 320x240abc -r 1 o%d.png",
        "-i a.mp4 -s 0x0 -r 1 o%d.png",
        "-i a.mp4 -s 320 -r 1 o%d.png",
        "-i a.mp4 -s x240 -r 1 o%d.png",
        "-i a.mp4 -s +320x240 -r 1 o%d.png",
        "-i a.mp4 -s 99999x2 -r 1 o%d.png",
        "-i a.mp4 -s AUTOx2 -r 1 o%d.png",
        "-i a.mp4 -s 320xautomatic -r 1 o%d.png",
        "-i a.mp4 -qscale 0 -r 1 o%d.png",
        "-i a.mp4 -qscale 256 -r 1 o%d.png",
        "-i a.mp4 -r 0 o%d.png",
        "-i a.mp4 -r 2.00x o%d.png",
        "-i a.mp4 -r 1e3 o%d.png",
        "-i a.mp4 -vf scale -r 1 o%d.png",
    };
    for (const char* line : bad) {
        auto o = ParseVideoOptions(split(line));
        EXPECT_FALSE(o) << line;
        if (!o) {
            EXPECT_FALSE(o.Error().empty()) << line;
        }
    }
}

} // namespace

namespace {

TEST(VideoOptions, ShapingOptionsAfterTheRateInAnyOrder)
{
    auto o = ParseVideoOptions({ "-i", "in.mp4", "-y", "-r", "10.00", "-captionto", "2.5", "-crop",
        "320:240:8:16", "-caption", "Hi \"you\"\nthere", "-speed", "0.25", "-captionat", "top",
        "-captionfrom", "1", "o%d.png" });
    ASSERT_TRUE(o) << o.Error();
    EXPECT_DOUBLE_EQ(o.Value().speed, 0.25);
    ASSERT_TRUE(o.Value().crop);
    EXPECT_EQ(o.Value().crop->width, 320);
    EXPECT_EQ(o.Value().crop->height, 240);
    EXPECT_EQ(o.Value().crop->x, 8);
    EXPECT_EQ(o.Value().crop->y, 16);
    EXPECT_EQ(o.Value().caption.text, "Hi \"you\"\nthere");
    EXPECT_TRUE(o.Value().caption.top);
    EXPECT_EQ(o.Value().caption.from, 1.0);
    EXPECT_EQ(o.Value().caption.to, 2.5);
    EXPECT_EQ(o.Value().output, "o%d.png");

    // Without them nothing changes the frames.
    o = ParseVideoOptions({ "-i", "in.mp4", "-r", "10.00", "o%d.png" });
    ASSERT_TRUE(o) << o.Error();
    EXPECT_DOUBLE_EQ(o.Value().speed, 1.0);
    EXPECT_FALSE(o.Value().crop);
    EXPECT_TRUE(o.Value().caption.text.empty());

    // They follow the rate; before it they are out of place.
    o = ParseVideoOptions({ "-i", "in.mp4", "-crop", "1:1:0:0", "-r", "10.00", "o%d.png" });
    EXPECT_FALSE(o);
}

} // namespace

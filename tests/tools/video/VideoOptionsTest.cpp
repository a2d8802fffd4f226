#include "tools/video/VideoOptions.h"

#include <gtest/gtest.h>

using video::parseVideoOptions;

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
    auto o = parseVideoOptions({ "-i", "/a/b c.mp4", "-y", "-ss", "10", "-t", "15", "-s", "320x240",
        "-qscale", "4.00", "-r", "2.00", "/tmp/x/DasmereTemp%08d.png" });
    ASSERT_TRUE(o) << o.error();
    EXPECT_EQ(o.value().input, "/a/b c.mp4");
    EXPECT_TRUE(o.value().overwrite);
    EXPECT_DOUBLE_EQ(o.value().start, 10.0);
    EXPECT_DOUBLE_EQ(o.value().duration.value(), 15.0);
    EXPECT_EQ(o.value().width, 320);
    EXPECT_EQ(o.value().height, 240);
    EXPECT_DOUBLE_EQ(o.value().qscale.value(), 4.0);
    EXPECT_DOUBLE_EQ(o.value().rate, 2.0);
    EXPECT_EQ(o.value().output, "/tmp/x/DasmereTemp%08d.png");
}

TEST(VideoOptions, MinimalFormAndOutputStartingWithMinus)
{
    auto o = parseVideoOptions({ "-i", "in.avi", "-r", "0.13", "-out%d.jpg" });
    ASSERT_TRUE(o) << o.error();
    EXPECT_FALSE(o.value().overwrite);
    EXPECT_FALSE(o.value().duration);
    EXPECT_EQ(o.value().width, 0);
    EXPECT_EQ(o.value().output, "-out%d.jpg");
}

TEST(VideoOptions, EitherSideOfTheSizeMayBeAuto)
{
    auto o = parseVideoOptions({ "-i", "in.avi", "-s", "480xauto", "-r", "15.00", "o%d.png" });
    ASSERT_TRUE(o) << o.error();
    EXPECT_EQ(o.value().width, 480);
    EXPECT_EQ(o.value().height, 0);
    o = parseVideoOptions({ "-i", "in.avi", "-s", "autox90", "-r", "15.00", "o%d.png" });
    ASSERT_TRUE(o) << o.error();
    EXPECT_EQ(o.value().width, 0);
    EXPECT_EQ(o.value().height, 90);
}

TEST(VideoOptions, HelpAlone)
{
    EXPECT_TRUE(parseVideoOptions({ "--help" }).value().help);
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
        auto o = parseVideoOptions(split(line));
        EXPECT_FALSE(o) << line;
        if (!o) {
            EXPECT_FALSE(o.error().empty()) << line;
        }
    }
}

} // namespace

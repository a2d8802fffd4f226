#include "tools/video/OutputPattern.h"

#include "tools/video/ImageWriter.h"

#include <gtest/gtest.h>

using video::ImageFormat;
using video::OutputPattern;

namespace {

TEST(OutputPattern, SubstitutesOnlyTheLastPlaceholderOfTheFileName)
{
    struct Case
    {
        const char* pattern;
        long long number;
        const char* expected;
    } cases[] = {
        { "/t/DasmereTemp%08d.png", 1, "/t/DasmereTemp00000001.png" },
        { "/out/my.party%d.jpg", 12, "/out/my.party12.jpg" },
        { "/a%d/b%05d/x%d.bmp", 3, "/a%d/b%05d/x3.bmp" },
        { "rel%d_%03d.PNG", 7, "rel%d_007.PNG" },
        { "/x/100%_%d.tga", 2, "/x/100%_2.tga" },
        { "/x/%s%d.pcx", 9, "/x/%s9.pcx" },
    };
    for (const auto& c : cases) {
        auto p = OutputPattern::Parse(c.pattern);
        ASSERT_TRUE(p) << c.pattern << ": " << p.Error();
        EXPECT_EQ(p.Value().FileName(c.number), c.expected);
    }
}

TEST(OutputPattern, FormatFromExtension)
{
    EXPECT_EQ(OutputPattern::Parse("a%d.png").Value().Format(), ImageFormat::Png);
    EXPECT_EQ(OutputPattern::Parse("a%d.JPG").Value().Format(), ImageFormat::Jpeg);
    EXPECT_EQ(OutputPattern::Parse("a%d.jpeg").Value().Format(), ImageFormat::Jpeg);
    EXPECT_EQ(OutputPattern::Parse("a%d.bmp").Value().Format(), ImageFormat::Bmp);
    EXPECT_EQ(OutputPattern::Parse("a%d.tga").Value().Format(), ImageFormat::Tga);
    EXPECT_EQ(OutputPattern::Parse("a%d.pcx").Value().Format(), ImageFormat::Pcx);
}

TEST(OutputPattern, RejectsMissingPlaceholderAndOtherFormats)
{
    for (const char* bad : { "/t/frame.png", "/t%d/frame.png", "/t/f%x.png", "/t/f%0d.png",
             "/t/f%d.gif", "/t/f%d", "/t/f%d.png.txt", "/t/f.png%d" })
        EXPECT_FALSE(OutputPattern::Parse(bad)) << bad;
}

TEST(OutputPattern, TemporaryFramesAreTheDasmereTempPngs)
{
    EXPECT_TRUE(OutputPattern::Parse("/t/DasmereTemp%08d.png").Value().IsTemporaryFrame());
    EXPECT_FALSE(OutputPattern::Parse("/DasmereTemp/x%08d.png").Value().IsTemporaryFrame());
    EXPECT_FALSE(OutputPattern::Parse("/t/DasmereTemp%08d.jpg").Value().IsTemporaryFrame());
}

TEST(FrameInterval, NineSignificantDigitsWithAPoint)
{
    EXPECT_EQ(video::FormatFrameInterval(1.0 / 12.5), "0.08");
    EXPECT_EQ(video::FormatFrameInterval(1.0 / 2.0), "0.5");
    EXPECT_EQ(video::FormatFrameInterval(1.0 / 3.0), "0.333333333");
    EXPECT_EQ(video::FormatFrameInterval(1.0 / 0.01), "100");
}

} // namespace

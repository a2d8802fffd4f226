// The frame order of imgconv.dll: forward, reversed, or bouncing, without copies on disk.

#include "ImgconvTestSupport.h"
#include "tools/imgconv/FrameFiles.h"

#include <cstdio>
#include <gtest/gtest.h>

using namespace imgconv_test;

namespace {

constexpr int kFrames = 5;

// Solid frames, each its own colour, so that a GIF frame shows which one it came from.
void WriteColouredFrames(const TempFolder& folder)
{
    for (int i = 0; i < kFrames; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "DasmereTemp%08d.png", i + 1);
        WritePng(folder / name,
            Image::Filled(16, 8, static_cast<uint8_t>(40 * i), static_cast<uint8_t>(200 - 40 * i),
                static_cast<uint8_t>(i % 2 ? 255 : 0)));
    }
}

// Which frame (0 for the first) a picture shows, by the colour of its first pixel.
int FrameShown(const Image& picture)
{
    const uint8_t* p = picture.At(0, 0);
    int best = -1, bestError = 1 << 30;
    for (int i = 0; i < kFrames; ++i) {
        const int error = std::abs(p[0] - 40 * i) + std::abs(p[1] - (200 - 40 * i))
            + std::abs(p[2] - (i % 2 ? 255 : 0));
        if (error < bestError) {
            best = i;
            bestError = error;
        }
    }
    return best;
}

TEST(FrameOrder, AnimationsPlayTheFramesInTheOrderAsked)
{
    const struct
    {
        const char* order;
        std::vector<int> shown;
    } cases[] = {
        { "forward", { 0, 1, 2, 3, 4 } },
        { "reverse", { 4, 3, 2, 1, 0 } },
        // 2n - 2 frames: the turning frames once each.
        { "bounce", { 0, 1, 2, 3, 4, 3, 2, 1 } },
    };
    TempFolder frames;
    WriteColouredFrames(frames);
    for (const auto& c : cases) {
        TempFolder out;
        const RunResult run = RunImgconv({ "-delay", "10", "-loop", "0", "-order", c.order,
            frames / "DasmereTemp*.png", out / "a.gif" });
        ASSERT_EQ(run.status, 0) << run.errorText;
        const GifInfo gif = ReadGif(out / "a.gif");
        ASSERT_TRUE(gif.ok) << c.order;
        std::vector<int> shown;
        for (const GifFrame& frame : gif.frames) {
            shown.push_back(FrameShown(frame.canvas));
            EXPECT_EQ(frame.delay, 10) << c.order;
        }
        EXPECT_EQ(shown, c.shown) << c.order;
        // The frames were read where they are: nothing was added beside them.
        EXPECT_EQ(frames.Names().size(), static_cast<size_t>(kFrames));
    }
}

TEST(FrameOrder, PerFrameGifsAreNumberedInTheOrderAsked)
{
    TempFolder frames;
    WriteColouredFrames(frames);
    TempFolder out;
    const RunResult run
        = RunImgconv({ frames / "DasmereTemp*.png", "-order", "bounce", out / "still%d.gif" });
    ASSERT_EQ(run.status, 0) << run.errorText;
    const std::vector<int> expected = { 0, 1, 2, 3, 4, 3, 2, 1 };
    ASSERT_EQ(out.Names().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const GifInfo gif = ReadGif(out / ("still" + std::to_string(i + 1) + ".gif"));
        ASSERT_TRUE(gif.ok);
        ASSERT_EQ(gif.frames.size(), 1u);
        EXPECT_EQ(FrameShown(gif.frames[0].canvas), expected[i]) << i;
    }
}

TEST(FrameOrder, ShortListsAndBadValues)
{
    using imgconv::FrameOrder;
    using List = std::vector<std::string>;
    EXPECT_EQ(imgconv::OrderFrames({}, FrameOrder::Bounce), List {});
    EXPECT_EQ(imgconv::OrderFrames({ "a" }, FrameOrder::Bounce), List { "a" });
    EXPECT_EQ(imgconv::OrderFrames({ "a", "b" }, FrameOrder::Bounce), (List { "a", "b" }));
    EXPECT_EQ(
        imgconv::OrderFrames({ "a", "b", "c" }, FrameOrder::Bounce), (List { "a", "b", "c", "b" }));
    EXPECT_EQ(
        imgconv::OrderFrames({ "a", "b", "c" }, FrameOrder::Reverse), (List { "c", "b", "a" }));

    TempFolder frames;
    WriteColouredFrames(frames);
    TempFolder out;
    for (const char* bad : { "sideways", "", "Reverse" }) {
        const RunResult run
            = RunImgconv({ "-order", bad, frames / "DasmereTemp*.png", out / "a.gif" });
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_NE(run.errorText.find("bad -order value"), std::string::npos) << run.errorText;
    }
    const RunResult missing = RunImgconv({ frames / "DasmereTemp*.png", out / "a.gif", "-order" });
    EXPECT_NE(missing.status, 0);
    EXPECT_TRUE(out.Names().empty());
}

} // namespace

// Where video.dll -segments puts its stretches, and how it reads the option.
#include "tools/video/SegmentSampler.h"

#include "tests/support/ProcessRun.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;
using video::SegmentRequest;

namespace {

TEST(SegmentSampler, SpreadsTheStretchesOverTheRange)
{
    const struct
    {
        SegmentRequest request;
        double rate;
        double length;
        std::vector<double> starts;
    } cases[] = {
        // 3 stretches of 1 s over 30 s: each in the middle of its 10 s.
        { { 3, 10 }, 10.0, 30.0, { 4.5, 14.5, 24.5 } },
        // The stretches would cover the range anyway: one, from the start.
        { { 3, 10 }, 10.0, 3.0, { 0.0 } },
        { { 3, 10 }, 10.0, 2.5, { 0.0 } },
        // A stretch never reaches past the end of the range.
        { { 2, 20 }, 10.0, 4.5, { 0.125, 2.375 } },
        { { 1, 6 }, 2.0, 10.0, { 3.5 } },
    };
    for (const auto& c : cases) {
        const std::vector<double> starts = video::SegmentStarts(c.request, c.rate, c.length);
        ASSERT_EQ(starts.size(), c.starts.size()) << c.length;
        for (size_t i = 0; i < starts.size(); ++i) {
            EXPECT_NEAR(starts[i], c.starts[i], 1e-9) << c.length << " #" << i;
            EXPECT_LE(starts[i] + c.request.frames / c.rate, c.length + 1e-9);
        }
    }
}

TEST(SegmentSampler, ShortensTheStretchesOfAShortClip)
{
    const struct
    {
        SegmentRequest request;
        long long clipFrames;
        int frames;
    } cases[] = {
        { { 3, 6 }, 1000, 6 }, // a twelfth would be 83 frames: as asked
        { { 3, 6 }, 216, 6 }, // exactly a twelfth
        { { 3, 6 }, 150, 4 }, // 12.5 frames: 4 each
        { { 3, 6 }, 100, 3 }, // 8: no fewer than 3 each
        { { 3, 6 }, 10, 3 }, { { 3, 2 }, 10, 2 }, // never longer than asked
    };
    for (const auto& c : cases) {
        const SegmentRequest plan = video::Shortened(c.request, c.clipFrames);
        EXPECT_EQ(plan.count, c.request.count);
        EXPECT_EQ(plan.frames, c.frames) << c.clipFrames;
    }
}

TEST(SegmentSampler, TakesOnlyALeadingOption)
{
    const struct
    {
        std::vector<std::string> args;
        bool ok;
        bool taken;
        int count;
        int frames;
        size_t rest;
    } cases[] = {
        { { "-segments", "3x6", "-i", "a.mp4" }, true, true, 3, 6, 2 },
        { { "-i", "a.mp4", "-segments", "3x6" }, true, false, 0, 0, 4 }, // not first: not ours
        { { "-segments", "64x1000" }, true, true, 64, 1000, 0 },
        { { "-segments" }, false, false, 0, 0, 1 },
        { { "-segments", "3" }, false, false, 0, 0, 2 },
        { { "-segments", "0x6" }, false, false, 0, 0, 2 },
        { { "-segments", "65x6" }, false, false, 0, 0, 2 },
        { { "-segments", "3x-6" }, false, false, 0, 0, 2 },
        { { "-segments", "3x6x" }, false, false, 0, 0, 2 },
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        const auto taken = video::TakeSegmentOption(args);
        ASSERT_EQ(static_cast<bool>(taken), c.ok) << c.args.back();
        EXPECT_EQ(args.size(), c.rest);
        if (!c.ok)
            continue;
        ASSERT_EQ(taken.Value().has_value(), c.taken);
        if (c.taken) {
            EXPECT_EQ(taken.Value()->count, c.count);
            EXPECT_EQ(taken.Value()->frames, c.frames);
        }
    }
}

// The tool on a clip: stretches numbered on without gaps, a line for each, and the whole
// range's frame count.
TEST(SegmentSampler, WritesTheStretchesOfAClipInOneRun)
{
    const fs::path dir = fs::temp_directory_path() / ("segments-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string clip = (dir / "clip.mp4").string();
    ASSERT_EQ(
        runProgram("/usr/bin/ffmpeg",
            { "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                "testsrc2=size=96x64:rate=25:duration=24", "-c:v", "mpeg4", "-g", "25", clip })
            .exitCode,
        0);
    const ToolRun r = runProgram(SABLEWICK_BIN_DIR "video.dll",
        { "-segments", "3x6", "-i", clip, "-y", "-ss", "0", "-r", "10.00",
            (dir / "f%08d.png").string() });
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.out.find("video.dll: clip of 240 frames\n"), std::string::npos) << r.out;
    std::istringstream lines(r.out);
    int segments = 0;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("video.dll: segment ", 0) == 0) {
            ++segments;
            EXPECT_NE(line.find(": 6 frames in "), std::string::npos) << line;
        }
    EXPECT_EQ(segments, 3);
    for (int n = 1; n <= 18; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "f%08d.png", n);
        EXPECT_TRUE(fs::exists(dir / name)) << name;
    }
    EXPECT_FALSE(fs::exists(dir / "f00000019.png"));
    fs::remove_all(dir);
}

} // namespace

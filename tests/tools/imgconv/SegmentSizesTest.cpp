// imgconv.dll -segments: the option, and stretches encoded as the real GIF would be.
#include "tools/imgconv/SegmentSizes.h"

#include "ImgconvTestSupport.h"
#include "tests/support/ProcessRun.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;
using namespace imgconv_test;

namespace {

TEST(SegmentSizes, TakesOnlyALeadingOption)
{
    const struct
    {
        std::vector<std::string> args;
        bool ok;
        std::vector<int> counts;
        size_t rest;
    } cases[] = {
        { { "-segments", "6,6,5", "-delay", "10" }, true, { 6, 6, 5 }, 2 },
        { { "-segments", "1" }, true, { 1 }, 0 },
        { { "-delay", "10", "-segments", "6" }, true, {}, 4 }, // not first: not ours
        { { "-segments" }, false, {}, 1 },
        { { "-segments", "" }, false, {}, 2 },
        { { "-segments", "6,,6" }, false, {}, 2 },
        { { "-segments", "6,0" }, false, {}, 2 },
        { { "-segments", "6,x" }, false, {}, 2 },
        { { "-segments", "1234567" }, false, {}, 2 },
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        std::vector<int> counts { 99 };
        std::string error;
        EXPECT_EQ(imgconv::TakeSegmentCounts(args, counts, error), c.ok) << c.args.back();
        EXPECT_EQ(counts, c.counts) << c.args.back();
        EXPECT_EQ(args.size(), c.rest);
        EXPECT_EQ(error.empty(), c.ok);
    }
}

// Each stretch's bytes are those of the GIF its frames alone make, less the trailer byte:
// the estimate scales what the real encoder does, not a likeness of it.
TEST(SegmentSizes, AStretchTakesTheBytesOfItsOwnGif)
{
    const fs::path dir = fs::temp_directory_path() / ("segsizes-" + std::to_string(::getpid()));
    fs::create_directories(dir / "all");
    fs::create_directories(dir / "second");
    for (int i = 1; i <= 7; ++i) {
        Image picture = TestPicture(64, 48, 1);
        picture.FillRect(4 * i, 10, 12, 12, 250, 20, 20); // a square that moves
        char name[32];
        std::snprintf(name, sizeof name, "f%08d.png", i);
        WritePng((dir / "all" / name).string(), picture);
        if (i > 3)
            fs::copy_file(dir / "all" / name, dir / "second" / name);
    }
    const ToolRun run = runProgram(SABLEWICK_BIN_DIR "imgconv.dll",
        { "-segments", "3,4", "-delay", "10", "-loop", "0", (dir / "all" / "f*.png").string(),
            "-" });
    ASSERT_EQ(run.exitCode, 0) << run.output;
    ASSERT_EQ(RunImgconv({ "-delay", "10", "-loop", "0", (dir / "second" / "f*.png").string(),
                             (dir / "second.gif").string() })
                  .status,
        0);
    std::istringstream lines(run.out);
    std::string first;
    std::string second;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(first.rfind("imgconv: segment 1: 64x48, 3 frames in ", 0), 0u) << run.out;
    ASSERT_EQ(second.rfind("imgconv: segment 2: 64x48, 4 frames in ", 0), 0u) << run.out;
    long long bytes = 0;
    int frames = 0;
    std::istringstream pairs(second.substr(second.find(" s:") + 3));
    for (std::string pair; pairs >> pair; ++frames)
        bytes += std::stoll(pair.substr(pair.find(':') + 1));
    EXPECT_EQ(frames, 4);
    EXPECT_EQ(bytes + 1, static_cast<long long>(fs::file_size(dir / "second.gif")));
    // Nothing written beside the frames.
    for (const auto& e : fs::directory_iterator(dir / "all"))
        EXPECT_EQ(e.path().extension(), ".png") << e.path();
    fs::remove_all(dir);
}

TEST(SegmentSizes, StretchesMustHoldEveryFrame)
{
    const fs::path dir = fs::temp_directory_path() / ("segcount-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (int i = 1; i <= 3; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%08d.png", i);
        WritePng((dir / name).string(), TestPicture(16, 16, i));
    }
    const ToolRun run = runProgram(
        SABLEWICK_BIN_DIR "imgconv.dll", { "-segments", "2,2", (dir / "f*.png").string(), "-" });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(
        run.errors.find("the segments hold 4 frames, the wildcard matches 3"), std::string::npos)
        << run.errors;
    fs::remove_all(dir);
}

} // namespace

// Frame rates above 50 per second, from a real clip through both tools, as a GIF viewer
// plays the result (ffprobe's GIF reader stretches delays below 2 hundredths as browsers do).
#include "tests/support/ProcessRun.h"
#include "tests/support/ProgramCopy.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct GifPlay
{
    double seconds = 0;
    int frames = 0;
};

// How long the GIF plays and how many frames it shows, by ffprobe.
GifPlay Probe(const fs::path& gif)
{
    const ToolRun r = runProgram("/usr/bin/ffprobe",
        { "-v", "error", "-count_frames", "-show_entries", "stream=nb_read_frames,duration", "-of",
            "default=noprint_wrappers=1", gif.string() });
    GifPlay play;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("duration=", 0) == 0)
            play.seconds = std::stod(line.substr(9));
        else if (line.rfind("nb_read_frames=", 0) == 0)
            play.frames = std::stoi(line.substr(15));
    }
    return play;
}

// Above 50 frames per second the GIF plays like 50 per second: as long as the clip, with
// one picture every 2 hundredths (100 per second) or each of the clip's own (25 per second
// taken 99 times a second). Folding the fast frames into one made a slideshow of a picture a
// second, or a single picture for the whole clip.
TEST(ConsoleFrameRate, AboveFiftyPerSecondTheGifPlaysLikeFifty)
{
    const fs::path dir = fs::temp_directory_path() / ("cliframerate-" + std::to_string(::getpid()));
    test_program::MakeProgramCopy(dir / "bin",
        "[TellurvaneInfo]\nStart=0\nImagesPerSecond=1.00\nTimeDelay=0\nFileFormat=0\n");
    ASSERT_TRUE(test_program::MakeClip(dir / "c100.mp4", "testsrc=size=64x48:rate=100:d=2"));
    ASSERT_TRUE(test_program::MakeClip(dir / "c25.mp4", "testsrc=size=64x48:rate=25:d=2"));
    const struct
    {
        const char* clip;
        const char* option;
        const char* value;
        int frames; // the pictures the clip has to show at 50 per second at most
    } cases[] = {
        { "c100.mp4", "--rate", "100", 100 },
        { "c100.mp4", "--interval", "0.01", 100 },
        { "c25.mp4", "--rate", "99", 50 },
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.clip) + " " + c.option + " " + c.value);
        const fs::path out = dir / ("out" + std::to_string(++n));
        const ToolRun r = runProgram((dir / "bin" / "sablewick-cli").string(),
            { "-q", "--mkdir", "-o", out.string(), c.option, c.value, (dir / c.clip).string() });
        ASSERT_EQ(r.exitCode, 0) << r.output;
        const fs::path gif = out / (fs::path(c.clip).stem().string() + ".gif");
        const GifPlay play = Probe(gif);
        EXPECT_NEAR(play.seconds, 2.0, 0.05);
        EXPECT_GE(play.frames, c.frames - 2);
        EXPECT_LE(play.frames, c.frames + 1);
    }
    fs::remove_all(dir);
}

} // namespace

// The job with the real tools on a tiny generated clip.
#include "engine/ConversionController.h"
#include "platform/ProgramFolder.h"
#include "platform/TempFolder.h"
#include "tests/support/ProgramCopy.h"
#include "tests/support/RecordingHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::string Head(const fs::path& p, std::size_t n)
{
    std::ifstream in(p, std::ios::binary);
    std::string s(n, '\0');
    in.read(s.data(), static_cast<std::streamsize>(n));
    s.resize(static_cast<std::size_t>(in.gcount()));
    return s;
}

class JobEndToEnd : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = fs::temp_directory_path() / ("jobe2e-" + std::to_string(getpid()));
        fs::create_directories(s_dir / "bin");
        fs::create_directories(s_dir / "in put");
        for (const char* tool : {"video.dll", "imgconv.dll"})
            fs::create_symlink(fs::path(SABLEWICK_BIN_DIR) / tool, s_dir / "bin" / tool);
        ASSERT_TRUE(
            test_program::MakeClip(s_dir / "in put" / "clip 1.mp4", "testsrc2=s=64x48:r=10:d=1"));
    }
    static void TearDownTestSuite() { fs::remove_all(s_dir); }

    void SetUp() override { SetProgramFolderForTesting((s_dir / "bin").string()); }
    void TearDown() override { SetProgramFolderForTesting(""); }

    static void WriteSettings(int format)
    {
        std::ofstream(s_dir / "bin" / "TellurvaneInfo.ini")
            << "[TellurvaneInfo]\nStart=0\nEnd=Default\nResolutionX=Default\nResolutionY=Default\n"
               "VBRValue=Default\nImagesPerSecond=0.10\nTimeDelay=0.00\nFileFormat="
            << format << "\nLoop=0\n";
    }

    static fs::path s_dir;
};

fs::path JobEndToEnd::s_dir;

TEST_F(JobEndToEnd, EachFormatGivesItsFiles)
{
    const struct
    {
        int format;
        const char* first; // the first (or only) file written
        std::string magic;
        bool numbered;
    } cases[] = {
        {0, "clip 1.gif", "GIF89a", false},
        {1, "clip 11.gif", "GIF89a", true},
        {2, "clip 11.jpg", "\xFF\xD8\xFF", true},
        {3, "clip 11.png", "\x89PNG", true},
        {4, "clip 11.bmp", "BM", true},
        {5, "clip 11.tga", "", true},
        {6, "clip 11.pcx", "\x0A", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        WriteSettings(c.format);
        const fs::path out = s_dir / ("out " + std::to_string(c.format));
        fs::create_directories(out);
        RecordingHost host;
        host.folder = out.string();
        host.rows = {(s_dir / "in put" / "clip 1.mp4").string()};
        ConversionController controller(host);
        ASSERT_TRUE(controller.StartConversion());
        ASSERT_TRUE(host.Pump([&] { return host.ended; }, 120s));
        EXPECT_EQ(host.results, std::vector<std::string>({"succeeded"}));
        ASSERT_TRUE(fs::exists(out / c.first));
        EXPECT_EQ(Head(out / c.first, c.magic.size()), c.magic);
        const auto files = std::distance(fs::directory_iterator(out), fs::directory_iterator());
        EXPECT_EQ(files, c.numbered ? 10 : 1) << "one file per frame at 10 frames a second";
        EXPECT_TRUE(fs::is_empty(TempFolder())) << "temporary frames left behind";
    }
}

TEST_F(JobEndToEnd, ADamagedInputFailsAndLeavesNoGif)
{
    WriteSettings(0);
    const fs::path bad = s_dir / "in put" / "broken.mp4";
    std::ofstream(bad) << "not a video at all";
    const fs::path out = s_dir / "out bad";
    fs::create_directories(out);
    RecordingHost host;
    host.folder = out.string();
    host.rows = {bad.string(), (s_dir / "in put" / "clip 1.mp4").string()};
    ConversionController controller(host);
    ASSERT_TRUE(controller.StartConversion());
    ASSERT_TRUE(host.Pump([&] { return host.ended; }, 120s));
    EXPECT_EQ(host.results, std::vector<std::string>({"failed", "succeeded"}));
    EXPECT_FALSE(fs::exists(out / "broken.gif"));
    EXPECT_TRUE(fs::exists(out / "clip 1.gif"));
}

// A long clip: the bar moves through the file while the real tools work on it.
TEST_F(JobEndToEnd, ALongClipMovesTheBarStepByStep)
{
    const fs::path clip = s_dir / "in put" / "long.mp4";
    ASSERT_TRUE(test_program::MakeClip(clip, "testsrc=s=320x240:r=25:d=120"));
    WriteSettings(0);
    const fs::path out = s_dir / "out long";
    fs::create_directories(out);
    RecordingHost host;
    host.folder = out.string();
    host.rows = {clip.string()};
    ConversionController controller(host);
    ASSERT_TRUE(controller.StartConversion());
    ASSERT_TRUE(host.Pump([&] { return host.ended; }, 600s));
    EXPECT_EQ(host.results, std::vector<std::string>({"succeeded"}));

    std::vector<int> positions; // between the file's start and its result
    bool inFile = false;
    for (const std::string& e : host.events) {
        if (e == "started 0")
            inFile = true;
        else if (e.rfind("result 0", 0) == 0)
            inFile = false;
        else if (inFile && e.rfind("progress ", 0) == 0)
            positions.push_back(std::stoi(e.substr(9)));
    }
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.front(), 0) << "the file starts at the beginning of the bar";
    EXPECT_EQ(positions.back(), 99);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    std::set<int> inside;
    for (int p : positions)
        if (p > 0 && p < 99)
            inside.insert(p);
    // 1200 frames to take and to assemble: the tools report every tenth of a second.
    EXPECT_GE(inside.size(), 3u);
}

// The total of a GIF's frame delays, in hundredths of a second.
long long GifDuration(const fs::path& gif)
{
    std::ifstream in(gif, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    long long total = 0;
    // Each frame's graphic control extension: 21 F9 04, flags, then the delay (little-endian).
    for (std::size_t at = bytes.find("\x21\xF9\x04"); at != std::string::npos && at + 6 < bytes.size();
         at = bytes.find("\x21\xF9\x04", at + 1))
        total += static_cast<unsigned char>(bytes[at + 4])
            + 256 * static_cast<unsigned char>(bytes[at + 5]);
    return total;
}

// A noisy clip whose GIF cannot come under the limit at the lowest quality: fitting by
// quality fails it, fitting by frames gives up frame rate and size until a GIF fits, using
// 90 % of the limit or more, as long as the clip, and says what it gave up.
TEST_F(JobEndToEnd, ASizeLimitThatQualityCannotMeetIsMetByFewerAndSmallerFrames)
{
    const fs::path clip = s_dir / "in put" / "noisy.mp4";
    ASSERT_TRUE(test_program::MakeClip(clip, "testsrc2=s=320x180:r=10:d=2,noise=alls=20:allf=t"));
    const long long budget = 150'000;
    const struct
    {
        const char* fitBy;
        bool fits;
    } cases[] = {{"quality", false}, {"frames", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fitBy);
        WriteSettings(0);
        std::ofstream(s_dir / "bin" / "TellurvaneInfo.ini", std::ios::app)
            << "MaxSize=150k\nFitBy=" << c.fitBy << "\n";
        const fs::path out = s_dir / (std::string("out fit ") + c.fitBy);
        fs::create_directories(out);
        RecordingHost host;
        host.folder = out.string();
        host.rows = {clip.string()};
        ConversionController controller(host);
        ASSERT_TRUE(controller.StartConversion());
        ASSERT_TRUE(host.Pump([&] { return host.ended; }, 600s));
        EXPECT_TRUE(fs::is_empty(TempFolder())) << "temporary frames left behind";
        const fs::path gif = out / "noisy.gif";
        if (!c.fits) {
            EXPECT_EQ(host.results, std::vector<std::string>({"failed"}));
            ASSERT_EQ(host.reasons.size(), 1u);
            EXPECT_NE(host.reasons[0].find("cannot fit in 150000 bytes"), std::string::npos)
                << host.reasons[0];
            EXPECT_FALSE(fs::exists(gif));
            continue;
        }
        EXPECT_EQ(host.results, std::vector<std::string>({"succeeded"})) << testing::PrintToString(host.reasons);
        ASSERT_TRUE(fs::exists(gif));
        const auto size = static_cast<long long>(fs::file_size(gif));
        std::printf("fitted into %lld of %lld bytes (%.1f %%): %s\n", size, budget,
            100.0 * static_cast<double>(size) / static_cast<double>(budget),
            host.fitted.empty() ? "" : host.fitted[0].c_str());
        EXPECT_LE(size, budget);
        EXPECT_GE(size, budget * 9 / 10);
        ASSERT_EQ(host.fitted.size(), 1u);
        EXPECT_EQ(host.fitted[0].rfind("0 fitted: ", 0), 0u) << host.fitted[0];
        EXPECT_NE(host.fitted[0].find(" fps"), std::string::npos) << host.fitted[0];
        // Fewer frames, each shown longer: the GIF lasts as long as the clip.
        EXPECT_NEAR(GifDuration(gif), 200, 20);
    }
}

// The console program with the settings file that the build puts beside it.
TEST_F(JobEndToEnd, ConsoleProgram)
{
    const fs::path out = s_dir / "cli out";
    fs::create_directories(out);
    const std::string cli = std::string(SABLEWICK_BIN_DIR) + "sablewick-cli";
    const std::string clip = (s_dir / "in put" / "clip 1.mp4").string();
    auto run = [&](const std::string& args) {
        const std::string line = "'" + cli + "' " + args + " > '" + (s_dir / "cli.log").string()
            + "' 2>/dev/null";
        const int status = std::system(line.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    auto log = [&] {
        std::ifstream in(s_dir / "cli.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(run("-o '" + out.string() + "' '" + clip + "'"), 0);
    EXPECT_EQ(log(), "Please wait...\n[  0%] " + clip + "\n" + clip + ": Success\nDone.\n");
    EXPECT_EQ(Head(out / "clip 1.gif", 6), "GIF89a");

    EXPECT_EQ(run("-o '" + out.string() + "' '" + clip + "' /nonexistent.mp4"), 1);
    EXPECT_NE(log().find("/nonexistent.mp4: Failed"), std::string::npos);
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("-x '" + clip + "'"), 2);
    EXPECT_EQ(run("-o /nonexistent '" + clip + "'"), 2);
}

} // namespace

// Runs swfinfo.dll on clips made here with the ffmpeg program and on bad files.
#include "tests/support/CaseName.h"
#include "tests/support/ProcessRun.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string kTool = SABLEWICK_BIN_DIR "swfinfo.dll";

struct Clip
{
    const char* name;
    const char* encoder; // an encoder the clip needs, or "" when any ffmpeg will do
    const char* ffmpegArgs; // inputs and codecs; the output path is appended
    const char* expected; // the description after "-f "
};

// Small, quick clips; each shows one container with or without sound.
const Clip kClips[] = {
    { "h264_aac.mp4", "libx264",
        "-f lavfi -i testsrc=s=320x240:r=25:d=2 -f lavfi -i sine=d=2 -ac 2 -c:v libx264 -c:a aac "
        "-shortest",
        "0:00:02, 320x240, 25 fps, H.264, AAC stereo" },
    { "silent_ntsc.mp4", "libx264", "-f lavfi -i testsrc=s=160x120:r=30000/1001:d=3 -c:v libx264",
        "0:00:03, 160x120, 29.97 fps, H.264, no sound" },
    { "mpeg4_vorbis51.mkv", "libvorbis",
        "-f lavfi -i testsrc=s=176x144:r=12.5:d=2 -f lavfi -i sine=d=2 -ac 6 -c:v mpeg4 "
        "-c:a libvorbis -shortest",
        "0:00:02, 176x144, 12.5 fps, MPEG-4, Vorbis 5.1" },
    { "silent.mkv", "", "-f lavfi -i testsrc=s=96x64:r=10:d=2 -c:v mpeg4",
        "0:00:02, 96x64, 10 fps, MPEG-4, no sound" },
    { "mjpeg_pcm.avi", "",
        "-f lavfi -i testsrc=s=320x240:r=25:d=2 -f lavfi -i sine=d=2 -c:v mjpeg -c:a pcm_s16le",
        "0:00:02, 320x240, 25 fps, MJPEG, PCM mono" },
    { "vp8_opus.webm", "libopus",
        "-f lavfi -i testsrc=s=320x180:r=15:d=2 -f lavfi -i sine=d=2 -ac 2 -c:v libvpx "
        "-c:a libopus -shortest",
        "0:00:02, 320x180, 15 fps, VP8, Opus stereo" },
    // Phone HDR: 10-bit HEVC tagged HLG or PQ; BT.2020 with an SDR transfer is not HDR.
    { "hlg.mp4", "libx265",
        "-f lavfi -i testsrc2=s=160x120:r=10:d=1 -pix_fmt yuv420p10le -c:v libx265 "
        "-x265-params log-level=error -color_primaries bt2020 -colorspace bt2020nc "
        "-color_trc arib-std-b67",
        "0:00:01, 160x120, 10 fps, H.265, HDR (HLG), no sound" },
    { "pq.mkv", "libx265",
        "-f lavfi -i testsrc2=s=160x120:r=10:d=1 -pix_fmt yuv420p10le -c:v libx265 "
        "-x265-params log-level=error -color_primaries bt2020 -colorspace bt2020nc "
        "-color_trc smpte2084",
        "0:00:01, 160x120, 10 fps, H.265, HDR (PQ), no sound" },
    { "sdr2020.mp4", "libx265",
        "-f lavfi -i testsrc2=s=160x120:r=10:d=1 -pix_fmt yuv420p10le -c:v libx265 "
        "-x265-params log-level=error -color_primaries bt2020 -colorspace bt2020nc "
        "-color_trc bt2020-10",
        "0:00:01, 160x120, 10 fps, H.265, no sound" },
    // Minutes, and a name with blanks and a printf pattern in it.
    { "long clip %d.avi", "", "-f lavfi -i testsrc=s=32x32:r=1:d=75 -c:v mjpeg",
        "0:01:15, 32x32, 1 fps, MJPEG, no sound" },
};

// Names a clip in the test's listing.
void PrintTo(const Clip& clip, std::ostream* out)
{
    *out << clip.name;
}

struct BadFile
{
    const char* name;
    const char* reason;
};

// Made in SetUpTestSuite, except the missing one.
const BadFile kBadFiles[] = {
    { "missing.mp4", "file not found" },
    { "empty.mp4", "empty file" },
    { "notes.txt", "not a video file" },
    { "notes.dat", "not a video file" },
    { "sound_only.wav", "not a video file" },
    { "still.png", "not a video file" },
    { "truncated.mp4", "damaged file" },
    { "a folder.mkv", "not a file" },
};

class SwfinfoTool : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        char pattern[] = "/tmp/swfinfo-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        s_dir = pattern;
        // The same ffmpeg that makes the clips: the one on PATH.
        s_encoders
            = runProgram("/bin/sh", { "-c", "exec ffmpeg -hide_banner -encoders 2>/dev/null" }).out;
        if (s_encoders.empty())
            return; // every test skips

        std::ofstream(s_dir / "empty.mp4").close();
        std::ofstream(s_dir / "notes.txt") << "Shopping list:\nmilk\nbread\n";
        std::ofstream(s_dir / "notes.dat") << "hello world, this is a text file\n";
        Ffmpeg("-f lavfi -i sine=d=1", s_dir / "sound_only.wav");
        Ffmpeg("-f lavfi -i testsrc=s=64x48 -frames:v 1", s_dir / "still.png");
        // The index of an MP4 sits at its end unless moved: cut it off.
        Ffmpeg("-f lavfi -i testsrc=s=320x240:r=25:d=2 -c:v mpeg4", s_dir / "whole.mp4");
        fs::copy_file(s_dir / "whole.mp4", s_dir / "truncated.mp4");
        fs::resize_file(s_dir / "truncated.mp4", fs::file_size(s_dir / "whole.mp4") / 2);
        fs::create_directory(s_dir / "a folder.mkv");
        // Stored on its side with a display matrix, as phones record.
        Ffmpeg("-i '" + (s_dir / "whole.mp4").string() + "' -c copy -metadata:s:v rotate=90",
            s_dir / "rotated.mp4");
    }

    static void TearDownTestSuite() { fs::remove_all(s_dir); }

    void SetUp() override
    {
        if (s_encoders.empty())
            GTEST_SKIP() << "no ffmpeg on PATH to make the test files";
    }

    static bool HasEncoder(const std::string& encoder)
    {
        return encoder.empty() || s_encoders.find(" " + encoder + " ") != std::string::npos;
    }

    static void Ffmpeg(const std::string& args, const fs::path& output)
    {
        const std::string command
            = "ffmpeg -v error -nostdin -y " + args + " '" + output.string() + "' 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    static inline fs::path s_dir;
    static inline std::string s_encoders;
};

class SwfinfoClip : public SwfinfoTool, public ::testing::WithParamInterface<Clip>
{
};

TEST_P(SwfinfoClip, DescribesTheClipOnOneLine)
{
    const Clip& clip = GetParam();
    if (!HasEncoder(clip.encoder))
        GTEST_SKIP() << "this ffmpeg has no encoder " << clip.encoder;
    const fs::path path = s_dir / clip.name;
    Ffmpeg(clip.ffmpegArgs, path);
    const ToolRun run = runProgram(kTool, { "-f", path.string() });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, std::string("-f ") + clip.expected + "\n");
    EXPECT_EQ(run.errors, "");
}

INSTANTIATE_TEST_SUITE_P(Clips, SwfinfoClip, ::testing::ValuesIn(kClips),
    [](const auto& info) { return CaseName(info.param.name); });

TEST_F(SwfinfoTool, AVideoStoredOnItsSideShowsItsUprightSize)
{
    const ToolRun run = runProgram(kTool, { "-f", (s_dir / "rotated.mp4").string() });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "-f 0:00:02, 240x320, 25 fps, MPEG-4, no sound\n");
}

TEST_F(SwfinfoTool, BadFilesGiveAReasonAndFail)
{
    for (const BadFile& bad : kBadFiles) {
        SCOPED_TRACE(bad.name);
        const ToolRun run = runProgram(kTool, { "-f", (s_dir / bad.name).string() });
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, std::string("-f ") + bad.reason + "\n");
        // Standard error joins the output the window shows: library messages stay out.
        EXPECT_EQ(run.errors, "");
    }
}

TEST_F(SwfinfoTool, PathIsNeverTakenForAProtocol)
{
    // A relative name that FFmpeg would otherwise read as its "concat" protocol.
    fs::copy_file(s_dir / "whole.mp4", s_dir / "concat:whole.mp4");
    const fs::path oldDir = fs::current_path();
    fs::current_path(s_dir);
    const ToolRun run = runProgram(kTool, { "-f", "concat:whole.mp4" });
    fs::current_path(oldDir);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "-f 0:00:02, 320x240, 25 fps, MPEG-4, no sound\n");
}

TEST_F(SwfinfoTool, HelpAndBadArguments)
{
    const ToolRun help = runProgram(kTool, { "--help" });
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("usage: swfinfo.dll -f PATH"), std::string::npos);

    const std::vector<std::vector<std::string>> badArguments = {
        {},
        { "-f" },
        { (s_dir / "whole.mp4").string() },
        { "-x", (s_dir / "whole.mp4").string() },
        { "-f", (s_dir / "whole.mp4").string(), "extra" },
    };
    for (const auto& args : badArguments) {
        const ToolRun run = runProgram(kTool, args);
        EXPECT_EQ(run.exitCode, 2) << args.size() + 1;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.errors.find("--help"), std::string::npos);
    }
}

} // namespace

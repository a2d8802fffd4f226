// video.dll run as the program runs it, on tiny clips made with the ffmpeg program.

#include "PngFile.h"
#include "tests/support/ProcessRun.h"
#include "tests/support/ScriptFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

const std::string kTool = SABLEWICK_BIN_DIR "video.dll";

std::vector<std::string> split(const std::string& line)
{
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string word; in >> word;)
        out.push_back(word);
    return out;
}

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    if (fs::exists(folder))
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class VideoTool : public ::testing::Test
{
protected:
    static fs::path s_clips;

    static void SetUpTestSuite()
    {
        s_clips = fs::temp_directory_path() / ("video-tool-test-" + std::to_string(::getpid()));
        fs::create_directories(s_clips);
        // 3 s at 25 fps with a keyframe every 12 frames; 3 s at 29.97 fps in Matroska;
        // 2.5 s at 24 fps with B-frames and a sound track that starts first.
        ffmpeg("-f lavfi -i testsrc2=size=160x120:rate=25:duration=3 -c:v mpeg4 -g 12 -q:v 3 "
            + clip("c25.mp4"));
        ffmpeg("-f lavfi -i testsrc2=size=160x120:rate=30000/1001:duration=3 -c:v mpeg4 -q:v 3 "
            + clip("c2997.mkv"));
        ffmpeg(
            "-f lavfi -i testsrc2=size=160x120:rate=24:duration=2.5 -f lavfi -i sine=duration=2.6 "
            "-c:v mpeg4 -bf 2 -q:v 3 -c:a pcm_s16le "
            + clip("c24b.avi"));
        ffmpeg("-i " + clip("c25.mp4") + " -c copy -metadata:s:v rotate=90 " + clip("rot90.mp4"));
        ffmpeg("-f lavfi -i testsrc2=size=160x120:rate=25:duration=1,setsar=4/3 -c:v mpeg4 "
            + clip("sar.mp4"));
        ffmpeg("-f lavfi -i testsrc2=size=160x120:rate=25:duration=4 -c:v mpeg2video -g 10 "
            + clip("whole.ts"));
        ffmpeg("-f lavfi -i sine=duration=1 " + clip("sound.wav"));
        // A transport stream with garbage over a stretch in the middle.
        std::string ts = test_files::ReadFile(s_clips / "whole.ts");
        for (size_t i = ts.size() * 2 / 5; i < ts.size() / 2; ++i)
            ts[i] = static_cast<char>((i * 7919) & 0xff);
        std::ofstream(s_clips / "damaged.ts", std::ios::binary) << ts;
        // The audit's crafted file: three frames at 0, 5 h and 10 h, "10:00:01" long.
        ffmpeg("-f lavfi -i testsrc=size=64x48:rate=1 -frames:v 3 -vf setpts=N*18000/TB "
               "-fps_mode passthrough "
            + clip("sparse.mkv"));
        // A stream that does not say how long it is.
        ffmpeg("-f lavfi -i testsrc2=size=160x120:rate=25:duration=4 -c:v libx264 -f h264 "
            + clip("endless.h264"));
        std::ofstream(s_clips / "empty.mp4");
        std::ofstream(s_clips / "notes.mp4") << "these are not the frames you are looking for\n";
    }

    static void TearDownTestSuite() { fs::remove_all(s_clips); }

    static std::string clip(const std::string& name) { return (s_clips / name).string(); }

    static void ffmpeg(const std::string& args)
    {
        ToolRun r = runProgram("/usr/bin/ffmpeg", split("-nostdin -v error -y " + args));
        ASSERT_EQ(r.exitCode, 0) << args << "\n" << r.output;
    }

    void SetUp() override
    {
        m_out = s_clips / ("out-" + std::to_string(s_counter++));
        fs::create_directories(m_out);
    }

    // Runs the tool: "-i CLIP" + options + output pattern inside the test's folder.
    ToolRun run(const std::string& clipName, const std::string& options, const std::string& pattern,
        RunLimits limits = {})
    {
        std::vector<std::string> args { "-i", clip(clipName) };
        for (auto& a : split(options))
            args.push_back(a);
        args.push_back((m_out / pattern).string());
        return runProgram(kTool, args, limits);
    }

    // Frame count the ffmpeg program gives with its fps filter for the same start, length and rate.
    int ffmpegCount(const std::string& clipName, const std::string& ss, const std::string& t,
        const std::string& r)
    {
        fs::path folder = m_out / "ffmpeg";
        fs::create_directories(folder);
        std::string args = "-ss " + ss + (t.empty() ? "" : " -t " + t) + " -i " + clip(clipName)
            + " -vf fps=" + r + " " + (folder / "f%04d.png").string();
        ffmpeg(args);
        int n = static_cast<int>(namesIn(folder).size());
        fs::remove_all(folder);
        return n;
    }

    fs::path m_out;
    static int s_counter;
};

fs::path VideoTool::s_clips;
int VideoTool::s_counter = 0;

std::vector<std::string> numbered(
    const std::string& prefix, int count, int width, const std::string& suffix)
{
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) {
        std::string n = std::to_string(i);
        names.push_back(prefix
            + std::string(static_cast<size_t>(std::max(0, width - int(n.size()))), '0') + n
            + suffix);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(VideoTool, HelpNamesTheForms)
{
    ToolRun r = runProgram(kTool, { "--help" });
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.output.find("-qscale"), std::string::npos);
    EXPECT_NE(r.output.find("-ss"), std::string::npos);
}

TEST_F(VideoTool, FrameCountsMatchTheFpsFilter)
{
    struct Case
    {
        const char* clip;
        const char* ss;
        const char* t; // empty: to the end
        const char* r;
        int expected;
    } cases[] = {
        { "c25.mp4", "0", "", "1.00", 3 },
        { "c25.mp4", "0", "", "12.50", 38 }, // 37.5 slots round up
        { "c25.mp4", "0", "", "7.00", 21 },
        { "c25.mp4", "1", "1", "12.50", 13 },
        { "c25.mp4", "1", "", "0.30", 1 },
        { "c25.mp4", "2", "", "60.00", 60 }, // frames repeated
        { "c25.mp4", "1", "5", "10.00", 20 }, // the clip ends before the duration
        { "c2997.mkv", "1", "1", "3.00", 3 },
        { "c2997.mkv", "0", "", "12.50", 38 },
        { "c24b.avi", "0", "", "7.00", 18 },
        { "c24b.avi", "1", "1", "10.00", 10 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.clip) + " -ss " + c.ss + " -t " + c.t + " -r " + c.r);
        fs::remove_all(m_out);
        fs::create_directories(m_out);
        std::string options = std::string("-y -ss ") + c.ss
            + (*c.t ? std::string(" -t ") + c.t : "") + " -r " + c.r;
        ToolRun r = run(c.clip, options, "DasmereTemp%08d.png");
        ASSERT_EQ(r.exitCode, 0) << r.output;
        EXPECT_EQ(namesIn(m_out), numbered("DasmereTemp", c.expected, 8, ".png"));
        EXPECT_EQ(ffmpegCount(c.clip, c.ss, c.t, c.r), c.expected);
    }
}

TEST_F(VideoTool, ClipShorterThanHalfAnIntervalStillGivesOneFrame)
{
    // ffmpeg's fps filter rounds 0.5 s x 0.3 frames/s down to nothing and reports success.
    ToolRun r = run("c24b.avi", "-y -ss 2 -r 0.30", "f%d.png");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(namesIn(m_out), (std::vector<std::string> { "f1.png" }));
}

TEST_F(VideoTool, StartIsAccurateToTheFrame)
{
    // testsrc2 changes every frame; at 25 frames/s the first file must be the frame at exactly
    // 1 s (frame 25, inside a GOP that starts at frame 24), not the keyframe before it.
    ToolRun r = run("c25.mp4", "-y -ss 1 -t 0.2 -r 25.00", "f%d.png");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(namesIn(m_out).size(), 5u);
    ffmpeg("-i " + clip("c25.mp4") + " -vf select=eq(n\\,25) -frames:v 1 "
        + (m_out / "at25.png").string());
    ffmpeg("-i " + clip("c25.mp4") + " -vf select=eq(n\\,24) -frames:v 1 "
        + (m_out / "at24.png").string());
    PngFile ours = readPng((m_out / "f1.png").string());
    ASSERT_TRUE(ours.ok);
    EXPECT_LT(meanDifference(ours, readPng((m_out / "at25.png").string())), 3.0);
    EXPECT_GT(meanDifference(ours, readPng((m_out / "at24.png").string())), 3.0);
}

TEST_F(VideoTool, Sizes)
{
    struct Case
    {
        const char* clip;
        const char* size; // empty: the source's display size
        int width, height;
    } cases[] = {
        { "c25.mp4", "", 160, 120 },
        { "c25.mp4", "320x240", 320, 240 },
        { "c25.mp4", "31x17", 31, 17 },
        { "rot90.mp4", "", 120, 160 },
        { "rot90.mp4", "200x100", 200, 100 },
        { "sar.mp4", "", 213, 120 },
        // One side auto follows the displayed proportions (rotation and pixel shape included).
        { "c25.mp4", "480xauto", 480, 360 },
        { "c25.mp4", "autox60", 80, 60 },
        { "rot90.mp4", "60xauto", 60, 80 },
        { "sar.mp4", "autox60", 107, 60 },
        { "c25.mp4", "autoxauto", 160, 120 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.clip) + " " + c.size);
        fs::remove_all(m_out);
        fs::create_directories(m_out);
        std::string options = std::string("-y -ss 0 -t 1")
            + (*c.size ? std::string(" -s ") + c.size : "") + " -r 1.00";
        ToolRun r = run(c.clip, options, "f%d.png");
        ASSERT_EQ(r.exitCode, 0) << r.output;
        PngFile png = readPng((m_out / "f1.png").string());
        ASSERT_TRUE(png.ok);
        EXPECT_EQ(png.width, c.width);
        EXPECT_EQ(png.height, c.height);
    }
}

TEST_F(VideoTool, RotationAsFfmpegShowsIt)
{
    ASSERT_EQ(run("rot90.mp4", "-y -ss 0 -t 1 -r 1.00", "turned%d.png").exitCode, 0);
    ffmpeg("-i " + clip("rot90.mp4") + " -vf fps=1 -frames:v 1 " + (m_out / "ffmpeg.png").string());
    ffmpeg("-i " + clip("c25.mp4") + " -vf fps=1,transpose=clock -frames:v 1 "
        + (m_out / "mirror.png").string());
    PngFile turned = readPng((m_out / "turned1.png").string());
    ASSERT_TRUE(turned.ok);
    EXPECT_LT(meanDifference(turned, readPng((m_out / "ffmpeg.png").string())), 2.0);
    // The other way round is a different picture: the test tells the two apart.
    EXPECT_GT(meanDifference(turned, readPng((m_out / "mirror.png").string())), 10.0);
}

TEST_F(VideoTool, EachFormatByItsMagicBytes)
{
    struct Case
    {
        const char* extension;
        std::string head;
        std::string tail;
    } cases[] = {
        { ".png", "\x89PNG\r\n\x1a\n", "" },
        { ".jpg", "\xff\xd8\xff", "\xff\xd9" },
        { ".bmp", "BM", "" },
        { ".tga", "", std::string("TRUEVISION-XFILE.\0", 18) },
        { ".pcx", "\x0a\x05\x01\x08", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extension);
        ToolRun r
            = run("c25.mp4", "-y -ss 0 -t 1 -s 33x21 -r 2.00", std::string("img%d") + c.extension);
        ASSERT_EQ(r.exitCode, 0) << r.output;
        std::string data = test_files::ReadFile(m_out / (std::string("img2") + c.extension));
        ASSERT_GT(data.size(), 32u);
        EXPECT_EQ(data.substr(0, c.head.size()), c.head);
        EXPECT_EQ(data.substr(data.size() - c.tail.size()), c.tail);
        EXPECT_FALSE(fs::exists(m_out / (std::string("img3") + c.extension)));
    }
}

TEST_F(VideoTool, QscaleSetsJpegQuality)
{
    ASSERT_EQ(run("c25.mp4", "-y -ss 0 -t 1 -qscale 2.00 -r 1.00", "fine%d.jpg").exitCode, 0);
    ASSERT_EQ(run("c25.mp4", "-y -ss 0 -t 1 -qscale 31.00 -r 1.00", "coarse%d.jpg").exitCode, 0);
    ASSERT_EQ(run("c25.mp4", "-y -ss 0 -t 1 -r 1.00", "default%d.jpg").exitCode, 0);
    auto fine = fs::file_size(m_out / "fine1.jpg");
    EXPECT_GT(fine, 2 * fs::file_size(m_out / "coarse1.jpg"));
    EXPECT_EQ(fs::file_size(m_out / "default1.jpg"), fine); // high quality without -qscale
}

TEST_F(VideoTool, NumbersFromOneAndOnlyTheLastPlaceholderOfTheName)
{
    fs::path folder = m_out / "100%d of %s";
    fs::create_directories(folder);
    ToolRun r = runProgram(kTool,
        { "-i", clip("c25.mp4"), "-y", "-ss", "0", "-t", "2", "-r", "2.00",
            (folder / "a%d_b%03d.png").string() });
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(namesIn(folder), numbered("a%d_b", 4, 3, ".png"));
}

TEST_F(VideoTool, FrameIntervalChunkInEveryPng)
{
    for (auto [rate, text] :
        { std::pair { "12.50", "0.08" }, std::pair { "3.00", "0.333333333" } }) {
        fs::remove_all(m_out);
        fs::create_directories(m_out);
        ASSERT_EQ(
            run("c25.mp4", std::string("-y -ss 0 -t 1 -r ") + rate, "DasmereTemp%08d.png").exitCode,
            0);
        ASSERT_EQ(
            run("c25.mp4", std::string("-y -ss 0 -t 1 -r ") + rate, "user%d.png").exitCode, 0);
        for (const char* name :
            { "DasmereTemp00000001.png", "DasmereTemp00000003.png", "user2.png" }) {
            PngFile png = readPng((m_out / name).string());
            ASSERT_TRUE(png.ok) << name;
            EXPECT_EQ(png.texts["FrameInterval"], text) << name;
        }
    }
}

// Lines of "progress DONE/EXPECTED" only when the program that runs the tool asks for them.
TEST_F(VideoTool, ProgressLinesOnlyWhenAsked)
{
    ToolRun plain = run("c25.mp4", "-y -ss 0 -r 5.00", "p%d.png");
    ASSERT_EQ(plain.exitCode, 0) << plain.output;
    EXPECT_EQ(plain.output, "video.dll: 15 frames written\n");

    ::setenv("SABLEWICK_PROGRESS", "1", 1);
    ToolRun asked = run("c25.mp4", "-y -ss 1 -r 5.00", "q%d.png");
    ::unsetenv("SABLEWICK_PROGRESS");
    ASSERT_EQ(asked.exitCode, 0) << asked.output;
    std::istringstream lines(asked.output);
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);)
        all.push_back(line);
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all.back(), "video.dll: 10 frames written");
    EXPECT_EQ(all[all.size() - 2], "progress 10/10");
    long long last = 0;
    for (size_t i = 0; i + 1 < all.size(); ++i) {
        long long done = 0, expected = 0;
        ASSERT_EQ(std::sscanf(all[i].c_str(), "progress %lld/%lld", &done, &expected), 2) << all[i];
        EXPECT_GT(done, last) << all[i];
        EXPECT_EQ(expected, 10) << all[i];
        last = done;
    }
}

TEST_F(VideoTool, OverwriteOnlyWithY)
{
    std::ofstream(m_out / "f1.png") << "mine";
    ToolRun refused = run("c25.mp4", "-ss 0 -t 1 -r 2.00", "f%d.png");
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.errors.find("already exists"), std::string::npos) << refused.errors;
    EXPECT_EQ(test_files::ReadFile(m_out / "f1.png"), "mine");
    EXPECT_EQ(namesIn(m_out), (std::vector<std::string> { "f1.png" }));

    ToolRun allowed = run("c25.mp4", "-y -ss 0 -t 1 -r 2.00", "f%d.png");
    ASSERT_EQ(allowed.exitCode, 0) << allowed.output;
    EXPECT_TRUE(readPng((m_out / "f1.png").string()).ok);
    EXPECT_EQ(namesIn(m_out), (std::vector<std::string> { "f1.png", "f2.png" }));

    // A later number that exists is not replaced either.
    std::ofstream(m_out / "g2.png") << "mine too";
    EXPECT_NE(run("c25.mp4", "-ss 0 -t 1 -r 2.00", "g%d.png").exitCode, 0);
    EXPECT_EQ(test_files::ReadFile(m_out / "g2.png"), "mine too");
}

TEST_F(VideoTool, DamagedStreamIsDecodedAsFarAsItCanBe)
{
    ToolRun r = run("damaged.ts", "-y -ss 0 -r 5.00", "f%d.png");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    auto names = namesIn(m_out);
    EXPECT_GE(names.size(), 10u); // 4 s: the part after the damage counts too
    EXPECT_EQ(names, numbered("f", static_cast<int>(names.size()), 0, ".png"));
}

TEST_F(VideoTool, BadInputsFailWithOneLineAndLeaveNothing)
{
    struct Case
    {
        std::string clip;
        std::string options;
        std::string pattern;
        std::string message;
    } cases[] = {
        { "missing.mp4", "-y -r 1.00", "f%d.png", "No such file" },
        { "empty.mp4", "-y -r 1.00", "f%d.png", "empty.mp4" },
        { "notes.mp4", "-y -r 1.00", "f%d.png", "notes.mp4" },
        { "sound.wav", "-y -r 1.00", "f%d.png", "no video" },
        { "c25.mp4", "-y -ss 10 -r 1.00", "f%d.png", "past the end" },
        { "c25.mp4", "-y -ss 3 -r 1.00", "f%d.png", "past the end" },
        { "c25.mp4", "-y -r 1.00", "nowhere/f%d.png", "nowhere" },
        { "c25.mp4", "-y -r 1.00", "plain.txt/f%d.png", "Not a directory" },
        { "c25.mp4", "-y -s 320x240abc -r 1.00", "f%d.png", "320x240abc" },
        { "c25.mp4", "-y -s 0x0 -r 1.00", "f%d.png", "0x0" },
        { "c25.mp4", "-y -r 1.00", "f%d.gif", "format" },
        { "c25.mp4", "-y -r 1.00", "frame.png", "placeholder" },
        { "c25.mp4", "-y -r 1.00 -vf", "f%d.png", "-vf" },
    };
    std::ofstream(m_out / "plain.txt") << "x";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clip + " " + c.options + " " + c.pattern);
        ToolRun r = run(c.clip, c.options, c.pattern);
        EXPECT_NE(r.exitCode, 0);
        EXPECT_EQ(r.signal, 0);
        EXPECT_EQ(std::count(r.errors.begin(), r.errors.end(), '\n'), 1) << r.errors;
        EXPECT_NE(r.errors.find(c.message), std::string::npos) << r.errors;
        EXPECT_EQ(namesIn(m_out), (std::vector<std::string> { "plain.txt" }));
    }
}

TEST_F(VideoTool, FullDiskFailsAndLeavesNoHalfImage)
{
    // A file size limit makes writes fail as a full disk does.
    ToolRun r = run("c25.mp4", "-y -ss 0 -s 640x480 -r 5.00", "f%d.bmp", RunLimits { 600000 });
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(r.signal, 0);
    EXPECT_NE(r.errors.find("File too large"), std::string::npos) << r.errors;
    EXPECT_TRUE(namesIn(m_out).empty());
}

// The frames to come (the length after the start, or the duration asked for, times the rate)
// are compared with the free space before any is written. 360,010 frames of 108 MB cannot fit
// anywhere: the tool fails at once, writes nothing, and says what they need and what is free.
TEST_F(VideoTool, FramesThatCannotFitFailAtOnceWithTheSpaceTheyNeed)
{
    const struct
    {
        const char* pattern;
        std::string where;
    } cases[] = {
        { "DasmereTemp%08d.png", "of temporary space, " },
        { "f%d.jpg", "of space in '" + m_out.string() + "/', " },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        const ToolRun r = run("sparse.mkv", "-y -s 6000x6000 -r 10.00", c.pattern);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.signal, 0);
        EXPECT_EQ(r.errors.rfind("video.dll: needs about ", 0), 0u) << r.errors;
        EXPECT_NE(r.errors.find(" TB " + c.where), std::string::npos) << r.errors;
        EXPECT_NE(r.errors.find(" free\n"), std::string::npos) << r.errors;
        EXPECT_EQ(std::count(r.errors.begin(), r.errors.end(), '\n'), 1) << r.errors;
        EXPECT_TRUE(namesIn(m_out).empty());
    }
    // Start and duration count: two seconds of it fit, and give the frames ffmpeg gives.
    const ToolRun r = run("sparse.mkv", "-y -ss 35999 -t 2 -r 10.00", "DasmereTemp%08d.png");
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    const int expected = ffmpegCount("sparse.mkv", "35999", "2", "10");
    EXPECT_GT(expected, 0);
    EXPECT_EQ(namesIn(m_out), numbered("DasmereTemp", expected, 8, ".png"));
}

// On a small file system (a 4 MB tmpfs in a mount namespace of the test's own, where the
// system lets a user make one): a clip whose frames cannot fit fails before the first frame;
// one that does not say how long it is stops at the reserve, with the reason, before the file
// system is full.
TEST_F(VideoTool, OnASmallFileSystemTheFramesNeverFillIt)
{
    const fs::path mount = m_out / "small";
    fs::create_directories(mount);
    // Prints the tool's status, the files left and the bytes still free, one a line.
    const std::string script
        = "mount -t tmpfs -o size=4m tmpfs \"$1\" || exit 99\n"
          "\"$2\" -i \"$3\" -y -r 25.00 \"$1/DasmereTemp%08d.png\" >/dev/null\n"
          "echo $?\n"
          "ls \"$1\" | wc -l\n"
          "df -B1 --output=avail \"$1\" | tail -n 1\n";
    const struct
    {
        const char* clip;
        const char* reason;
        bool framesLeft;
    } cases[] = {
        { "c25.mp4", "video.dll: needs about 4.3 MB of temporary space, 4.2 MB free\n", false },
        { "endless.h264", "video.dll: stopped with only ", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clip);
        const ToolRun r = runProgram("/usr/bin/unshare",
            { "--user", "--map-root-user", "--mount", "/bin/sh", "-c", script, "sh", mount.string(),
                kTool, clip(c.clip) });
        if (r.exitCode != 0)
            GTEST_SKIP() << "no tmpfs of our own here: " << r.output;
        const std::vector<std::string> lines = split(r.out);
        ASSERT_EQ(lines.size(), 3u) << r.output;
        EXPECT_EQ(lines[0], "1");
        EXPECT_EQ(r.errors.rfind(c.reason, 0), 0u) << r.errors;
        EXPECT_EQ(r.errors.find(" of temporary space left\n") != std::string::npos, c.framesLeft)
            << r.errors;
        EXPECT_EQ(lines[1] != "0", c.framesLeft);
        // Far from full: the reserve is a twentieth of the file system.
        EXPECT_GE(std::stoll(lines[2]), (4 << 20) / 40) << r.errors;
    }
}

} // namespace

// A pipe, a folder, a device or a concat list disguised as a clip must be refused
// by every FFmpeg tool without blocking on it or reading the files it names.
// `timeout` only keeps a regression from hanging the suite.
TEST_F(VideoTool, AllFfmpegToolsOpenOnlyTheNamedRegularFile)
{
    const fs::path fifo = s_clips / "fifo.mp4";
    ::mkfifo(fifo.c_str(), 0600);
    const fs::path folder = s_clips / "folder.mp4";
    fs::create_directories(folder);
    const fs::path list = s_clips / "list.mp4";
    std::ofstream(list) << "ffconcat version 1.0\nfile 'c25.mp4'\n";

    const std::string bin = SABLEWICK_BIN_DIR;
    const std::vector<std::vector<std::string>> tools {
        { bin + "video.dll", "-i", "@", "-y", "-ss", "0", "-t", "1", "-r", "1.00",
            (m_out / "f%d.png").string() },
        { bin + "swfinfo.dll", "-f", "@" },
        { "env", "SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy", bin + "player.dll", "@" },
    };
    for (const fs::path& input : { fifo, folder, fs::path("/dev/zero"), list }) {
        for (const auto& tool : tools) {
            std::vector<std::string> args { "-k", "2", "20" };
            for (const auto& a : tool)
                args.push_back(a == "@" ? input.string() : a);
            const ToolRun r = runProgram("/usr/bin/timeout", args);
            SCOPED_TRACE(tool[0] + " " + input.string());
            EXPECT_NE(r.exitCode, 124) << "blocked";
            EXPECT_EQ(r.signal, 0);
            EXPECT_NE(r.exitCode, 0) << r.output;
        }
    }
}

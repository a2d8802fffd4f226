// video.dll's crop, caption and speed, on tiny clips made with the ffmpeg program and
// compared with what ffmpeg's own filters make of the same frames.

#include "PngFile.h"
#include "tests/support/ProcessRun.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kTool = SABLEWICK_BIN_DIR "video.dll";

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string word; in >> word;)
        out.push_back(word);
    return out;
}

std::vector<fs::path> PngsIn(const fs::path& folder)
{
    std::vector<fs::path> files;
    if (fs::exists(folder))
        for (const auto& e : fs::directory_iterator(folder))
            if (e.path().extension() == ".png")
                files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Peak signal-to-noise ratio of two pictures of the same size, in dB (0 when they differ
// in size, 99 when equal).
double Psnr(const PngFile& a, const PngFile& b)
{
    if (!a.ok || !b.ok || a.width != b.width || a.height != b.height)
        return 0.0;
    double sum = 0.0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        const double d = double(a.rgb[i]) - double(b.rgb[i]);
        sum += d * d;
    }
    if (sum == 0.0)
        return 99.0;
    return 10.0 * std::log10(255.0 * 255.0 / (sum / double(a.rgb.size())));
}

// The rows of `a` that differ from those of `b` (same size).
std::vector<int> ChangedRows(const PngFile& a, const PngFile& b)
{
    std::vector<int> rows;
    const size_t stride = size_t(a.width) * 3;
    for (int y = 0; y < a.height; ++y)
        if (!std::equal(a.rgb.begin() + long(y * stride), a.rgb.begin() + long((y + 1) * stride),
                b.rgb.begin() + long(y * stride)))
            rows.push_back(y);
    return rows;
}

class VideoShaping : public ::testing::Test
{
protected:
    static fs::path s_clips;

    static void SetUpTestSuite()
    {
        s_clips = fs::temp_directory_path() / ("video-shaping-test-" + std::to_string(::getpid()));
        fs::create_directories(s_clips);
        // 2 s at 25 fps; the same turned by a quarter (displayed 240x320); square pixels
        // shown twice as wide (displayed 640x240).
        Ffmpeg("-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 -c:v mpeg4 -q:v 2 "
            + Clip("plain.mp4"));
        Ffmpeg(
            "-i " + Clip("plain.mp4") + " -c copy -metadata:s:v rotate=90 " + Clip("turned.mp4"));
        Ffmpeg("-f lavfi -i testsrc2=size=320x240:rate=25:duration=1,setsar=2/1 -c:v mpeg4 "
               "-q:v 2 "
            + Clip("wide.mp4"));
    }

    static void TearDownTestSuite() { fs::remove_all(s_clips); }

    static std::string Clip(const std::string& name) { return (s_clips / name).string(); }

    static void Ffmpeg(const std::string& args)
    {
        ToolRun r = runProgram("/usr/bin/ffmpeg", Words("-nostdin -v error -y " + args));
        ASSERT_EQ(r.exitCode, 0) << args << "\n" << r.output;
    }

    void SetUp() override
    {
        m_out = s_clips / ("out-" + std::to_string(s_counter++));
        fs::create_directories(m_out);
    }

    // Runs the tool on a clip: "-i CLIP", the options (`before` split at spaces, then `extra`
    // as they are) and the output pattern NAME%04d.png in a folder of its own.
    ToolRun Run(const std::string& clip, const std::string& before,
        const std::vector<std::string>& extra, const std::string& name)
    {
        std::vector<std::string> args { "-i", Clip(clip) };
        for (auto& a : Words(before))
            args.push_back(a);
        args.insert(args.end(), extra.begin(), extra.end());
        fs::create_directories(m_out / name);
        args.push_back((m_out / name / "f%04d.png").string());
        return runProgram(kTool, args);
    }

    fs::path m_out;
    static int s_counter;
};

fs::path VideoShaping::s_clips;
int VideoShaping::s_counter = 0;

TEST_F(VideoShaping, CropGivesFfmpegsCropOfTheDisplayedPicture)
{
    const struct
    {
        const char* clip;
        const char* crop; // W:H:X:Y of the displayed picture
        const char* size; // -s, or empty
        int width, height; // of the images
    } cases[] = {
        { "plain.mp4", "160:120:40:60", "", 160, 120 },
        { "plain.mp4", "320:240:0:0", "", 320, 240 },
        { "plain.mp4", "64:48:256:192", "", 64, 48 }, // the bottom right corner
        { "turned.mp4", "120:200:100:40", "", 120, 200 },
        { "wide.mp4", "320:120:200:60", "", 320, 120 },
        { "plain.mp4", "160:120:40:60", "80x60", 80, 60 },
    };
    for (const auto& c : cases) {
        const std::string name = "crop" + std::to_string(&c - cases);
        const std::string size = *c.size ? std::string("-s ") + c.size + " " : "";
        const ToolRun r = Run(c.clip, "-y " + size + "-r 5", { "-crop", c.crop }, name);
        ASSERT_EQ(r.exitCode, 0) << c.clip << " " << c.crop << "\n" << r.output;
        const auto ours = PngsIn(m_out / name);
        ASSERT_FALSE(ours.empty());

        // ffmpeg turns the picture as shown and makes square pixels first, so its crop
        // works on the displayed picture too; -s scales what is left.
        const fs::path theirs = m_out / (name + "-ffmpeg");
        fs::create_directories(theirs);
        std::string filters = std::string("fps=5,scale=iw*sar:ih,setsar=1,crop=") + c.crop;
        if (*c.size)
            filters += std::string(",scale=") + c.size;
        Ffmpeg("-i " + Clip(c.clip) + " -vf " + filters + " " + (theirs / "f%04d.png").string());
        const auto reference = PngsIn(theirs);
        ASSERT_EQ(ours.size(), reference.size()) << c.clip << " " << c.crop;
        for (size_t i = 0; i < ours.size(); ++i) {
            const PngFile a = readPng(ours[i].string());
            const PngFile b = readPng(reference[i].string());
            ASSERT_EQ(a.width, c.width) << c.clip << " " << c.crop;
            ASSERT_EQ(a.height, c.height) << c.clip << " " << c.crop;
            EXPECT_GE(Psnr(a, b), 45.0) << c.clip << " " << c.crop << " frame " << i + 1;
        }
    }
}

TEST_F(VideoShaping, CropOfAnHdrClipIsItsPartOfTheWholePicture)
{
    // HDR frames go through the colour filters, which take a cropped frame as well.
    Ffmpeg("-f lavfi -i testsrc2=size=160x120:rate=10:duration=1 -pix_fmt yuv420p10le "
           "-c:v libx265 -x265-params log-level=error -color_primaries bt2020 "
           "-colorspace bt2020nc -color_trc arib-std-b67 "
        + Clip("hlg.mp4"));
    const ToolRun whole = Run("hlg.mp4", "-y -r 5", {}, "whole");
    ASSERT_EQ(whole.exitCode, 0) << whole.output;
    const auto wholeFrames = PngsIn(m_out / "whole");
    ASSERT_FALSE(wholeFrames.empty());
    const PngFile big = readPng(wholeFrames[0].string());
    const struct
    {
        int w, h, x, y;
    } crops[] = { { 64, 48, 16, 8 }, { 63, 47, 17, 9 } };
    for (const auto& c : crops) {
        const std::string name = "part" + std::to_string(c.x);
        const std::string crop = std::to_string(c.w) + ":" + std::to_string(c.h) + ":"
            + std::to_string(c.x) + ":" + std::to_string(c.y);
        const ToolRun part = Run("hlg.mp4", "-y -r 5", { "-crop", crop }, name);
        ASSERT_EQ(part.exitCode, 0) << part.output;
        const auto partFrames = PngsIn(m_out / name);
        ASSERT_EQ(wholeFrames.size(), partFrames.size());
        const PngFile small = readPng(partFrames[0].string());
        ASSERT_EQ(small.width, c.w);
        ASSERT_EQ(small.height, c.h);
        if (c.x % 2 || c.y % 2)
            continue; // the colour planes of 4:2:0 start between two of its pixels there
        // Inside its edges (where the colour planes' filters reach across) the part is what
        // the whole picture has there.
        PngFile a, b;
        a.ok = b.ok = true;
        a.width = b.width = c.w - 8;
        a.height = b.height = c.h - 8;
        for (int y = 4; y < c.h - 4; ++y)
            for (int x = 4 * 3; x < (c.w - 4) * 3; ++x) {
                a.rgb.push_back(small.rgb[size_t(y * c.w * 3 + x)]);
                b.rgb.push_back(big.rgb[size_t((y + c.y) * big.width * 3 + c.x * 3 + x)]);
            }
        EXPECT_GE(Psnr(a, b), 45.0) << crop;
    }
}

TEST_F(VideoShaping, SpeedTakesFramesFurtherApartAtTheSameInterval)
{
    const struct
    {
        const char* speed;
        const char* sampleRate; // the rate whose images a speed gives
        size_t frames;
    } cases[] = { { "2", "5", 10 }, { "4", "2.5", 5 }, { "0.5", "20", 40 }, { "1", "10", 20 } };
    for (const auto& c : cases) {
        const std::string name = std::string("speed") + c.speed;
        const ToolRun r = Run("plain.mp4", "-y -r 10", { "-speed", c.speed }, name);
        ASSERT_EQ(r.exitCode, 0) << r.output;
        const std::string sampled = name + "-sampled";
        const ToolRun s = Run("plain.mp4", std::string("-y -r ") + c.sampleRate, {}, sampled);
        ASSERT_EQ(s.exitCode, 0) << s.output;
        const auto frames = PngsIn(m_out / name);
        const auto expected = PngsIn(m_out / sampled);
        EXPECT_EQ(frames.size(), c.frames) << c.speed;
        ASSERT_EQ(frames.size(), expected.size()) << c.speed;
        for (size_t i = 0; i < frames.size(); ++i) {
            const PngFile image = readPng(frames[i].string());
            EXPECT_EQ(image.rgb, readPng(expected[i].string()).rgb) << c.speed << " " << i;
            // The GIF's delays stay those of the rate.
            EXPECT_EQ(image.texts.at("FrameInterval"), "0.1") << c.speed;
        }
    }
}

TEST_F(VideoShaping, CaptionChangesOnlyItsBand)
{
    const ToolRun plain = Run("plain.mp4", "-y -r 5", {}, "plain");
    ASSERT_EQ(plain.exitCode, 0) << plain.output;
    const auto plainFrames = PngsIn(m_out / "plain");
    ASSERT_EQ(plainFrames.size(), 10u);
    const struct
    {
        std::vector<std::string> options;
        int bandTop, bandBottom; // rows that may change
        size_t firstCaptioned, lastCaptioned; // images, from 1
    } cases[] = {
        { { "-caption", "Hello there" }, 180, 240, 1, 10 },
        { { "-caption", "Two\nlines", "-captionat", "top" }, 0, 70, 1, 10 },
        { { "-caption", "שלום עולם" }, 180, 240, 1, 10 },
        { { "-caption", "こんにちは 世界" }, 180, 240, 1, 10 },
        { { "-caption", "مرحبا", "-captionat", "top" }, 0, 40, 1, 10 },
        // Images every 0.2 s: 0.4 to 1.0 (exclusive) are images 3, 4 and 5.
        { { "-caption", "Now", "-captionfrom", "0.4", "-captionto", "1" }, 180, 240, 3, 5 },
    };
    for (const auto& c : cases) {
        const std::string name = "caption" + std::to_string(&c - cases);
        const ToolRun r = Run("plain.mp4", "-y -r 5", c.options, name);
        ASSERT_EQ(r.exitCode, 0) << c.options[1] << "\n" << r.output;
        const auto frames = PngsIn(m_out / name);
        ASSERT_EQ(frames.size(), plainFrames.size());
        for (size_t i = 0; i < frames.size(); ++i) {
            const PngFile a = readPng(frames[i].string());
            const PngFile b = readPng(plainFrames[i].string());
            const std::vector<int> rows = ChangedRows(a, b);
            const bool captioned = i + 1 >= c.firstCaptioned && i + 1 <= c.lastCaptioned;
            if (!captioned) {
                EXPECT_TRUE(rows.empty()) << c.options[1] << " image " << i + 1;
                continue;
            }
            // Text big enough to read, and nothing outside its band.
            ASSERT_GE(rows.size(), 10u) << c.options[1] << " image " << i + 1;
            EXPECT_GE(rows.front(), c.bandTop) << c.options[1];
            EXPECT_LT(rows.back(), c.bandBottom) << c.options[1];
        }
    }
}

TEST_F(VideoShaping, CaptionFromAFile)
{
    const fs::path text = m_out / "caption.txt";
    {
        std::ofstream(text) << "From a file\r\n";
    }
    const ToolRun fromFile = Run("plain.mp4", "-y -r 5", { "-captionfile", text.string() }, "file");
    const ToolRun fromArgument = Run("plain.mp4", "-y -r 5", { "-caption", "From a file" }, "arg");
    ASSERT_EQ(fromFile.exitCode, 0) << fromFile.output;
    ASSERT_EQ(fromArgument.exitCode, 0) << fromArgument.output;
    const auto a = PngsIn(m_out / "file");
    const auto b = PngsIn(m_out / "arg");
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(readPng(a[0].string()).rgb, readPng(b[0].string()).rgb);
}

TEST_F(VideoShaping, BadShapesAreRefusedAndNothingIsWritten)
{
    const std::string thousand(1000, 'x');
    const struct
    {
        std::vector<std::string> options;
        int exitCode;
        const char* message;
    } cases[] = {
        { { "-crop", "0:10:0:0" }, 2, "invalid crop '0:10:0:0'" },
        { { "-crop", "10:0:0:0" }, 2, "invalid crop '10:0:0:0'" },
        { { "-crop", "-5:10:0:0" }, 2, "invalid crop" },
        { { "-crop", "10:10:1:2:3" }, 2, "invalid crop" },
        { { "-crop", "321:10:0:0" }, 1, "the crop 321:10:0:0 lies outside the 320x240 picture" },
        { { "-crop", "100:100:221:0" }, 1, "the crop 100:100:221:0 lies outside the 320x240" },
        { { "-crop", "10:10:0:231" }, 1, "lies outside the 320x240 picture" },
        { { "-speed", "0.2" }, 2, "invalid speed '0.2' (0.25 to 4)" },
        { { "-speed", "4.5" }, 2, "invalid speed '4.5'" },
        { { "-speed", "0" }, 2, "invalid speed" },
        { { "-speed", "nan" }, 2, "invalid speed" },
        { { "-caption", "bell\a" }, 2, "-caption: the text holds the control character U+0007" },
        { { "-caption", "a\tb" }, 2, "control character U+0009" },
        { { "-caption", "a\nb\nc" }, 2, "-caption: the text has 3 lines, at most 2" },
        { { "-caption", thousand }, 2, "-caption: the text has 1000 characters, at most 200" },
        { { "-caption", "caf\xE9" }, 2, "-caption: the text is not UTF-8" },
        { { "-caption", "" }, 2, "-caption: the text is empty" },
        // An unassigned character: no font has it.
        { { "-caption", "a\xCD\xB8" }, 1, "-caption: no installed font has every character" },
        { { "-captionfile", "/nonexistent/caption.txt" }, 2, "-captionfile: cannot read" },
        { { "-captionfile", "/dev/zero" }, 2, "-captionfile: '/dev/zero' is not a regular file" },
        { { "-caption", "x", "-captionfrom", "2", "-captionto", "1" }, 2,
            "the caption's end (-captionto) must lie after its start (-captionfrom)" },
        { { "-captionfrom", "1" }, 2, "-captionfrom and -captionto need -caption" },
        { { "-caption", "x", "-caption", "y" }, 2, "-caption is given twice" },
        { { "-caption", "x", "-captionat", "middle" }, 2, "invalid caption place 'middle'" },
        { { "-crop" }, 2, "option -crop needs a value" },
        { { "-shine", "on" }, 2, "unexpected argument '-shine'" },
    };
    for (const auto& c : cases) {
        const std::string name = "bad" + std::to_string(&c - cases);
        const ToolRun r = Run("plain.mp4", "-y -r 5", c.options, name);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.message << "\n" << r.output;
        EXPECT_NE(r.errors.find(c.message), std::string::npos) << r.errors;
        EXPECT_EQ(r.errors.find("Sanitizer"), std::string::npos) << r.errors;
        EXPECT_TRUE(PngsIn(m_out / name).empty()) << c.message;
    }
}

TEST_F(VideoShaping, TrimsOutsideTheClipWriteNothing)
{
    const struct
    {
        const char* before;
        std::vector<std::string> after;
        int exitCode;
        const char* message;
    } cases[] = {
        { "-y -ss 2.5 -r 5", { "-to", "3" }, 1, "the start lies past the end of the video" },
        { "-y -ss 1 -r 5", { "-to", "2.5" }, 1,
            "the end 2.5 s lies past the end of the video (2 s)" },
        { "-y -ss 1 -r 5", { "-to", "1" }, 2, "invalid end '1' (seconds, after the start)" },
        { "-y -ss 1 -t 1 -r 5", { "-to", "1.5" }, 2, "-to and -t cannot both be given" },
    };
    for (const auto& c : cases) {
        const std::string name = "trim" + std::to_string(&c - cases);
        const ToolRun r = Run("plain.mp4", c.before, c.after, name);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.message << "\n" << r.output;
        EXPECT_NE(r.errors.find(c.message), std::string::npos) << r.errors;
        EXPECT_TRUE(PngsIn(m_out / name).empty()) << c.message;
    }
    // Inside the clip, -to ends the part as -t would.
    const ToolRun to = Run("plain.mp4", "-y -ss 0.5 -r 10", { "-to", "1.5" }, "to");
    const ToolRun length = Run("plain.mp4", "-y -ss 0.5 -t 1 -r 10", {}, "length");
    ASSERT_EQ(to.exitCode, 0) << to.output;
    ASSERT_EQ(length.exitCode, 0) << length.output;
    EXPECT_EQ(PngsIn(m_out / "to").size(), 10u);
    EXPECT_EQ(PngsIn(m_out / "length").size(), 10u);
}

} // namespace

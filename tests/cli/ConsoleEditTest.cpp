// The console program's shaping options (--trim, --crop, --speed, --reverse, --bounce,
// --caption, --caption-at): what they make of every file, and what they refuse.
#include "cli/ConsoleOptions.h"
#include "engine/ToolCommandLines.h"
#include "tests/support/ProgramCopy.h"
#include "tests/support/ScriptFiles.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

ConversionSettings Stored()
{
    return ParseSettings("[TellurvaneInfo]\nStart=0\nEnd=Default\nResolutionX=Default\n"
                         "ResolutionY=Default\nVBRValue=Default\nImagesPerSecond=1.00\n"
                         "TimeDelay=12.00\nFileFormat=0\nLoop=0\n");
}

TEST(ConsoleEdit, OptionsShapeEveryFile)
{
    const struct
    {
        std::vector<std::string> args;
        const char* video; // pieces the video tool's options end with
        const char* image; // and the image tool's
    } cases[] = {
        { { "--trim", "1.5-4" }, "\"-r\" \"1.00\" \"-to\" \"4\"", "\"-loop\" \"0\"" },
        { { "--trim", "00:00:01.250-" }, "\"-ss\" \"1.25\"", "\"-loop\" \"0\"" },
        { { "--crop", "320:240:8:16" }, "\"-crop\" \"320:240:8:16\"", "\"-loop\" \"0\"" },
        { { "--speed", "2" }, "\"-speed\" \"2\"", "\"-loop\" \"0\"" },
        { { "--speed=0.5x" }, "\"-speed\" \"0.5\"", "\"-loop\" \"0\"" },
        { { "--reverse" }, "\"-r\" \"1.00\"", "\"-order\" \"reverse\"" },
        { { "--bounce" }, "\"-r\" \"1.00\"", "\"-order\" \"bounce\"" },
        { { "--caption", "Hello, world" },
            "\"-caption\" \"Hello, world\" \"-captionat\" \"bottom\"", "\"-loop\" \"0\"" },
        { { "--caption-at", "top", "--caption", "Two\nlines" },
            "\"-caption\" \"Two\nlines\" \"-captionat\" \"top\"", "\"-loop\" \"0\"" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        std::vector<std::string> args = c.args;
        args.push_back("a.mp4");
        const ParsedConsoleOptions parsed = ParseConsoleOptions(args);
        ASSERT_EQ(parsed.Error, "");
        ConversionSettings s = Stored();
        ASSERT_EQ(ApplyOverrides(parsed.Options, s), "");
        const std::string video = VideoArguments(s, parsed.Options.Edit);
        const std::string image = ImageArguments(s, parsed.Options.Edit);
        const std::string v = c.video, i = c.image;
        ASSERT_GE(video.size(), v.size());
        EXPECT_NE(video.find(v), std::string::npos) << video;
        EXPECT_EQ(image.substr(image.size() - i.size()), i) << image;
    }
    // Without them every file converts as the settings say.
    const ParsedConsoleOptions plain = ParseConsoleOptions({ "a.mp4" });
    EXPECT_TRUE(plain.Options.Edit.IsEmpty());
}

TEST(ConsoleEdit, BadValuesAreRefusedNamingTheOption)
{
    const struct
    {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        { { "--trim", "4-1.5" }, "--trim: the trim end 1.5 s is not after its start 4 s" },
        { { "--trim", "2-2" }, "--trim: the trim end 2 s is not after its start 2 s" },
        { { "--trim", "5" }, "--trim: '5' is not START-END" },
        { { "--trim", "a-b" }, "--trim: 'a-b' is not START-END" },
        { { "--trim", "1:75-2" }, "--trim: '1:75-2' is not START-END" },
        { { "--trim", "1-2", "--start", "1" }, "--trim: takes the place of --start and --end" },
        { { "--end", "9", "--trim", "1-2" }, "--trim: takes the place of --start and --end" },
        { { "--crop", "0:10:0:0" }, "--crop: the crop 0:10:0:0 is empty" },
        { { "--crop", "10:0:5:5" }, "--crop: the crop 10:0:5:5 is empty" },
        { { "--crop", "10x10" }, "--crop: '10x10' is not W:H:X:Y" },
        { { "--crop", "10:10:-1:0" }, "--crop: '10:10:-1:0' is not W:H:X:Y" },
        { { "--speed", "5" }, "--speed: the speed 5 is outside 0.25 to 4" },
        { { "--speed", "0.2" }, "--speed: the speed 0.2 is outside 0.25 to 4" },
        { { "--speed", "fast" }, "--speed: 'fast' is not a speed from 0.25 to 4" },
        { { "--caption", "" }, "--caption: the caption is empty" },
        { { "--caption", "a\nb\nc" }, "--caption: the caption has 3 lines; at most 2" },
        { { "--caption", "ding\a" }, "--caption: the caption holds the control character U+0007" },
        { { "--caption", std::string(1000, 'x') },
            "--caption: the caption has 1000 characters; at most 200 fit a frame" },
        { { "--caption", "caf\xE9" }, "--caption: the caption is not UTF-8 text" },
        { { "--caption-at", "middle", "--caption", "x" },
            "--caption-at: 'middle' is not top or bottom" },
        { { "--caption-at", "top" }, "--caption-at: places a --caption, and none is given" },
        { { "--reverse=yes" }, "--reverse takes no value" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        std::vector<std::string> args = c.args;
        args.push_back("a.mp4");
        EXPECT_EQ(ParseConsoleOptions(args).Error.rfind(c.error, 0), 0u)
            << ParseConsoleOptions(args).Error;
    }

    // The order of the frames is the image tool's: still images have none.
    ParsedConsoleOptions parsed = ParseConsoleOptions(Words("--format png --bounce a.mp4"));
    ASSERT_EQ(parsed.Error, "");
    ConversionSettings s = Stored();
    EXPECT_EQ(ApplyOverrides(parsed.Options, s),
        "--bounce: applies to GIF output only, and the format is png");
}

TEST(ConsoleEdit, HelpNamesTheShapingOptions)
{
    const std::string help = ConsoleOptionsHelp();
    for (const char* piece : { "--trim START-END", "--crop W:H:X:Y", "--speed S", "--reverse",
             "--bounce", "--caption TEXT", "--caption-at PLACE" })
        EXPECT_NE(help.find(piece), std::string::npos) << piece;
}

// The program itself, on a clip of its own, with the real tools.
class ConsoleEditProgram : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = fs::temp_directory_path() / ("cliedit-" + std::to_string(::getpid()));
        test_program::MakeProgramCopy(s_dir / "bin",
            "[TellurvaneInfo]\r\nStart=0\r\nEnd=Default\r\nResolutionX=Default\r\n"
            "ResolutionY=Default\r\nVBRValue=Default\r\nImagesPerSecond=0.10\r\n"
            "TimeDelay=0.00\r\nFileFormat=0\r\nLoop=0\r\n");
        ASSERT_TRUE(test_program::MakeClip(s_dir / "clip.mp4", "testsrc2=s=64x48:r=10:d=2"));
        ASSERT_TRUE(test_program::MakeClip(s_dir / "wide.mp4", "testsrc2=s=128x48:r=10:d=2"));
    }
    static void TearDownTestSuite() { fs::remove_all(s_dir); }

    void SetUp() override
    {
        m_out = s_dir / ("out" + std::to_string(s_count++));
        fs::create_directories(m_out);
    }

    struct Run
    {
        int status = -1;
        std::string out;
        std::string err;
    };

    Run Convert(const std::vector<std::string>& args)
    {
        std::string line
            = "cd '" + s_dir.string() + "' && ./bin/sablewick-cli -o '" + m_out.string() + "'";
        for (const std::string& a : args)
            line += " '" + a + "'";
        line += " > out.log 2> err.log";
        Run r;
        const int status = std::system(line.c_str());
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = test_files::ReadFile(s_dir / "out.log");
        r.err = test_files::ReadFile(s_dir / "err.log");
        return r;
    }

    // "WIDTH,HEIGHT,FRAMES" of a GIF, as ffprobe reads it.
    static std::string Probe(const fs::path& gif)
    {
        const std::string line = "ffprobe -v error -count_frames -select_streams v:0 "
                                 "-show_entries stream=width,height,nb_read_frames -of csv=p=0 '"
            + gif.string() + "' > '" + (s_dir / "probe.log").string() + "'";
        if (std::system(line.c_str()) != 0)
            return "unreadable";
        std::string text = test_files::ReadFile(s_dir / "probe.log");
        while (!text.empty() && (text.back() == '\n' || text.back() == ','))
            text.pop_back();
        return text;
    }

    static fs::path s_dir;
    static int s_count;
    fs::path m_out;
};

fs::path ConsoleEditProgram::s_dir;
int ConsoleEditProgram::s_count = 0;

TEST_F(ConsoleEditProgram, EveryFileTakesTheShape)
{
    // 1 s at 10 frames a second, at twice the speed: 5 frames; bouncing: 8.
    const Run r = Convert({ "--rate", "10", "--trim", "0.5-1.5", "--crop", "32:24:8:8", "--speed",
        "2", "--bounce", "--caption", "Hi", "clip.mp4", "wide.mp4" });
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(Probe(m_out / "clip.gif"), "32,24,8");
    EXPECT_EQ(Probe(m_out / "wide.gif"), "32,24,8");

    const Run reversed = Convert({ "--rate", "10", "--trim", "-1", "--reverse", "clip.mp4" });
    ASSERT_EQ(reversed.status, 0) << reversed.out << reversed.err;
    EXPECT_EQ(Probe(m_out / "clip.gif"), "64,48,10");
}

TEST_F(ConsoleEditProgram, AShapeAFileCannotTakeFailsThatFileWithTheReason)
{
    // The crop fits the wide picture only; the trim ends past both clips.
    Run r = Convert({ "--crop", "100:40:0:0", "clip.mp4", "wide.mp4" });
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("clip.mp4: Failed (the crop 100:40:0:0 lies outside the 64x48 picture)"),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("wide.mp4: Success"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(m_out / "clip.gif"));
    EXPECT_TRUE(fs::exists(m_out / "wide.gif"));

    fs::remove(m_out / "wide.gif");
    r = Convert({ "--trim", "1-5", "clip.mp4" });
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(
        r.out.find("Failed (the end 5 s lies past the end of the video (2 s))"), std::string::npos)
        << r.out;
    EXPECT_TRUE(fs::is_empty(m_out));
}

TEST_F(ConsoleEditProgram, BadValuesStopTheRunWithStatusTwo)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>> {
             { "--speed", "9" },
             { "--crop", "0:0:0:0" },
             { "--trim", "3-1" },
             { "--caption", std::string(1000, 'x') },
             { "--caption", "bell\a" },
             { "--format", "jpg", "--reverse" },
         }) {
        std::vector<std::string> line = args;
        line.push_back("clip.mp4");
        const Run r = Convert(line);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_NE(r.err.find(args[0] == "--format" ? "--reverse" : args[0]), std::string::npos)
            << r.err;
        EXPECT_TRUE(fs::is_empty(m_out)) << args[0];
    }
}

} // namespace

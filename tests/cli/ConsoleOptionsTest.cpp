#include "cli/ConsoleOptions.h"

#include "engine/ToolCommandLines.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

// The settings file a freshly reset and confirmed options dialog leaves.
ConversionSettings Stored()
{
    return ParseSettings("[TellurvaneInfo]\nStart=0\nEnd=Default\nResolutionX=Default\n"
                         "ResolutionY=Default\nVBRValue=Default\nImagesPerSecond=1.00\n"
                         "TimeDelay=12.00\nFileFormat=0\nLoop=0\n");
}

// Each option reaches the tools' option strings in the form the settings file would give.
TEST(ConsoleOptions, EachOptionReachesTheToolOptions)
{
    // A tool's options as the stored settings give them: the option leaves them alone.
    const char* const kAsStored = nullptr;
    const struct
    {
        const char* line;
        const char* video; // piece expected in the video tool's options, or kAsStored
        const char* image; // piece expected in the image tool's options, or kAsStored
        const char* absent = nullptr; // piece in neither tool's options, if any
    } cases[] = {
        {"--start 7", "\"-ss\" \"7\"", kAsStored},
        {"--start=7 --end 19", "\"-t\" \"12\"", kAsStored},
        {"--end 30", "\"-t\" \"30\"", kAsStored},
        {"--end default", kAsStored, kAsStored, "\"-t\""},
        {"--end 30 --end default", kAsStored, kAsStored, "\"-t\""},
        {"--size 320x240", "\"-s\" \"320x240\"", kAsStored},
        {"--size 480xauto", "\"-s\" \"480xauto\"", kAsStored},
        {"--size autox0090", "\"-s\" \"autox90\"", kAsStored},
        {"--quality 4", "\"-qscale\" \"4.00\"", kAsStored},
        {"--quality 0.125", "\"-qscale\" \"0.13\"", kAsStored},
        // A new frame rate plays the GIF in real time: the stored delay goes.
        {"--interval 0.5", "\"-r\" \"2.00\"", "\"-loop\" \"0\"", "\"-delay\""},
        {"--rate 15", "\"-r\" \"15.00\"", "\"-loop\" \"0\"", "\"-delay\""},
        {"--rate 3", "\"-r\" \"3.00\"", "\"-loop\" \"0\"", "\"-delay\""},
        {"--rate 0.01", "\"-r\" \"0.01\"", "\"-loop\" \"0\"", "\"-delay\""},
        {"--playback-fps 10", kAsStored, "\"-delay\" \"10\""},
        {"--loop 3", kAsStored, "\"-loop\" \"3\""},
        {"--loop forever", kAsStored, "\"-loop\" \"0\""},
    };
    const ConversionSettings stored = Stored();
    // What the rows change or keep out is there in the stored settings' own options.
    ASSERT_NE(VideoArguments(stored).find("\"-r\" \"1.00\""), std::string::npos);
    ASSERT_NE(ImageArguments(stored).find("\"-delay\" \"8\""), std::string::npos);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const ParsedConsoleOptions parsed =
            ParseConsoleOptions(Words(std::string(c.line) + " a.mp4"));
        ASSERT_EQ(parsed.Error, "");
        EXPECT_EQ(parsed.Options.Files, std::vector<std::string>({"a.mp4"}));
        ConversionSettings s = stored;
        ASSERT_EQ(ApplyOverrides(parsed.Options, s), "");
        const std::string video = VideoArguments(s);
        const std::string image = ImageArguments(s);
        if (c.video)
            EXPECT_NE(video.find(c.video), std::string::npos) << video;
        else
            EXPECT_EQ(video, VideoArguments(stored));
        if (c.image)
            EXPECT_NE(image.find(c.image), std::string::npos) << image;
        else
            EXPECT_EQ(image, ImageArguments(stored));
        if (c.absent) {
            EXPECT_EQ(video.find(c.absent), std::string::npos) << video;
            EXPECT_EQ(image.find(c.absent), std::string::npos) << image;
        }
    }
}

TEST(ConsoleOptions, FormatsAndSizesAsTheFileStoresThem)
{
    const struct
    {
        const char* line;
        std::string ConversionSettings::*field;
        const char* stored;
    } cases[] = {
        {"--format gif", &ConversionSettings::FileFormat, "0"},
        {"--format gif-frames", &ConversionSettings::FileFormat, "1"},
        {"--format JPG", &ConversionSettings::FileFormat, "2"},
        {"--format pcx", &ConversionSettings::FileFormat, "6"},
        {"--size auto", &ConversionSettings::ResolutionX, "Default"},
        {"--size autoxauto", &ConversionSettings::ResolutionY, "Default"},
        {"--size 6000x1", &ConversionSettings::ResolutionX, "6000"},
        {"--quality 255", &ConversionSettings::VBRValue, "255.00"},
        {"--quality default", &ConversionSettings::VBRValue, "Default"},
        {"--interval 100", &ConversionSettings::ImagesPerSecond, "100.00"},
        {"--playback-fps 0", &ConversionSettings::TimeDelay, "0.00"},
        {"--loop 1000", &ConversionSettings::Loop, "1000"},
        // Later options win.
        {"--format png --format bmp", &ConversionSettings::FileFormat, "4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const ParsedConsoleOptions parsed = ParseConsoleOptions(Words(c.line));
        ASSERT_EQ(parsed.Error, "");
        ConversionSettings s = Stored();
        ASSERT_EQ(ApplyOverrides(parsed.Options, s), "");
        EXPECT_EQ(s.*(c.field), c.stored);
    }
}

// A stored GIF frame rate belongs to the stored interval: a new interval plays in real time.
TEST(ConsoleOptions, ANewIntervalPlaysInRealTimeUnlessAFrameRateIsGiven)
{
    const struct
    {
        const char* line;
        const char* timeDelay;
    } cases[] = {
        {"", "12.00"},
        {"--loop 2", "12.00"},
        {"--rate 15", "0.00"},
        {"--interval 2", "0.00"},
        {"--rate 15 --playback-fps 5", "5.00"},
        {"--playback-fps 5 --interval 2", "5.00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const ParsedConsoleOptions parsed = ParseConsoleOptions(Words(c.line));
        ASSERT_EQ(parsed.Error, "");
        ConversionSettings s = Stored();
        ASSERT_EQ(ApplyOverrides(parsed.Options, s), "");
        EXPECT_EQ(s.TimeDelay, c.timeDelay);
    }
}

TEST(ConsoleOptions, BadValuesAreRefusedNamingTheOption)
{
    const struct
    {
        const char* line;
        const char* named;
    } cases[] = {
        {"--start -4", "--start"},
        {"--start 1.5", "--start"},
        {"--start 7x", "--start"},
        {"--start", "--start"},
        {"--end 0", "--end"},
        {"--end abc", "--end"},
        {"--size 320", "--size"},
        {"--size 0x240", "--size"},
        {"--size 6001x240", "--size"},
        {"--size 320xabc", "--size"},
        {"--size x", "--size"},
        {"--quality 0", "--quality"},
        {"--quality 255.001", "--quality"},
        {"--quality 1e2", "--quality"},
        {"--format gifs", "--format"},
        {"--loop 1001", "--loop"},
        {"--loop -1", "--loop"},
        {"--loop never", "--loop"},
        {"--interval 0.005", "--interval"},
        {"--interval 100.01", "--interval"},
        {"--rate 0", "--rate"},
        {"--rate 101", "--rate"},
        {"--rate nan", "--rate"},
        {"--playback-fps 100.5", "--playback-fps"},
        {"--playback-fps -3", "--playback-fps"},
        {"--mkdir=yes", "--mkdir"},
        {"--colour red", "--colour"},
        {"-x", "-x"},
        {"--gif-quality 0", "--gif-quality"},
        {"--gif-quality 101", "--gif-quality"},
        {"--gif-quality 50.5", "--gif-quality"},
        {"--gif-quality", "--gif-quality"},
        {"--max-size 0", "--max-size"},
        {"--max-size 0k", "--max-size"},
        {"--max-size 2MB", "--max-size"},
        {"--max-size 1.5M", "--max-size"},
        {"--max-size -1", "--max-size"},
        {"--max-size M", "--max-size"},
        {"--max-size 9999999999", "--max-size"},
        {"--max-size 1000000M", "--max-size"},
        {"--max-size 1000000000k", "--max-size"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const ParsedConsoleOptions parsed = ParseConsoleOptions(Words(std::string(c.line)));
        EXPECT_NE(parsed.Error.find(c.named), std::string::npos) << parsed.Error;
    }
}

// The GIF options go to the image tool only, for the GIF formats only; the window's
// command lines (no such options) keep their exact form.
TEST(ConsoleOptions, GifQualityAndMaxSizeReachTheImageToolForGifOnly)
{
    const struct
    {
        const char* line;
        const char* image; // the image tool's options; nullptr: refused
        const char* named; // the option a refusal names
    } cases[] = {
        {"", "\"-delay\" \"8\" \"-loop\" \"0\"", ""},
        {"--gif-quality 60", "\"-delay\" \"8\" \"-loop\" \"0\" \"-quality\" \"60\"", ""},
        {"--gif-quality=007", "\"-quality\" \"7\"", ""},
        {"--max-size 2M", "\"-loop\" \"0\" \"-max-size\" \"2000000\"", ""},
        {"--max-size 750k --gif-quality 100", "\"-quality\" \"100\" \"-max-size\" \"750000\"", ""},
        {"--max-size 4096", "\"-max-size\" \"4096\"", ""},
        {"--max-size 999999M", "\"-max-size\" \"999999000000\"", ""},
        {"--format gif-frames --gif-quality 30", "\"-quality\" \"30\"", ""},
        {"--format gif-frames --max-size 1M", nullptr, "--max-size"},
        {"--format jpg --gif-quality 50", nullptr, "--gif-quality"},
        {"--format png --max-size 1M", nullptr, "--max-size"},
        {"--format pcx --gif-quality 50 --max-size 1M", nullptr, "--max-size"},
        // The format is checked once the file's own format is known, whatever the order.
        {"--gif-quality 50 --format bmp", nullptr, "--gif-quality"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const ParsedConsoleOptions parsed = ParseConsoleOptions(Words(c.line));
        ASSERT_EQ(parsed.Error, "");
        ConversionSettings s = Stored();
        const std::string error = ApplyOverrides(parsed.Options, s);
        if (!c.image) {
            EXPECT_EQ(error.rfind(c.named, 0), 0u) << error;
            continue;
        }
        ASSERT_EQ(error, "");
        const std::string image = ImageArguments(s);
        EXPECT_NE(image.find(c.image), std::string::npos) << image;
        EXPECT_EQ(VideoArguments(s), VideoArguments(Stored()));
    }
    EXPECT_EQ(ImageArguments(Stored()), "\"-delay\" \"8\" \"-loop\" \"0\"")
        << "the window's image options";
}

// --fit-by stands for the settings' FitBy; the GIF options replace the file's own keys.
TEST(ConsoleOptions, FitByAndTheGifOptionsReplaceTheFilesKeys)
{
    const struct
    {
        const char* line;
        const char* fitBy; // nullptr: refused
        const char* image;
    } cases[] = {
        {"", "frames", "\"-loop\" \"0\" \"-quality\" \"20\" \"-max-size\" \"10000000\""},
        {"--fit-by quality", "quality", "\"-max-size\" \"10000000\""},
        {"--fit-by=FRAMES", "frames", "\"-max-size\" \"10000000\""},
        {"--gif-quality 70 --max-size 2M", "frames",
            "\"-loop\" \"0\" \"-quality\" \"70\" \"-max-size\" \"2000000\""},
        {"--fit-by size", nullptr, ""},
        {"--fit-by", nullptr, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const ParsedConsoleOptions parsed = ParseConsoleOptions(Words(c.line));
        if (!c.fitBy) {
            EXPECT_EQ(parsed.Error.rfind("--fit-by", 0), 0u) << parsed.Error;
            continue;
        }
        ASSERT_EQ(parsed.Error, "");
        ConversionSettings s = Stored();
        s.GifQuality = "20";
        s.MaxSize = "10M";
        s.FitBy = "frames";
        ASSERT_EQ(ApplyOverrides(parsed.Options, s), "");
        EXPECT_EQ(s.FitBy, c.fitBy);
        EXPECT_NE(ImageArguments(s).find(c.image), std::string::npos) << ImageArguments(s);
    }
    const std::string help = ConsoleOptionsHelp();
    for (const char* piece : {"--fit-by HOW", "[FitBy]", "[GifQuality]", "[MaxSize]"})
        EXPECT_NE(help.find(piece), std::string::npos) << piece;
}

TEST(ConsoleOptions, TheEndIsCheckedAgainstTheStartOfTheFileOrTheCommandLine)
{
    ConversionSettings s = Stored();
    s.Start = "20";
    const struct
    {
        const char* line;
        bool ok;
    } cases[] = {
        {"--end 21", true},          {"--end 20", false},
        {"--end 5 --start 2", true}, {"--start 30 --end 25", false},
        {"--end default", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const ParsedConsoleOptions parsed = ParseConsoleOptions(Words(c.line));
        ASSERT_EQ(parsed.Error, "");
        ConversionSettings copy = s;
        const std::string error = ApplyOverrides(parsed.Options, copy);
        EXPECT_EQ(error.empty(), c.ok) << error;
        if (!c.ok) {
            EXPECT_EQ(error.rfind("--end", 0), 0u) << error;
        }
    }
}

TEST(ConsoleOptions, SwitchesFilesAndTheEndOfOptions)
{
    const ParsedConsoleOptions parsed =
        ParseConsoleOptions(Words("-q a.mp4 -o out --mkdir -v -- -b.mp4 --start -"));
    ASSERT_EQ(parsed.Error, "");
    EXPECT_EQ(parsed.Options.Level, Verbosity::Verbose);
    EXPECT_TRUE(parsed.Options.MakeFolder);
    EXPECT_EQ(parsed.Options.OutputFolder, "out");
    EXPECT_EQ(parsed.Options.Files, std::vector<std::string>({"a.mp4", "-b.mp4", "--start", "-"}));
    EXPECT_TRUE(ParseConsoleOptions(Words("--start 3 --help")).Options.Help);
    EXPECT_FALSE(parsed.Options.Json);
    EXPECT_TRUE(ParseConsoleOptions(Words("a.mp4 --json")).Options.Json);
    EXPECT_EQ(ParseConsoleOptions(Words("--json=1 a.mp4")).Error, "--json takes no value");
}

TEST(ConsoleOptions, HelpNamesEveryOptionWithItsSettingsKey)
{
    const std::string help = ConsoleOptionsHelp();
    // The text as read, without its line breaks and indents.
    std::string flat;
    for (char c : help)
        if (c != '\n' && !(c == ' ' && !flat.empty() && flat.back() == ' '))
            flat += c;
        else if (c == '\n')
            flat += ' ';
    for (const char* piece : {"--start SECONDS",
                              "[Start]",
                              "--end SECONDS",
                              "[End]",
                              "--size WxH",
                              "[ResolutionX, ResolutionY]",
                              "--quality Q",
                              "[VBRValue]",
                              "--format FORMAT",
                              "[FileFormat]",
                              "--loop N",
                              "[Loop]",
                              "--interval SECONDS",
                              "--rate FPS",
                              "[ImagesPerSecond]",
                              "--playback-fps FPS",
                              "[TimeDelay]",
                              "-v",
                              "-q",
                              "--mkdir",
                              "--gif-quality Q",
                              "--max-size SIZE",
                              "--json",
                              "A name that is not UTF-8 is an array of its bytes (0 to 255)",
                              "-o FOLDER"})
        EXPECT_NE(flat.find(piece), std::string::npos) << piece;
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 79u) << line;
}

} // namespace

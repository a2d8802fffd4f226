#include "engine/CommandLineSplitter.h"
#include "engine/ToolCommandLines.h"

#include <gtest/gtest.h>

namespace {

// The settings a freshly reset and confirmed options dialog stores.
ConversionSettings ResetSettings()
{
    return ParseSettings("[TellurvaneInfo]\nStart=0\nEnd=Default\nResolutionX=Default\n"
                         "ResolutionY=Default\nVBRValue=Default\nImagesPerSecond=1.00\n"
                         "TimeDelay=0.00\nFileFormat=0\nLoop=0\n");
}

TEST(CommandLines, WorkedExample)
{
    const ConversionSettings s = ResetSettings();
    const std::string video = VideoCommandLine("/apps/conv/video.dll", "/clips/party.avi",
                                               VideoArguments(s),
                                               "/tmp/priv/DasmereTemp%08d.png");
    const std::string image = AnimationImageCommandLine(
        "/apps/conv/imgconv.dll", ImageArguments(s), "/tmp/priv/DasmereTemp*.png",
        OutputPath("/out/", "/clips/party.avi", LookupOutputFormat(s.FileFormat).Extension));
    EXPECT_EQ(video, "\"/apps/conv/video.dll\" \"-i\" \"/clips/party.avi\" \"-y\" \"-ss\" \"0\"    "
                     "\"-r\" \"1.00\" \"/tmp/priv/DasmereTemp%08d.png\"");
    EXPECT_EQ(image, "\"/apps/conv/imgconv.dll\"  \"-loop\" \"0\" \"/tmp/priv/DasmereTemp*.png\" "
                     "\"/out/party.gif\"");

    ConversionSettings t = s;
    t.Start = "10";
    t.End = "25";
    t.ResolutionX = "320";
    t.ResolutionY = "240";
    t.VBRValue = "4.00";
    t.ImagesPerSecond = "0.50";
    t.TimeDelay = "10.00";
    EXPECT_EQ(VideoArguments(t), "\"-y\" \"-ss\" \"10\" \"-t\" \"15\" \"-s\" \"320x240\"  "
                                 "\"-qscale\" \"4.00\" \"-r\" \"2.00\"");
    EXPECT_EQ(ImageArguments(t), "\"-delay\" \"10\" \"-loop\" \"0\"");
}

struct VideoCase
{
    const char* start;
    const char* end;
    const char* x;
    const char* y;
    const char* quality;
    const char* interval;
    const char* expected;
};

TEST(CommandLines, VideoArgumentPieces)
{
    const VideoCase cases[] = {
        {"5", "Default", "Default", "Default", "Default", "1.00",
         "\"-y\" \"-ss\" \"5\"    \"-r\" \"1.00\""},
        {"ERROR", "12", "Default", "Default", "Default", "1.00",
         "\"-y\"  \"-t\" \"12\"   \"-r\" \"1.00\""},
        {"-3", "10", "Default", "Default", "Default", "1.00",
         "\"-y\"  \"-t\" \"13\"   \"-r\" \"1.00\""},
        {"0", "Default", "320", "Default", "Default", "1.00",
         "\"-y\" \"-ss\" \"0\"    \"-r\" \"1.00\""},
        {"0", "Default", "320", "6001", "Default", "1.00",
         "\"-y\" \"-ss\" \"0\"    \"-r\" \"1.00\""},
        {"0", "Default", "320abc", "240", "0.01", "8",
         "\"-y\" \"-ss\" \"0\"  \"-s\" \"320abcx240\"  \"-qscale\" \"0.01\" \"-r\" \"0.13\""},
        {"0", "Default", "Default", "Default", "255", "100",
         "\"-y\" \"-ss\" \"0\"   \"-qscale\" \"255.00\" \"-r\" \"0.01\""},
        {"0", "Default", "Default", "Default", "255.01", "0",
         "\"-y\" \"-ss\" \"0\"    \"-r\" \"1.00\""},
        {"0", "1", "Default", "Default", "ERROR", "ERROR",
         "\"-y\" \"-ss\" \"0\" \"-t\" \"1\"   \"-r\" \"1.00\""},
        // "auto" on one side keeps the proportions; alone or against "Default" it is no size.
        {"0", "Default", "480", "auto", "Default", "1.00",
         "\"-y\" \"-ss\" \"0\"  \"-s\" \"480xauto\"   \"-r\" \"1.00\""},
        {"0", "Default", "Auto", "90", "Default", "1.00",
         "\"-y\" \"-ss\" \"0\"  \"-s\" \"autox90\"   \"-r\" \"1.00\""},
        {"0", "Default", "auto", "auto", "Default", "1.00",
         "\"-y\" \"-ss\" \"0\"    \"-r\" \"1.00\""},
        {"0", "Default", "auto", "Default", "Default", "1.00",
         "\"-y\" \"-ss\" \"0\"    \"-r\" \"1.00\""},
        {"0", "Default", "6001", "auto", "Default", "1.00",
         "\"-y\" \"-ss\" \"0\"    \"-r\" \"1.00\""},
    };
    for (const VideoCase& c : cases) {
        ConversionSettings s = ResetSettings();
        s.Start = c.start;
        s.End = c.end;
        s.ResolutionX = c.x;
        s.ResolutionY = c.y;
        s.VBRValue = c.quality;
        s.ImagesPerSecond = c.interval;
        EXPECT_EQ(VideoArguments(s), c.expected) << c.start << " " << c.end << " " << c.x;
    }
}

TEST(CommandLines, ImageArgumentPieces)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"3", "0", "\"-delay\" \"33\" \"-loop\" \"0\""},
        {"0.7", "0", "\"-delay\" \"142\" \"-loop\" \"0\""},
        {"100", "0", "\"-delay\" \"1\" \"-loop\" \"0\""},
        {"0.01", "1000", "\"-delay\" \"10000\" \"-loop\" \"1000\""},
        {"0.00", "1001", " \"-loop\" \"0\""},
        {"0", "-1", " \"-loop\" \"0\""},
        {"ERROR", "ERROR", " \"-loop\" \"0\""},
    };
    for (const auto& [rate, loop, expected] : cases) {
        ConversionSettings s = ResetSettings();
        s.TimeDelay = rate;
        s.Loop = loop;
        EXPECT_EQ(ImageArguments(s), expected) << rate << " " << loop;
    }
}

TEST(CommandLines, MissingSettingsFileGivesEmptyOptions)
{
    EXPECT_EQ(VideoArguments(ConversionSettings {}), "");
    EXPECT_EQ(ImageArguments(ConversionSettings {}), "");
}

TEST(CommandLines, OutputFormatTable)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"1", "StillGIF", ".gif"}, {"2", "No", ".jpg"},        {"3", "No", ".png"},
        {"4", "No", ".bmp"},       {"5", "No", ".tga"},        {"6", "No", ".pcx"},
        {"0", "AnimationGIF", ".gif"}, {"01", "AnimationGIF", ".gif"},
        {" 2", "AnimationGIF", ".gif"}, {"7", "AnimationGIF", ".gif"},
        {"-1", "AnimationGIF", ".gif"}, {"ERROR", "AnimationGIF", ".gif"},
    };
    for (const auto& [stored, mode, extension] : cases) {
        const OutputFormat f = LookupOutputFormat(stored);
        EXPECT_EQ(f.Mode, mode) << stored;
        EXPECT_EQ(f.Extension, extension) << stored;
    }
}

TEST(CommandLines, OutputNames)
{
    EXPECT_EQ(OutputPath("/out/", "/clips/my.party.avi", ".gif"), "/out/my.party.gif");
    EXPECT_EQ(OutputPath("/out/", "/clips/party", ".gif"), "/out/party.gif");
    EXPECT_EQ(OutputPath("/out/", "/clips.d/a.b.c.avi", ".gif"), "/out/a.b.c.gif");
    EXPECT_EQ(NumberedOutputPattern("/out/my.party.jpg"), "/out/my.party%d.jpg");
    EXPECT_EQ(NumberedOutputPattern("/out.d/party"), "/out.d/party%d");
    EXPECT_EQ(StillGifImageCommandLine("/a/imgconv.dll", "/t/DasmereTemp*.png",
                                       " \"-loop\" \"0\"", "/o/x%d.gif"),
              "\"/a/imgconv.dll\" \"/t/DasmereTemp*.png\"  \"-loop\" \"0\" \"/o/x%d.gif\"");
}

TEST(CommandLines, OddPathsRoundTripThroughTheSplitter)
{
    const std::string paths[] = {
        "/plain/path.avi",
        "/with blanks/and  two.avi",
        "/100% sure/%d %08d.avi",
        "/quote\"in/the\"name.avi",
        "/back\\slash/and\\\"quote.avi",
        "/trailing backslash\\",
        "/two trailing\\\\",
        "/ünïcødé/видео 動画.mp4",
        "\"",
        "",
        "/tab\there",
    };
    for (const std::string& p : paths) {
        const std::string line =
            VideoCommandLine("/bin/video.dll", p, "\"-y\"  \"-r\" \"1.00\"", p + "%d.png");
        const std::vector<std::string> args = SplitCommandLine(line);
        const std::vector<std::string> expected = {"/bin/video.dll", "-i", p, "-y", "-r", "1.00",
                                                   p + "%d.png"};
        EXPECT_EQ(args, expected) << line;
    }
    // Ordinary paths are quoted without any escaping.
    EXPECT_EQ(QuotePath("/a\\b/c d"), "\"/a\\b/c d\"");
}

struct EditCase
{
    const char* name;
    FileEdit edit;
    const char* video;
    const char* image;
};

TEST(CommandLines, EditsMakeTheirOwnPieces)
{
    ConversionSettings s = ResetSettings();
    s.Start = "10";
    s.End = "25";
    s.ResolutionX = "320";
    s.ResolutionY = "240";
    s.ImagesPerSecond = "0.30"; // 3.33 frames per second
    s.TimeDelay = "10.00";
    const std::string plainVideo = VideoArguments(s);
    const std::string plainImage = ImageArguments(s);
    ASSERT_EQ(plainVideo, "\"-y\" \"-ss\" \"10\" \"-t\" \"15\" \"-s\" \"320x240\"   \"-r\" \"3.33\"");

    const auto edit = [](auto change) {
        FileEdit e;
        change(e);
        return e;
    };
    const EditCase cases[] = {
        { "no edit", FileEdit {}, "", "" },
        { "trim replaces start and end",
            edit([](FileEdit& e) {
                e.TrimStart = 1.5;
                e.TrimEnd = 4.25;
            }),
            "\"-y\" \"-ss\" \"1.5\"  \"-s\" \"320x240\"   \"-r\" \"3.33\" \"-to\" \"4.25\"", "" },
        { "trim start only: to the end",
            edit([](FileEdit& e) { e.TrimStart = 2; }),
            "\"-y\" \"-ss\" \"2\"  \"-s\" \"320x240\"   \"-r\" \"3.33\"", "" },
        { "trim end only: from the beginning",
            edit([](FileEdit& e) { e.TrimEnd = 0.04; }),
            "\"-y\" \"-ss\" \"0\"  \"-s\" \"320x240\"   \"-r\" \"3.33\" \"-to\" \"0.04\"", "" },
        { "speed 2", edit([](FileEdit& e) { e.Speed = 2; }),
            "\"-y\" \"-ss\" \"10\" \"-t\" \"15\" \"-s\" \"320x240\"   \"-r\" \"3.33\" \"-speed\" "
            "\"2\"",
            "" },
        { "speed 0.25 with a crop",
            edit([](FileEdit& e) {
                e.Speed = 0.25;
                e.Crop = CropRect { 1, 2, 3, 4 };
            }),
            "\"-y\" \"-ss\" \"10\" \"-t\" \"15\" \"-s\" \"320x240\"   \"-r\" \"3.33\" \"-speed\" "
            "\"0.25\" \"-crop\" \"1:2:3:4\"",
            "" },
        { "crop", edit([](FileEdit& e) { e.Crop = CropRect { 100, 50, 8, 16 }; }),
            "\"-y\" \"-ss\" \"10\" \"-t\" \"15\" \"-s\" \"320x240\"   \"-r\" \"3.33\" \"-crop\" "
            "\"100:50:8:16\"",
            "" },
        { "caption at the bottom throughout", edit([](FileEdit& e) { e.Caption = "Hi there"; }),
            "\"-y\" \"-ss\" \"10\" \"-t\" \"15\" \"-s\" \"320x240\"   \"-r\" \"3.33\" \"-caption\" "
            "\"Hi there\" \"-captionat\" \"bottom\"",
            "" },
        { "caption with quotes, on top, for a while",
            edit([](FileEdit& e) {
                e.Caption = "say \"hi\"\\";
                e.CaptionAt = CaptionPlace::Top;
                e.CaptionFrom = 1;
                e.CaptionTo = 2.5;
            }),
            "\"-y\" \"-ss\" \"10\" \"-t\" \"15\" \"-s\" \"320x240\"   \"-r\" \"3.33\" \"-caption\" "
            "\"say \\\"hi\\\"\\\\\" \"-captionat\" \"top\" \"-captionfrom\" \"1\" \"-captionto\" "
            "\"2.5\"",
            "" },
        { "reverse", edit([](FileEdit& e) { e.Order = FrameOrder::Reverse; }), "",
            "\"-delay\" \"10\" \"-loop\" \"0\" \"-order\" \"reverse\"" },
        { "bounce", edit([](FileEdit& e) { e.Order = FrameOrder::Bounce; }), "",
            "\"-delay\" \"10\" \"-loop\" \"0\" \"-order\" \"bounce\"" },
    };
    for (const EditCase& c : cases) {
        EXPECT_EQ(VideoArguments(s, c.edit), *c.video ? c.video : plainVideo) << c.name;
        EXPECT_EQ(ImageArguments(s, c.edit), *c.image ? c.image : plainImage) << c.name;
    }

    // Every argument reaches the tool as it was meant, the caption's quotes included.
    const FileEdit& quoted = cases[8].edit;
    ASSERT_EQ(std::string(cases[8].name), "caption with quotes, on top, for a while");
    const std::vector<std::string> args = SplitCommandLine(VideoArguments(s, quoted));
    ASSERT_EQ(args.size(), 17u);
    EXPECT_EQ(args[10], "say \"hi\"\\");
    // Without a settings file there is nothing to add an edit to.
    EXPECT_EQ(VideoArguments(ConversionSettings {}, quoted), "");
    EXPECT_EQ(ImageArguments(ConversionSettings {}, cases[9].edit), "");
}

} // namespace

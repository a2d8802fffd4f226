// Runs imgconv.dll on small frames made here and reads the GIFs back with giflib.

#include "ImgconvTestSupport.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>

using namespace imgconv_test;

namespace {

constexpr int kWidth = 24;
constexpr int kHeight = 16;

std::string FrameName(int number)
{
    char name[64];
    std::snprintf(name, sizeof name, "DasmereTemp%08d.png", number);
    return name;
}

// Writes distinct pictures as DasmereTemp00000001.png, ... and returns the pictures.
std::vector<Image> WriteFrames(const TempFolder& folder, int count,
    std::optional<std::string> interval = std::nullopt, PngKind kind = PngKind::Rgb8)
{
    std::vector<Image> images;
    for (int i = 0; i < count; ++i) {
        images.push_back(TestPicture(kWidth, kHeight, i));
        WritePng(folder / FrameName(i + 1), images.back(), kind, interval);
    }
    return images;
}

std::vector<int> Delays(const GifInfo& gif)
{
    std::vector<int> delays;
    for (const GifFrame& frame : gif.frames)
        delays.push_back(frame.delay);
    return delays;
}

} // namespace

struct OptionCase
{
    std::vector<std::string> options;
    std::optional<int> netscapeLoop;
    int delay;
};

TEST(ImgconvTool, AnimationOptionsBecomeLoopBlockAndDelays)
{
    const OptionCase cases[] = {
        { { "-delay", "10", "-loop", "0" }, 0, 10 },
        { { "-delay", "25", "-loop", "3" }, 3, 25 },
        { { "-loop", "1" }, 1, 10 }, // one replay: played once, then repeated once
        { { "-loop", "1000" }, 1000, 10 },
        { { "-delay", "1", "-loop", "0" }, 0, 2 }, // browsers would slow 1 down to 10
        { {}, 0, 10 },
    };
    TempFolder frames;
    WriteFrames(frames, 3);
    for (const OptionCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.options));
        TempFolder out;
        std::vector<std::string> args = c.options;
        args.push_back(frames / "DasmereTemp*.png");
        args.push_back(out / "party.gif");
        const RunResult run = RunImgconv(args);
        ASSERT_EQ(run.status, 0) << run.errorText;
        const GifInfo gif = ReadGif(out / "party.gif");
        ASSERT_TRUE(gif.ok);
        EXPECT_EQ(gif.version, "GIF89a");
        EXPECT_EQ(gif.width, kWidth);
        EXPECT_EQ(gif.height, kHeight);
        EXPECT_EQ(gif.netscapeLoop, c.netscapeLoop);
        EXPECT_EQ(Delays(gif), std::vector<int>(3, c.delay));
        EXPECT_EQ(out.Names(), std::vector<std::string> { "party.gif" });
    }
}

TEST(ImgconvTool, RealTimeDelaysComeFromFrameInterval)
{
    TempFolder frames;
    WriteFrames(frames, 6, "0.0666666667");
    TempFolder out;
    RunResult run = RunImgconv({ "-loop", "0", frames / "*.png", out / "a.gif" });
    ASSERT_EQ(run.status, 0) << run.errorText;
    EXPECT_EQ(Delays(ReadGif(out / "a.gif")), (std::vector<int> { 7, 7, 6, 7, 7, 6 }));

    // An explicit delay wins over the frames' own timing.
    run = RunImgconv({ "-delay", "4", "-loop", "0", frames / "*.png", out / "b.gif" });
    ASSERT_EQ(run.status, 0) << run.errorText;
    EXPECT_EQ(Delays(ReadGif(out / "b.gif")), std::vector<int>(6, 4));
}

TEST(ImgconvTool, FramesFasterThanBrowsersShowAreFoldedIntoTheOneBefore)
{
    TempFolder frames;
    WriteFrames(frames, 10, "0.01"); // 100 per second, 10 hundredths in all
    TempFolder out;
    const RunResult run = RunImgconv({ frames / "*.png", out / "a.gif" });
    ASSERT_EQ(run.status, 0) << run.errorText;
    const GifInfo gif = ReadGif(out / "a.gif");
    int total = 0;
    for (int delay : Delays(gif)) {
        EXPECT_GE(delay, 2);
        total += delay;
    }
    EXPECT_EQ(total, 10);
}

TEST(ImgconvTool, PerFrameFormNumbersFromOneInNameOrderInAnOddFolder)
{
    TempFolder frames("100% ünïcode frames");
    TempFolder out("out %d dir");
    // Name order: b1, b10, b2.
    const std::vector<std::pair<std::string, Image>> files = {
        { "b2.png", Image::Filled(kWidth, kHeight, 200, 30, 30) },
        { "b10.png", Image::Filled(kWidth, kHeight, 30, 200, 30) },
        { "b1.png", Image::Filled(kWidth, kHeight, 30, 30, 200) },
    };
    for (const auto& [name, image] : files)
        WritePng(frames / name, image);
    WritePng(frames / "other.png", Image::Filled(kWidth, kHeight, 0, 0, 0));

    const RunResult run
        = RunImgconv({ frames / "b*.png", "-delay", "10", "-loop", "0", out / "still%02d.gif" });
    ASSERT_EQ(run.status, 0) << run.errorText;
    EXPECT_EQ(
        out.Names(), (std::vector<std::string> { "still01.gif", "still02.gif", "still03.gif" }));
    const Image* expected[] = { &files[2].second, &files[1].second, &files[0].second };
    for (int i = 0; i < 3; ++i) {
        const GifInfo gif = ReadGif(out / ("still0" + std::to_string(i + 1) + ".gif"));
        ASSERT_TRUE(gif.ok);
        EXPECT_EQ(gif.version, "GIF89a");
        EXPECT_FALSE(gif.netscapeLoop);
        ASSERT_EQ(gif.frames.size(), 1u);
        EXPECT_LT(MeanError(*expected[i], gif.frames[0].canvas), 2.0) << i;
    }

    // The animation form takes the same order.
    const RunResult animation = RunImgconv({ "-loop", "0", frames / "b?*.png", out / "a.gif" });
    ASSERT_EQ(animation.status, 0) << animation.errorText;
    const GifInfo gif = ReadGif(out / "a.gif");
    ASSERT_EQ(gif.frames.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_LT(MeanError(*expected[i], gif.frames[i].canvas), 2.0) << i;
}

TEST(ImgconvTool, OnlyTheChangedRectangleIsStoredAndStillPixelsAreTransparent)
{
    TempFolder frames;
    const Image first = TestPicture(32, 24, 0);
    Image second = first;
    second.FillRect(5, 6, 1, 1, 255, 0, 0);
    second.FillRect(12, 9, 2, 2, 0, 0, 255);
    WritePng(frames / "f1.png", first);
    WritePng(frames / "f2.png", second);
    TempFolder out;
    const RunResult run = RunImgconv({ "-delay", "10", frames / "f*.png", out / "a.gif" });
    ASSERT_EQ(run.status, 0) << run.errorText;
    const GifInfo gif = ReadGif(out / "a.gif");
    ASSERT_EQ(gif.frames.size(), 2u);
    const GifFrame& f1 = gif.frames[0];
    EXPECT_EQ(std::vector<int>({ f1.left, f1.top, f1.width, f1.height }),
        std::vector<int>({ 0, 0, 32, 24 }));
    const GifFrame& f2 = gif.frames[1];
    EXPECT_EQ(std::vector<int>({ f2.left, f2.top, f2.width, f2.height }),
        std::vector<int>({ 5, 6, 9, 5 }));
    EXPECT_GE(f2.transparentIndex, 0);
    EXPECT_EQ(f1.disposal, 1); // leave in place
    EXPECT_EQ(f2.disposal, 1);
    EXPECT_LT(MeanError(first, f1.canvas), 6.0);
    EXPECT_LT(MeanError(second, f2.canvas), 6.0);
    EXPECT_EQ(f2.canvas.At(12, 9)[2], 255);
}

TEST(ImgconvTool, IdenticalFramesAreMergedAndTheirDelaysAdded)
{
    TempFolder frames;
    const Image a = TestPicture(kWidth, kHeight, 1);
    const Image b = TestPicture(kWidth, kHeight, 2);
    const Image* order[] = { &a, &a, &b, &b, &b, &a };
    for (int i = 0; i < 6; ++i)
        WritePng(frames / FrameName(i + 1), *order[i]);
    TempFolder out;
    const RunResult run = RunImgconv({ "-delay", "10", frames / "*.png", out / "a.gif" });
    ASSERT_EQ(run.status, 0) << run.errorText;
    const GifInfo gif = ReadGif(out / "a.gif");
    EXPECT_EQ(Delays(gif), (std::vector<int> { 20, 30, 10 }));
    ASSERT_EQ(gif.frames.size(), 3u);
    EXPECT_LT(MeanError(a, gif.frames[2].canvas), 6.0);
}

TEST(ImgconvTool, DecodedFramesAreCloseToTheSourcesForEveryPngKind)
{
    const PngKind kinds[]
        = { PngKind::Rgb8, PngKind::Rgba8, PngKind::Rgb16, PngKind::Grey8, PngKind::Palette };
    for (PngKind kind : kinds) {
        SCOPED_TRACE(static_cast<int>(kind));
        TempFolder frames;
        std::vector<Image> images;
        for (int i = 0; i < 3; ++i) {
            Image image = TestPicture(kWidth, kHeight, i);
            for (size_t p = 0; p < image.rgba.size(); p += 4) {
                if (kind == PngKind::Grey8)
                    image.rgba[p] = image.rgba[p + 2] = image.rgba[p + 1];
                if (kind == PngKind::Palette) {
                    for (int c = 0; c < 3; ++c)
                        image.rgba[p + c] = static_cast<uint8_t>(image.rgba[p + c] & 0xC0);
                }
            }
            images.push_back(image);
            WritePng(frames / FrameName(i + 1), image, kind);
        }
        TempFolder out;
        const RunResult run = RunImgconv({ "-delay", "10", frames / "*.png", out / "a.gif" });
        ASSERT_EQ(run.status, 0) << run.errorText;
        const GifInfo gif = ReadGif(out / "a.gif");
        ASSERT_EQ(gif.frames.size(), 3u);
        for (int i = 0; i < 3; ++i)
            EXPECT_LT(MeanError(images[i], gif.frames[i].canvas), 6.0) << "frame " << i;
    }
}

TEST(ImgconvTool, PixelsThatTurnTransparentAreClearedNotLeftBehind)
{
    TempFolder frames;
    Image first = Image::Filled(kWidth, kHeight, 0, 0, 0, 0);
    first.FillRect(2, 2, 6, 6, 255, 255, 0);
    Image second = Image::Filled(kWidth, kHeight, 0, 0, 0, 0);
    second.FillRect(14, 6, 6, 6, 255, 255, 0);
    WritePng(frames / "f1.png", first, PngKind::Rgba8);
    WritePng(frames / "f2.png", second, PngKind::Rgba8);
    TempFolder out;
    const RunResult run = RunImgconv({ "-delay", "10", frames / "f*.png", out / "a.gif" });
    ASSERT_EQ(run.status, 0) << run.errorText;
    const GifInfo gif = ReadGif(out / "a.gif");
    ASSERT_EQ(gif.frames.size(), 2u);
    EXPECT_EQ(gif.frames[0].canvas.At(3, 3)[3], 255);
    EXPECT_EQ(gif.frames[1].canvas.At(3, 3)[3], 0) << "the old square is still shown";
    EXPECT_EQ(gif.frames[1].canvas.At(15, 7)[3], 255);
    EXPECT_EQ(gif.frames[1].canvas.At(0, 0)[3], 0);
}

struct BadCase
{
    const char* what;
    std::vector<std::string> args; // "{in}" and "{out}" are replaced by the folders
    const char* mentioned; // a text the message must hold
};

TEST(ImgconvTool, BadInputGivesOneLineErrorAndNoOutput)
{
    const std::vector<BadCase> cases = {
        { "no file matches", { "-loop", "0", "{in}/Nothing*.png", "{out}/a.gif" }, "Nothing" },
        { "damaged PNG", { "-loop", "0", "{in}/Damaged*.png", "{out}/a.gif" }, "Damaged2.png" },
        { "truncated PNG", { "-loop", "0", "{in}/Cut*.png", "{out}/a.gif" }, "Cut2.png" },
        { "not a PNG", { "-loop", "0", "{in}/Text*", "{out}/a.gif" }, "Text1.txt" },
        { "different sizes", { "-loop", "0", "{in}/Size*.png", "{out}/a.gif" }, "Size2.png" },
        { "missing output folder", { "-loop", "0", "{in}/Good*.png", "{out}/no/a.gif" }, "/no" },
        { "unknown option", { "-fast", "{in}/Good*.png", "{out}/a.gif" }, "-fast" },
        { "per-frame damaged", { "{in}/Damaged*.png", "-loop", "0", "{out}/a%d.gif" },
            "Damaged2.png" },
    };
    TempFolder in;
    const Image picture = TestPicture(kWidth, kHeight, 0);
    WritePng(in / "Good1.png", picture);
    WritePng(in / "Damaged1.png", picture);
    WritePng(in / "Damaged2.png", picture);
    std::vector<uint8_t> bytes = ReadBytes(in / "Damaged2.png");
    for (size_t i = 40; i < bytes.size() - 12; ++i)
        bytes[i] ^= 0x5A;
    WriteBytes(in / "Damaged2.png", bytes);
    WritePng(in / "Cut1.png", picture);
    bytes = ReadBytes(in / "Good1.png");
    bytes.resize(bytes.size() / 2);
    WriteBytes(in / "Cut2.png", bytes);
    WriteBytes(in / "Text1.txt", { 'h', 'e', 'l', 'l', 'o', '\n' });
    WritePng(in / "Size1.png", picture);
    WritePng(in / "Size2.png", TestPicture(kWidth + 1, kHeight, 0));

    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder out;
        std::vector<std::string> args;
        for (std::string arg : c.args) {
            for (const auto& [key, value] :
                { std::pair<std::string, std::string> { "{in}", in.Path() },
                    { "{out}", out.Path() } }) {
                if (arg.rfind(key, 0) == 0)
                    arg = value + arg.substr(key.size());
            }
            args.push_back(arg);
        }
        const RunResult run = RunImgconv(args);
        EXPECT_NE(run.status, 0);
        EXPECT_LT(run.status, 128) << "crashed: " << run.errorText;
        EXPECT_NE(run.errorText.find(c.mentioned), std::string::npos) << run.errorText;
        EXPECT_EQ(run.errorText.find('\n'), run.errorText.size() - 1) << run.errorText;
        if (std::string(c.what) != "per-frame damaged") {
            EXPECT_TRUE(out.Names().empty()) << out.Names().front();
        }
    }
}

TEST(ImgconvTool, FullDiskLeavesNoFileAndKeepsTheOldOne)
{
    TempFolder frames;
    WriteFrames(frames, 6);
    TempFolder out;
    WriteBytes(out / "a.gif", { 'o', 'l', 'd' });
    const RunResult run = RunImgconv({ "-delay", "10", frames / "*.png", out / "a.gif" }, 1500);
    EXPECT_NE(run.status, 0);
    EXPECT_LT(run.status, 128) << run.errorText;
    EXPECT_NE(run.errorText.find("a.gif"), std::string::npos) << run.errorText;
    EXPECT_EQ(out.Names(), std::vector<std::string> { "a.gif" });
    EXPECT_EQ(ReadBytes(out / "a.gif").size(), 3u);
}

TEST(ImgconvTool, HelpNamesBothForms)
{
    const RunResult run = RunImgconv({ "--help" });
    EXPECT_EQ(run.status, 0);
}

namespace {

// What the tool prints on standard output.
std::string StandardOutput(const std::string& environment, const std::vector<std::string>& args)
{
    std::string line = environment + " '" SABLEWICK_BIN_DIR "imgconv.dll'";
    for (const std::string& arg : args)
        line += " '" + arg + "'";
    std::string out;
    if (FILE* pipe = ::popen((line + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

} // namespace

// Lines of "progress DONE/EXPECTED" only when the program that runs the tool asks for them.
TEST(ImgconvTool, ProgressLinesOnlyWhenAsked)
{
    TempFolder frames;
    WriteFrames(frames, 12);
    TempFolder out;
    EXPECT_EQ(StandardOutput("", { frames / "*.png", out / "a.gif" }), "");
    EXPECT_EQ(StandardOutput("SABLEWICK_PROGRESS=0", { frames / "*.png", out / "a.gif" }), "");

    for (const std::vector<std::string>& args :
        { std::vector<std::string> { "-loop", "0", frames / "*.png", out / "b.gif" },
            std::vector<std::string> { frames / "*.png", "-loop", "0", out / "c%d.gif" } }) {
        SCOPED_TRACE(args.back());
        const std::string text = StandardOutput("SABLEWICK_PROGRESS=1", args);
        std::istringstream lines(text);
        long long last = 0;
        std::string line;
        int count = 0;
        while (std::getline(lines, line)) {
            long long done = 0, expected = 0;
            ASSERT_EQ(std::sscanf(line.c_str(), "progress %lld/%lld", &done, &expected), 2) << line;
            EXPECT_GT(done, last) << line;
            EXPECT_EQ(expected, 12) << line;
            last = done;
            ++count;
        }
        EXPECT_GE(count, 1);
        EXPECT_EQ(last, 12) << "the last line says all frames are done";
    }
}

// A size budget's search reports the whole search, named by trial: the count only
// goes forward across trials and stays within its total, so a bar that follows it
// neither stalls at the end of the first encode nor runs back.
TEST(ImgconvTool, ABudgetReportsItsTrialsWithinTheWholeSearch)
{
    TempFolder frames;
    WriteFrames(frames, 12);
    TempFolder out;
    const std::string text = StandardOutput("SABLEWICK_PROGRESS=1",
        { "-max-size", "300", frames / "*.png", out / "a.gif" });
    std::istringstream lines(text);
    std::string line;
    long long last = 0;
    int lastTrial = 0;
    while (std::getline(lines, line)) {
        long long done = 0, expected = 0;
        int trial = 0;
        ASSERT_EQ(
            std::sscanf(line.c_str(), "progress %lld/%lld trial %d", &done, &expected, &trial), 3)
            << line;
        EXPECT_GE(done, last) << line;
        EXPECT_LE(done, expected) << line;
        EXPECT_GE(expected, 3 * 12) << line;
        EXPECT_GE(trial, lastTrial) << line;
        EXPECT_LE(trial, lastTrial + 1) << line;
        last = done;
        lastTrial = trial;
    }
    EXPECT_GE(lastTrial, 2) << "a budget this small takes more than one encode\n" << text;
}

// -quality and -max-size of imgconv.dll on small clips made here: a budget is met and
// mostly used, an impossible one fails and writes nothing, size follows the quality.

#include "ImgconvTestSupport.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

using namespace imgconv_test;

namespace {

constexpr int kWidth = 80;
constexpr int kHeight = 60;
constexpr int kFrames = 14;

// Detail that palette and dithering have to work for, like a photograph's texture.
uint8_t Grain(int x, int y, int seed)
{
    unsigned v = static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u
        ^ static_cast<unsigned>(seed) * 83492791u;
    v ^= v >> 13;
    v *= 0x5bd1e995u;
    v ^= v >> 15;
    return static_cast<uint8_t>(v);
}

Image NoiseFrame(int i)
{
    Image image = Image::Filled(kWidth, kHeight, 0, 0, 0);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* p = image.At(x, y);
            p[0] = Grain(x, y, i * 3);
            p[1] = Grain(x, y, i * 3 + 1);
            p[2] = Grain(x, y, i * 3 + 2);
        }
    }
    return image;
}

Image Scene(int width, int height)
{
    Image image = TestPicture(width, height, 5);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = image.At(x, y);
            const int grain = Grain(x, y, 0) % 48 - 24;
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<uint8_t>(std::clamp(p[c] + grain, 0, 255));
        }
    }
    return image;
}

Image PanFrame(int i)
{
    static const Image scene = Scene(kWidth + kFrames * 4, kHeight);
    Image image = Image::Filled(kWidth, kHeight, 0, 0, 0);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x)
            std::copy_n(scene.At(x + i * 4, y), 4, image.At(x, y));
    }
    return image;
}

Image MovingSquareFrame(int i)
{
    static const Image still = Scene(kWidth, kHeight);
    Image image = still;
    image.FillRect(5 + i * 4, 20, 12, 12, 230, 30, 40);
    return image;
}

struct Clip
{
    const char* name;
    std::function<Image(int)> frame;
};

const Clip kClips[] = {
    { "animated noise", NoiseFrame },
    { "pan", PanFrame },
    { "still picture with a moving square", MovingSquareFrame },
};

std::string WriteClip(const TempFolder& folder, const Clip& clip)
{
    for (int i = 0; i < kFrames; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "DasmereTemp%08d.png", i + 1);
        WritePng(folder / name, clip.frame(i));
    }
    return folder / "DasmereTemp*.png";
}

long long Size(const std::string& path)
{
    return static_cast<long long>(ReadBytes(path).size());
}

// Makes OUT with the options; the GIF's size, or -1 when the tool failed.
long long Make(const std::string& wildcard, const std::string& out,
    std::vector<std::string> options, std::string* errorText = nullptr)
{
    options.insert(options.end(), { "-delay", "10", wildcard, out });
    const RunResult run = RunImgconv(options);
    if (errorText)
        *errorText = run.errorText;
    EXPECT_LT(run.status, 128) << "crashed: " << run.errorText;
    return run.status == 0 ? Size(out) : -1;
}

} // namespace

TEST(ImgconvQuality, SizeGrowsWithQualityAndNinetyIsTheDefault)
{
    for (const Clip& clip : kClips) {
        SCOPED_TRACE(clip.name);
        const TempFolder in;
        const TempFolder out;
        const std::string wildcard = WriteClip(in, clip);
        long long previous = 0;
        for (int quality : { 1, 20, 40, 50, 60, 70, 80, 90, 100 }) {
            const std::string gif = out / ("q" + std::to_string(quality) + ".gif");
            const long long size = Make(wildcard, gif, { "-quality", std::to_string(quality) });
            ASSERT_GT(size, 0) << quality;
            // Above 40 no lever can shrink random noise: its sizes only jitter. The pan's
            // grain changes nearly every pixel too: between 80 and 90 (where only the still
            // threshold moves) its size stays within that jitter.
            const double slack = &clip == &kClips[2] ? 0 : 0.002;
            EXPECT_GE(size, previous * (1 - slack)) << "quality " << quality;
            previous = size;
            EXPECT_TRUE(ReadGif(gif).ok);
        }
        Make(wildcard, out / "default.gif", {});
        EXPECT_EQ(ReadBytes(out / "default.gif"), ReadBytes(out / "q90.gif"));
        EXPECT_LT(Size(out / "q1.gif"), Size(out / "q100.gif") * 0.8) << "the scale does little";
    }
}

TEST(ImgconvQuality, ABudgetBelowTheDefaultIsMet)
{
    for (const Clip& clip : kClips) {
        const TempFolder in;
        const TempFolder out;
        const std::string wildcard = WriteClip(in, clip);
        const long long full = Make(wildcard, out / "default.gif", {});
        const long long smallest = Make(wildcard, out / "q1.gif", { "-quality", "1" });
        ASSERT_GT(smallest, 0);
        // Budgets the default exceeds, all above what quality 1 reaches.
        for (double share : { 0.97, 0.8, 0.6 }) {
            const long long budget = static_cast<long long>(full * share);
            if (budget <= smallest * 1.05)
                continue;
            SCOPED_TRACE(std::string(clip.name) + ", budget " + std::to_string(budget));
            const long long size
                = Make(wildcard, out / "budget.gif", { "-max-size", std::to_string(budget) });
            // At least 90 % of the budget is the aim on real video (see the benchmark); on
            // clips this small the sizes move in steps that three encodes may not find.
            EXPECT_LE(size, budget);
            EXPECT_GE(size, smallest);
            EXPECT_TRUE(ReadGif(out / "budget.gif").ok);
        }
        // A budget the default fits gives the default's GIF.
        Make(wildcard, out / "roomy.gif", { "-max-size", std::to_string(full) });
        EXPECT_EQ(ReadBytes(out / "roomy.gif"), ReadBytes(out / "default.gif")) << clip.name;
        // Nothing but the GIFs asked for is left in the folder.
        EXPECT_EQ(out.Names(),
            (std::vector<std::string> { "budget.gif", "default.gif", "q1.gif", "roomy.gif" }));
    }
}

TEST(ImgconvQuality, AnImpossibleBudgetFailsNamingTheSmallestSizeAndWritesNothing)
{
    const TempFolder in;
    const std::string wildcard = WriteClip(in, kClips[0]);
    const TempFolder sizes;
    const long long smallest = Make(wildcard, sizes / "q1.gif", { "-quality", "1" });
    for (const std::string& budget :
        std::vector<std::string> { "1", "2k", std::to_string(smallest - 1) }) {
        SCOPED_TRACE(budget);
        const TempFolder out;
        std::string error;
        EXPECT_EQ(Make(wildcard, out / "a.gif", { "-max-size", budget }, &error), -1);
        EXPECT_NE(error.find(std::to_string(smallest)), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), error.size() - 1) << error;
        EXPECT_TRUE(out.Names().empty()) << out.Names().front();
    }
    // An earlier GIF of that name is left as it was.
    const TempFolder out;
    WriteBytes(out / "a.gif", { 'o', 'l', 'd' });
    EXPECT_EQ(Make(wildcard, out / "a.gif", { "-max-size", "1" }), -1);
    EXPECT_EQ(ReadBytes(out / "a.gif"), (std::vector<uint8_t> { 'o', 'l', 'd' }));
    EXPECT_EQ(out.Names(), std::vector<std::string> { "a.gif" });
}

// A clip long enough to be sampled, whose size hardly moves from quality 90 down to 50 and
// then falls fast: a pan over sharp, many-coloured bands, where every change is far above
// the still threshold (the lever of the upper scale) and colours and lossy compression (the
// levers below 50) cut deep. A search that trusted the typical curve, or a straight line
// through two points, would land far from the budget on either part.
TEST(ImgconvQuality, ABudgetOnAClipWhoseSizesAreFlatThenSteep)
{
    constexpr int width = 160;
    constexpr int height = 90;
    constexpr int frames = 48;
    const TempFolder in;
    Image scene = Image::Filled(width + frames * 4, height, 0, 0, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width + frames * 4; ++x) {
            uint8_t* p = scene.At(x, y);
            p[0] = static_cast<uint8_t>(x * 5 + y * 2);
            p[1] = static_cast<uint8_t>((x / 12 + y / 9) % 6 * 50);
            p[2] = static_cast<uint8_t>(x * x / 64 + y * 3);
        }
    }
    for (int i = 0; i < frames; ++i) {
        Image frame = Image::Filled(width, height, 0, 0, 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                std::copy_n(scene.At(x + i * 4, y), 4, frame.At(x, y));
        }
        char name[64];
        std::snprintf(name, sizeof name, "DasmereTemp%08d.png", i + 1);
        WritePng(in / name, frame);
    }
    const std::string wildcard = in / "DasmereTemp*.png";
    const TempFolder sizes;
    std::map<int, long long> at;
    for (int quality : { 1, 20, 50, 70, 90 })
        at[quality] = Make(wildcard, sizes / ("q" + std::to_string(quality) + ".gif"),
            { "-quality", std::to_string(quality) });
    // The fixture's shape.
    ASSERT_GT(at[70], at[90] * 0.9) << at[70] << " " << at[90];
    ASSERT_LT(at[20], at[50] * 0.8) << at[20] << " " << at[50];

    // Budgets with a GIF inside the band below them, on each part of the curve.
    for (int quality : { 70, 50, 20 }) {
        const long long budget = static_cast<long long>(static_cast<double>(at[quality]) / 0.95);
        SCOPED_TRACE(
            "budget " + std::to_string(budget) + " from quality " + std::to_string(quality));
        const TempFolder out;
        const long long size
            = Make(wildcard, out / "a.gif", { "-max-size", std::to_string(budget) });
        EXPECT_LE(size, budget);
        EXPECT_GE(size, budget * 0.9);
        EXPECT_TRUE(ReadGif(out / "a.gif").ok);
        EXPECT_EQ(out.Names(), std::vector<std::string> { "a.gif" });
    }

    // Below what quality 1 makes: nothing is written, and the line names that size.
    const TempFolder out;
    std::string error;
    EXPECT_EQ(
        Make(wildcard, out / "a.gif", { "-max-size", std::to_string(at[1] - 1) }, &error), -1);
    EXPECT_NE(error.find(std::to_string(at[1])), std::string::npos) << error;
    EXPECT_TRUE(out.Names().empty());
}

// A stop while a budget is being searched removes every trial file the tool made.
TEST(ImgconvQuality, AStoppedBudgetLeavesNoTrialBehind)
{
    const TempFolder in;
    for (int i = 0; i < 60; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "DasmereTemp%08d.png", i + 1);
        Image frame = Scene(320, 240);
        frame.FillRect((i * 5) % 300, 40, 20, 20, 230, 30, static_cast<uint8_t>(i * 4));
        for (int y = 0; y < 240; y += 2) {
            for (int x = i % 2; x < 320; x += 2)
                frame.At(x, y)[1] = Grain(x, y, i);
        }
        WritePng(in / name, frame);
    }
    const TempFolder out;
    const std::string tool = std::string(SABLEWICK_BIN_DIR) + "imgconv.dll";
    const std::string wildcard = in / "DasmereTemp*.png";
    const std::string target = out / "a.gif";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        execl(tool.c_str(), tool.c_str(), "-max-size", "20k", "-delay", "10", wildcard.c_str(),
            target.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Stop it once it is past its first trial.
    bool seen = false;
    for (int i = 0; i < 60000 && !seen; ++i) {
        const std::vector<std::string> names = out.Names();
        seen = std::any_of(names.begin(), names.end(), [](const std::string& name) {
            return name.rfind(".imgconv-budget-", 0) == 0
                && name.find("-0-0.gif") == std::string::npos;
        });
        if (!seen)
            usleep(500);
        int status = 0;
        if (!seen && waitpid(pid, &status, WNOHANG) == pid)
            FAIL() << "the tool ended before it could be stopped";
    }
    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(out.Names(), std::vector<std::string> {});
}

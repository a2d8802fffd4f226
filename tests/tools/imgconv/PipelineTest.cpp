#include "ImgconvTestSupport.h"
#include "tools/imgconv/BudgetedConversion.h"
#include "tools/imgconv/ConversionPipeline.h"
#include "tools/imgconv/FrameFiles.h"
#include "tools/imgconv/QualityScale.h"

#include <cstdio>
#include <gtest/gtest.h>

using namespace imgconv;
using namespace imgconv_test;

namespace {

// A camera pan over a larger picture with a square that jumps about: every frame changes
// most pixels, so runs of frames share palettes, and some frames break a run.
std::vector<Image> PanFrames(int count)
{
    const Image scene = TestPicture(96 + count * 5, 240, 3);
    std::vector<Image> frames;
    for (int i = 0; i < count; ++i) {
        Image frame = Image::Filled(96, 60, 0, 0, 0);
        for (int y = 0; y < 60; ++y) {
            for (int x = 0; x < 96; ++x)
                std::copy_n(scene.At(x + i * 5, y), 4, frame.At(x, y));
        }
        if (i % 5 == 3)
            frame.FillRect(10 + i, 20, 30, 30, 20, 60, 250);
        frames.push_back(frame);
    }
    return frames;
}

void WriteFrames(const TempFolder& folder, const std::vector<Image>& frames)
{
    for (size_t i = 0; i < frames.size(); ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "DasmereTemp%08zu.png", i + 1);
        WritePng(folder / name, frames[i]);
    }
}

std::string Convert(const TempFolder& folder, const std::string& name, int threads,
    const QuantizeSettings& settings = QuantizeSettings())
{
    CommandLine command;
    command.delay = 10;
    command.wildcard = folder / "DasmereTemp*.png";
    command.output = folder / name;
    FrameFileList files = ListFrameFiles(command.wildcard);
    ConversionPipeline pipeline(command, files.paths, settings, threads);
    EXPECT_TRUE(pipeline.Run()) << pipeline.Error();
    return command.output;
}

} // namespace

TEST(ConversionPipeline, OutputDoesNotDependOnTheNumberOfThreads)
{
    const TempFolder folder;
    const std::vector<Image> frames = PanFrames(22);
    WriteFrames(folder, frames);
    const std::vector<uint8_t> one = ReadBytes(Convert(folder, "one.gif", 1));
    for (int threads : { 2, 5 }) {
        SCOPED_TRACE(threads);
        EXPECT_EQ(ReadBytes(Convert(folder, "many.gif", threads)), one);
    }

    const GifInfo gif = ReadGif(folder / "one.gif");
    ASSERT_TRUE(gif.ok);
    ASSERT_EQ(gif.frames.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i)
        EXPECT_LT(MeanError(frames[i], gif.frames[i].canvas), 4.0) << "frame " << i;
}

// Every point of the quality scale moves the thresholds that threads apply to their own
// frames; none of them may depend on how the frames were shared out.
TEST(ConversionPipeline, EveryQualityGivesTheSameBytesForOneAndFourThreads)
{
    const TempFolder folder;
    const std::vector<Image> frames = PanFrames(14);
    WriteFrames(folder, frames);
    for (double quality : { 1.0, 35.0, 55.0, 77.5, 100.0 }) {
        SCOPED_TRACE(quality);
        const QuantizeSettings settings = SettingsForQuality(QuantizeSettings(), quality);
        EXPECT_EQ(ReadBytes(Convert(folder, "four.gif", 4, settings)),
            ReadBytes(Convert(folder, "one.gif", 1, settings)));
    }
}

// The size watch sees the file grow frame by frame and can end the conversion: then nothing
// is written, and it is not an error.
TEST(ConversionPipeline, ASizeWatchSeesEveryFrameAndCanStopTheConversion)
{
    const TempFolder folder;
    const std::vector<Image> frames = PanFrames(14);
    WriteFrames(folder, frames);
    CommandLine command;
    command.delay = 10;
    command.wildcard = folder / "DasmereTemp*.png";
    const FrameFileList files = ListFrameFiles(command.wildcard);
    const std::vector<std::string> before = folder.Names();

    for (long stopAt : { 0L, 1L, 6L }) {
        SCOPED_TRACE(stopAt);
        command.output = folder / "out.gif";
        ConversionPipeline pipeline(command, files.paths, QuantizeSettings(), 3);
        std::vector<long> seen;
        long long last = 0;
        pipeline.WatchSize([&](long sourceNumber, long long bytes) {
            EXPECT_GT(bytes, last);
            last = bytes;
            seen.push_back(sourceNumber);
            return sourceNumber != stopAt;
        });
        const bool done = pipeline.Run();
        if (stopAt == 0) {
            ASSERT_TRUE(done) << pipeline.Error();
            EXPECT_EQ(seen.size(), frames.size());
            // All but the trailer byte.
            EXPECT_EQ(last + 1, static_cast<long long>(ReadBytes(command.output).size()));
            std::remove(command.output.c_str());
        } else {
            EXPECT_FALSE(done);
            EXPECT_TRUE(pipeline.Stopped());
            EXPECT_EQ(pipeline.Error(), "");
            EXPECT_EQ(seen.back(), stopAt);
            EXPECT_EQ(folder.Names(), before);
        }
    }
}

// Trials stop on the sizes of frames written in order, so a budget lands on the same GIF
// however the frames were shared out.
TEST(BudgetedConversion, TheChosenGifDoesNotDependOnTheNumberOfThreads)
{
    const TempFolder folder;
    const std::vector<Image> frames = PanFrames(30);
    WriteFrames(folder, frames);
    const long long full
        = static_cast<long long>(ReadBytes(Convert(folder, "default.gif", 1)).size());
    CommandLine command;
    command.delay = 10;
    command.wildcard = folder / "DasmereTemp*.png";
    const FrameFileList files = ListFrameFiles(command.wildcard);
    for (double share : { 0.8, 0.5 }) {
        SCOPED_TRACE(share);
        command.maxSize = static_cast<long long>(static_cast<double>(full) * share);
        std::vector<std::vector<uint8_t>> made;
        for (int threads : { 1, 4 }) {
            command.output = folder / ("budget" + std::to_string(threads) + ".gif");
            BudgetedConversion budgeted(command, files.paths, QuantizeSettings(), threads);
            ASSERT_TRUE(budgeted.Run()) << budgeted.Error();
            made.push_back(ReadBytes(command.output));
            EXPECT_LE(static_cast<long long>(made.back().size()), *command.maxSize);
        }
        EXPECT_EQ(made[0], made[1]);
    }
}

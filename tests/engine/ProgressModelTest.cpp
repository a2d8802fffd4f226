#include "engine/ProgressModel.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressModel, EachFileOwnsItsShareOfTheBar)
{
    const struct
    {
        int index, count, first, last;
    } cases[] = {
        {0, 1, 0, 99},
        {0, 2, 0, 49},
        {1, 2, 50, 99},
        {0, 3, 0, 32},
        {1, 3, 33, 65},
        {2, 3, 66, 99},
        {0, 7, 0, 13},
        {6, 7, 85, 99},
        // More files than positions: neighbours share one, none goes past 99.
        {0, 250, 0, 0},
        {1, 250, 0, 0},
        {3, 250, 1, 1},
        {249, 250, 99, 99},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.index) + " of " + std::to_string(c.count));
        EXPECT_EQ(FileProgressModel::FirstPosition(c.index, c.count), c.first);
        EXPECT_EQ(FileProgressModel::LastPosition(c.index, c.count), c.last);
        FileProgressModel model(c.index, c.count, true);
        EXPECT_EQ(model.Current().Position, c.first) << "a file starts at its first position";
        model.Report(ConversionPhase::Gif, 10, 10);
        EXPECT_EQ(model.Current().Position, c.last) << "and ends at its last";
    }
}

TEST(ProgressModel, PhasesAreWeightedByTheirCost)
{
    FileProgressModel gif(0, 1, true);
    gif.Report(ConversionPhase::Frames, 600, 1200);
    EXPECT_NEAR(gif.Current().Fraction, FileProgressModel::kFramesShare / 2, 1e-9);
    gif.Report(ConversionPhase::Frames, 1200, 1200);
    EXPECT_EQ(gif.Current().Position, static_cast<int>(FileProgressModel::kFramesShare * 100));
    gif.Report(ConversionPhase::Gif, 600, 1200);
    EXPECT_NEAR(gif.Current().Fraction, (1 + FileProgressModel::kFramesShare) / 2, 1e-9);
    EXPECT_EQ(gif.Current().Phase, ConversionPhase::Gif);
    EXPECT_EQ(gif.Current().Done, 600);

    // Still images: the frame extractor is all the work.
    FileProgressModel stills(1, 2, false);
    stills.Report(ConversionPhase::Frames, 50, 100);
    EXPECT_EQ(stills.Current().Position, 75);
}

TEST(ProgressModel, NeverGoesBack)
{
    FileProgressModel model(0, 1, true);
    const struct
    {
        ConversionPhase phase;
        long long done, expected;
    } lines[] = {
        {ConversionPhase::Frames, 10, 100},
        {ConversionPhase::Frames, 50, 100},
        {ConversionPhase::Frames, 51, 400},  // a better estimate: more to come
        {ConversionPhase::Frames, 500, 400}, // more than expected
        {ConversionPhase::Gif, 0, 450},
        {ConversionPhase::Frames, 450, 450}, // a late line of the first tool
        {ConversionPhase::Gif, 3, 0},        // nothing known of the total
        {ConversionPhase::Gif, -5, 450},     // garbage
        {ConversionPhase::Gif, 449, 450},
        {ConversionPhase::Gif, 100, 450},
    };
    int position = model.Current().Position;
    double fraction = 0;
    for (const auto& l : lines) {
        model.Report(l.phase, l.done, l.expected);
        EXPECT_GE(model.Current().Position, position) << l.done << "/" << l.expected;
        EXPECT_GE(model.Current().Fraction, fraction) << l.done << "/" << l.expected;
        EXPECT_LE(model.Current().Position, 99);
        position = model.Current().Position;
        fraction = model.Current().Fraction;
    }
    EXPECT_EQ(model.Current().Phase, ConversionPhase::Gif);
}

TEST(ProgressModel, ReadsOnlyWholeProgressLines)
{
    const struct
    {
        const char* line;
        bool ok;
        long long done, expected;
    } cases[] = {
        {"progress 12/1200", true, 12, 1200},
        {"progress 0/0", true, 0, 0},
        {"progress 12/", false, 0, 0},
        {"progress 12", false, 0, 0},
        {"progress -1/5", false, 0, 0},
        {"progress 1/5 frames", false, 0, 0},
        {"video.dll: 1200 frames written", false, 0, 0},
        {"progress 99999999999999999999/1", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const auto& c : cases) {
        long long done = 0;
        long long expected = 0;
        EXPECT_EQ(ParseProgressLine(c.line, &done, &expected), c.ok) << c.line;
        if (c.ok) {
            EXPECT_EQ(done, c.done);
            EXPECT_EQ(expected, c.expected);
        }
    }
}

} // namespace

namespace {

// A size budget's lines name their trial; the model carries it to the host.
TEST(ProgressModel, ReadsTheTrialOfABudgetSearch)
{
    const struct
    {
        const char* line;
        bool ok;
        int trial;
    } cases[] = {
        {"progress 5/30 trial 2", true, 2},
        {"progress 5/30", true, 0},
        {"progress 5/30 trial 0", false, 0},
        {"progress 5/30 trial", false, 0},
        {"progress 5/30 trial 2x", false, 0},
        {"progress 5/30  trial 2", false, 0},
    };
    for (const auto& c : cases) {
        long long done = 0;
        long long expected = 0;
        int trial = -1;
        EXPECT_EQ(ParseProgressLine(c.line, &done, &expected, &trial), c.ok) << c.line;
        if (c.ok) {
            EXPECT_EQ(trial, c.trial) << c.line;
        }
    }
    FileProgressModel model(0, 1, true);
    EXPECT_TRUE(model.Report(ConversionPhase::Gif, 5, 30, 2));
    EXPECT_EQ(model.Current().Trial, 2);
}

} // namespace

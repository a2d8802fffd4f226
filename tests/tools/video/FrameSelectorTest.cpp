#include "tools/video/FrameSelector.h"

#include <gtest/gtest.h>
#include <vector>

using video::FrameSelector;

namespace {

// Feeds frames (time, duration) and returns, for every output file, the index of its frame.
std::vector<int> select(FrameSelector& s, const std::vector<std::pair<double, double>>& frames)
{
    std::vector<int> out;
    int held = -1;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (s.IsBeforeStart(frames[i].first))
            continue;
        if (s.IsPastEnd(frames[i].first))
            break;
        int n = s.Push(frames[i].first, frames[i].second);
        for (int k = 0; k < n; ++k)
            out.push_back(held);
        held = static_cast<int>(i);
    }
    int n = s.Finish();
    for (int k = 0; k < n; ++k)
        out.push_back(held);
    return out;
}

std::vector<std::pair<double, double>> constantRate(double fps, int count, double first = 0.0)
{
    std::vector<std::pair<double, double>> f;
    for (int i = 0; i < count; ++i)
        f.emplace_back(first + i / fps, 1.0 / fps);
    return f;
}

TEST(FrameSelector, DropsToTheNearestFrames)
{
    FrameSelector s(10.0, std::nullopt);
    auto out = select(s, constantRate(25.0, 25)); // 1 s
    ASSERT_EQ(out.size(), 10u);
    // Slot k at k/10 s takes the last frame whose time rounds to slot k or earlier.
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 3);
    EXPECT_EQ(out[2], 6);
    EXPECT_EQ(out[9], 23);
}

TEST(FrameSelector, DuplicatesForHigherRates)
{
    FrameSelector s(50.0, std::nullopt);
    auto out = select(s, constantRate(25.0, 5));
    EXPECT_EQ(out, (std::vector<int> { 0, 0, 1, 1, 2, 2, 3, 3, 4, 4 }));
}

TEST(FrameSelector, HalfSlotsRoundUp)
{
    FrameSelector s(12.5, std::nullopt);
    EXPECT_EQ(select(s, constantRate(25.0, 75)).size(), 38u); // 37.5 slots
}

TEST(FrameSelector, DurationCountsFromTheFirstFrameTaken)
{
    FrameSelector s(10.0, 1.0);
    auto frames = constantRate(25.0, 100, -0.2);
    auto out = select(s, frames);
    ASSERT_EQ(out.size(), 10u);
    EXPECT_EQ(out.front(), 5 + 1); // frame 5 is at 0 s; frame 6 (0.04 s) still rounds to slot 0
}

TEST(FrameSelector, SparseFramesFillTheGaps)
{
    FrameSelector s(2.0, std::nullopt);
    auto out = select(s, { { 0.0, 2.0 }, { 2.0, 1.0 } });
    EXPECT_EQ(out, (std::vector<int> { 0, 0, 0, 0, 1, 1 }));
}

TEST(FrameSelector, ShortClipStillGivesItsFrame)
{
    FrameSelector s(0.3, std::nullopt);
    EXPECT_EQ(select(s, constantRate(25.0, 12)).size(), 1u);
    FrameSelector none(1.0, std::nullopt);
    EXPECT_TRUE(select(none, { { -1.0, 0.04 } }).empty());
}

} // namespace

namespace {

TEST(FrameSelector, ExpectedCountFromLengthDurationAndRate)
{
    const struct
    {
        double rate;
        std::optional<double> duration, remaining;
        int64_t expected;
    } cases[] = {
        { 10, std::nullopt, 120.0, 1200 }, // to the end of a two-minute clip
        { 10, 15.0, 120.0, 150 }, // a requested duration shorter than what is left
        { 10, 200.0, 120.0, 1200 }, // longer: the clip ends first
        { 15, 7.5, std::nullopt, 113 }, // length unknown, duration given
        { 0.1, std::nullopt, 3.0, 1 }, // less than one interval still gives a frame
        { 10, std::nullopt, std::nullopt, 0 }, // nothing known
        { 10, std::nullopt, -2.0, 1 }, // a start past the stated end
    };
    for (const auto& c : cases)
        EXPECT_EQ(FrameSelector::expectedCount(c.rate, c.duration, c.remaining), c.expected)
            << c.rate << " " << c.duration.value_or(-1) << " " << c.remaining.value_or(-1);
}

} // namespace

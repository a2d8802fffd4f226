#include "engine/FrameFitting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using Step = FrameFitting::Step;

// The steps a fitting takes when each trial's size follows `size` (bytes at the lowest
// quality, for a frame rate and a long side), with a budget of 1000000 bytes.
template <typename Size>
std::vector<Step> Walk(Step first, Size size, long long* fitted = nullptr)
{
    const long long budget = 1'000'000;
    FrameFitting fitting(budget, first);
    fitting.Record(first, false, size(first));
    std::vector<Step> steps;
    while (const auto step = fitting.Next()) {
        steps.push_back(*step);
        const long long lowest = size(*step);
        // The image tool's search: a GIF between 90 % and 100 % when the lowest quality fits
        // with room; just the lowest when it fits with little; none when it does not fit.
        if (lowest > budget)
            fitting.Record(*step, false, lowest);
        else
            fitting.Record(*step, true, std::min(budget, lowest * 4) * 95 / 100);
        if (steps.size() > 20)
            break;
    }
    if (fitted)
        *fitted = fitting.Fitted() ? 1 : 0;
    return steps;
}

TEST(FrameFitting, GivesUpTheRateFirstThenTheSizeWithinTheirFloors)
{
    // Size ~ frames^0.8 x pixels^0.8; 10 fps at 640x360 takes 3 MB at the lowest quality.
    const Step first { 10, 640, 360 };
    auto size = [](const Step& s) {
        return static_cast<long long>(3'000'000 * std::pow(s.Rate / 10, 0.8)
            * std::pow(static_cast<double>(s.Width) / 640, 1.6));
    };
    long long fitted = 0;
    const std::vector<Step> steps = Walk(first, size, &fitted);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(fitted, 1);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_GE(steps[i].Rate, FrameFitting::kLowestRate);
        EXPECT_GE(std::max(steps[i].Width, steps[i].Height), FrameFitting::kShortestLongSide);
        // The picture keeps its proportions.
        EXPECT_NEAR(static_cast<double>(steps[i].Width) / steps[i].Height, 640.0 / 360, 0.02);
        // The size goes down only once the rate is at its floor.
        if (steps[i].Width < 640) {
            EXPECT_EQ(steps[i].Rate, FrameFitting::kLowestRate);
        }
    }
    EXPECT_LE(steps.size(), 4u) << "steps chosen by measurement reach the aim in a few trials";
}

TEST(FrameFitting, StopsAtTheFloorsWhenNothingFitsAndStepsBackWhenTooMuchWasGivenUp)
{
    // Nothing ever fits: the last step is 5 fps at 120 pixels, then nothing is left to try.
    long long fitted = 1;
    const std::vector<Step> none
        = Walk({ 12, 1280, 720 }, [](const Step&) { return 5'000'000LL; }, &fitted);
    ASSERT_FALSE(none.empty());
    EXPECT_EQ(fitted, 0);
    EXPECT_LE(none.size(), static_cast<std::size_t>(FrameFitting::kMostTrials - 1));

    // A first step that overshoots (the GIF is far under the limit) is followed by one
    // between it and the last that did not fit.
    FrameFitting fitting(1'000'000, { 10, 320, 240 });
    fitting.Record({ 10, 320, 240 }, false, 1'100'000);
    const auto step = fitting.Next();
    ASSERT_TRUE(step);
    EXPECT_LT(step->Rate, 10);
    fitting.Record(*step, true, 300'000);
    EXPECT_FALSE(fitting.FitsWell());
    const auto back = fitting.Next();
    ASSERT_TRUE(back);
    EXPECT_GT(back->Rate, step->Rate);
    EXPECT_LT(back->Rate, 10);
    fitting.Record(*back, true, 950'000);
    EXPECT_TRUE(fitting.FitsWell());
    EXPECT_FALSE(fitting.Next());
    EXPECT_EQ(*fitting.Fitted(), *back);
    EXPECT_EQ(fitting.GivenUp(*back), std::to_string(static_cast<int>(back->Rate)) + " fps");
    EXPECT_EQ(fitting.GivenUp({ 5, 160, 120 }), "5 fps, 160\u00d7120");
    EXPECT_EQ(fitting.GivenUp({ 10, 160, 120 }), "160\u00d7120");

    // A clip already at 5 fps and 120 pixels has nothing to give up.
    FrameFitting small(1000, { 5, 120, 90 });
    small.Record({ 5, 120, 90 }, false, 5000);
    EXPECT_FALSE(small.Next());
}

TEST(FrameFitting, ReadsTheImageToolsLinesAndRewritesOptions)
{
    long long smallest = 0;
    EXPECT_TRUE(ParseCannotFit(
        "cannot fit in 2000000 bytes: the smallest GIF, at quality 1, takes 3100000 bytes",
        &smallest));
    EXPECT_EQ(smallest, 3'100'000);
    for (const char* other : { "has no video stream", "cannot fit in 5 bytes", "",
             "cannot write 'x.gif': No space left on device" })
        EXPECT_FALSE(ParseCannotFit(other, &smallest)) << other;

    int quality = 0;
    EXPECT_TRUE(ParseKeptQuality("kept quality 34 (1900000 bytes)", &quality));
    EXPECT_EQ(quality, 34);
    EXPECT_FALSE(ParseKeptQuality("quality 34", &quality));
    EXPECT_FALSE(ParseKeptQuality("kept quality 0", &quality));

    const std::string video = "\"-y\" \"-ss\" \"0\"    \"-r\" \"10.00\"";
    EXPECT_EQ(OptionValue(video, "-r"), "10.00");
    EXPECT_EQ(OptionValue(video, "-s"), "");
    EXPECT_EQ(WithOption(WithOption(video, "-r", "5.00"), "-s", "160x120", { "-qscale", "-r" }),
        "\"-y\" \"-ss\" \"0\" \"-s\" \"160x120\" \"-r\" \"5.00\"");
    EXPECT_EQ(WithOption(video, "-loop", "1"),
        "\"-y\" \"-ss\" \"0\" \"-r\" \"10.00\" \"-loop\" \"1\"");
    EXPECT_EQ(WithOption("\"-s\" \"auto x\" \"-r\" \"1\"", "-s", "20x10", { "-r" }),
        "\"-s\" \"20x10\" \"-r\" \"1\"");
    EXPECT_EQ(WithOption(" \"-delay\" \"10\" \"-loop\" \"0\"", "-delay", "20"),
        "\"-delay\" \"20\" \"-loop\" \"0\"");
}

} // namespace

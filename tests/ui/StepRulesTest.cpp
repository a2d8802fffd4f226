#include "ui/OptionsStepRules.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace {

struct StepCase
{
    StepField field;
    const char* text;
    int step;
    const char* expected;
};

const char* Name(StepField field)
{
    switch (field) {
    case StepField::Start:
        return "start";
    case StepField::End:
        return "end";
    case StepField::Width:
        return "width";
    case StepField::Height:
        return "height";
    case StepField::Quality:
        return "quality";
    case StepField::Interval:
        return "interval";
    case StepField::FrameRate:
        return "frame rate";
    case StepField::GifQuality:
        return "GIF quality";
    }
    return "?";
}

using F = StepField;

const StepCase kCases[] = {
    // GIF quality cycles through "Default", 1 ... 100 by whole numbers.
    { F::GifQuality, "Default", +1, "1" },
    { F::GifQuality, "Default", -1, "100" },
    { F::GifQuality, "1", -1, "Default" },
    { F::GifQuality, "100", +1, "Default" },
    { F::GifQuality, "34", +1, "35" },
    { F::GifQuality, "34.9", -1, "33" },
    { F::GifQuality, "250", -1, "100" },
    { F::GifQuality, "-4", +1, "1" },
    { F::GifQuality, "abc", -1, "Default" },
    // Start stops at 0 and 12000; a text without digits counts as 0.
    { F::Start, "abc", +1, "1" },
    { F::Start, "", +1, "1" },
    { F::Start, "0", -1, "0" },
    { F::Start, "-5", +1, "0" },
    { F::Start, "-5", -1, "0" },
    { F::Start, "7 s", +1, "8" },
    { F::Start, "11999", +1, "12000" },
    { F::Start, "12000", +1, "12000" },
    { F::Start, "20000", -1, "12000" },
    { F::Start, "99999999999999999999", +1, "12000" },
    // End steps between "Default" and 1, and stops at 12000.
    { F::End, "Default", +1, "1" },
    { F::End, "1", -1, "Default" },
    { F::End, "0", -1, "Default" },
    { F::End, "2", -1, "1" },
    { F::End, "-3", +1, "1" },
    { F::End, "12000", +1, "12000" },
    { F::End, "13000", -1, "12000" },
    // Width wraps within 1..3000.
    { F::Width, "3000", +1, "1" },
    { F::Width, "Default", +1, "3000" },
    { F::Width, "Default", -1, "3000" },
    { F::Width, "1", -1, "3000" },
    { F::Width, "3000", -1, "2999" },
    { F::Width, "3001", -1, "1" },
    { F::Width, "5000", +1, "1" },
    { F::Width, "320px", +1, "321" },
    // Height wraps only at 999999.
    { F::Height, "3000", +1, "3001" },
    { F::Height, "6000", +1, "6001" },
    { F::Height, "Default", +1, "3000" },
    { F::Height, "1", -1, "3000" },
    { F::Height, "999999", +1, "1" },
    { F::Height, "999999", -1, "999998" },
    { F::Height, "1000000", -1, "1" },
    // Quality cycles "Default", 0.01 ... 255.00, "Default".
    { F::Quality, "Default", -1, "255.0" },
    { F::Quality, "255.0", -1, "254.99" },
    { F::Quality, "255.00", +1, "Default" },
    { F::Quality, "Default", +1, "0.01" },
    { F::Quality, "0.01", -1, "Default" },
    { F::Quality, "0.02", -1, "0.01" },
    { F::Quality, "0.005", +1, "0.01" },
    { F::Quality, "-1", -1, "Default" },
    { F::Quality, "default", -1, "Default" }, // only the exact word jumps to the top
    { F::Quality, "300", -1, "255.0" },
    { F::Quality, "300", +1, "Default" },
    { F::Quality, "1.5", +1, "1.51" },
    { F::Quality, "254.99", +1, "255.00" },
    { F::Quality, "1e999", -1, "255.0" },
    // Interval and frame rate cycle through 0.01 ... 100.00.
    { F::Interval, "0.01", -1, "100.00" },
    { F::Interval, "100.00", +1, "0.01" },
    { F::Interval, "1.00", +1, "1.01" },
    { F::Interval, "1.00", -1, "0.99" },
    { F::Interval, "0", +1, "0.01" },
    { F::Interval, "abc", -1, "100.00" },
    { F::Interval, "150", -1, "100.00" },
    { F::Interval, "150", +1, "0.01" },
    { F::Interval, "99.99", +1, "100.00" },
    { F::Interval, "0.0099995", +1, "0.01" },
    { F::FrameRate, "0", +1, "0.01" },
    { F::FrameRate, "0", -1, "100.00" },
    { F::FrameRate, "0.01", +1, "0.02" },
    { F::FrameRate, "0.01", -1, "100.00" },
    { F::FrameRate, "100", +1, "0.01" },
    { F::FrameRate, "-7", +1, "0.01" },
    { F::FrameRate, "25", -1, "24.99" },
    // Just below 0.01 the frame rate steps on from its value, the interval starts over.
    { F::FrameRate, "0.0099995", +1, "0.02" },
    // Steps other than +1 and -1 leave the text alone.
    { F::Start, "5", 2, "5" },
    { F::Quality, "Default", -5, "Default" },
    { F::Width, "abc", 0, "abc" },
};

TEST(StepRules, Table)
{
    for (const StepCase& c : kCases)
        EXPECT_EQ(SteppedFieldText(c.field, c.text, c.step), c.expected)
            << Name(c.field) << " \"" << c.text << "\" step " << c.step;
}

std::string Hundredths(int n)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%02d", n / 100, n % 100);
    return buf;
}

// Stepping many times must visit every value once, without drift, and come
// back to where it started.
TEST(StepRules, QualityCyclesThroughEveryValue)
{
    std::string text = "Default";
    for (int n = 1; n <= 25500; ++n) {
        text = SteppedFieldText(StepField::Quality, text, +1);
        ASSERT_EQ(text, Hundredths(n));
    }
    EXPECT_EQ(SteppedFieldText(StepField::Quality, text, +1), "Default");

    text = SteppedFieldText(StepField::Quality, "Default", -1);
    ASSERT_EQ(text, "255.0");
    for (int n = 25499; n >= 1; --n) {
        text = SteppedFieldText(StepField::Quality, text, -1);
        ASSERT_EQ(text, Hundredths(n));
    }
    EXPECT_EQ(SteppedFieldText(StepField::Quality, text, -1), "Default");
}

TEST(StepRules, IntervalAndFrameRateCycleThroughEveryValue)
{
    for (StepField field : { StepField::Interval, StepField::FrameRate }) {
        std::string text = "100.00";
        for (int n = 1; n <= 10000; ++n) {
            text = SteppedFieldText(field, text, +1);
            ASSERT_EQ(text, Hundredths(n)) << Name(field);
        }
        for (int n = 9999; n >= 1; --n) {
            text = SteppedFieldText(field, text, -1);
            ASSERT_EQ(text, Hundredths(n)) << Name(field);
        }
        EXPECT_EQ(SteppedFieldText(field, text, -1), "100.00") << Name(field);
    }
}

} // namespace

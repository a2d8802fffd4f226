#include "ui/OptionsStepRules.h"

#include "engine/SettingsText.h"

namespace {

// Start and end stop at these bounds rather than wrapping.
constexpr long long kClipLimit = 12000;
// Width wraps within 1..3000; height wraps only far beyond the sizes that are
// stored, so stepping up can leave it above 6000 (stored then as "Default").
constexpr long long kWidthLimit = 3000;
constexpr long long kHeightWrap = 999999;

std::string StepStart(long long i, int step)
{
    if (step > 0) {
        if (i < 0)
            return "0";
        if (i >= kClipLimit)
            return FormatInteger(kClipLimit);
        return FormatInteger(i + 1);
    }
    if (i <= 0)
        return "0";
    if (i > kClipLimit)
        return FormatInteger(kClipLimit);
    return FormatInteger(i - 1);
}

// Below 1 the end reads "Default" (to the end of the video).
std::string StepEnd(long long i, int step)
{
    if (step > 0) {
        if (i >= kClipLimit)
            return FormatInteger(kClipLimit);
        if (i < 1)
            return "1";
        return FormatInteger(i + 1);
    }
    if (i <= 1)
        return "Default";
    if (i > kClipLimit)
        return FormatInteger(kClipLimit);
    return FormatInteger(i - 1);
}

std::string StepSize(long long i, int step, long long wrapAt)
{
    if (step > 0) {
        if (i < 1)
            return FormatInteger(kWidthLimit);
        if (i >= wrapAt)
            return "1";
        return FormatInteger(i + 1);
    }
    if (i <= 1)
        return FormatInteger(kWidthLimit);
    if (i > wrapAt)
        return "1";
    return FormatInteger(i - 1);
}

// Cycles "Default", 0.01 ... 255.00, "Default".
std::string StepQuality(const std::string& text, double r, int step)
{
    if (step > 0) {
        if (r - 0.01 < -0.00000001)
            return "0.01";
        if (r >= 255)
            return "Default";
        return FormatFixed2(r + 0.01);
    }
    if (text == "Default")
        return "255.0";
    if (r - 0.01 <= 0)
        return "Default";
    if (r > 255)
        return "255.0";
    return FormatFixed2(r - 0.01);
}

// Interval and frame rate cycle through 0.01 ... 100.00; they differ only in
// where stepping up from below the range starts over.
std::string StepRate(double r, int step, bool intervalField)
{
    if (step > 0) {
        if (intervalField ? r < 0.01 : r - 0.01 < -0.000001)
            return "0.01";
        if (r >= 100)
            return "0.01";
        return FormatFixed2(r + 0.01);
    }
    if (r - 0.01 < 0.000001)
        return "100.00";
    if (r > 100)
        return "100.00";
    return FormatFixed2(r - 0.01);
}

} // namespace

std::string SteppedFieldText(StepField field, const std::string& text, int step)
{
    if (step != 1 && step != -1)
        return text;
    switch (field) {
    case StepField::Start:
        return StepStart(IntegerValue(text), step);
    case StepField::End:
        return StepEnd(IntegerValue(text), step);
    case StepField::Width:
        return StepSize(IntegerValue(text), step, kWidthLimit);
    case StepField::Height:
        return StepSize(IntegerValue(text), step, kHeightWrap);
    case StepField::Quality:
        return StepQuality(text, RealValue(text), step);
    case StepField::Interval:
        return StepRate(RealValue(text), step, true);
    case StepField::FrameRate:
        return StepRate(RealValue(text), step, false);
    }
    return text;
}

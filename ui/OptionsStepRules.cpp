#include "ui/OptionsStepRules.h"

#include "engine/SettingsText.h"

namespace {

std::string IntegerText(double value)
{
    return FormatInteger(static_cast<long long>(value));
}

std::string StepClamp(const SettingField& f, long long i, int step)
{
    if (step > 0) {
        if (i < f.StepLow)
            return IntegerText(f.StepLow);
        if (i >= f.StepHigh)
            return IntegerText(f.StepHigh);
        return FormatInteger(i + 1);
    }
    if (i <= f.StepLow)
        return IntegerText(f.StepLow);
    if (i > f.StepHigh)
        return IntegerText(f.StepHigh);
    return FormatInteger(i - 1);
}

std::string StepClampOrDefault(const SettingField& f, long long i, int step)
{
    if (step > 0) {
        if (i >= f.StepHigh)
            return IntegerText(f.StepHigh);
        if (i < f.StepLow)
            return IntegerText(f.StepLow);
        return FormatInteger(i + 1);
    }
    if (i <= f.StepLow)
        return "Default";
    if (i > f.StepHigh)
        return IntegerText(f.StepHigh);
    return FormatInteger(i - 1);
}

std::string StepWrap(const SettingField& f, long long i, int step)
{
    if (step > 0) {
        if (i < f.StepLow)
            return IntegerText(f.StepRestart);
        if (i >= f.StepHigh)
            return IntegerText(f.StepLow);
        return FormatInteger(i + 1);
    }
    if (i <= f.StepLow)
        return IntegerText(f.StepRestart);
    if (i > f.StepHigh)
        return IntegerText(f.StepLow);
    return FormatInteger(i - 1);
}

// Whole numbers through "Default", StepLow ... StepHigh and back to "Default".
std::string StepIntegerCycleWithDefault(
    const SettingField& f, const std::string& text, long long i, int step)
{
    if (step > 0) {
        if (i < f.StepLow)
            return IntegerText(f.StepLow);
        if (i >= f.StepHigh)
            return "Default";
        return FormatInteger(i + 1);
    }
    if (text == "Default" || i > f.StepHigh)
        return IntegerText(f.StepHigh);
    if (i <= f.StepLow)
        return "Default";
    return FormatInteger(i - 1);
}

constexpr double kRealStep = 0.01;

// The top of the range, as the field has always shown it when stepping down from
// "Default" or from above.
std::string CycleTopText(const SettingField& f)
{
    return IntegerText(f.StepHigh) + ".0";
}

std::string StepCycleWithDefault(const SettingField& f, const std::string& text, double r, int step)
{
    if (step > 0) {
        if (r - f.StepLow < -0.00000001)
            return FormatFixed2(f.StepLow);
        if (r >= f.StepHigh)
            return "Default";
        return FormatFixed2(r + kRealStep);
    }
    if (text == "Default")
        return CycleTopText(f);
    if (r - f.StepLow <= 0)
        return "Default";
    if (r > f.StepHigh)
        return CycleTopText(f);
    return FormatFixed2(r - kRealStep);
}

// The interval and the frame rate differ only in where stepping up from below the
// range starts over.
std::string StepCycle(const SettingField& f, double r, int step)
{
    if (step > 0) {
        const bool below = &f == &kIntervalField ? r < f.StepLow : r - f.StepLow < -0.000001;
        if (below || r >= f.StepHigh)
            return FormatFixed2(f.StepLow);
        return FormatFixed2(r + kRealStep);
    }
    if (r - f.StepLow < 0.000001 || r > f.StepHigh)
        return FormatFixed2(f.StepHigh);
    return FormatFixed2(r - kRealStep);
}

} // namespace

const SettingField& FieldOf(StepField field)
{
    switch (field) {
    case StepField::Start:
        return kStartField;
    case StepField::End:
        return kEndField;
    case StepField::Width:
        return kWidthField;
    case StepField::Height:
        return kHeightField;
    case StepField::Quality:
        return kQualityField;
    case StepField::Interval:
        return kIntervalField;
    case StepField::FrameRate:
        return kFrameRateField;
    case StepField::GifQuality:
        return kGifQualityField;
    }
    return kStartField;
}

std::string SteppedFieldText(StepField which, const std::string& text, int step)
{
    if (step != 1 && step != -1)
        return text;
    const SettingField& f = FieldOf(which);
    // A text that is not a number steps as its leading number of the field's kind.
    if (f.Kind == SettingKind::Real) {
        const double r = RealValue(text);
        if (f.Step == StepRule::CycleWithDefault)
            return StepCycleWithDefault(f, text, r, step);
        if (f.Step == StepRule::Cycle)
            return StepCycle(f, r, step);
        return text;
    }
    const long long i = IntegerValue(text);
    switch (f.Step) {
    case StepRule::Clamp:
        return StepClamp(f, i, step);
    case StepRule::ClampOrDefault:
        return StepClampOrDefault(f, i, step);
    case StepRule::Wrap:
        return StepWrap(f, i, step);
    case StepRule::CycleWithDefault:
        return StepIntegerCycleWithDefault(f, text, i, step);
    default:
        return text;
    }
}

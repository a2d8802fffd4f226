#pragma once

#include "engine/Settings.h"

#include <string>

// The edit fields of the options dialog that have step arrows.
enum class StepField
{
    Start,
    End,
    Width,
    Height,
    Quality,
    Interval,
    FrameRate,
    GifQuality,
};

// The settings field behind each of them, with its step rule.
const SettingField& FieldOf(StepField field);

// The text that replaces a field's text after a step of the spin arrows or of
// the Up/Down keys. Only steps of +1 and -1 change anything; any other step
// returns the text unchanged. The field's text is the only state: a text that
// is not a number steps as its leading-number value (0 when there is none).
std::string SteppedFieldText(StepField field, const std::string& text, int step);

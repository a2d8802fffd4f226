#pragma once

#include "widgets/MessageBoxParams.h"

#include <QStringList>
#include <vector>

// One button of a message box before it is placed: its number and its caption slot.
struct MessageBoxButtonSpec
{
    int id = 0;
    CaptionIndex caption = CaptionIndex::Ok;
};

// Longest caption a slot holds.
constexpr int MaxCaptionLength = 99;
// Longest custom-button, report-caption and icon-name text.
constexpr int MaxParamTextLength = 259;

// The string number of a caption slot.
std::uint32_t CaptionStringId(CaptionIndex index);

// The 19 captions of a box: built-in texts, replaced by the record's custom captions
// or by the string module, and the Report caption from the record.
CaptionArray FillButtonCaptions(std::uint32_t style, const MessageBoxParams& params);

// The buttons of the style's button set, left to right, "to All" buttons included.
// Unknown sets give a single OK button.
std::vector<MessageBoxButtonSpec> ButtonSetButtons(std::uint32_t style);

// The custom-button captions of the record (at most four), empty when it has none.
QStringList CustomButtonCaptions(const MessageBoxParams& params);

// The Report caption the record gives (string number first, then text); empty for none.
QString ReportCaptionOf(const MessageBoxParams& params);

// The check-box bit of the style (the first of the three in bit order), 0 for none.
std::uint32_t CheckBoxBit(std::uint32_t style);
CaptionIndex CheckBoxCaption(std::uint32_t checkBoxBit);

// What Escape, the close box and the Cancel command give: 1 or 2, or 0 for nothing.
int CancelResult(std::uint32_t style, bool customButtons);

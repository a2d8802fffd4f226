#pragma once

#include "widgets/DialogUnits.h"
#include "widgets/MessageBoxCaptions.h"

#include <QRect>
#include <QSize>
#include <functional>

// Font and screen measurements the layout is computed from.
struct MessageBoxMetrics
{
    int baseUnitX = 8; // average width of A-Z a-z in the message font
    int baseUnitY = 16; // height of the message font
    int screenWidth = 1024;
    QSize iconSize { 32, 32 };
    int lineHeight = 16; // height of "My"
    // Width of a one-line text.
    std::function<int(const QString&)> textWidth;
    // Size of a text wrapped at words into lines at most maxWidth wide.
    std::function<QSize(const QString& text, int maxWidth)> wrappedTextSize;
};

// What the layout depends on besides the measurements.
struct MessageBoxLayoutInput
{
    std::uint32_t style = 0;
    QString message;
    CaptionArray captions; // from FillButtonCaptions
    QStringList customButtons; // replace the set's buttons when not empty
    bool hasReport = false;
    int timeoutSeconds = 0;
    std::uint32_t options = 0; // MessageBoxOption bits
    bool hasIcon = false; // an icon was obtained for the box
    bool hasBackgroundColor = false;
};

struct MessageBoxPlacedButton
{
    int id = 0;
    QString caption;
    QRect rect;
};

// Sizes derived from the dialog base units.
struct MessageBoxButtonSizes
{
    int minButtonWidth = 0;
    int buttonHeight = 0;
    int countdownExtra = 0;
    int checkBoxHeight = 0;
};

// Where every control of the box goes, in client pixels.
struct MessageBoxLayout
{
    QSize clientSize;
    int textWrapWidth = 0; // the width the message was wrapped to
    QRect textRect;
    QRect iconRect; // empty without an icon
    std::vector<MessageBoxPlacedButton> buttons; // push buttons in creation order
    int defaultButton = 0; // index into buttons
    std::uint32_t checkBoxBit = 0; // 0: no check box
    QString checkBoxCaption;
    QRect checkBoxRect;
    int cancelResult = 0; // what Escape and the close box give; 0 = nothing
};

MessageBoxButtonSizes ComputeButtonSizes(int baseUnitX, int baseUnitY, bool modernLook);

// The layout of a box: a pure function of its style, texts, options and measurements.
MessageBoxLayout computeLayout(
    const MessageBoxLayoutInput& input, const MessageBoxMetrics& metrics);

// The layout as a dialog-unit description gives it back: every x-value through
// x * 4 / bx and back, every y-value through y * 8 / by and back.
MessageBoxLayout MapThroughDialogUnits(
    const MessageBoxLayout& layout, int baseUnitX, int baseUnitY);

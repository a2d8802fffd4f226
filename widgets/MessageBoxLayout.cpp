#include "widgets/MessageBoxLayout.h"

#include <algorithm>
#include <cstdint>

namespace {

// A rectangle from its edges, right and bottom exclusive.
QRect Edges(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

int ButtonWidth(const QString& caption, const MessageBoxMetrics& metrics,
    const MessageBoxButtonSizes& sizes, int timeoutSeconds)
{
    int width = std::max(metrics.textWidth(caption) + 20, sizes.minButtonWidth);
    if (timeoutSeconds != 0)
        width += sizes.countdownExtra;
    return width;
}

int DefaultButtonIndex(std::uint32_t style, int buttonCount)
{
    const int n = static_cast<int>((style & MessageBoxStyle::DefaultButtonMask) >> 8);
    if (n > 5 || n >= buttonCount)
        return 0;
    return n;
}

int ToDialogUnitsAndBack(int value, int baseUnit, int unitsPerBase)
{
    if (baseUnit <= 0)
        return value;
    const int dialogUnits = value * unitsPerBase / baseUnit;
    return ScaleRounded(dialogUnits, baseUnit, unitsPerBase);
}

QRect MapRect(const QRect& r, int bx, int by)
{
    if (r.isNull())
        return r;
    return QRect(ToDialogUnitsAndBack(r.x(), bx, 4), ToDialogUnitsAndBack(r.y(), by, 8),
        ToDialogUnitsAndBack(r.width(), bx, 4), ToDialogUnitsAndBack(r.height(), by, 8));
}

} // namespace

MessageBoxButtonSizes ComputeButtonSizes(int bx, int by, bool modernLook)
{
    const DialogUnits du { bx, by };
    MessageBoxButtonSizes sizes;
    sizes.minButtonWidth = du.X(38) + (modernLook ? du.X(6) : 0);
    sizes.buttonHeight = du.Y(12) + (modernLook ? du.Y(1) : 0);
    sizes.countdownExtra = du.X(13);
    sizes.checkBoxHeight = du.Y(10);
    return sizes;
}

MessageBoxLayout computeLayout(const MessageBoxLayoutInput& input, const MessageBoxMetrics& metrics)
{
    const bool modern = input.options & MessageBoxOption::ModernLook;
    const MessageBoxButtonSizes sizes
        = ComputeButtonSizes(metrics.baseUnitX, metrics.baseUnitY, modern);
    const std::uint32_t iconValue = input.style & MessageBoxStyle::IconMask;
    MessageBoxLayout layout;

    // The widest the message may be.
    int maxTextWidth = modern ? metrics.screenWidth / 2 - 10 : metrics.screenWidth / 2 + 80;
    if (input.options & MessageBoxOption::NarrowWidth)
        maxTextWidth = metrics.screenWidth / 3;
    if (iconValue != 0)
        maxTextWidth -= metrics.iconSize.width() + 16;
    maxTextWidth = std::max(maxTextWidth, 1);
    layout.textWrapWidth = maxTextWidth;

    const QSize textSize = metrics.wrappedTextSize(input.message, maxTextWidth);
    const int tw = textSize.width();
    const int th = textSize.height();

    int textLeft = 16;
    int textTop = modern ? 32 : 16;
    int textRight = tw + 28;
    int textBottom = modern ? th + 61 : th + 29;
    int clientWidth = (textRight - textLeft) + 16 + (modern ? 16 : 0);
    int clientHeight = (textBottom - textTop) + 16;

    QRect iconRect;
    if (input.hasIcon) {
        const int m = modern ? 24 : 8;
        const int iw = metrics.iconSize.width();
        const int ih = metrics.iconSize.height();
        textLeft += m + iw;
        textRight += m + iw;
        clientWidth = textRight + (modern ? 24 : 8);
        iconRect = Edges(m, m, m + iw + 2, m + ih + 2);
        if (modern && th > metrics.lineHeight) {
            const int height = textBottom - textTop;
            textTop = iconRect.top();
            textBottom = textTop + height;
        }
    }
    layout.textRect = Edges(textLeft, textTop, textRight, textBottom);
    layout.iconRect = iconRect;

    // The button row.
    const bool background = input.hasBackgroundColor || modern;
    int y = std::max(textBottom, input.hasIcon ? iconRect.top() + iconRect.height() : 0) + 5;
    if (input.hasIcon || background)
        y += 9;

    std::vector<MessageBoxPlacedButton> buttons;
    if (!input.customButtons.isEmpty()) {
        int id = MessageBoxButton::Custom1;
        for (const QString& caption : input.customButtons)
            buttons.push_back({ id++, caption, {} });
    } else {
        for (const MessageBoxButtonSpec& spec : ButtonSetButtons(input.style))
            buttons.push_back({ spec.id, input.captions[static_cast<int>(spec.caption)], {} });
    }
    if (input.style & MessageBoxStyle::HelpButton)
        buttons.push_back(
            { MessageBoxButton::Help, input.captions[static_cast<int>(CaptionIndex::Help)], {} });
    if (input.hasReport)
        buttons.push_back({ MessageBoxButton::Report,
            input.captions[static_cast<int>(CaptionIndex::Report)], {} });

    std::vector<int> widths;
    int rowWidth = 0;
    for (const MessageBoxPlacedButton& button : buttons) {
        widths.push_back(ButtonWidth(button.caption, metrics, sizes, input.timeoutSeconds));
        rowWidth += widths.back();
    }
    rowWidth += 6 * (static_cast<int>(buttons.size()) - 1);
    clientHeight = y + sizes.buttonHeight + 12;

    if (clientWidth <= rowWidth + 32)
        clientWidth = rowWidth + 32;

    layout.checkBoxBit = CheckBoxBit(input.style);
    int checkBoxWidth = 0;
    if (layout.checkBoxBit) {
        layout.checkBoxCaption
            = input.captions[static_cast<int>(CheckBoxCaption(layout.checkBoxBit))];
        checkBoxWidth = ButtonWidth(layout.checkBoxCaption, metrics, sizes, input.timeoutSeconds)
            + sizes.checkBoxHeight;
        if (clientWidth < checkBoxWidth)
            clientWidth = checkBoxWidth + 16;
    }

    const bool rightAligned = modern || (input.options & MessageBoxOption::RightAlignButtons);
    int x = rightAligned ? clientWidth - rowWidth - 16 : (clientWidth - rowWidth) / 2;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons[i].rect = QRect(x, y, widths[i], sizes.buttonHeight);
        x += widths[i] + 6;
    }

    if (layout.checkBoxBit) {
        const int top = y + sizes.buttonHeight + 12;
        layout.checkBoxRect = QRect(17, top, checkBoxWidth, sizes.checkBoxHeight);
        clientHeight = top + sizes.checkBoxHeight + 8;
        if (clientWidth < checkBoxWidth + 17)
            clientWidth = checkBoxWidth + 17;
    }

    layout.defaultButton = DefaultButtonIndex(input.style, static_cast<int>(buttons.size()));
    layout.buttons = std::move(buttons);
    layout.clientSize = QSize(clientWidth, clientHeight);
    layout.cancelResult = CancelResult(input.style, !input.customButtons.isEmpty());
    return layout;
}

MessageBoxLayout MapThroughDialogUnits(const MessageBoxLayout& layout, int bx, int by)
{
    MessageBoxLayout mapped = layout;
    mapped.clientSize = QSize(ToDialogUnitsAndBack(layout.clientSize.width(), bx, 4),
        ToDialogUnitsAndBack(layout.clientSize.height(), by, 8));
    mapped.textRect = MapRect(layout.textRect, bx, by);
    mapped.iconRect = MapRect(layout.iconRect, bx, by);
    mapped.checkBoxRect = MapRect(layout.checkBoxRect, bx, by);
    for (MessageBoxPlacedButton& button : mapped.buttons)
        button.rect = MapRect(button.rect, bx, by);
    return mapped;
}

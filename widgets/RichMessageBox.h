#pragma once

#include "widgets/MessageBoxParams.h"

class QWidget;

// The program's message box. Shows `text` under the title `caption` (a null caption
// gives "Error") with the buttons, icon and check box of `style`, modally, and returns
// the number of the button that closed it, plus the check-box bit when the box was
// ticked and 0x80000000 when the countdown pressed the default button. Returns at once,
// without a window, when a remembered answer applies; -1 when no window can be shown.
// A null owner means the active window.
int RichMessageBox(QWidget* owner, const QString& text, const QString& caption, std::uint32_t style,
    const MessageBoxParams* params = nullptr);

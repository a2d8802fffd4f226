#pragma once

#include <QString>
#include <functional>

class QWidget;

// The explanation of a failure code of OpenUrl (the shell's numbering), e.g.
// "The specified file was not found." for 2; an unknown code gives
// "Unknown Error (N) occurred.".
QString OpenErrorText(int code);

// The whole message shown for a failed link: "Unable to open hyperlink:\n\n" and the text of
// the code.
QString OpenErrorMessage(int code);

// Tells the user that a link could not be opened: a warning box with an OK button under the
// application's title, owned by `parent` (may be null).
void ReportOpenError(QWidget* parent, int code);

// Shows the message of ReportOpenError. The default is a modal QMessageBox; tests put a
// recorder here so that nothing modal appears.
using OpenErrorPresenter
    = std::function<void(QWidget* parent, const QString& title, const QString& text)>;
void SetOpenErrorPresenter(OpenErrorPresenter presenter); // an empty function restores the default

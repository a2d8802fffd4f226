#include "widgets/ReportOpenError.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <array>

namespace {

struct CodeText
{
    int code;
    const char* text;
};

// The shell's documented failure codes of its "open" verb.
constexpr std::array<CodeText, 13> kCodeTexts { {
    { 0, "The operating system is out\nof memory or resources." },
    { 2, "The specified file was not found." },
    { 3, "The specified path was not found." },
    { 5, "The operating system denied\naccess to the specified file." },
    { 8, "There was not enough memory to complete the operation." },
    { 11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)." },
    { 26, "A sharing violation occurred. " },
    { 27, "The filename association is\nincomplete or invalid." },
    { 28, "The DDE transaction could not\nbe completed because the request timed out." },
    { 29, "The DDE transaction failed." },
    { 30,
        "The DDE transaction could not\nbe completed because other DDE transactions\nwere "
        "being processed." },
    { 31, "There is no application associated\nwith the given filename extension." },
    { 32, "The specified dynamic-link library was not found." },
} };

OpenErrorPresenter& PresenterSlot()
{
    static OpenErrorPresenter presenter;
    return presenter;
}

void ShowWarningBox(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

QString OpenErrorText(int code)
{
    for (const CodeText& entry : kCodeTexts) {
        if (entry.code == code)
            return QString::fromLatin1(entry.text);
    }
    return QStringLiteral("Unknown Error (%1) occurred.").arg(code);
}

QString OpenErrorMessage(int code)
{
    return QStringLiteral("Unable to open hyperlink:\n\n") + OpenErrorText(code);
}

void ReportOpenError(QWidget* parent, int code)
{
    const QString title = QGuiApplication::applicationDisplayName();
    const QString text = OpenErrorMessage(code);
    if (PresenterSlot())
        PresenterSlot()(parent, title, text);
    else
        ShowWarningBox(parent, title, text);
}

void SetOpenErrorPresenter(OpenErrorPresenter presenter)
{
    PresenterSlot() = std::move(presenter);
}

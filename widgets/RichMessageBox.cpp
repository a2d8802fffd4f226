#include "widgets/RichMessageBox.h"

#include "widgets/CRichMessageBoxDialog.h"
#include "widgets/RememberedAnswers.h"

#include <QApplication>
#include <QThread>

namespace {

constexpr int kMaxMessageLength = 65535;
constexpr int kMaxTitleLength = 1023;
constexpr int kMaxSeconds = 999;
constexpr int kLongSecondsBecome = 10;

int NormalisedSeconds(std::int32_t seconds)
{
    if (seconds >= kMaxSeconds + 1)
        return kLongSecondsBecome;
    // A negative period would never run down and would keep the buttons disabled.
    return seconds < 0 ? 0 : seconds;
}

} // namespace

int RichMessageBox(QWidget* owner, const QString& text, const QString& caption, std::uint32_t style,
    const MessageBoxParams* params)
{
    const QString title = (caption.isNull() ? QStringLiteral("Error") : caption)
                              .left(kMaxMessageLength)
                              .left(kMaxTitleLength);
    const QString message = text.left(kMaxMessageLength);

    if (std::optional<int> answer = CRichMessageBoxDialog::TakeNextAnswer()) {
        CRichMessageBoxDialog::SetLastAnsweredRequest({ message, title, style });
        return *answer;
    }
    if (!qApp || QThread::currentThread() != qApp->thread())
        return MessageBoxResult::WindowFailed;

    if (!owner) {
        owner = QApplication::activeModalWidget();
        if (!owner)
            owner = QApplication::activeWindow();
    }

    MessageBoxParams copy = params ? *params : MessageBoxParams();

    if ((style & MessageBoxStyle::CheckBoxMask) && !copy.CompareText.isEmpty()) {
        const std::uint32_t remembered = ReadRememberedAnswer(
            copy.CompanyKey, AnswerValueName(copy.CompareText, copy.CompareId));
        if (remembered & MessageBoxStyle::CheckBoxMask)
            return static_cast<int>(remembered);
    }

    copy.TimeoutSeconds = NormalisedSeconds(copy.TimeoutSeconds);
    copy.DisabledSeconds = NormalisedSeconds(copy.DisabledSeconds);
    // Every desktop we run on is a current one: the modern look is always on.
    copy.Options |= MessageBoxOption::ModernLook;

    CRichMessageBoxDialog dialog(owner, message, title, style, copy);
    if (!(style & MessageBoxStyle::NoBeep))
        CRichMessageBoxDialog::Beep(style & MessageBoxStyle::IconMask);
    return dialog.Run();
}

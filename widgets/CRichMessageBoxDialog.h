#pragma once

#include "widgets/MessageBoxLayout.h"
#include "widgets/MessageBoxParams.h"

#include <QDialog>
#include <QTimer>
#include <functional>
#include <optional>

class QAbstractButton;
class QCheckBox;
class QPushButton;
class CMessageTextLabel;

// What a message box was asked to show; kept for tests that answer it in advance.
struct MessageBoxRequest
{
    QString text;
    QString caption;
    std::uint32_t style = 0;
};

// The window of RichMessageBox: controls placed where the computed layout says, the
// countdown on the default button, the disabled period, the check box and Ctrl+C.
class CRichMessageBoxDialog : public QDialog
{
    Q_OBJECT
public:
    // `params` must already be normalised by the caller (limits, modern look).
    CRichMessageBoxDialog(QWidget* owner, QString text, QString caption, std::uint32_t styleWord,
        const MessageBoxParams& params);
    ~CRichMessageBoxDialog() override;

    // Shows the box modally and returns the result word; -1 when no button closed it.
    int Run();
    // Closes the box as a press of its button `buttonId` would, for a question
    // that no longer needs asking; false when the box has no such button.
    bool Answer(int buttonId);
    int Result() const { return m_result; }
    const MessageBoxLayout& Layout() const { return m_layout; }
    bool IsCountdownRunning() const { return m_countdownRunning; }

    // The text Ctrl+C puts on the clipboard.
    QString ClipboardText() const;
    static QString BuildClipboardText(
        const QString& title, const QString& message, const QStringList& buttonTexts);

    // One second of the countdown and of the disabled period; the timers call these.
    void CountdownTick();
    void DisabledTick();

    // The file the Help button opens: the program's path with its extension
    // replaced by (or, without one, extended with) ".hlp".
    static QString HelpFilePath(const QString& executablePath);

    // Opens an existing help file. The default hands it to the desktop.
    using HelpOpener = std::function<void(const QString& helpFile, std::uint32_t contextId)>;
    static void SetHelpOpener(HelpOpener opener); // an empty function restores the default

    // Sounds the beep of an icon value. The default is QApplication::beep.
    using BeepFunction = void (*)(std::uint32_t iconValue);
    static void SetBeepFunction(BeepFunction beep); // nullptr restores the default
    static void Beep(std::uint32_t iconValue);

    // Makes the next RichMessageBox call return `result` without showing anything.
    static void SetNextAnswer(int result);
    static void ClearNextAnswer();
    static std::optional<int> TakeNextAnswer();
    // The last request answered through SetNextAnswer.
    static MessageBoxRequest LastAnsweredRequest();
    static void SetLastAnsweredRequest(const MessageBoxRequest& request);

    // Font and screen measurements of a message font.
    static MessageBoxMetrics MetricsFor(const QFont& font, int screenWidth, QSize iconSize);

public slots:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    QIcon ObtainIcon() const;
    void BuildControls(const QIcon& icon);
    void PlaceWindow(QWidget* owner);
    void OnCommand(int id, bool fromCountdown);
    void StopCountdown();
    void SetPushButtonsEnabled(bool enabled);
    void OpenHelp() const;
    void Finish(int result);

    QString m_text;
    QString m_caption;
    std::uint32_t m_style;
    MessageBoxParams m_params;
    MessageBoxLayout m_layout;
    QColor m_backgroundColor; // invalid: no upper band
    std::vector<QPushButton*> m_buttons;
    std::vector<QAbstractButton*> m_allButtons; // creation order, check box included
    QCheckBox* m_checkBox = nullptr;
    CMessageTextLabel* m_textLabel = nullptr;
    QTimer m_countdownTimer;
    QTimer m_disabledTimer;
    int m_timeoutRemaining = 0;
    int m_disabledRemaining = 0;
    bool m_countdownRunning = false;
    bool m_buttonsDisabled = false;
    bool m_captionSaved = false;
    QString m_savedCaption;
    bool m_finished = false;
    int m_result = -1;
};

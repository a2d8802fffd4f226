#include "widgets/RichMessageBox.h"

#include "tests/support/FindChild.h"
#include "widgets/CMessageTextLabel.h"
#include "widgets/CRichMessageBoxDialog.h"
#include "widgets/RememberedAnswers.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <vector>

using test_widgets::Find;

namespace {

// The box names its push buttons by their result ("button6" for Yes); nullptr when it has none.
QPushButton* ButtonOf(const CRichMessageBoxDialog* box, int id)
{
    return box->findChild<QPushButton*>(QStringLiteral("button%1").arg(id));
}

using Action = std::function<void(CRichMessageBoxDialog*)>;

std::vector<std::uint32_t> g_beeps;
void RecordBeep(std::uint32_t iconValue)
{
    g_beeps.push_back(iconValue);
}

struct ReportCall
{
    QString text;
    std::uint32_t data = 0;
    int count = 0;
};
ReportCall g_report;
void RecordReport(const QString& text, std::uint32_t data)
{
    g_report.text = text;
    g_report.data = data;
    ++g_report.count;
}

void Press(CRichMessageBoxDialog* box, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QWidget* target = box->focusWidget() ? box->focusWidget() : box;
    QTest::keyClick(target, key, modifiers);
}

// Shows a box and lets `action` answer it once it is on the screen. A box the action
// leaves open is closed after a while, so a fault fails the test instead of hanging it.
int Answer(const Action& action, const QString& text, const QString& caption, std::uint32_t style,
    const MessageBoxParams* params = nullptr, bool* shown = nullptr, QWidget* owner = nullptr)
{
    if (shown)
        *shown = false;
    QPointer<CRichMessageBoxDialog> box;
    QTimer start;
    start.setSingleShot(true);
    QObject::connect(&start, &QTimer::timeout, [&] {
        box = qobject_cast<CRichMessageBoxDialog*>(QApplication::activeModalWidget());
        if (shown)
            *shown = box != nullptr;
        if (box)
            action(box);
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (box && box->isVisible()) {
            qWarning("the box was left open");
            box->done(0);
        }
    });
    start.start(0);
    guard.start(15000);
    return RichMessageBox(owner, text, caption, style, params);
}

constexpr int Bits(std::uint32_t value)
{
    return static_cast<int>(value);
}

} // namespace

class RichMessageBoxTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void keysPerButtonSet_data();
    void keysPerButtonSet();
    void noCaptionGivesError();
    void defaultButtonBeyondTheLast();
    void controlsWhereTheLayoutSays();
    void longMessageWraps();
    void countdownShowsSecondsAndPressesDefault();
    void countdownRunsOnItsTimer();
    void clickStopsCountdown();
    void longPeriodsBecomeTen();
    void checkBoxRemembersAnswer();
    void cancelNeverAddsCheckBoxBit();
    void copiesTextBlock();
    void copyTextLimits();
    void customButtons();
    void disabledPeriod();
    void negativeDisabledPeriodIsNone();
    void helpOpensExistingFile();
    void reportCallsBackAndStaysOpen();
    void beeps();
    void stopIconSystemModalShowsBox();
    void positionFromParams();
    void centredOnOwner();
    void nextAnswerHook();
    void quitClosesTheBox(); // keep last: it ends the application's loops

private:
    QTemporaryDir m_config;
};

void RichMessageBoxTest::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    CRichMessageBoxDialog::SetBeepFunction(RecordBeep);
}

void RichMessageBoxTest::init()
{
    g_beeps.clear();
    g_report = ReportCall();
    CRichMessageBoxDialog::ClearNextAnswer();
}

void RichMessageBoxTest::keysPerButtonSet_data()
{
    QTest::addColumn<uint>("style");
    QTest::addColumn<int>("enter");
    QTest::addColumn<int>("escape"); // 0: Escape and the close box do nothing
    QTest::newRow("OK") << 0x0u << 1 << 1;
    QTest::newRow("OK Cancel") << 0x1u << 1 << 2;
    QTest::newRow("Abort Retry Ignore") << 0x2u << 3 << 0;
    QTest::newRow("Yes No Cancel") << 0x3u << 6 << 2;
    QTest::newRow("Yes No") << 0x4u << 6 << 0;
    QTest::newRow("Retry Cancel") << 0x5u << 4 << 2;
    QTest::newRow("Cancel Try Continue") << 0x6u << 2 << 2;
    QTest::newRow("Continue Abort") << 0x7u << 11 << 0;
    QTest::newRow("Skip") << 0x8u << 14 << 2;
    QTest::newRow("Ignore") << 0x9u << 5 << 2;
    QTest::newRow("Yes No, to All") << 0x18000004u << 6 << 0;
    QTest::newRow("second default") << 0x0103u << 7 << 2;
}

void RichMessageBoxTest::keysPerButtonSet()
{
    QFETCH(uint, style);
    QFETCH(int, enter);
    QFETCH(int, escape);

    QCOMPARE(Answer([](CRichMessageBoxDialog* box) { Press(box, Qt::Key_Return); },
                 QStringLiteral("Enter"), QStringLiteral("T"), style),
        enter);

    for (bool viaCloseBox : { false, true }) {
        bool stayedOpen = false;
        bool closeHint = false;
        const int result = Answer(
            [&](CRichMessageBoxDialog* box) {
                closeHint = box->windowFlags() & Qt::WindowCloseButtonHint;
                if (viaCloseBox)
                    box->close();
                else
                    Press(box, Qt::Key_Escape);
                stayedOpen = box->isVisible();
                if (stayedOpen)
                    Press(box, Qt::Key_Return);
            },
            QStringLiteral("Escape"), QStringLiteral("T"), style);
        QCOMPARE(stayedOpen, escape == 0);
        QCOMPARE(result, escape == 0 ? enter : escape);
        QCOMPARE(closeHint, escape != 0);
    }
}

void RichMessageBoxTest::noCaptionGivesError()
{
    QString title;
    Answer(
        [&](CRichMessageBoxDialog* box) {
            title = box->windowTitle();
            Press(box, Qt::Key_Return);
        },
        QStringLiteral("text"), QString(), 0);
    QCOMPARE(title, QStringLiteral("Error"));

    Answer(
        [&](CRichMessageBoxDialog* box) {
            title = box->windowTitle();
            Press(box, Qt::Key_Return);
        },
        QStringLiteral("text"), QString(2000, QLatin1Char('t')), 0);
    QCOMPARE(title.size(), 1023);
}

void RichMessageBoxTest::defaultButtonBeyondTheLast()
{
    bool firstIsDefault = false;
    const int result = Answer(
        [&](CRichMessageBoxDialog* box) {
            firstIsDefault = ButtonOf(box, 6)->isDefault() && !ButtonOf(box, 7)->isDefault();
            Press(box, Qt::Key_Return);
        },
        QStringLiteral("Default"), QStringLiteral("T"), 0x0504);
    QVERIFY(firstIsDefault);
    QCOMPARE(result, 6);
}

void RichMessageBoxTest::controlsWhereTheLayoutSays()
{
    Answer(
        [](CRichMessageBoxDialog* box) {
            const MessageBoxLayout& layout = box->Layout();
            QCOMPARE(box->size(), layout.clientSize);
            for (const MessageBoxPlacedButton& placed : layout.buttons) {
                QPushButton* button = ButtonOf(box, placed.id);
                QVERIFY(button);
                QCOMPARE(button->geometry(), placed.rect);
                QCOMPARE(button->text(), placed.caption);
            }
            auto* message = box->findChild<CMessageTextLabel*>(QStringLiteral("message"));
            QVERIFY(message);
            QCOMPARE(message->geometry(), layout.textRect);
            QCOMPARE(message->font(), QApplication::font("QMessageBox"));
            QCOMPARE(ButtonOf(box, 6)->font(), QApplication::font("QMessageBox"));
            auto* icon = box->findChild<QWidget*>(QStringLiteral("icon"));
            QVERIFY(icon);
            QCOMPARE(icon->geometry(), layout.iconRect);
            QVERIFY(Find<QCheckBox>(box, "checkBox"));
            QCOMPARE(Find<QCheckBox>(box, "checkBox")->geometry(), layout.checkBoxRect);
            QCOMPARE(
                Find<QCheckBox>(box, "checkBox")->text(), QStringLiteral("Don't tell me again"));
            QVERIFY(!Find<QCheckBox>(box, "checkBox")->isChecked());
            // The message sits in the upper band, above the buttons.
            QVERIFY(layout.textRect.bottom() < layout.buttons.front().rect.top());
            Press(box, Qt::Key_Return);
        },
        QStringLiteral("Are you sure to stop?"), QStringLiteral("T"), 0x02000024);
}

void RichMessageBoxTest::longMessageWraps()
{
    QString text;
    for (int i = 0; i < 300; ++i)
        text += QStringLiteral("word%1 ").arg(i);
    text += QString(3000, QLatin1Char('x')); // one word longer than a line
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    const int lineHeight = QFontMetrics(QApplication::font("QMessageBox")).height();
    Answer(
        [&](CRichMessageBoxDialog* box) {
            QVERIFY(box->width() <= screenWidth / 2 + 34);
            QVERIFY(box->Layout().textRect.height() > 10 * lineHeight);
            const QSize needed
                = CMessageTextLabel::MeasureText(box->font(), text, box->Layout().textWrapWidth);
            QVERIFY(needed.width() <= box->Layout().textRect.width());
            QVERIFY(needed.height() <= box->Layout().textRect.height());
            Press(box, Qt::Key_Return);
        },
        text, QStringLiteral("Long"), 0);
}

void RichMessageBoxTest::countdownShowsSecondsAndPressesDefault()
{
    QStringList captions;
    MessageBoxParams params;
    params.TimeoutSeconds = 3;
    const int result = Answer(
        [&](CRichMessageBoxDialog* box) {
            QVERIFY(box->IsCountdownRunning());
            captions << ButtonOf(box, 1)->text();
            for (int i = 0; i < 3; ++i) {
                box->CountdownTick();
                captions << ButtonOf(box, 1)->text();
            }
            box->CountdownTick();
        },
        QStringLiteral("Countdown"), QStringLiteral("T"), 0x0, &params);
    QCOMPARE(captions, QStringList({ "OK", "OK = 3", "OK = 2", "OK = 1" }));
    QCOMPARE(result, Bits(0x80000001u));
}

void RichMessageBoxTest::countdownRunsOnItsTimer()
{
    MessageBoxParams params;
    params.TimeoutSeconds = 1;
    QCOMPARE(Answer([](CRichMessageBoxDialog*) {}, QStringLiteral("Countdown"), QStringLiteral("T"),
                 0x1, &params),
        Bits(0x80000001u));
}

void RichMessageBoxTest::clickStopsCountdown()
{
    MessageBoxParams params;
    params.TimeoutSeconds = 3;
    QString afterClick;
    bool runningAfterClick = true;
    const int result = Answer(
        [&](CRichMessageBoxDialog* box) {
            box->CountdownTick();
            QCOMPARE(ButtonOf(box, 1)->text(), QStringLiteral("OK = 3"));
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(3, 3));
            afterClick = ButtonOf(box, 1)->text();
            runningAfterClick = box->IsCountdownRunning();
            Press(box, Qt::Key_Return);
        },
        QStringLiteral("Countdown"), QStringLiteral("T"), 0x0, &params);
    QCOMPARE(afterClick, QStringLiteral("OK"));
    QVERIFY(!runningAfterClick);
    QCOMPARE(result, 1);
}

void RichMessageBoxTest::longPeriodsBecomeTen()
{
    MessageBoxParams params;
    params.TimeoutSeconds = 5000;
    params.DisabledSeconds = 1000;
    QString caption;
    QString title;
    Answer(
        [&](CRichMessageBoxDialog* box) {
            box->CountdownTick();
            box->DisabledTick();
            caption = ButtonOf(box, 6)->text();
            title = box->windowTitle();
            box->done(0);
        },
        QStringLiteral("Long"), QStringLiteral("T"), 0x4, &params);
    QCOMPARE(caption, QStringLiteral("&Yes = 10"));
    QCOMPARE(title, QStringLiteral("T 10"));
}

void RichMessageBoxTest::checkBoxRemembersAnswer()
{
    MessageBoxParams params;
    params.CompareText = QStringLiteral("Overwrite the file?");
    params.CompareId = 3;
    const std::uint32_t style = 0x01000004;

    bool shown = false;
    int result = Answer(
        [](CRichMessageBoxDialog* box) {
            Find<QCheckBox>(box, "checkBox")->click();
            ButtonOf(box, MessageBoxButton::Yes)->click();
        },
        QStringLiteral("Overwrite?"), QStringLiteral("T"), style, &params, &shown);
    QVERIFY(shown);
    QCOMPARE(result, 0x01000006);
    QCOMPARE(ReadRememberedAnswer(QString(), AnswerValueName(params.CompareText, 3)), 0x01000006u);

    g_beeps.clear();
    result = Answer([](CRichMessageBoxDialog* box) { box->done(0); }, QStringLiteral("Overwrite?"),
        QStringLiteral("T"), style, &params, &shown);
    QVERIFY(!shown);
    QCOMPARE(result, 0x01000006);
    QVERIFY(g_beeps.empty());

    // Another compare number is another question.
    params.CompareId = 4;
    result = Answer([](CRichMessageBoxDialog* box) { Press(box, Qt::Key_Return); },
        QStringLiteral("Overwrite?"), QStringLiteral("T"), style, &params, &shown);
    QVERIFY(shown);
    QCOMPARE(result, 6);

    // Without the check-box bits in the style nothing is looked up.
    params.CompareId = 3;
    result = Answer([](CRichMessageBoxDialog* box) { Press(box, Qt::Key_Return); },
        QStringLiteral("Overwrite?"), QStringLiteral("T"), 0x4, &params, &shown);
    QVERIFY(shown);
    QCOMPARE(result, 6);
}

void RichMessageBoxTest::cancelNeverAddsCheckBoxBit()
{
    MessageBoxParams params;
    params.CompareText = QStringLiteral("Cancelled question");
    const auto tickThen = [](int id) {
        return [id](CRichMessageBoxDialog* box) {
            Find<QCheckBox>(box, "checkBox")->click();
            ButtonOf(box, id)->click();
        };
    };
    QCOMPARE(Answer(tickThen(MessageBoxButton::Cancel), QStringLiteral("Q"), QStringLiteral("T"),
                 0x02000003, &params),
        2);
    QCOMPARE(Answer(
                 [](CRichMessageBoxDialog* box) {
                     Find<QCheckBox>(box, "checkBox")->click();
                     Press(box, Qt::Key_Escape);
                 },
                 QStringLiteral("Q"), QStringLiteral("T"), 0x02000003, &params),
        2);
    QCOMPARE(ReadRememberedAnswer(QString(), AnswerValueName(params.CompareText, 0)), 0u);

    // Ticked without a compare text: the bit is in the result, nothing is stored.
    QCOMPARE(Answer(tickThen(MessageBoxButton::No), QStringLiteral("Q"), QStringLiteral("T"),
                 0x04000003),
        0x04000007);
}

void RichMessageBoxTest::copiesTextBlock()
{
    QGuiApplication::clipboard()->clear();
    bool stayedOpen = false;
    const int result = Answer(
        [&](CRichMessageBoxDialog* box) {
            Press(box, Qt::Key_C, Qt::ControlModifier);
            stayedOpen = box->isVisible();
            ButtonOf(box, MessageBoxButton::No)->click();
        },
        QStringLiteral("M"), QStringLiteral("T"), 0x4);
    const QString separator = QStringLiteral("---------------------------\r\n");
    QCOMPARE(QGuiApplication::clipboard()->text(),
        separator + QStringLiteral("T\r\n") + separator + QStringLiteral("M\r\n") + separator
            + QStringLiteral("Yes   No   \r\n") + separator);
    QVERIFY(stayedOpen);
    QCOMPARE(result, 7);

    // The check box is a button too; '&' in the message stays.
    Answer(
        [&](CRichMessageBoxDialog* box) {
            Press(box, Qt::Key_C, Qt::ControlModifier);
            Press(box, Qt::Key_Return);
        },
        QStringLiteral("Save & quit?"), QStringLiteral("Q&A"), 0x01000001);
    QCOMPARE(QGuiApplication::clipboard()->text(),
        separator + QStringLiteral("Q&A\r\n") + separator + QStringLiteral("Save & quit?\r\n")
            + separator + QStringLiteral("OK   Cancel   Don't ask me again   \r\n") + separator);
}

void RichMessageBoxTest::copyTextLimits()
{
    const QString text = CRichMessageBoxDialog::BuildClipboardText(
        QString(1500, QLatin1Char('t')), QString(10000, QLatin1Char('m')), { "&OK" });
    QVERIFY(text.contains(QString(1000, QLatin1Char('t')) + QStringLiteral("\r\n")));
    QVERIFY(!text.contains(QString(1001, QLatin1Char('t'))));
    QVERIFY(text.contains(QString(4000, QLatin1Char('m')) + QStringLiteral("\r\n")));
    QVERIFY(!text.contains(QString(4001, QLatin1Char('m'))));
    QVERIFY(text.endsWith(QStringLiteral("OK   \r\n---------------------------\r\n")));

    const QStringList many(200, QString(60, QLatin1Char('b')));
    QCOMPARE(CRichMessageBoxDialog::BuildClipboardText("t", "m", many).size(), 8191);
}

void RichMessageBoxTest::customButtons()
{
    MessageBoxParams params;
    params.CustomButtons = QStringLiteral("One\nTwo\nThree\nFour\nFive");
    QList<int> ids;
    bool stayedOpen = false;
    const int result = Answer(
        [&](CRichMessageBoxDialog* box) {
            for (const MessageBoxPlacedButton& button : box->Layout().buttons)
                ids << button.id;
            Press(box, Qt::Key_Escape);
            box->close();
            stayedOpen = box->isVisible();
            ButtonOf(box, 25)->click();
        },
        QStringLiteral("Pick"), QStringLiteral("T"), 0x1, &params);
    QCOMPARE(ids, QList<int>({ 23, 24, 25, 26 }));
    QVERIFY(stayedOpen);
    QCOMPARE(result, 25);
}

void RichMessageBoxTest::disabledPeriod()
{
    MessageBoxParams params;
    params.DisabledSeconds = 2;
    params.ReportCallback = RecordReport;
    QStringList titles;
    bool okEnabledAtStart = true;
    bool reportEnabled = false;
    bool stayedOpen = false;
    bool okEnabledAtEnd = false;
    const int result = Answer(
        [&](CRichMessageBoxDialog* box) {
            okEnabledAtStart = ButtonOf(box, 1)->isEnabled() || ButtonOf(box, 2)->isEnabled();
            reportEnabled = ButtonOf(box, MessageBoxButton::Report)->isEnabled()
                && ButtonOf(box, MessageBoxButton::Help)->isEnabled()
                && Find<QCheckBox>(box, "checkBox")->isEnabled();
            Press(box, Qt::Key_Escape);
            box->close();
            stayedOpen = box->isVisible();
            for (int i = 0; i < 3; ++i) {
                box->DisabledTick();
                titles << box->windowTitle();
            }
            okEnabledAtEnd = ButtonOf(box, 1)->isEnabled() && ButtonOf(box, 2)->isEnabled();
            Press(box, Qt::Key_Escape);
        },
        QStringLiteral("Wait"), QStringLiteral("T"), 0x01004001, &params);
    QVERIFY(!okEnabledAtStart);
    QVERIFY(reportEnabled);
    QVERIFY(stayedOpen);
    QCOMPARE(titles, QStringList({ "T 2", "T 1", "T" }));
    QVERIFY(okEnabledAtEnd);
    QCOMPARE(result, 2);
}

void RichMessageBoxTest::negativeDisabledPeriodIsNone()
{
    MessageBoxParams params;
    params.DisabledSeconds = -5;
    params.TimeoutSeconds = -5;
    QCOMPARE(Answer(
                 [](CRichMessageBoxDialog* box) {
                     QVERIFY(ButtonOf(box, 1)->isEnabled());
                     QVERIFY(!box->IsCountdownRunning());
                     Press(box, Qt::Key_Escape);
                 },
                 QStringLiteral("Q"), QStringLiteral("T"), 0x1, &params),
        2);
}

void RichMessageBoxTest::helpOpensExistingFile()
{
    QCOMPARE(CRichMessageBoxDialog::HelpFilePath(QStringLiteral("/opt/app.d/sablewick")),
        QStringLiteral("/opt/app.d/sablewick.hlp"));
    QCOMPARE(CRichMessageBoxDialog::HelpFilePath(QStringLiteral("/opt/app/prog.exe")),
        QStringLiteral("/opt/app/prog.hlp"));

    QStringList opened;
    std::uint32_t context = 0;
    CRichMessageBoxDialog::SetHelpOpener([&](const QString& file, std::uint32_t id) {
        opened << file;
        context = id;
    });
    const QString helpFile
        = CRichMessageBoxDialog::HelpFilePath(QCoreApplication::applicationFilePath());
    QFile::remove(helpFile);

    MessageBoxParams params;
    params.HelpContextId = 42;
    bool stayedOpen = false;
    const int result = Answer(
        [&](CRichMessageBoxDialog* box) {
            ButtonOf(box, MessageBoxButton::Help)->click(); // no file yet: nothing
            QFile file(helpFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            ButtonOf(box, MessageBoxButton::Help)->click();
            stayedOpen = box->isVisible();
            Press(box, Qt::Key_Return);
        },
        QStringLiteral("Help"), QStringLiteral("T"), 0x4000, &params);
    QFile::remove(helpFile);
    CRichMessageBoxDialog::SetHelpOpener({});
    QCOMPARE(opened, QStringList({ helpFile }));
    QCOMPARE(context, 42u);
    QVERIFY(stayedOpen);
    QCOMPARE(result, 1);
}

void RichMessageBoxTest::reportCallsBackAndStaysOpen()
{
    MessageBoxParams params;
    params.ReportCallback = RecordReport;
    params.ReportData = 0xABCD;
    params.ReportCaption = QStringLiteral("&Send report");
    QString caption;
    bool stayedOpen = false;
    const int result = Answer(
        [&](CRichMessageBoxDialog* box) {
            caption = ButtonOf(box, MessageBoxButton::Report)->text();
            ButtonOf(box, MessageBoxButton::Report)->click();
            stayedOpen = box->isVisible();
            Press(box, Qt::Key_Return);
        },
        QStringLiteral("It broke"), QStringLiteral("T"), 0x10, &params);
    QCOMPARE(caption, QStringLiteral("&Send report"));
    QCOMPARE(g_report.count, 1);
    QCOMPARE(g_report.text, QStringLiteral("It broke"));
    QCOMPARE(g_report.data, 0xABCDu);
    QVERIFY(stayedOpen);
    QCOMPARE(result, 1);
}

void RichMessageBoxTest::beeps()
{
    const auto enter = [](CRichMessageBoxDialog* box) { Press(box, Qt::Key_Return); };
    Answer(enter, QStringLiteral("a"), QStringLiteral("T"), 0x0);
    Answer(enter, QStringLiteral("b"), QStringLiteral("T"), 0x30);
    Answer(enter, QStringLiteral("c"), QStringLiteral("T"), 0x40000040);
    QCOMPARE(g_beeps, std::vector<std::uint32_t>({ 0x0, 0x30 }));
}

void RichMessageBoxTest::stopIconSystemModalShowsBox()
{
    bool shown = false;
    QCOMPARE(Answer([](CRichMessageBoxDialog* box) { Press(box, Qt::Key_Return); },
                 QStringLiteral("Stop"), QStringLiteral("T"), 0x1010, nullptr, &shown),
        1);
    QVERIFY(shown);
}

void RichMessageBoxTest::positionFromParams()
{
    MessageBoxParams params;
    params.X = 50;
    params.Y = 60;
    QPoint position;
    Answer(
        [&](CRichMessageBoxDialog* box) {
            position = box->pos();
            Press(box, Qt::Key_Return);
        },
        QStringLiteral("Here"), QStringLiteral("T"), 0, &params);
    QCOMPARE(position, QPoint(50, 60));
}

void RichMessageBoxTest::centredOnOwner()
{
    // The owner's frame is centred on (400, 300), whatever equal border the platform gives it.
    QWidget owner;
    owner.setGeometry(100, 100, 600, 400);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    QPoint corner;
    int width = 0;
    int height = 0;
    bool ownerBlocked = false;
    Answer(
        [&](CRichMessageBoxDialog* dialog) {
            corner = dialog->frameGeometry().topLeft();
            width = dialog->width();
            height = dialog->height();
            ownerBlocked = dialog->parentWidget() == &owner
                && dialog->windowModality() == Qt::ApplicationModal;
            Press(dialog, Qt::Key_Return);
        },
        QStringLiteral("Centred"), QStringLiteral("T"), 0, nullptr, nullptr, &owner);
    // The box's size comes from its text and font; its middle lies on the owner's.
    QCOMPARE(corner, QPoint(400 - width / 2, 300 - height / 2));
    QVERIFY(ownerBlocked);
}

void RichMessageBoxTest::nextAnswerHook()
{
    CRichMessageBoxDialog::SetNextAnswer(7);
    bool shown = true;
    QCOMPARE(Answer([](CRichMessageBoxDialog* box) { box->done(0); },
                 QStringLiteral("Are you sure to stop?"), QString(), 0x4, nullptr, &shown),
        7);
    QVERIFY(!shown);
    QVERIFY(g_beeps.empty());
    const MessageBoxRequest request = CRichMessageBoxDialog::LastAnsweredRequest();
    QCOMPARE(request.text, QStringLiteral("Are you sure to stop?"));
    QCOMPARE(request.caption, QStringLiteral("Error"));
    QCOMPARE(request.style, 0x4u);

    // It answers one box only.
    QCOMPARE(Answer([](CRichMessageBoxDialog* box) { Press(box, Qt::Key_Return); },
                 QStringLiteral("Again"), QStringLiteral("T"), 0x4, nullptr, &shown),
        6);
    QVERIFY(shown);
}

void RichMessageBoxTest::quitClosesTheBox()
{
    bool shown = false;
    QCOMPARE(Answer([](CRichMessageBoxDialog*) { QCoreApplication::exit(3); },
                 QStringLiteral("Quit"), QStringLiteral("T"), 0x4, nullptr, &shown),
        -1);
    QVERIFY(shown);
}

QTEST_MAIN(RichMessageBoxTest)
#include "RichMessageBoxTest.moc"

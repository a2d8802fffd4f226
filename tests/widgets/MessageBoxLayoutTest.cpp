#include "widgets/MessageBoxLayout.h"

#include <QtTest>

Q_DECLARE_METATYPE(MessageBoxLayoutInput)

namespace {

struct ExpectedButton
{
    int id;
    QRect rect;
};

// Every character 8 pixels wide and every line 16 high; lines break at any character.
MessageBoxMetrics FixedMetrics()
{
    MessageBoxMetrics metrics;
    metrics.baseUnitX = 8;
    metrics.baseUnitY = 16;
    metrics.screenWidth = 1024;
    metrics.iconSize = QSize(32, 32);
    metrics.lineHeight = 16;
    metrics.textWidth = [](const QString& text) { return 8 * static_cast<int>(text.size()); };
    metrics.wrappedTextSize = [](const QString& text, int maxWidth) {
        const int perLine = std::max(1, maxWidth / 8);
        int lines = 0;
        int widest = 0;
        for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
            const int length = static_cast<int>(paragraph.size());
            lines += std::max(1, (length + perLine - 1) / perLine);
            widest = std::max(widest, std::min(length, perLine) * 8);
        }
        return QSize(widest, lines * 16);
    };
    return metrics;
}

MessageBoxLayoutInput Input(std::uint32_t style, const QString& message, std::uint32_t options = 0)
{
    MessageBoxLayoutInput input;
    input.style = style;
    input.message = message;
    input.captions = FillButtonCaptions(style, MessageBoxParams());
    input.options = options;
    input.hasIcon = (style & MessageBoxStyle::IconMask) != 0;
    return input;
}

} // namespace

class MessageBoxLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void buttonSizesFromBaseUnits();
    void scaleRoundsHalvesUp();
    void layouts_data();
    void layouts();
    void longTextGrowsInHeightOnly();
    void dialogUnitRoundTrip();
    void buttonSets_data();
    void buttonSets();
    void cancelResults();
    void checkBoxFirstBitWins();
    void captionsBuiltIn();
    void captionsFromStringModule();
    void captionsCustom();
    void customButtonsKeepFour();
};

void MessageBoxLayoutTest::buttonSizesFromBaseUnits()
{
    const MessageBoxButtonSizes classic = ComputeButtonSizes(8, 16, false);
    QCOMPARE(classic.minButtonWidth, 76);
    QCOMPARE(classic.buttonHeight, 24);
    QCOMPARE(classic.countdownExtra, 26);
    QCOMPARE(classic.checkBoxHeight, 20);
    const MessageBoxButtonSizes modern = ComputeButtonSizes(8, 16, true);
    QCOMPARE(modern.minButtonWidth, 88);
    QCOMPARE(modern.buttonHeight, 26);
    QCOMPARE(modern.countdownExtra, 26);
    QCOMPARE(modern.checkBoxHeight, 20);
}

void MessageBoxLayoutTest::scaleRoundsHalvesUp()
{
    QCOMPARE(ScaleRounded(38, 7, 4), 67); // 66.5
    QCOMPARE(ScaleRounded(13, 7, 4), 23); // 22.75
    QCOMPARE(ScaleRounded(12, 15, 8), 23); // 22.5
    QCOMPARE(ScaleRounded(-3, 1, 2), -2);
    QCOMPARE(ScaleRounded(5, 5, 0), 0);
}

void MessageBoxLayoutTest::layouts_data()
{
    QTest::addColumn<MessageBoxLayoutInput>("input");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QRect>("text");
    QTest::addColumn<QRect>("icon");
    QTest::addColumn<QList<int>>("ids");
    QTest::addColumn<QList<QRect>>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<QRect>("checkBox");

    const QString hello = QStringLiteral("Hello");
    const QString longText(200, QLatin1Char('a'));

    QTest::newRow("OK, no icon") << Input(0, hello) << QSize(108, 86) << QRect(16, 16, 52, 29)
                                 << QRect() << QList<int> { 1 }
                                 << QList<QRect> { { 16, 50, 76, 24 } } << 0 << QRect();
    QTest::newRow("stop icon") << Input(0x10, hello) << QSize(116, 95) << QRect(56, 16, 52, 29)
                               << QRect(8, 8, 34, 34) << QList<int> { 1 }
                               << QList<QRect> { { 20, 59, 76, 24 } } << 0 << QRect();
    QTest::newRow("modern, information icon")
        << Input(0x40, hello, MessageBoxOption::ModernLook) << QSize(148, 129)
        << QRect(72, 32, 52, 45) << QRect(24, 24, 34, 34) << QList<int> { 1 }
        << QList<QRect> { { 44, 91, 88, 26 } } << 0 << QRect();
    QTest::newRow("modern, icon, two lines move up")
        << Input(0x20, QStringLiteral("Line one\nLine two"), MessageBoxOption::ModernLook)
        << QSize(172, 137) << QRect(72, 24, 76, 61) << QRect(24, 24, 34, 34) << QList<int> { 1 }
        << QList<QRect> { { 68, 99, 88, 26 } } << 0 << QRect();
    QTest::newRow("yes/no with check box")
        << Input(0x01000004, QStringLiteral("Are you sure to stop?")) << QSize(201, 114)
        << QRect(16, 16, 180, 29) << QRect() << QList<int> { 6, 7 }
        << QList<QRect> { { 19, 50, 76, 24 }, { 101, 50, 76, 24 } } << 0 << QRect(17, 86, 184, 20);
    QTest::newRow("check box wider than the row")
        << Input(0x04000000, QStringLiteral("Hi")) << QSize(185, 114) << QRect(16, 16, 28, 29)
        << QRect() << QList<int> { 1 } << QList<QRect> { { 54, 50, 76, 24 } } << 0
        << QRect(17, 86, 168, 20);
    {
        MessageBoxLayoutInput custom = Input(0, QStringLiteral("x"));
        custom.customButtons = { "A", "B", "C", "D" };
        QTest::newRow("custom buttons") << custom << QSize(354, 86) << QRect(16, 16, 20, 29)
                                        << QRect() << QList<int> { 23, 24, 25, 26 }
                                        << QList<QRect> { { 16, 50, 76, 24 }, { 98, 50, 76, 24 },
                                               { 180, 50, 76, 24 }, { 262, 50, 76, 24 } }
                                        << 0 << QRect();
    }
    QTest::newRow("long text wraps")
        << Input(0, longText) << QSize(620, 118) << QRect(16, 16, 604, 61) << QRect()
        << QList<int> { 1 } << QList<QRect> { { 272, 82, 76, 24 } } << 0 << QRect();
    QTest::newRow("narrow") << Input(0, longText, MessageBoxOption::NarrowWidth) << QSize(364, 150)
                            << QRect(16, 16, 348, 93) << QRect() << QList<int> { 1 }
                            << QList<QRect> { { 144, 114, 76, 24 } } << 0 << QRect();
    QTest::newRow("right-aligned")
        << Input(0, longText, MessageBoxOption::RightAlignButtons) << QSize(620, 118)
        << QRect(16, 16, 604, 61) << QRect() << QList<int> { 1 }
        << QList<QRect> { { 528, 82, 76, 24 } } << 0 << QRect();
    QTest::newRow("default second")
        << Input(0x0101, hello) << QSize(190, 86) << QRect(16, 16, 52, 29) << QRect()
        << QList<int> { 1, 2 } << QList<QRect> { { 16, 50, 76, 24 }, { 98, 50, 76, 24 } } << 1
        << QRect();
    QTest::newRow("default past the last")
        << Input(0x0301, hello) << QSize(190, 86) << QRect(16, 16, 52, 29) << QRect()
        << QList<int> { 1, 2 } << QList<QRect> { { 16, 50, 76, 24 }, { 98, 50, 76, 24 } } << 0
        << QRect();
    QTest::newRow("default field out of range")
        << Input(0x0701, hello) << QSize(190, 86) << QRect(16, 16, 52, 29) << QRect()
        << QList<int> { 1, 2 } << QList<QRect> { { 16, 50, 76, 24 }, { 98, 50, 76, 24 } } << 0
        << QRect();
    {
        MessageBoxLayoutInput report = Input(0x4201, hello);
        report.hasReport = true;
        QTest::newRow("help is the default, then report")
            << report << QSize(354, 86) << QRect(16, 16, 52, 29) << QRect()
            << QList<int> { 1, 2, 300, 301 }
            << QList<QRect> { { 16, 50, 76, 24 }, { 98, 50, 76, 24 }, { 180, 50, 76, 24 },
                   { 262, 50, 76, 24 } }
            << 2 << QRect();
    }
    QTest::newRow("to All buttons")
        << Input(0x18000003, hello) << QSize(492, 86) << QRect(16, 16, 52, 29) << QRect()
        << QList<int> { 6, 19, 7, 20, 2 }
        << QList<QRect> { { 16, 50, 76, 24 }, { 98, 50, 108, 24 }, { 212, 50, 76, 24 },
               { 294, 50, 100, 24 }, { 400, 50, 76, 24 } }
        << 0 << QRect();
    {
        MessageBoxLayoutInput countdown = Input(0, hello);
        countdown.timeoutSeconds = 5;
        QTest::newRow("countdown widens buttons")
            << countdown << QSize(134, 86) << QRect(16, 16, 52, 29) << QRect() << QList<int> { 1 }
            << QList<QRect> { { 16, 50, 102, 24 } } << 0 << QRect();
    }
    {
        MessageBoxLayoutInput coloured = Input(0, hello);
        coloured.hasBackgroundColor = true;
        QTest::newRow("background colour lowers the row")
            << coloured << QSize(108, 95) << QRect(16, 16, 52, 29) << QRect() << QList<int> { 1 }
            << QList<QRect> { { 16, 59, 76, 24 } } << 0 << QRect();
    }
    {
        MessageBoxLayoutInput missingIcon = Input(0x40, hello);
        missingIcon.hasIcon = false; // a custom icon that could not be loaded
        QTest::newRow("icon bits without an icon")
            << missingIcon << QSize(108, 86) << QRect(16, 16, 52, 29) << QRect() << QList<int> { 1 }
            << QList<QRect> { { 16, 50, 76, 24 } } << 0 << QRect();
    }
}

void MessageBoxLayoutTest::layouts()
{
    QFETCH(MessageBoxLayoutInput, input);
    QFETCH(QSize, client);
    QFETCH(QRect, text);
    QFETCH(QRect, icon);
    QFETCH(QList<int>, ids);
    QFETCH(QList<QRect>, buttons);
    QFETCH(int, defaultButton);
    QFETCH(QRect, checkBox);

    const MessageBoxLayout layout = computeLayout(input, FixedMetrics());
    QCOMPARE(layout.clientSize, client);
    QCOMPARE(layout.textRect, text);
    QCOMPARE(layout.iconRect, icon);
    QList<int> gotIds;
    QList<QRect> gotRects;
    for (const MessageBoxPlacedButton& button : layout.buttons) {
        gotIds << button.id;
        gotRects << button.rect;
    }
    QCOMPARE(gotIds, ids);
    QCOMPARE(gotRects, buttons);
    QCOMPARE(layout.defaultButton, defaultButton);
    QCOMPARE(layout.checkBoxRect, checkBox);
    QCOMPARE(layout.checkBoxBit != 0, !checkBox.isNull());
}

void MessageBoxLayoutTest::longTextGrowsInHeightOnly()
{
    const MessageBoxMetrics metrics = FixedMetrics();
    for (int length : { 100, 1000, 5000 }) {
        const MessageBoxLayout layout
            = computeLayout(Input(0x04, QString(length, QLatin1Char('w'))), metrics);
        QVERIFY(layout.clientSize.width() <= metrics.screenWidth / 2 + 80 + 28);
        const MessageBoxPlacedButton& last = layout.buttons.back();
        const int rowWidth = last.rect.right() + 1 - layout.buttons.front().rect.left();
        QVERIFY(rowWidth + 32 <= layout.clientSize.width());
        QVERIFY(last.rect.top() >= layout.textRect.bottom());
    }
}

void MessageBoxLayoutTest::dialogUnitRoundTrip()
{
    MessageBoxLayout layout;
    layout.clientSize = QSize(201, 115);
    layout.buttons.push_back({ 1, QStringLiteral("OK"), QRect(16, 50, 101, 24) });
    layout.textRect = QRect(19, 17, 76, 29);

    const MessageBoxLayout odd = MapThroughDialogUnits(layout, 7, 15);
    QCOMPARE(odd.buttons[0].rect, QRect(16, 49, 100, 23));
    QCOMPARE(odd.clientSize, QSize(200, 114));

    const MessageBoxLayout even = MapThroughDialogUnits(layout, 8, 16);
    QCOMPARE(even.textRect, QRect(18, 16, 76, 28));
    QCOMPARE(even.clientSize, QSize(200, 114));
    QVERIFY(even.iconRect.isNull());
}

void MessageBoxLayoutTest::buttonSets_data()
{
    QTest::addColumn<uint>("style");
    QTest::addColumn<QList<int>>("ids");
    QTest::newRow("0") << 0x0u << QList<int> { 1 };
    QTest::newRow("1") << 0x1u << QList<int> { 1, 2 };
    QTest::newRow("2") << 0x2u << QList<int> { 3, 4, 5 };
    QTest::newRow("3") << 0x3u << QList<int> { 6, 7, 2 };
    QTest::newRow("4") << 0x4u << QList<int> { 6, 7 };
    QTest::newRow("4 to All") << 0x18000004u << QList<int> { 6, 19, 7, 20 };
    QTest::newRow("3 yes to All") << 0x08000003u << QList<int> { 6, 19, 7, 2 };
    QTest::newRow("1 ignores to All") << 0x18000001u << QList<int> { 1, 2 };
    QTest::newRow("5") << 0x5u << QList<int> { 4, 2 };
    QTest::newRow("6") << 0x6u << QList<int> { 2, 10, 11 };
    QTest::newRow("7") << 0x7u << QList<int> { 11, 3 };
    QTest::newRow("8") << 0x8u << QList<int> { 14, 15, 2 };
    QTest::newRow("9") << 0x9u << QList<int> { 5, 16, 2 };
    QTest::newRow("12 unknown") << 0xCu << QList<int> { 1 };
}

void MessageBoxLayoutTest::buttonSets()
{
    QFETCH(uint, style);
    QFETCH(QList<int>, ids);
    QList<int> got;
    for (const MessageBoxButtonSpec& spec : ButtonSetButtons(style))
        got << spec.id;
    QCOMPARE(got, ids);
}

void MessageBoxLayoutTest::cancelResults()
{
    const int expected[] = { 1, 2, 0, 2, 0, 2, 2, 0, 2, 2 };
    for (std::uint32_t set = 0; set < 10; ++set)
        QCOMPARE(CancelResult(set, false), expected[set]);
    QCOMPARE(CancelResult(0x1, true), 0);
    QCOMPARE(CancelResult(0x0, true), 0);
}

void MessageBoxLayoutTest::checkBoxFirstBitWins()
{
    QCOMPARE(CheckBoxBit(0x07000000), 0x01000000u);
    QCOMPARE(CheckBoxBit(0x06000000), 0x02000000u);
    QCOMPARE(CheckBoxBit(0x04000000), 0x04000000u);
    QCOMPARE(CheckBoxBit(0x00FFFFFF), 0u);
    QCOMPARE(CheckBoxCaption(0x02000000), CaptionIndex::DontTellAgain);
}

void MessageBoxLayoutTest::captionsBuiltIn()
{
    const CaptionArray captions = FillButtonCaptions(0, MessageBoxParams());
    QCOMPARE(captions[static_cast<int>(CaptionIndex::Abort)], QStringLiteral("&Abort"));
    QCOMPARE(captions[static_cast<int>(CaptionIndex::Ok)], QStringLiteral("OK"));
    QCOMPARE(captions[static_cast<int>(CaptionIndex::DontShowAgain)],
        QStringLiteral("Don't show again"));
    QCOMPARE(captions[static_cast<int>(CaptionIndex::YesToAll)], QStringLiteral("Y&es to All"));
    QCOMPARE(captions[static_cast<int>(CaptionIndex::Report)], QStringLiteral("Re&port"));
    QCOMPARE(CaptionStringId(CaptionIndex::SkipAll), 9019u);
}

void MessageBoxLayoutTest::captionsFromStringModule()
{
    MessageBoxParams params;
    params.StringModule = [](std::uint32_t id) {
        if (id == 9007)
            return QStringLiteral("&Ja");
        if (id == 9001)
            return QString(150, QLatin1Char('k'));
        return QString();
    };
    const CaptionArray looked = FillButtonCaptions(0, params);
    QCOMPARE(looked[static_cast<int>(CaptionIndex::Yes)], QStringLiteral("&Ja"));
    QCOMPARE(looked[static_cast<int>(CaptionIndex::Ok)], QString(99, QLatin1Char('k')));
    QCOMPARE(looked[static_cast<int>(CaptionIndex::No)], QStringLiteral("&No"));

    const CaptionArray builtIn = FillButtonCaptions(MessageBoxStyle::BuiltInCaptionsOnly, params);
    QCOMPARE(builtIn[static_cast<int>(CaptionIndex::Yes)], QStringLiteral("&Yes"));
}

void MessageBoxLayoutTest::captionsCustom()
{
    MessageBoxParams params;
    params.UseCustomCaptions = true;
    params.Captions[static_cast<int>(CaptionIndex::Ok)] = QStringLiteral("Fine");
    params.Captions[static_cast<int>(CaptionIndex::Report)] = QStringLiteral("Ignored");
    params.StringModule = [](std::uint32_t) { return QStringLiteral("never"); };
    CaptionArray captions = FillButtonCaptions(0, params);
    QCOMPARE(captions[static_cast<int>(CaptionIndex::Ok)], QStringLiteral("Fine"));
    QCOMPARE(captions[static_cast<int>(CaptionIndex::Cancel)], QStringLiteral("Cancel"));
    // The Report slot is already filled by the built-in text, so it is kept.
    QCOMPARE(captions[static_cast<int>(CaptionIndex::Report)], QStringLiteral("Re&port"));

    MessageBoxParams report;
    report.ReportCaption = QStringLiteral("&Send");
    captions = FillButtonCaptions(0, report);
    QCOMPARE(captions[static_cast<int>(CaptionIndex::Report)], QStringLiteral("&Send"));
}

void MessageBoxLayoutTest::customButtonsKeepFour()
{
    MessageBoxParams params;
    params.CustomButtons = QStringLiteral("One\nTwo\nThree\nFour\nFive");
    QCOMPARE(CustomButtonCaptions(params), QStringList({ "One", "Two", "Three", "Four" }));

    params.CustomButtonsId = 77;
    params.StringModule
        = [](std::uint32_t id) { return id == 77 ? QStringLiteral("Left\nRight") : QString(); };
    QCOMPARE(CustomButtonCaptions(params), QStringList({ "Left", "Right" }));

    QVERIFY(CustomButtonCaptions(MessageBoxParams()).isEmpty());
}

QTEST_APPLESS_MAIN(MessageBoxLayoutTest)
#include "MessageBoxLayoutTest.moc"

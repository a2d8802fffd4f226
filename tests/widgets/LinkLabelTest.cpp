#include "widgets/CLinkLabel.h"
#include "widgets/ReportOpenError.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QtTest>

namespace {

// Stands in for the opener, the beep and the error box for one test.
struct OpenRecorder
{
    int result = 33;
    QStringList opened;
    int beeps = 0;
    QStringList messages;

    OpenRecorder()
    {
        CLinkLabel::SetOpener([this](const QString& target) {
            opened.append(target);
            return result;
        });
        CLinkLabel::SetBeepFunction([this] { ++beeps; });
        SetOpenErrorPresenter(
            [this](QWidget*, const QString&, const QString& text) { messages.append(text); });
    }
    ~OpenRecorder()
    {
        CLinkLabel::SetOpener({});
        CLinkLabel::SetBeepFunction({});
        SetOpenErrorPresenter({});
    }
    OpenRecorder(const OpenRecorder&) = delete;
    OpenRecorder& operator=(const OpenRecorder&) = delete;
};

// The size the label itself asks for to show its whole text (it has no margins).
QSize TextSize(const CLinkLabel& link)
{
    return link.sizeHint();
}

void MoveTo(QWidget* widget, QPoint pos)
{
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
        Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void Leave(QWidget* widget)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, &leave);
}

} // namespace

Q_DECLARE_METATYPE(Qt::Alignment)

class LinkLabelTest : public QObject
{
    Q_OBJECT
private slots:
    void fitRect_data();
    void fitRect();
    void attachFitsPerAlignment_data();
    void attachFitsPerAlignment();
    void textWithoutTargetBecomesTheTarget();
    void targetWithoutTextBecomesTheText();
    void targetSetBeforeAttachIsKept();
    void setUrlAfterAttachRefitsAndRetitlesTheTooltip();
    void linkLooksLikeALink();
    void setUnderlineChangesTheFont();
    void coloursFollowHoverAndVisited();
    void moveOutsideWhileHoveringRestoresTheColour();
    void successfulClickMarksVisited();
    void failedClickBeepsReportsAndClearsVisited();
    void clickOutsideOrWithOtherButtonDoesNothing();
    void markupInTextIsShownAsItIs();
};

void LinkLabelTest::fitRect_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QSize>("text");
    QTest::addColumn<Qt::Alignment>("alignment");
    QTest::addColumn<QRect>("fitted");

    const Qt::Alignment top = Qt::AlignTop;
    QTest::newRow("left keeps left and top") << QRect(10, 20, 100, 30) << QSize(40, 13)
                                             << (Qt::AlignLeft | top) << QRect(10, 20, 40, 13);
    QTest::newRow("left grows for a long text")
        << QRect(10, 20, 30, 8) << QSize(70, 13) << (Qt::AlignLeft | top) << QRect(10, 20, 70, 13);
    QTest::newRow("right keeps right edge") << QRect(10, 20, 100, 30) << QSize(40, 13)
                                            << (Qt::AlignRight | top) << QRect(70, 20, 40, 13);
    QTest::newRow("right grows leftwards") << QRect(10, 20, 30, 13) << QSize(50, 13)
                                           << (Qt::AlignRight | top) << QRect(-10, 20, 50, 13);
    QTest::newRow("centre, even difference") << QRect(10, 20, 100, 13) << QSize(40, 13)
                                             << (Qt::AlignHCenter | top) << QRect(40, 20, 40, 13);
    // (100 - 41) / 2 = 29 from each side: one pixel wider than the text.
    QTest::newRow("centre, odd difference") << QRect(10, 20, 100, 13) << QSize(41, 13)
                                            << (Qt::AlignHCenter | top) << QRect(39, 20, 42, 13);
    // (30 - 45) / 2 truncates toward zero to -7.
    QTest::newRow("centre grows both sides") << QRect(10, 20, 30, 13) << QSize(45, 13)
                                             << (Qt::AlignHCenter | top) << QRect(3, 20, 44, 13);
    QTest::newRow("vertical centre shrinks")
        << QRect(10, 20, 40, 30) << QSize(40, 13) << (Qt::AlignLeft | Qt::AlignVCenter)
        << QRect(10, 28, 40, 14);
    // (8 - 13) / 2 truncates toward zero to -2.
    QTest::newRow("vertical centre grows")
        << QRect(10, 20, 40, 8) << QSize(40, 13) << (Qt::AlignLeft | Qt::AlignVCenter)
        << QRect(10, 18, 40, 12);
    QTest::newRow("bottom alignment keeps top")
        << QRect(10, 20, 40, 30) << QSize(40, 13) << (Qt::AlignLeft | Qt::AlignBottom)
        << QRect(10, 20, 40, 13);
    QTest::newRow("empty text") << QRect(10, 20, 40, 30) << QSize(0, 13) << (Qt::AlignRight | top)
                                << QRect(50, 20, 0, 13);
}

void LinkLabelTest::fitRect()
{
    QFETCH(QRect, rect);
    QFETCH(QSize, text);
    QFETCH(Qt::Alignment, alignment);
    QFETCH(QRect, fitted);
    QCOMPARE(CLinkLabel::FitRect(rect, text, alignment), fitted);
}

void LinkLabelTest::attachFitsPerAlignment_data()
{
    // Odd differences leave the centred rectangle one pixel wider than the text.
    QTest::addColumn<Qt::Alignment>("alignment");
    QTest::newRow("left") << Qt::Alignment(Qt::AlignLeft | Qt::AlignTop);
    QTest::newRow("centre") << Qt::Alignment(Qt::AlignHCenter | Qt::AlignTop);
    QTest::newRow("right") << Qt::Alignment(Qt::AlignRight | Qt::AlignTop);
    QTest::newRow("vertically centred") << Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void LinkLabelTest::attachFitsPerAlignment()
{
    QFETCH(Qt::Alignment, alignment);
    QWidget parent;
    parent.resize(400, 200);
    CLinkLabel link(&parent, QStringLiteral("https://example.org/a"));
    const QRect before(20, 30, 300, 40);
    link.setGeometry(before);
    link.setAlignment(alignment);
    link.Attach();

    const QSize text = TextSize(link);
    const QRect after = link.geometry();
    QVERIFY(text.width() > 0);
    if (alignment & Qt::AlignHCenter)
        QVERIFY(after.width() == text.width() || after.width() == text.width() + 1);
    else
        QCOMPARE(after.width(), text.width());
    if (alignment & Qt::AlignRight)
        QCOMPARE(after.x() + after.width(), before.x() + before.width());
    else if (alignment & Qt::AlignHCenter)
        QVERIFY(qAbs((after.x() * 2 + after.width()) - (before.x() * 2 + before.width())) <= 1);
    else
        QCOMPARE(after.x(), before.x());
    if (alignment & Qt::AlignVCenter) {
        QVERIFY(qAbs((after.y() * 2 + after.height()) - (before.y() * 2 + before.height())) <= 1);
    } else {
        QCOMPARE(after.y(), before.y());
        QCOMPARE(after.height(), text.height());
    }
}

void LinkLabelTest::textWithoutTargetBecomesTheTarget()
{
    OpenRecorder recorder;
    QWidget parent;
    CLinkLabel link(&parent, QStringLiteral("https://example.org/"));
    link.setGeometry(0, 0, 300, 20);
    link.Attach();
    QCOMPARE(link.Url(), QStringLiteral("https://example.org/"));
    QCOMPARE(link.toolTip(), QStringLiteral("https://example.org/"));
    QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(recorder.opened, QStringList { QStringLiteral("https://example.org/") });
}

void LinkLabelTest::targetWithoutTextBecomesTheText()
{
    QWidget parent;
    CLinkLabel link(&parent);
    link.setGeometry(0, 0, 300, 20);
    link.SetUrl(QStringLiteral("mailto:a@example.org"));
    link.Attach();
    QCOMPARE(link.text(), QStringLiteral("mailto:a@example.org"));
    QCOMPARE(link.geometry().width(), TextSize(link).width());
}

void LinkLabelTest::targetSetBeforeAttachIsKept()
{
    QWidget parent;
    CLinkLabel link(&parent, QStringLiteral("Home page"));
    link.setGeometry(0, 0, 300, 20);
    link.SetUrl(QStringLiteral("https://example.org/home"));
    QCOMPARE(link.toolTip(), QString()); // nothing shows before the control is taken over
    link.Attach();
    QCOMPARE(link.Url(), QStringLiteral("https://example.org/home"));
    QCOMPARE(link.text(), QStringLiteral("Home page"));
    QCOMPARE(link.toolTip(), QStringLiteral("https://example.org/home"));
}

void LinkLabelTest::setUrlAfterAttachRefitsAndRetitlesTheTooltip()
{
    QWidget parent;
    CLinkLabel link(&parent, QStringLiteral("x"));
    link.setGeometry(5, 5, 300, 20);
    link.Attach();
    const int shortWidth = link.width();

    link.setText(QStringLiteral("a much longer link text than before"));
    link.SetUrl(QStringLiteral("https://example.org/long"));
    QCOMPARE(link.toolTip(), QStringLiteral("https://example.org/long"));
    QCOMPARE(link.geometry(), QRect(QPoint(5, 5), TextSize(link)));
    QVERIFY(link.width() > shortWidth);
}

void LinkLabelTest::linkLooksLikeALink()
{
    QWidget parent;
    CLinkLabel link(&parent, QStringLiteral("https://example.org/"));
    QCOMPARE(link.LinkColor(), QColor(0, 0, 238));
    QCOMPARE(link.VisitedColor(), QColor(85, 26, 139));
    QCOMPARE(link.HoverColor(), parent.palette().color(QPalette::Highlight));
    link.Attach();
    QVERIFY(link.font().underline());
    QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(link.palette().color(QPalette::WindowText), QColor(0, 0, 238));
    QVERIFY(!link.autoFillBackground()); // the dialog's background shows through
}

void LinkLabelTest::setUnderlineChangesTheFont()
{
    QWidget parent;
    CLinkLabel link(&parent, QStringLiteral("https://example.org/"));
    link.SetUnderline(false);
    link.Attach();
    QVERIFY(!link.font().underline());
    link.SetUnderline(true);
    QVERIFY(link.font().underline());
    link.SetUnderline(false);
    QVERIFY(!link.font().underline());
}

void LinkLabelTest::coloursFollowHoverAndVisited()
{
    QWidget parent;
    parent.resize(300, 100);
    CLinkLabel link(&parent, QStringLiteral("https://example.org/"));
    link.setGeometry(10, 10, 200, 20);
    link.Attach();
    const auto shown = [&link] { return link.palette().color(QPalette::WindowText); };

    QCOMPARE(shown(), link.LinkColor());
    MoveTo(&link, QPoint(3, 3));
    QVERIFY(link.IsHovering());
    QCOMPARE(shown(), link.HoverColor());
    Leave(&link);
    QVERIFY(!link.IsHovering());
    QCOMPARE(shown(), link.LinkColor());

    link.SetVisited(true);
    QCOMPARE(shown(), link.VisitedColor());
    MoveTo(&link, QPoint(3, 3));
    QCOMPARE(shown(), link.HoverColor());
    Leave(&link);
    QCOMPARE(shown(), link.VisitedColor());
    QCOMPARE(link.CurrentTextColor(), link.VisitedColor());
}

void LinkLabelTest::moveOutsideWhileHoveringRestoresTheColour()
{
    QWidget parent;
    parent.resize(300, 100);
    CLinkLabel link(&parent, QStringLiteral("https://example.org/"));
    link.setGeometry(10, 10, 200, 20);
    link.Attach();
    MoveTo(&link, QPoint(3, 3));
    QVERIFY(link.IsHovering());
    // A move reported outside, as a held button delivers it.
    MoveTo(&link, QPoint(link.width() + 20, 3));
    QVERIFY(!link.IsHovering());
    QCOMPARE(link.palette().color(QPalette::WindowText), link.LinkColor());
}

void LinkLabelTest::successfulClickMarksVisited()
{
    OpenRecorder recorder;
    QWidget parent;
    CLinkLabel link(&parent, QStringLiteral("Home"));
    link.setGeometry(0, 0, 300, 20);
    link.SetUrl(QStringLiteral("https://example.org/home"));
    link.Attach();
    QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(recorder.opened, QStringList { QStringLiteral("https://example.org/home") });
    QVERIFY(link.IsVisited());
    QCOMPARE(recorder.beeps, 0);
    QVERIFY(recorder.messages.isEmpty());
    Leave(&link);
    QCOMPARE(link.palette().color(QPalette::WindowText), link.VisitedColor());
}

void LinkLabelTest::failedClickBeepsReportsAndClearsVisited()
{
    OpenRecorder recorder;
    QWidget parent;
    CLinkLabel link(&parent, QStringLiteral("/no/such/file"));
    link.setGeometry(0, 0, 300, 20);
    link.Attach();
    link.SetVisited(true);

    for (int code : { 2, 32 }) { // 32 is the last failure code
        recorder.result = code;
        QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(!link.IsVisited());
    }
    QCOMPARE(recorder.beeps, 2);
    QCOMPARE(recorder.messages,
        QStringList(
            { QStringLiteral("Unable to open hyperlink:\n\nThe specified file was not found."),
                QStringLiteral("Unable to open hyperlink:\n\nThe specified dynamic-link library "
                               "was not found.") }));
    Leave(&link);
    QCOMPARE(link.palette().color(QPalette::WindowText), link.LinkColor());
}

void LinkLabelTest::clickOutsideOrWithOtherButtonDoesNothing()
{
    OpenRecorder recorder;
    QWidget parent;
    CLinkLabel link(&parent, QStringLiteral("https://example.org/"));
    link.setGeometry(0, 0, 300, 20);
    QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2)); // not attached yet
    link.Attach();
    QTest::mouseClick(&link, Qt::RightButton, {}, QPoint(2, 2));
    QTest::mousePress(&link, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseRelease(&link, Qt::LeftButton, {}, QPoint(link.width() + 30, 2));
    QVERIFY(recorder.opened.isEmpty());
}

void LinkLabelTest::markupInTextIsShownAsItIs()
{
    QWidget parent;
    CLinkLabel link(&parent, QStringLiteral("<b>bold</b>"));
    link.setGeometry(0, 0, 300, 20);
    link.Attach();
    QCOMPARE(link.textFormat(), Qt::PlainText);
    QVERIFY(
        link.width() >= QFontMetrics(link.font()).horizontalAdvance(QStringLiteral("<b>bold</b>")));
    QCOMPARE(link.size(), TextSize(link));
}

QTEST_MAIN(LinkLabelTest)
#include "LinkLabelTest.moc"

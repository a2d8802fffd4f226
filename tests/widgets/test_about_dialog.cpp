#include "widgets/CAboutDialog.h"
#include "widgets/CLinkLabel.h"
#include "widgets/CRichMessageBoxDialog.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QtTest>

namespace {

// What a branding record of a test build holds.
AboutTexts TestTexts()
{
    AboutTexts texts;
    texts.SoftwareName = QStringLiteral("Sablewick Video to GIF");
    texts.Copyright = QStringLiteral("Copyright (C) 2024 Tellurvane Software");
    texts.Homepage = QStringLiteral("https://www.tellurvane.example/");
    texts.Email = QStringLiteral("support@tellurvane.example");
    return texts;
}

QIcon TestIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::darkCyan);
    return QIcon(pixmap);
}

} // namespace

class TestAboutDialog : public QObject
{
    Q_OBJECT
private slots:
    void dialogUnitRect_data();
    void dialogUnitRect();
    void showsTheBrandingTexts();
    void linksAreFittedUnderlinelessLinks();
    void layoutFollowsTheDialogUnits();
    void showsTheApplicationIcon();
    void clickingTheMailLinkOpensAMailAndMarksItVisited();
    void okAndEscapeClose();
};

void TestAboutDialog::dialogUnitRect_data()
{
    QTest::addColumn<QList<int>>("units"); // x, y, cx, cy, bx, by
    QTest::addColumn<QRect>("pixels");
    // 8-point MS Sans Serif at 96 dpi: bx 6, by 13.
    QTest::newRow("box") << QList<int> { 0, 0, 251, 80, 6, 13 } << QRect(0, 0, 377, 130);
    QTest::newRow("OK button") << QList<int> { 194, 7, 50, 14, 6, 13 } << QRect(291, 11, 75, 23);
    QTest::newRow("copyright") << QList<int> { 40, 23, 196, 8, 6, 13 } << QRect(60, 37, 294, 13);
    // Edges are rounded one by one, so equal sizes may differ by a pixel.
    QTest::newRow("e-mail") << QList<int> { 40, 49, 196, 8, 6, 13 } << QRect(60, 80, 294, 13);
    QTest::newRow("larger font") << QList<int> { 11, 17, 20, 20, 7, 17 } << QRect(19, 36, 35, 43);
}

void TestAboutDialog::dialogUnitRect()
{
    QFETCH(QList<int>, units);
    QFETCH(QRect, pixels);
    QCOMPARE(
        CAboutDialog::DialogUnitRect(units[0], units[1], units[2], units[3], units[4], units[5]),
        pixels);
}

void TestAboutDialog::showsTheBrandingTexts()
{
    const AboutTexts texts = TestTexts();
    CAboutDialog box(nullptr, texts, TestIcon());
    QCOMPARE(box.windowTitle(), texts.SoftwareName);
    QCOMPARE(box.ProductLabel()->text(), texts.SoftwareName);
    QCOMPARE(box.CopyrightLabel()->text(), texts.Copyright);
    QCOMPARE(box.HomepageLink()->text(), texts.Homepage);
    QCOMPARE(box.HomepageLink()->Url(), texts.Homepage);
    QCOMPARE(box.HomepageLink()->toolTip(), texts.Homepage);
    QCOMPARE(box.EmailLink()->text(), QStringLiteral("mailto:support@tellurvane.example"));
    QCOMPARE(box.EmailLink()->Url(), QStringLiteral("mailto:support@tellurvane.example"));
    QCOMPARE(box.EmailLink()->toolTip(), QStringLiteral("mailto:support@tellurvane.example"));
    // Branding texts are shown as they are, never as markup or with '&' taken as a mnemonic.
    QCOMPARE(box.ProductLabel()->textFormat(), Qt::PlainText);
    QCOMPARE(box.CopyrightLabel()->textFormat(), Qt::PlainText);
}

void TestAboutDialog::linksAreFittedUnderlinelessLinks()
{
    CAboutDialog box(nullptr, TestTexts(), QIcon());
    for (CLinkLabel* link : { box.HomepageLink(), box.EmailLink() }) {
        QVERIFY(link->IsAttached());
        QVERIFY(!link->font().underline());
        QCOMPARE(link->palette().color(QPalette::WindowText), link->LinkColor());
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        // The click area ends where the text ends: the label is as large as it needs to be.
        QCOMPARE(link->size(), link->sizeHint());
        QVERIFY(link->width() >= QFontMetrics(link->font()).horizontalAdvance(link->text()));
        QCOMPARE(link->height(), QFontMetrics(link->font()).height());
    }
}

void TestAboutDialog::layoutFollowsTheDialogUnits()
{
    CAboutDialog box(nullptr, TestTexts(), TestIcon());
    const MessageBoxMetrics metrics = CRichMessageBoxDialog::MetricsFor(box.font(), 0, QSize());
    const int bx = metrics.baseUnitX;
    const int by = metrics.baseUnitY;
    const auto at = [bx, by](int x, int y, int cx, int cy) {
        return CAboutDialog::DialogUnitRect(x, y, cx, cy, bx, by);
    };
    QCOMPARE(box.size(), at(0, 0, 251, 80).size());
    QCOMPARE(box.minimumSize(), box.maximumSize());
    QCOMPARE(box.ProductLabel()->geometry(), at(40, 10, 145, 8));
    QCOMPARE(box.CopyrightLabel()->geometry(), at(40, 23, 196, 8));
    QCOMPARE(box.OkButton()->geometry(), at(194, 7, 50, 14));
    QCOMPARE(box.IconLabel()->pos(), at(11, 17, 20, 20).topLeft());
    QCOMPARE(box.HomepageLink()->pos(), at(40, 36, 196, 8).topLeft());
    QCOMPARE(box.EmailLink()->pos(), at(40, 49, 196, 8).topLeft());
    QVERIFY(box.OkButton()->isDefault());
    QCOMPARE(box.OkButton()->text(), QStringLiteral("OK"));
}

void TestAboutDialog::showsTheApplicationIcon()
{
    CAboutDialog withIcon(nullptr, TestTexts(), TestIcon());
    const QPixmap shown = withIcon.IconLabel()->pixmap();
    QVERIFY(!shown.isNull());
    QCOMPARE(
        shown.toImage().pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::darkCyan));

    // A small icon fills the icon's place all the same.
    QPixmap small(16, 16);
    small.fill(Qt::darkCyan);
    CAboutDialog withSmallIcon(nullptr, TestTexts(), QIcon(small));
    QCOMPARE(withSmallIcon.IconLabel()->pixmap().deviceIndependentSize(),
        QSizeF(shown.deviceIndependentSize()));

    CAboutDialog withoutIcon(nullptr, TestTexts(), QIcon());
    QVERIFY(withoutIcon.IconLabel()->pixmap().isNull());
}

void TestAboutDialog::clickingTheMailLinkOpensAMailAndMarksItVisited()
{
    QStringList opened;
    CLinkLabel::SetOpener([&opened](const QString& target) {
        opened.append(target);
        return 42;
    });
    CAboutDialog box(nullptr, TestTexts(), QIcon());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(box.EmailLink(), Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseClick(box.HomepageLink(), Qt::LeftButton, {}, QPoint(2, 2));
    CLinkLabel::SetOpener({});

    QCOMPARE(opened,
        QStringList({ QStringLiteral("mailto:support@tellurvane.example"),
            QStringLiteral("https://www.tellurvane.example/") }));
    QVERIFY(box.EmailLink()->IsVisited());
    QVERIFY(box.HomepageLink()->IsVisited());
}

void TestAboutDialog::okAndEscapeClose()
{
    CAboutDialog box(nullptr, TestTexts(), QIcon());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(QApplication::focusWidget(), box.OkButton());
    QTest::keyClick(&box, Qt::Key_Escape);
    QVERIFY(!box.isVisible());

    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(box.OkButton(), Qt::LeftButton);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestAboutDialog)
#include "test_about_dialog.moc"

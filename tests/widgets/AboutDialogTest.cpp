#include "tests/support/FindChild.h"
#include "widgets/CAboutDialog.h"
#include "widgets/CLinkLabel.h"
#include "widgets/DialogUnits.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QtTest>

using test_widgets::Find;

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

class AboutDialogTest : public QObject
{
    Q_OBJECT
private slots:
    void showsTheBrandingTexts();
    void linksAreFittedUnderlinelessLinks();
    void layoutFollowsTheDialogUnits();
    void showsTheApplicationIcon();
    void clickingTheMailLinkOpensAMailAndMarksItVisited();
    void okAndEscapeClose();
};

void AboutDialogTest::showsTheBrandingTexts()
{
    const AboutTexts texts = TestTexts();
    CAboutDialog box(nullptr, texts, TestIcon());
    QCOMPARE(box.windowTitle(), texts.SoftwareName);
    QCOMPARE(Find<QLabel>(box, "product")->text(), texts.SoftwareName);
    QCOMPARE(Find<QLabel>(box, "copyright")->text(), texts.Copyright);
    QCOMPARE(Find<CLinkLabel>(box, "homepage")->text(), texts.Homepage);
    QCOMPARE(Find<CLinkLabel>(box, "homepage")->Url(), texts.Homepage);
    QCOMPARE(Find<CLinkLabel>(box, "homepage")->toolTip(), texts.Homepage);
    QCOMPARE(Find<CLinkLabel>(box, "email")->text(),
        QStringLiteral("mailto:support@tellurvane.example"));
    QCOMPARE(
        Find<CLinkLabel>(box, "email")->Url(), QStringLiteral("mailto:support@tellurvane.example"));
    QCOMPARE(Find<CLinkLabel>(box, "email")->toolTip(),
        QStringLiteral("mailto:support@tellurvane.example"));
    // Branding texts are shown as they are, never as markup or with '&' taken as a mnemonic.
    QCOMPARE(Find<QLabel>(box, "product")->textFormat(), Qt::PlainText);
    QCOMPARE(Find<QLabel>(box, "copyright")->textFormat(), Qt::PlainText);
}

void AboutDialogTest::linksAreFittedUnderlinelessLinks()
{
    CAboutDialog box(nullptr, TestTexts(), QIcon());
    for (CLinkLabel* link : { Find<CLinkLabel>(box, "homepage"), Find<CLinkLabel>(box, "email") }) {
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

void AboutDialogTest::layoutFollowsTheDialogUnits()
{
    CAboutDialog box(nullptr, TestTexts(), TestIcon());
    const DialogUnits du = DialogUnits::FromFont(box.font());
    const auto at = [du](int x, int y, int cx, int cy) { return du.Map(x, y, cx, cy); };
    QCOMPARE(box.size(), at(0, 0, 251, 80).size());
    QCOMPARE(box.minimumSize(), box.maximumSize());
    QCOMPARE(Find<QLabel>(box, "product")->geometry(), at(40, 10, 145, 8));
    QCOMPARE(Find<QLabel>(box, "copyright")->geometry(), at(40, 23, 196, 8));
    QCOMPARE(Find<QPushButton>(box, "ok")->geometry(), at(194, 7, 50, 14));
    QCOMPARE(Find<QLabel>(box, "icon")->pos(), at(11, 17, 20, 20).topLeft());
    QCOMPARE(Find<CLinkLabel>(box, "homepage")->pos(), at(40, 36, 196, 8).topLeft());
    QCOMPARE(Find<CLinkLabel>(box, "email")->pos(), at(40, 49, 196, 8).topLeft());
    QVERIFY(Find<QPushButton>(box, "ok")->isDefault());
    QCOMPARE(Find<QPushButton>(box, "ok")->text(), QStringLiteral("OK"));
}

void AboutDialogTest::showsTheApplicationIcon()
{
    CAboutDialog withIcon(nullptr, TestTexts(), TestIcon());
    const QPixmap shown = Find<QLabel>(withIcon, "icon")->pixmap();
    QVERIFY(!shown.isNull());
    QCOMPARE(
        shown.toImage().pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::darkCyan));

    // A small icon fills the icon's place all the same.
    QPixmap small(16, 16);
    small.fill(Qt::darkCyan);
    CAboutDialog withSmallIcon(nullptr, TestTexts(), QIcon(small));
    QCOMPARE(Find<QLabel>(withSmallIcon, "icon")->pixmap().deviceIndependentSize(),
        QSizeF(shown.deviceIndependentSize()));

    CAboutDialog withoutIcon(nullptr, TestTexts(), QIcon());
    QVERIFY(Find<QLabel>(withoutIcon, "icon")->pixmap().isNull());
}

void AboutDialogTest::clickingTheMailLinkOpensAMailAndMarksItVisited()
{
    QStringList opened;
    CLinkLabel::SetOpener([&opened](const QString& target) {
        opened.append(target);
        return 42;
    });
    CAboutDialog box(nullptr, TestTexts(), QIcon());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(Find<CLinkLabel>(box, "email"), Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseClick(Find<CLinkLabel>(box, "homepage"), Qt::LeftButton, {}, QPoint(2, 2));
    CLinkLabel::SetOpener({});

    QCOMPARE(opened,
        QStringList({ QStringLiteral("mailto:support@tellurvane.example"),
            QStringLiteral("https://www.tellurvane.example/") }));
    QVERIFY(Find<CLinkLabel>(box, "email")->IsVisited());
    QVERIFY(Find<CLinkLabel>(box, "homepage")->IsVisited());
}

void AboutDialogTest::okAndEscapeClose()
{
    CAboutDialog box(nullptr, TestTexts(), QIcon());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(QApplication::focusWidget(), Find<QPushButton>(box, "ok"));
    QTest::keyClick(&box, Qt::Key_Escape);
    QVERIFY(!box.isVisible());

    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(Find<QPushButton>(box, "ok"), Qt::LeftButton);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
}

QTEST_MAIN(AboutDialogTest)
#include "AboutDialogTest.moc"

#include "widgets/DialogUnits.h"

#include <QtTest>

// Dialog units to pixels, as a dialog template maps them.
class DialogUnitsTest : public QObject
{
    Q_OBJECT

private slots:
    void averageWidth()
    {
        QCOMPARE(DialogUnits::AverageWidth(364), 7); // 52 letters of 7 pixels
        QCOMPARE(DialogUnits::AverageWidth(338), 7); // 6.5 rounds up
    }

    void map_data()
    {
        QTest::addColumn<QList<int>>("units"); // x, y, cx, cy, bx, by
        QTest::addColumn<QRect>("pixels");
        // Each edge is rounded on its own, as a dialog template maps.
        QTest::newRow("file list")
            << QList<int> { 93, 44, 334, 180, 7, 15 } << QRect(163, 83, 584, 337);
        QTest::newRow("main window")
            << QList<int> { 0, 0, 434, 281, 7, 15 } << QRect(0, 0, 760, 527);
        QTest::newRow("status") << QList<int> { 13, 244, 90, 8, 6, 13 } << QRect(20, 397, 135, 13);
        // 8-point MS Sans Serif at 96 dpi: bx 6, by 13.
        QTest::newRow("box") << QList<int> { 0, 0, 251, 80, 6, 13 } << QRect(0, 0, 377, 130);
        QTest::newRow("OK button")
            << QList<int> { 194, 7, 50, 14, 6, 13 } << QRect(291, 11, 75, 23);
        QTest::newRow("copyright")
            << QList<int> { 40, 23, 196, 8, 6, 13 } << QRect(60, 37, 294, 13);
        // Edges are rounded one by one, so equal sizes may differ by a pixel.
        QTest::newRow("e-mail") << QList<int> { 40, 49, 196, 8, 6, 13 } << QRect(60, 80, 294, 13);
        QTest::newRow("larger font")
            << QList<int> { 11, 17, 20, 20, 7, 17 } << QRect(19, 36, 35, 43);
    }

    void map()
    {
        QFETCH(QList<int>, units);
        QFETCH(QRect, pixels);
        const DialogUnits du { units[4], units[5] };
        QCOMPARE(du.Map(units[0], units[1], units[2], units[3]), pixels);
    }
};

QTEST_APPLESS_MAIN(DialogUnitsTest)
#include "DialogUnitsTest.moc"

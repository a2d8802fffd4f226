// The pure rules of the edit dialog: what a row's media information says of
// its clip, where frames begin, and how the crop rectangle follows a drag.
#include "ui/ClipFacts.h"
#include "ui/CropGeometry.h"

#include <QtTest>

Q_DECLARE_METATYPE(CropHandle)

class EditRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void clipFacts_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<double>("duration");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<double>("rate");
        QTest::newRow("usual") << "0:00:10, 640x480, 25 fps, H.264, AAC stereo" << 10.0
                               << QSize(640, 480) << 25.0;
        QTest::newRow("fractional rate, long") << "1:02:03, 1920x1080, 29.97 fps, H.265, no sound"
                                               << 3723.0 << QSize(1920, 1080) << 29.97;
        QTest::newRow("no rate") << "0:00:03, 64x48, MPEG-4, no sound" << 3.0 << QSize(64, 48)
                                 << 0.0;
        QTest::newRow("nothing known") << "" << 0.0 << QSize(0, 0) << 0.0;
        QTest::newRow("a failure's reason") << "not a video file" << 0.0 << QSize(0, 0) << 0.0;
        QTest::newRow("codec that looks like a size is not one")
            << "0:00:01, 12x, 5 fps" << 1.0 << QSize(0, 0) << 5.0;
    }
    void clipFacts()
    {
        QFETCH(QString, description);
        QFETCH(double, duration);
        QFETCH(QSize, size);
        QFETCH(double, rate);
        const ClipFacts facts = ParseClipFacts(description);
        QCOMPARE(facts.Duration, duration);
        QCOMPARE(QSize(facts.Width, facts.Height), size);
        QCOMPARE(facts.FrameRate, rate);
    }

    void frameTimes_data()
    {
        QTest::addColumn<double>("rate");
        QTest::addColumn<int>("frame");
        QTest::addColumn<double>("start");
        // Whole milliseconds at or before the frame's time, never after it:
        // a tool that starts there takes this very frame first.
        QTest::newRow("25 fps, exact") << 25.0 << 3 << 0.12;
        QTest::newRow("30 fps, rounded down") << 30.0 << 2 << 0.066;
        QTest::newRow("30 fps, one") << 30.0 << 1 << 0.033;
        QTest::newRow("29.97 fps") << 29.97 << 100 << 3.336;
        QTest::newRow("unknown rate steps at 25") << 0.0 << 50 << 2.0;
        QTest::newRow("first") << 10.0 << 0 << 0.0;
    }
    void frameTimes()
    {
        QFETCH(double, rate);
        QFETCH(int, frame);
        QFETCH(double, start);
        ClipFacts facts;
        facts.Duration = 3600;
        facts.FrameRate = rate;
        QCOMPARE(facts.FrameStart(frame), start);
        QCOMPARE(facts.FrameAt(start), frame);
    }

    void frameCount()
    {
        ClipFacts facts;
        QCOMPARE(facts.FrameCount(), 15000); // nothing known: ten minutes at 25 fps
        facts.Duration = 3; // "0:00:03" may be up to 3.5 s
        facts.FrameRate = 10;
        QCOMPARE(facts.FrameCount(), 35);
        QCOMPARE(facts.FrameAt(1000.0), 34);
        QCOMPARE(facts.FrameAt(-1.0), 0);
    }

    void clipTimeText()
    {
        QCOMPARE(ClipTimeText(0), QString("0:00:00.000"));
        QCOMPARE(ClipTimeText(62.345), QString("0:01:02.345"));
        QCOMPARE(ClipTimeText(3723.5), QString("1:02:03.500"));
        QCOMPARE(ClipTimeText(-4), QString("0:00:00.000"));
    }

    void drawnCrop_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<double>("aspect");
        QTest::addColumn<QRect>("crop");
        // In a 320 x 240 frame.
        QTest::newRow("free, down right")
            << QPoint(10, 20) << QPoint(110, 70) << 0.0 << QRect(10, 20, 100, 50);
        QTest::newRow("free, up left")
            << QPoint(110, 70) << QPoint(10, 20) << 0.0 << QRect(10, 20, 100, 50);
        QTest::newRow("free, past the frame stops at its border")
            << QPoint(300, 200) << QPoint(400, 300) << 0.0 << QRect(300, 200, 20, 40);
        QTest::newRow("1:1, the wider span decides")
            << QPoint(0, 0) << QPoint(100, 40) << 1.0 << QRect(0, 0, 100, 100);
        QTest::newRow("16:9 from the height")
            << QPoint(0, 0) << QPoint(10, 90) << 16.0 / 9.0 << QRect(0, 0, 160, 90);
        QTest::newRow("16:9 cut by the frame keeps its shape")
            << QPoint(0, 0) << QPoint(320, 240) << 16.0 / 9.0 << QRect(0, 0, 320, 180);
        QTest::newRow("9:16 cut by the bottom")
            << QPoint(100, 100) << QPoint(200, 300) << 9.0 / 16.0 << QRect(100, 100, 79, 140);
        QTest::newRow("a click is one pixel, not nothing")
            << QPoint(5, 5) << QPoint(5, 5) << 0.0 << QRect(5, 5, 1, 1);
    }
    void drawnCrop()
    {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(double, aspect);
        QFETCH(QRect, crop);
        QCOMPARE(CropFromDrag(from, to, aspect, QSize(320, 240)), crop);
    }

    void resizedCrop_data()
    {
        QTest::addColumn<CropHandle>("handle");
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<double>("aspect");
        QTest::addColumn<QRect>("crop");
        // From 80 x 60 at 100,100 in a 320 x 240 frame.
        QTest::newRow("right edge")
            << CropHandle::Right << QPoint(20, 0) << 0.0 << QRect(100, 100, 100, 60);
        QTest::newRow("left edge")
            << CropHandle::Left << QPoint(-30, 5) << 0.0 << QRect(70, 100, 110, 60);
        QTest::newRow("left edge cannot pass the right")
            << CropHandle::Left << QPoint(200, 0) << 0.0 << QRect(179, 100, 1, 60);
        QTest::newRow("bottom edge stops at the frame")
            << CropHandle::Bottom << QPoint(0, 500) << 0.0 << QRect(100, 100, 80, 140);
        QTest::newRow("top-left corner keeps the bottom-right")
            << CropHandle::TopLeft << QPoint(-20, -10) << 0.0 << QRect(80, 90, 100, 70);
        QTest::newRow("right edge with 4:3, height follows about the centre")
            << CropHandle::Right << QPoint(40, 0) << 4.0 / 3.0 << QRect(100, 85, 120, 90);
        QTest::newRow("move") << CropHandle::Move << QPoint(-500, 10) << 0.0
                              << QRect(0, 110, 80, 60);
    }
    void resizedCrop()
    {
        QFETCH(CropHandle, handle);
        QFETCH(QPoint, delta);
        QFETCH(double, aspect);
        QFETCH(QRect, crop);
        QCOMPARE(ResizeCrop(QRect(100, 100, 80, 60), handle, delta, aspect, QSize(320, 240)), crop);
    }

    void aspectPresets()
    {
        const QSize frame(320, 240);
        QCOMPARE(FitCropToAspect(QRect(), 16.0 / 9.0, frame), QRect(0, 30, 320, 180));
        QCOMPARE(FitCropToAspect(QRect(), 1.0, frame), QRect(40, 0, 240, 240));
        QCOMPARE(FitCropToAspect(QRect(), 9.0 / 16.0, frame), QRect(92, 0, 135, 240));
        QCOMPARE(
            FitCropToAspect(QRect(10, 10, 100, 100), 4.0 / 3.0, frame), QRect(10, 22, 100, 75));
        QCOMPARE(FitCropToAspect(QRect(), 0.0, frame), QRect(0, 0, 320, 240));
        QCOMPARE(FitCropToAspect(QRect(), 1.0, QSize()), QRect());
    }
};

QTEST_GUILESS_MAIN(EditRulesTest)
#include "EditRulesTest.moc"

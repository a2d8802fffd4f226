#include "ui/FileNameText.h"

#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>

class FileNameTextTest : public QObject
{
    Q_OBJECT

private slots:
    void everyNameSurvivesTheRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("readable"); // shown without U+FFFD
        QTest::newRow("plain") << QByteArray("/clips/a b.mp4") << true;
        QTest::newRow("utf-8") << QByteArray("/clips/caf\xc3\xa9 \xf0\x9f\x8e\xac.mp4") << true;
        QTest::newRow("latin-1") << QByteArray("/clips/caf\xe9.mp4") << false;
        QTest::newRow("stray bytes") << QByteArray("\xff\xfe\x80") << false;
        QTest::newRow("cut sequence") << QByteArray("a\xe2\x82") << false;
        QTest::newRow("overlong slash") << QByteArray("a\xc0\xaf") << false;
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xb3\xbf") << false;
        QTest::newRow("past U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << false;
        QTest::newRow("empty") << QByteArray() << true;
    }

    void everyNameSurvivesTheRoundTrip()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, readable);
        const QString text = FileNameText(bytes.toStdString());
        QCOMPARE(QByteArray::fromStdString(FileNameBytes(text)), bytes);
        QCOMPARE(!FileNameForDisplay(text).contains(QChar(0xFFFD)), readable);
        if (readable)
            QCOMPARE(text, QString::fromUtf8(bytes));
    }

    // What Qt's file dialog hands over for a name that is not UTF-8 is found on disk;
    // two names that look alike leave the question open.
    void findsTheNameThatQtShowedWithReplacementCharacters()
    {
        QTemporaryDir dir;
        const std::string root = dir.path().toStdString();
        std::filesystem::create_directories(root + "/f\xe9te");
        for (const char* name : {"/f\xe9te/a\xff.mp4", "/f\xe9te/b\xfe.mp4", "/f\xe9te/b\xfd.mp4",
                                 "/f\xe9te/ok.mp4"})
            std::ofstream(root + name) << "x";
        const auto shown = [&](const char* name) { return QString::fromUtf8(root + name); };
        QCOMPARE(FileNameBytes(FindFileOnDisk(shown("/f\xe9te/a\xff.mp4"))),
                 root + "/f\xe9te/a\xff.mp4");
        QCOMPARE(FileNameBytes(FindFileOnDisk(shown("/f\xe9te/ok.mp4"))), root + "/f\xe9te/ok.mp4");
        QCOMPARE(FindFileOnDisk(shown("/f\xe9te/b\xfe.mp4")), shown("/f\xe9te/b\xfe.mp4"));
        QCOMPARE(FindFileOnDisk(shown("/f\xe9te/none\xfe.mp4")), shown("/f\xe9te/none\xfe.mp4"));
        const QString plain = dir.filePath(QStringLiteral("missing.mp4"));
        QCOMPARE(FindFileOnDisk(plain), plain);
        std::filesystem::remove_all(root); // QTemporaryDir cannot remove such names
    }

    void aDropKeepsTheBytesOfItsUriList()
    {
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"),
                     "# comment\r\nfile:///clips/caf%E9%20x.mp4\r\nhttp://host/a.mp4\r\n"
                     "file:///clips/plain.mp4\n");
        const QStringList names = DroppedFileNames(data);
        QCOMPARE(names.size(), 2);
        QCOMPARE(FileNameBytes(names[0]), std::string("/clips/caf\xe9 x.mp4"));
        QCOMPARE(names[1], QStringLiteral("/clips/plain.mp4"));
    }
};

QTEST_MAIN(FileNameTextTest)
#include "FileNameTextTest.moc"

#include "ui/FileListRules.h"

#include "engine/VideoTypes.h"

#include <QtTest>

Q_DECLARE_METATYPE(std::vector<int>)
Q_DECLARE_METATYPE(std::vector<bool>)

class FileListRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void dropFilter_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("avi") << "/v/clip.avi" << true;
        QTest::newRow("upper case") << "/v/CLIP.AVI" << true;
        QTest::newRow("every listed type")
            << "/v/a.flv" << true; // the others follow from the same search
        QTest::newRow("mkv") << "/v/a.MkV" << true;
        // Every type of the table, as the command line and the menu entry take them.
        QTest::newRow("webm") << "/v/a.webm" << true;
        QTest::newRow("WEBM") << "/v/a.WEBM" << true;
        QTest::newRow("mpeg") << "/v/a.mpeg" << true;
        QTest::newRow("3gp") << "/v/a.3gp" << true;
        QTest::newRow("mov.part") << "/v/a.mov.part" << false;
        QTest::newRow("gif") << "/v/a.gif" << false;
        QTest::newRow("txt") << "/v/a.txt" << false;
        QTest::newRow("mp3") << "/v/a.mp3" << false;
        QTest::newRow("fragment .mp") << "/v/a.mp" << true;
        QTest::newRow("fragment .m") << "/v/a.m" << true;
        QTest::newRow("no extension") << "/v/clip" << true;
        QTest::newRow("dot only in a folder") << "/v.avi/clip" << true;
        QTest::newRow("txt under an avi folder") << "/v.avi/clip.txt" << false;
        QTest::newRow("last dot counts") << "/v/clip.avi.txt" << false;
        QTest::newRow("empty") << "" << false;
    }
    void dropFilter()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        QCOMPARE(AcceptDroppedName(name.toStdString()), accepted);
    }

    void filterBlock()
    {
        // All types first, then each alone; the first seven entries of each kind
        // as they always were, the table's further types after them.
        const std::string& block = VideoFileFilterBlock();
        const std::string first = "Video File(*.avi,*.flv,*.mp4,*.mov,*.wmv,*.mpg,*.mkv,*.webm,";
        QCOMPARE(block.substr(0, first.size()), first);
        QCOMPARE(block.substr(block.size() - 2), std::string("\0\0", 2));
        const QStringList filters = VideoFileDialogFilters();
        QCOMPARE(filters.size(), int(VideoTypes().size()) + 1);
        QVERIFY(
            filters[0].startsWith("Video File(*.avi,*.flv,*.mp4,*.mov,*.wmv,*.mpg,*.mkv,*.webm,"));
        QVERIFY(filters[0].contains(") (*.avi *.flv *.mp4 *.mov *.wmv *.mpg *.mkv *.webm "));
        QCOMPARE(filters[1], QString("AVI File(*.avi) (*.avi)"));
        QCOMPARE(filters[7], QString("MKV File(*.mkv) (*.mkv)"));
        QCOMPARE(filters[8], QString("WEBM File(*.webm) (*.webm)"));
        // Each of the table's types is offered by the first entry and by its own.
        for (const VideoType& type : VideoTypes()) {
            const QString pattern = QString("*.") + type.Extension;
            QVERIFY2(filters[0].contains(pattern + ' ') || filters[0].endsWith(pattern + ')'),
                type.Extension);
            QVERIFY2(
                filters.contains(
                    QString("%1 File(%2) (%2)").arg(QString(type.Extension).toUpper(), pattern)),
                type.Extension);
        }
    }

    void sizeText_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << qint64(0) << "    0 KB";
        QTest::newRow("999 bytes") << qint64(999) << "    0 KB";
        QTest::newRow("1,999 bytes") << qint64(1999) << "    1 KB";
        QTest::newRow("five digits") << qint64(99'999'999) << "99999 KB";
        QTest::newRow("wider") << qint64(123'456'789'012) << "123456789 KB";
        QTest::newRow("3 GiB") << qint64(3) * 1024 * 1024 * 1024 << "3221225 KB";
    }
    void sizeText()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(SizeText(bytes), text);
    }

    void removal_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<std::vector<bool>>("selected");
        QTest::addColumn<bool>("converting");
        QTest::addColumn<std::vector<int>>("deleted");
        QTest::addColumn<int>("select");
        QTest::newRow("rows 2 and 3 of five")
            << 5 << std::vector<bool> { 0, 0, 1, 1, 0 } << false << std::vector<int> { 3, 2 } << 2;
        QTest::newRow("the last row")
            << 5 << std::vector<bool> { 0, 0, 0, 0, 1 } << false << std::vector<int> { 4 } << 3;
        QTest::newRow("the last two")
            << 5 << std::vector<bool> { 0, 0, 0, 1, 1 } << false << std::vector<int> { 4, 3 } << 2;
        QTest::newRow("rows 0 and 4")
            << 5 << std::vector<bool> { 1, 0, 0, 0, 1 } << false << std::vector<int> { 4, 0 } << 0;
        QTest::newRow("nothing selected")
            << 3 << std::vector<bool> { 0, 0, 0 } << false << std::vector<int> {} << 0;
        QTest::newRow("every row")
            << 2 << std::vector<bool> { 1, 1 } << false << std::vector<int> { 1, 0 } << -1;
        QTest::newRow("while converting")
            << 3 << std::vector<bool> { 0, 1, 0 } << true << std::vector<int> {} << 0;
        QTest::newRow("empty list")
            << 0 << std::vector<bool> {} << false << std::vector<int> {} << -1;
    }
    void removal()
    {
        QFETCH(int, rows);
        QFETCH(std::vector<bool>, selected);
        QFETCH(bool, converting);
        QFETCH(std::vector<int>, deleted);
        QFETCH(int, select);
        const RemovalPlan plan = PlanRemoval(rows, selected, converting);
        QCOMPARE(plan.RowsToDelete, deleted);
        QCOMPARE(plan.RowToSelect, select);
    }

    void columnWidths()
    {
        const ColumnWidths w = ColumnWidthsFor(587);
        QCOMPARE(w.File, 293);
        QCOMPARE(w.Size, 146);
        QCOMPARE(w.Information, 140);
    }

    void nextInputFolder()
    {
        const struct
        {
            QStringList chosen;
            QString folder;
        } cases[] = {
            { { "/videos/a.mp4" }, "/videos/" },
            { { "/videos/x/a.mp4", "/videos/x/b.mp4" }, "/videos/x" },
            { { "/videos/x/a.mp4", "/videos/x/b.mp4", "/videos/x/c.mp4" }, "/videos/x" },
            { { "/a.mp4" }, "/" },
            { { "/a.mp4", "/b.mp4" }, "/" },
            { {}, "" },
        };
        for (const auto& c : cases)
            QCOMPARE(NextInputFolder(c.chosen), c.folder);
    }
};

QTEST_GUILESS_MAIN(FileListRulesTest)
#include "FileListRulesTest.moc"

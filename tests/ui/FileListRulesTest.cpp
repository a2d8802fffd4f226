#include "ui/FileListRules.h"

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
        QTest::newRow("mpeg") << "/v/a.mpeg" << false;
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
        const std::string& block = VideoFileFilterBlock();
        QCOMPARE(block.size(), std::size_t(251));
        const std::string first = "Video File(*.avi,*.flv,*.mp4,*.mov,*.wmv,*.mpg,*.mkv)";
        QCOMPARE(block.substr(0, first.size() + 1), first + std::string(1, '\0'));
        QCOMPARE(block.substr(block.size() - 8), std::string("\0*.mkv\0\0", 8));
        const QStringList filters = VideoFileDialogFilters();
        QCOMPARE(filters.size(), 8);
        QCOMPARE(filters[0],
            QString("Video File(*.avi,*.flv,*.mp4,*.mov,*.wmv,*.mpg,*.mkv) "
                    "(*.avi *.flv *.mp4 *.mov *.wmv *.mpg *.mkv)"));
        QCOMPARE(filters[7], QString("MKV File(*.mkv) (*.mkv)"));
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

// The window's "Estimated GIF" column and its "Preview GIF" window, with the real tools on
// generated clips (and stand-ins where a tool must hang): rows fill in the background,
// a row that goes or a closed window ends its work, a conversion pauses it.
#include "app/EstimateColumn.h"

#include "../ui/MainDialogFixture.h"
#include "platform/ProgramFolder.h"
#include "platform/TempFolder.h"
#include "tests/support/Processes.h"
#include "tests/support/ScriptFiles.h"
#include "ui/CFileListView.h"
#include "ui/CGifPreviewWindow.h"

#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const char* kSettings = "[TellurvaneInfo]\nStart=0\nEnd=Default\nResolutionX=Default\n"
                        "ResolutionY=Default\nVBRValue=Default\nImagesPerSecond=0.10\n"
                        "TimeDelay=0.00\nFileFormat=0\nLoop=0\n";

// A program folder with the real tools and a settings file.
QString RealToolsFolder(MainDialogFixture& f)
{
    const QString bin = f.Folder("bin");
    QDir().mkpath(bin);
    for (const char* tool : { "video.dll", "imgconv.dll" })
        fs::create_symlink(fs::path(SABLEWICK_BIN_DIR) / tool, fs::path(bin.toStdString()) / tool);
    std::ofstream(bin.toStdString() + "/TellurvaneInfo.ini") << kSettings;
    SetProgramFolderForTesting(bin.toStdString());
    return bin;
}

QString MakeClip(MainDialogFixture& f, const QString& name, const char* source)
{
    const QString path = f.Folder(name);
    const std::string make = std::string("ffmpeg -nostdin -loglevel error -y -f lavfi -i ") + source
        + " -pix_fmt yuv420p '" + path.toStdString() + "'";
    return std::system(make.c_str()) == 0 ? path : QString();
}

// Files left in the program's private temporary folder (the folders themselves aside).
int FilesInTempFolder()
{
    int files = 0;
    for (const auto& e : fs::recursive_directory_iterator(TempFolder()))
        if (!e.is_directory() && e.path().filename().string().rfind("DasmereTemp", 0) == 0)
            ++files;
    return files;
}

} // namespace

class EstimateColumnTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { SetProgramFolderForTesting(""); }

    void eachRowGetsItsEstimateAndTheColumnFollowsTheRows()
    {
        MainDialogFixture f;
        RealToolsFolder(f);
        const QString a = MakeClip(f, "a.mp4", "testsrc2=s=160x120:r=25:d=6");
        const QString b = MakeClip(f, "b.mp4", "testsrc2=s=96x64:r=25:d=6");
        QVERIFY(!a.isEmpty() && !b.isEmpty());
        auto* column = new EstimateColumn(*f.dialog);
        CFileListView* list = f.dialog->FileList();
        QCOMPARE(list->horizontalHeaderItem(CFileListView::kEstimateColumn)->text(),
            QStringLiteral("Estimated GIF"));
        f.dialog->AddPaths({ a, b });
        // Empty while unknown, then filled in the background.
        QCOMPARE(list->RowText(1, CFileListView::kEstimateColumn), QString());
        QTRY_VERIFY_WITH_TIMEOUT(!list->RowText(0, CFileListView::kEstimateColumn).isEmpty()
                && !list->RowText(1, CFileListView::kEstimateColumn).isEmpty(),
            60000);
        QVERIFY(list->RowText(0, CFileListView::kEstimateColumn).endsWith(" kB"));
        QVERIFY(list->item(0, CFileListView::kFileColumn)->toolTip().contains("of 160\u00d7120"));
        QVERIFY(list->item(1, CFileListView::kFileColumn)->toolTip().contains("of 96\u00d764"));
        // The row that goes takes its estimate along; the other keeps its own.
        const QString second = list->RowText(1, CFileListView::kEstimateColumn);
        f.dialog->SelectRow(0);
        f.dialog->RemoveSelected();
        QCOMPARE(list->rowCount(), 1);
        QCOMPARE(list->RowText(0, CFileListView::kEstimateColumn), second);
        // New settings: cleared, then made again with them.
        std::ofstream(f.Folder("bin").toStdString() + "/TellurvaneInfo.ini")
            << "[TellurvaneInfo]\nStart=0\nEnd=Default\nResolutionX=48\nResolutionY=32\n"
               "VBRValue=Default\nImagesPerSecond=0.10\nTimeDelay=0.00\nFileFormat=0\nLoop=0\n";
        column->Refresh();
        QCOMPARE(list->RowText(0, CFileListView::kEstimateColumn), QString());
        QTRY_VERIFY_WITH_TIMEOUT(
            list->item(0, CFileListView::kFileColumn)->toolTip().contains("of 48\u00d732"), 60000);
        QVERIFY(list->item(0, CFileListView::kFileColumn)->toolTip().contains("60 frames"));
        // A new edit: made again with it (twice as fast, half the frames).
        FileEdit faster;
        faster.Speed = 2.0;
        list->SetRowEdit(0, faster);
        emit f.dialog->RowEditChanged(list->RowTag(0));
        QCOMPARE(list->RowText(0, CFileListView::kEstimateColumn), QString());
        QTRY_VERIFY_WITH_TIMEOUT(list->item(0, CFileListView::kFileColumn)
                                     ->toolTip()
                                     .contains("30 frames of 48\u00d732"),
            60000);
        QTRY_VERIFY_WITH_TIMEOUT(column->Idle(), 10000);
        QCOMPARE(FilesInTempFolder(), 0);
    }

    // A video tool that hangs: the estimate under way is ended with its row, stopped while a
    // conversion runs, and ended when the window closes.
    void aRowThatGoesOrAClosedWindowEndsTheEstimate()
    {
        MainDialogFixture f;
        const QString bin = f.Folder("bin");
        QVERIFY(QDir().mkpath(bin));
        SetProgramFolderForTesting(bin.toStdString());
        std::ofstream(bin.toStdString() + "/TellurvaneInfo.ini") << kSettings;
        const std::string started = f.Folder("started").toStdString();
        test_files::WriteScript(bin.toStdString() + "/video.dll",
            ": > '" + started + "'\nwhile :; do sleep 0.05; done\n");
        test_files::WriteScript(bin.toStdString() + "/imgconv.dll", "exit 0\n");
        auto* column = new EstimateColumn(*f.dialog);
        f.dialog->AddPaths({ f.MakeFile("a.mp4") });
        // The estimate starts from the event loop: let it run.
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(started), 30000);
        QList<int> tools = MainDialogFixture::ProcessesRunningFrom(bin);
        QCOMPARE(tools.size(), 1);

        // Paused while a conversion runs: the tool stopped, not ended.
        emit f.dialog->ConvertingChanged(true);
        QTRY_COMPARE_WITH_TIMEOUT(test_processes::State(tools[0]), 'T', 10000);
        emit f.dialog->ConvertingChanged(false);
        QTRY_VERIFY_WITH_TIMEOUT(test_processes::State(tools[0]) != 'T', 10000);

        f.dialog->SelectRow(0);
        f.dialog->RemoveSelected();
        QTRY_VERIFY_WITH_TIMEOUT(MainDialogFixture::ProcessesRunningFrom(bin).isEmpty(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(column->Idle(), 10000);

        // The next row's estimate is under way when the window closes.
        fs::remove(started);
        f.dialog->AddPaths({ f.MakeFile("b.mp4") });
        // The estimate starts from the event loop: let it run.
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(started), 30000);
        QVERIFY(!MainDialogFixture::ProcessesRunningFrom(bin).isEmpty());
        f.dialog->done(0);
        QTRY_VERIFY_WITH_TIMEOUT(MainDialogFixture::ProcessesRunningFrom(bin).isEmpty(), 10000);
        QVERIFY(column->Idle());
        QCOMPARE(f.dialog->FileList()->RowText(0, CFileListView::kEstimateColumn), QString());
    }

    void thePreviewPlaysTheRealGifAtItsSize()
    {
        MainDialogFixture f;
        const QString bin = RealToolsFolder(f);
        const QString clip = MakeClip(f, "clip.mp4", "testsrc2=s=128x96:r=25:d=8");
        QVERIFY(!clip.isEmpty());
        auto* window = new CGifPreviewWindow(f.dialog.get(), clip.toStdString(), "clip.mp4");
        QPointer<CGifPreviewWindow> alive(window);
        QSignalSpy ready(window, &CGifPreviewWindow::PreviewReady);
        QSignalSpy estimated(window, &CGifPreviewWindow::EstimateReady);
        window->show();
        QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, 60000);
        QCOMPARE(ready.first().first().toBool(), true);
        QVERIFY(window->IsPlaying());
        QCOMPARE(window->findChild<QLabel*>("gifPicture")->size(), QSize(128, 96));
        // 3 s at the settings' 10 frames a second.
        QImage first;
        QVERIFY(first.loadFromData(window->Gif(), "GIF"));
        QCOMPARE(first.size(), QSize(128, 96));
        QVERIFY(window->CaptionText().startsWith("This GIF: "));
        QTRY_COMPARE_WITH_TIMEOUT(estimated.count(), 1, 60000);
        QVERIFY2(window->CaptionText().contains("The whole file: about "),
            qPrintable(window->CaptionText()));
        QVERIFY(window->CaptionText().contains("80 frames of 128\u00d796"));
        window->close();
        QTRY_VERIFY(alive.isNull());
        QVERIFY(MainDialogFixture::ProcessesRunningFrom(bin).isEmpty());
        QCOMPARE(FilesInTempFolder(), 0);
    }

    void closingThePreviewEndsItsTools()
    {
        MainDialogFixture f;
        const QString bin = f.Folder("bin");
        QVERIFY(QDir().mkpath(bin));
        SetProgramFolderForTesting(bin.toStdString());
        std::ofstream(bin.toStdString() + "/TellurvaneInfo.ini") << kSettings;
        const std::string started = f.Folder("started").toStdString();
        test_files::WriteScript(bin.toStdString() + "/video.dll",
            ": > '" + started + "'\nwhile :; do sleep 0.05; done\n");
        test_files::WriteScript(bin.toStdString() + "/imgconv.dll", "exit 0\n");
        auto* window
            = new CGifPreviewWindow(f.dialog.get(), f.MakeFile("a.mp4").toStdString(), "a.mp4");
        window->show();
        // The estimate starts from the event loop: let it run.
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(started), 30000);
        QVERIFY(!MainDialogFixture::ProcessesRunningFrom(bin).isEmpty());
        delete window;
        QVERIFY(MainDialogFixture::ProcessesRunningFrom(bin).isEmpty());
    }
};

QTEST_MAIN(EstimateColumnTest)
#include "EstimateColumnTest.moc"

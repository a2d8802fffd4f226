#include "MainDialogFixture.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramFolder.h"
#include "platform/TempFolder.h"
#include "platform/UserProfiles.h"
#include "tests/support/FindChild.h"
#include "tests/support/ScriptFiles.h"
#include "ui/CFileListView.h"
#include "ui/FileNameText.h"
#include "widgets/CRichMessageBoxDialog.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <filesystem>
#include <fstream>

using test_widgets::Find;

namespace {

void WriteScript(const QString& path, const QString& body)
{
    test_files::WriteScript(path.toStdString(), body.toStdString());
}

} // namespace

// The window runs whole jobs with stand-in tools (shell scripts) in a private
// program folder.
class MainDialogConversionTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainDialogFixture> f;
    CMainDialog& d() { return *f->dialog; }
    QString m_bin, m_out;

    QString VideoLog() const { return f->Folder("video.log"); }

    void WriteTools(const QString& videoExtra)
    {
        // The video tool logs its input and writes frame 1 of the pattern it got
        // as its last argument; the image tool writes the GIF it is asked for.
        WriteScript(m_bin + "/video.dll",
            "for a; do :; done; echo \"$2\" >> '" + VideoLog()
                + "'; f=$(printf \"$a\" 1); "
                  ": > \"$f\"\n"
                + videoExtra);
        WriteScript(m_bin + "/imgconv.dll", "for a; do :; done; : > \"$a\"\n");
    }

    // The status label shows `summary`, shortened in the middle when it is too
    // wide for it, and has the whole of it as its tooltip.
    void CheckStatus(const QString& summary)
    {
        const QLabel* status = Find<QLabel>(d(), "status");
        QCOMPARE(status->toolTip(), summary);
        const QString shown = status->text();
        if (shown != summary) {
            const int cut = shown.indexOf(QChar(0x2026));
            QVERIFY2(cut > 0, qPrintable(shown));
            QVERIFY(summary.startsWith(shown.left(cut)));
            QVERIFY(summary.endsWith(shown.mid(cut + 1)));
            QVERIFY(status->fontMetrics().horizontalAdvance(shown) <= status->width());
        }
    }

    void ConvertAll()
    {
        Find<QPushButton>(d(), "convert")->click();
        QCOMPARE(Find<QPushButton>(d(), "convert")->text(), QString("Stop"));
        QTRY_COMPARE_WITH_TIMEOUT(
            Find<QPushButton>(d(), "convert")->text(), QString("Convert"), 30000);
    }

    QStringList EnabledMenuItems()
    {
        QStringList on;
        const std::unique_ptr<QMenu> menu = d().BuildContextMenu();
        for (QAction* a : menu->actions())
            if (a->isEnabled() && !a->isSeparator())
                on << a->text();
        return on;
    }

private slots:
    void init()
    {
        f = std::make_unique<MainDialogFixture>();
        m_bin = f->Folder("bin");
        m_out = f->Folder("out");
        QVERIFY(QDir().mkpath(m_bin));
        QVERIFY(QDir().mkpath(m_out));
        SetProgramFolderForTesting(m_bin.toStdString());
        QFile settings(m_bin + "/TellurvaneInfo.ini");
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[TellurvaneInfo]\nStart=0\nEnd=Default\nResolutionX=Default\n"
                       "ResolutionY=Default\nVBRValue=Default\nImagesPerSecond=0.10\n"
                       "TimeDelay=0.00\nFileFormat=0\nLoop=0\n");
        settings.close();
        WriteTools(QString());
        f->folderAnswer = m_out;
        d().show();
        QVERIFY(QTest::qWaitForWindowExposed(&d()));
    }

    void cleanup()
    {
        f->dialog.reset();
        MainDialogFixture::KillProcessesRunningFrom(m_bin); // after a failure only
        // QTemporaryDir cannot remove names that are not UTF-8.
        std::error_code ignored;
        std::filesystem::remove_all(f->Folder().toStdString(), ignored);
        f.reset();
        SetProgramFolderForTesting("");
        CRichMessageBoxDialog::ClearNextAnswer();
    }

    void aWholeConversionThroughTheWindow()
    {
        const QString clip = f->MakeFile("clips/a.mp4");
        d().AddPathIfExists(clip);
        WriteProfileString(ApplicationProfilePath(), "OpenFolder", "Folder", "/earlier/");

        Find<QPushButton>(d(), "convert")->click();
        QCOMPARE(f->folderQuestions, QStringList({ "/earlier/" }));
        QCOMPARE(Find<QLabel>(d(), "status")->text(), QString("Please wait..."));
        QCOMPARE(Find<QProgressBar>(d(), "progress")->value(), 5);
        QCOMPARE(Find<QPushButton>(d(), "convert")->text(), QString("Stop"));
        QVERIFY(Find<QPushButton>(d(), "convert")->isEnabled());

        QTRY_COMPARE_WITH_TIMEOUT(
            Find<QPushButton>(d(), "convert")->text(), QString("Convert"), 30000);
        QCOMPARE(d().FileList()->RowText(0, 2), QString("Success"));
        QVERIFY(d().FileList()->IsRowSelected(0));
        // The row the job left selected can be removed or previewed at once.
        QVERIFY(Find<QPushButton>(d(), "remove")->isEnabled());
        QVERIFY(Find<QPushButton>(d(), "preview")->isEnabled());
        QVERIFY(Find<QPushButton>(d(), "removeAll")->isEnabled());
        CheckStatus("Done. 1 GIF in " + m_out + "/");
        QCOMPARE(Find<QProgressBar>(d(), "progress")->value(), 0);
        QVERIFY(QFile::exists(m_out + "/a.gif"));
        QCOMPARE(ReadProfileString(ApplicationProfilePath(), "OpenFolder", "Folder", "", 4096),
            m_out.toStdString());
    }

    // Names are bytes: one in Latin-1 and one with a stray byte convert under their
    // own names whichever way they came in, though Qt's dialogs and drops show
    // such bytes as U+FFFD.
    void namesThatAreNotUtf8ConvertUnderTheirOwnNames()
    {
        const std::string clips = f->Folder("clips").toStdString();
        QVERIFY(QDir().mkpath(f->Folder("clips")));
        const std::string names[] = { "caf\xe9", "x\xff\xfe y" };
        for (const std::string& name : names)
            std::ofstream(clips + "/" + name + ".mp4") << "x";
        const auto lossy = [&](const std::string& name) {
            return QString::fromUtf8(clips + "/" + name + ".mp4");
        };

        f->fileAnswer = { lossy(names[0]) };
        d().AddCommand();
        QMimeData drop;
        const QByteArray dropped = QByteArray::fromStdString(clips + "/" + names[1] + ".mp4");
        drop.setData(
            "text/uri-list", "# a comment\r\nfile://" + dropped.toPercentEncoding("/") + "\r\n");
        d().DropNames(DroppedFileNames(drop));
        // The same name in another folder, from the command line.
        const std::string other = f->Folder("other").toStdString();
        QVERIFY(QDir().mkpath(f->Folder("other")));
        std::ofstream(other + "/" + names[0] + ".mp4") << "y";
        d().AddPathIfExists(FileNameText(clips + "/" + names[0] + ".mp4")); // listed already
        d().AddPathIfExists(FileNameText(other + "/" + names[0] + ".mp4"));
        QCOMPARE(d().RowCount(), 3);
        QCOMPARE(d().RowPath(0), clips + "/" + names[0] + ".mp4");
        QCOMPARE(d().RowPath(1), clips + "/" + names[1] + ".mp4");
        QCOMPARE(d().RowPath(2), other + "/" + names[0] + ".mp4");
        QCOMPARE(d().FileList()->RowText(0, 0), lossy(names[0]));

        Find<QPushButton>(d(), "convert")->click();
        QTRY_COMPARE_WITH_TIMEOUT(
            Find<QPushButton>(d(), "convert")->text(), QString("Convert"), 30000);
        for (int row = 0; row < 3; ++row)
            QCOMPARE(d().FileList()->RowText(row, 2), QString("Success"));
        const std::string out = m_out.toStdString();
        for (const std::string& gif :
            { names[0] + ".gif", names[1] + ".gif", names[0] + " (2).gif" })
            QVERIFY2(std::ifstream(out + "/" + gif).good(), gif.c_str());
    }

    // A converted row offers its GIF to open, to show in its folder and to drag
    // out; a failed row offers none. The status says how many went where.
    void resultsSayWhereTheyWent()
    {
        WriteScript(m_bin + "/video.dll",
            "for a; do :; done; case \"$2\" in *bad*) exit 1;; esac; f=$(printf \"$a\" 1); "
            ": > \"$f\"\n");
        const QString good = f->MakeFile("clips/good.mp4");
        d().AddPathIfExists(good);
        d().AddPathIfExists(f->MakeFile("clips/bad.mp4"));
        ConvertAll();
        CFileListView* list = d().FileList();
        QCOMPARE(list->RowText(0, 2), QString("Success"));
        QCOMPARE(list->RowText(1, 2), QString("Failed"));
        CheckStatus("Done. 1 GIF in " + m_out + "/");

        // A right-click on the converted row.
        const QRect first = list->visualRect(list->model()->index(0, 0));
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, first.center());
        QCOMPARE(EnabledMenuItems(),
            QStringList({ "&Add files", "&Remove", "Remove &All", "&View file", "&Edit...",
                "Open GIF", "Show in Folder" }));
        d().RunContextCommand(5);
        QCOMPARE(f->opened, QStringList({ m_out + "/good.gif" }));
        d().RunContextCommand(6);
        QCOMPARE(f->shownInFolder, QStringList({ m_out + "/good.gif" }));
        // Dragged out, it is its GIF.
        std::unique_ptr<QMimeData> dragged(list->model()->mimeData({ list->model()->index(0, 1) }));
        QVERIFY(dragged);
        QCOMPARE(dragged->urls(), QList<QUrl>({ QUrl::fromLocalFile(m_out + "/good.gif") }));

        // The failed row has nothing of the kind.
        const QRect second = list->visualRect(list->model()->index(1, 0));
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, second.center());
        QVERIFY(!list->IsRowSelected(0));
        QCOMPARE(EnabledMenuItems(),
            QStringList({ "&Add files", "&Remove", "Remove &All", "&View file", "&Edit..." }));
        QVERIFY(!list->model()->mimeData({ list->model()->index(1, 0) }));

        // The next run forgets the results until it makes new ones.
        WriteTools("while :; do sleep 0.05; done\n");
        list->SelectAndFocusRow(0);
        CRichMessageBoxDialog::SetNextAnswer(6); // replace good.gif
        Find<QPushButton>(d(), "convert")->click();
        QVERIFY(!list->model()->mimeData({ list->model()->index(0, 0) }));
        QCOMPARE(EnabledMenuItems(), QStringList({ "&Add files", "&View file" }));
        Find<QPushButton>(d(), "convert")->click();
        CheckStatus("Stopped. 0 of 2 converted.");
    }

    // Still images are numbered files: the row hands out all of them.
    void numberedResultsAreHandedOutWhole()
    {
        QFile settings(m_bin + "/TellurvaneInfo.ini");
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[TellurvaneInfo]\nStart=0\nEnd=Default\nResolutionX=Default\n"
                       "ResolutionY=Default\nVBRValue=Default\nImagesPerSecond=0.10\n"
                       "TimeDelay=0.00\nFileFormat=3\nLoop=0\n");
        settings.close();
        WriteScript(m_bin + "/video.dll",
            "for a; do :; done; for n in 1 2 3; do : > \"$(printf \"$a\" $n)\"; done\n");
        d().AddPathIfExists(f->MakeFile("clips/a.mp4"));
        ConvertAll();
        QCOMPARE(d().FileList()->RowText(0, 2), QString("Success"));
        CheckStatus("Done. 1 converted into " + m_out + "/");
        d().FileList()->SelectAndFocusRow(0);
        QVERIFY(EnabledMenuItems().contains("Open Image"));
        d().RunContextCommand(6);
        QCOMPARE(f->shownInFolder,
            QStringList({ m_out + "/a1.png", m_out + "/a2.png", m_out + "/a3.png" }));
        std::unique_ptr<QMimeData> dragged(
            d().FileList()->model()->mimeData({ d().FileList()->model()->index(0, 0) }));
        QVERIFY(dragged);
        QCOMPARE(dragged->urls().size(), 3);
    }

    // GIFs a user already has in the folder: one question, in the program's
    // message box, before anything starts; Keep Both puts the new ones beside
    // them, Cancel starts nothing, Replace writes over them.
    void existingGifsAreReplacedOnlyWhenTheUserSaysSo()
    {
        for (const char* name : { "a.gif", "b.gif" }) {
            QFile mine(m_out + "/" + name);
            QVERIFY(mine.open(QIODevice::WriteOnly));
            mine.write("mine");
        }
        for (const char* name : { "a.mp4", "b.mp4", "c.mp4" })
            d().AddPathIfExists(f->MakeFile(QString("clips/") + name));
        const auto contents = [this](const QString& name) {
            QFile file(m_out + "/" + name);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
        };

        CRichMessageBoxDialog::SetNextAnswer(7); // Keep Both
        ConvertAll();
        QVERIFY(!CRichMessageBoxDialog::TakeNextAnswer().has_value());
        const MessageBoxRequest asked = CRichMessageBoxDialog::LastAnsweredRequest();
        QCOMPARE(asked.text, "2 files already exist in " + m_out + "/. Replace them?");
        QCOMPARE(asked.caption, QString("Sablewick"));
        QCOMPARE(asked.style & 0xF, std::uint32_t(3)); // three answers, Escape cancels
        QCOMPARE(contents("a.gif"), QByteArray("mine"));
        QCOMPARE(contents("b.gif"), QByteArray("mine"));
        QCOMPARE(contents("a (2).gif"), QByteArray());
        QCOMPARE(contents("b (2).gif"), QByteArray());
        QCOMPARE(contents("c.gif"), QByteArray());

        CRichMessageBoxDialog::SetNextAnswer(2); // Cancel
        Find<QPushButton>(d(), "convert")->click();
        QCOMPARE(Find<QPushButton>(d(), "convert")->text(), QString("Convert"));
        QVERIFY(!CRichMessageBoxDialog::TakeNextAnswer().has_value());
        QCOMPARE(CRichMessageBoxDialog::LastAnsweredRequest().text,
            "3 files already exist in " + m_out + "/. Replace them?");
        QVERIFY(!QFile::exists(m_out + "/a (3).gif"));

        CRichMessageBoxDialog::SetNextAnswer(6); // Replace
        ConvertAll();
        QCOMPARE(contents("a.gif"), QByteArray());
        QVERIFY(!QFile::exists(m_out + "/a (3).gif"));
    }

    void aCancelledFolderQuestionStartsNothing()
    {
        d().AddPathIfExists(f->MakeFile("clips/a.mp4"));
        WriteProfileString(ApplicationProfilePath(), "OpenFolder", "Folder", "/kept/");
        f->folderAnswer.clear();
        Find<QPushButton>(d(), "convert")->click();
        QCOMPARE(f->folderQuestions.size(), 1);
        QCOMPARE(Find<QPushButton>(d(), "convert")->text(), QString("Convert"));
        QVERIFY(Find<QLabel>(d(), "status")->text().isEmpty());
        QCOMPARE(ReadProfileString(ApplicationProfilePath(), "OpenFolder", "Folder", "", 4096),
            std::string("/kept/"));
    }

    void aMissingSettingsFileIsNamedAndNothingStarts()
    {
        d().AddPathIfExists(f->MakeFile("clips/a.mp4"));
        QVERIFY(QFile::remove(m_bin + "/TellurvaneInfo.ini"));
        CRichMessageBoxDialog::SetNextAnswer(1);
        Find<QPushButton>(d(), "convert")->click();
        QCOMPARE(f->folderQuestions.size(), 1);
        QVERIFY(!CRichMessageBoxDialog::TakeNextAnswer().has_value()); // it was asked
        const MessageBoxRequest told = CRichMessageBoxDialog::LastAnsweredRequest();
        QCOMPARE(
            told.text, "The settings file " + m_bin + "/TellurvaneInfo.ini could not be read.");
        QCOMPARE(told.caption, QString("Sablewick"));
        QCOMPARE(Find<QPushButton>(d(), "convert")->text(), QString("Convert"));
        QVERIFY(Find<QLabel>(d(), "status")->text().isEmpty());
        QVERIFY(!QFile::exists(VideoLog()));
    }

    void stopEndsTheJobAndItsTools()
    {
        WriteTools("while :; do sleep 0.05; done\n");
        for (const char* name : { "a.mp4", "b.mp4", "c.mp4" })
            d().AddPathIfExists(f->MakeFile(QString("clips/") + name));
        Find<QPushButton>(d(), "convert")->click();
        QCOMPARE(Find<QPushButton>(d(), "convert")->text(), QString("Stop"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(VideoLog()), 20000);
        QTRY_VERIFY(d().FileList()->IsRowSelected(0));

        Find<QPushButton>(d(), "convert")->click();
        QCOMPARE(Find<QPushButton>(d(), "convert")->text(), QString("Convert"));
        CheckStatus("Stopped. 0 of 3 converted.");
        QCOMPARE(Find<QProgressBar>(d(), "progress")->value(), 0);
        QTest::qWait(300); // whatever a stopped job might still report
        for (int row = 0; row < 3; ++row)
            QVERIFY(d().FileList()->RowText(row, 2).isEmpty());
        QVERIFY(MainDialogFixture::ProcessesRunningFrom(m_bin).isEmpty());
        QCOMPARE(Find<QPushButton>(d(), "convert")->text(), QString("Convert"));
    }

    void removeDuringAConversionDeletesNothing()
    {
        WriteTools("while :; do sleep 0.05; done\n");
        QStringList paths;
        for (const char* name : { "a.mp4", "b.mp4", "c.mp4" }) {
            paths << f->MakeFile(QString("clips/") + name);
            d().AddPathIfExists(paths.back());
        }
        Find<QPushButton>(d(), "convert")->click();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(VideoLog()), 20000);
        QTRY_VERIFY(d().FileList()->IsRowSelected(0));

        d().FileList()->SelectAndFocusRow(2);
        d().RemoveSelected();
        QCOMPARE(d().FileList()->rowCount(), 3);
        QStringList selected;
        for (int row = 0; row < 3; ++row)
            if (d().FileList()->IsRowSelected(row))
                selected << d().FileList()->RowPath(row);
        QCOMPARE(selected, QStringList({ paths[0], paths[2] }));
        QCOMPARE(d().FileList()->currentIndex().row(), 0);
        // Nor does Remove All, from its button, the menu or a call: the job's rows
        // stay until it ends. Both buttons are off while it runs; Stop stays on.
        QVERIFY(!Find<QPushButton>(d(), "remove")->isEnabled());
        QVERIFY(!Find<QPushButton>(d(), "removeAll")->isEnabled());
        QVERIFY(Find<QPushButton>(d(), "add")->isEnabled());
        QTest::keyClick(d().FileList(), Qt::Key_Delete);
        d().RemoveAll();
        d().RunContextCommand(3);
        QCOMPARE(d().FileList()->rowCount(), 3);
        QStringList menuEnabled;
        const std::unique_ptr<QMenu> menu = d().BuildContextMenu();
        for (QAction* a : menu->actions())
            if (a->isEnabled())
                menuEnabled << a->text();
        QCOMPARE(menuEnabled, QStringList({ "&Add files", "&View file" }));
        QVERIFY(Find<QPushButton>(d(), "convert")->isEnabled());
        QCOMPARE(Find<QPushButton>(d(), "convert")->text(), QString("Stop"));
        Find<QPushButton>(d(), "convert")->click();
        QCOMPARE(Find<QPushButton>(d(), "convert")->text(), QString("Convert"));
        // Back once the job has ended.
        QVERIFY(Find<QPushButton>(d(), "remove")->isEnabled());
        QVERIFY(Find<QPushButton>(d(), "removeAll")->isEnabled());
        Find<QPushButton>(d(), "removeAll")->click();
        QCOMPARE(d().FileList()->rowCount(), 0);
    }

    void closingWhileConvertingAsksFirst()
    {
        WriteTools("while :; do sleep 0.05; done\n");
        d().AddPathIfExists(f->MakeFile("clips/a.mp4"));
        Find<QPushButton>(d(), "convert")->click();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(VideoLog()), 20000);

        CRichMessageBoxDialog::SetNextAnswer(7); // No
        d().close();
        const MessageBoxRequest asked = CRichMessageBoxDialog::LastAnsweredRequest();
        QCOMPARE(asked.text, QString("Are you sure to stop?"));
        QCOMPARE(asked.caption, QString("Sablewick"));
        QCOMPARE(asked.style, std::uint32_t(4));
        QVERIFY(d().isVisible());
        QCOMPARE(Find<QPushButton>(d(), "convert")->text(), QString("Stop"));

        CRichMessageBoxDialog::SetNextAnswer(6); // Yes
        d().close();
        QVERIFY(!d().isVisible());
        QCOMPARE(d().result(), int(QDialog::Rejected));
        QVERIFY(MainDialogFixture::ProcessesRunningFrom(m_bin).isEmpty()); // nothing left running
    }

    // The job ends while "Are you sure to stop?" is open: the question goes as if
    // answered No, the end of the run shows, and the window stays.
    void aJobThatEndsWithdrawsTheStopQuestion()
    {
        const QString gate = f->Folder("gate");
        WriteTools("while [ ! -e '" + gate + "' ]; do sleep 0.05; done\n");
        d().AddPathIfExists(f->MakeFile("clips/a.mp4"));
        Find<QPushButton>(d(), "convert")->click();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(VideoLog()), 20000);

        // Once the question shows, the tool is let go; should the question
        // stay after the job, it is answered No here so that the test ends.
        bool asked = false;
        bool leftOpen = false;
        QTimer safety;
        safety.setSingleShot(true);
        connect(&safety, &QTimer::timeout, this, [&] {
            if (auto* box = d().findChild<CRichMessageBoxDialog*>()) {
                leftOpen = true;
                box->Answer(7);
            }
        });
        QTimer::singleShot(0, this, [&] {
            asked = d().findChild<CRichMessageBoxDialog*>() != nullptr;
            QFile(gate).open(QIODevice::WriteOnly);
            safety.start(30000);
        });
        d().close();
        QVERIFY(asked);
        QVERIFY(!leftOpen);
        QVERIFY(d().isVisible());
        QCOMPARE(Find<QPushButton>(d(), "convert")->text(), QString("Convert"));
        CheckStatus("Done. 1 GIF in " + m_out + "/");
        QCOMPARE(d().FileList()->RowText(0, 2), QString("Success"));
        QVERIFY(!d().findChild<CRichMessageBoxDialog*>());
    }
};

QTEST_MAIN(MainDialogConversionTest)
#include "MainDialogConversionTest.moc"

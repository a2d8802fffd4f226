#include "app/BrandingInfo.h"
#include "app/CConverterApp.h"
#include "engine/ProcessKiller.h"
#include "platform/ProgramFolder.h"
#include "tests/support/Processes.h"
#include "tests/support/ScriptFiles.h"
#include "ui/CFileListView.h"
#include "ui/CMainDialog.h"
#include "widgets/CRichMessageBoxDialog.h"
#include "tests/support/FindChild.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

using test_widgets::Find;
#include <QtTest>

class StartUpTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_first, m_second;
    int m_exitStatus = -1;

    QStringList Rows(const CMainDialog& dialog)
    {
        QStringList rows;
        for (int row = 0; row < dialog.FileList()->rowCount(); ++row)
            rows << dialog.FileList()->RowPath(row);
        return rows;
    }

    std::vector<std::string> Args(const QStringList& args)
    {
        std::vector<std::string> out {"sablewick"};
        for (const QString& a : args)
            out.push_back(a.toStdString());
        return out;
    }

private slots:
    void initTestCase()
    {
        SetProgramFolderForTesting(SABLEWICK_BIN_DIR);
        QVERIFY(LoadBrandingInfo());
        m_first = m_dir.filePath(QStringLiteral("first clip.mp4"));
        m_second = m_dir.filePath(QStringLiteral("second.avi"));
        for (const QString& path : {m_first, m_second}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x");
        }
        SetProcessExitForTesting([this](int status) { m_exitStatus = status; });
    }

    void cleanupTestCase() { SetProgramFolderForTesting(""); }

    void init()
    {
        m_exitStatus = -1;
        CRichMessageBoxDialog::ClearNextAnswer();
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("notice");
        const QString a = m_first, b = m_second, missing = m_dir.filePath("missing.mp4");
        QTest::newRow("none") << QStringList() << QStringList() << false;
        QTest::newRow("add and open, in order") << QStringList {"-add", a, "-open", b}
                                                << QStringList {a, b} << false;
        QTest::newRow("switch in capitals") << QStringList {"-ADD", a} << QStringList {a} << false;
        QTest::newRow("switch alone") << QStringList {"-add"} << QStringList() << false;
        QTest::newRow("missing file") << QStringList {"-open", missing} << QStringList() << false;
        QTest::newRow("bare path") << QStringList {a} << QStringList() << false;
        QTest::newRow("copyright taken as the path") << QStringList {"-add", "-copyright"}
                                                     << QStringList() << false;
        QTest::newRow("a launcher's files") << QStringList {"--files", a, missing, b}
                                            << QStringList {a, b} << false;
        QTest::newRow("file, then the notice") << QStringList {"-add", a, "-Copyright", "-add", b}
                                               << QStringList {a} << true;
    }

    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, rows);
        QFETCH(bool, notice);
        CMainDialog dialog;
        CRichMessageBoxDialog::SetNextAnswer(1);
        QCOMPARE(ProcessCommandLine(dialog, Args(args)), !args.isEmpty());
        QCOMPARE(Rows(dialog), rows);
        QVERIFY(!dialog.isVisible());
        if (notice) {
            const MessageBoxRequest shown = CRichMessageBoxDialog::LastAnsweredRequest();
            QCOMPARE(shown.style, 0x40u);
            QCOMPARE(shown.caption, QStringLiteral("Sablewick Video to GIF Converter"));
            QVERIFY(shown.text.contains(QStringLiteral("Tellurvane")));
            QCOMPARE(m_exitStatus, 0);
        } else {
            QVERIFY(CRichMessageBoxDialog::TakeNextAnswer().has_value()); // no box was shown
            QCOMPARE(m_exitStatus, -1);
        }
    }

    void titleIsTheProductName()
    {
        CMainDialog dialog;
        ApplyWindowTitle(dialog);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Sablewick Video to GIF Converter"));
    }

    void previewWithoutAPlayableFileSaysSo()
    {
        CMainDialog dialog;
        ConnectMainDialog(dialog);
        dialog.AddPathIfExists(m_first);
        dialog.SelectRow(0);
        dialog.UpdateControlStates();
        QVERIFY(Find<QPushButton>(dialog, "preview")->isEnabled());
        // The program folder has no player of its own here.
        QTemporaryDir empty;
        SetProgramFolderForTesting(empty.path().toStdString());
        bool shown = false;
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    shown = box->text() == QStringLiteral("Preview Error!");
                    box->accept();
                }
            }
        });
        Find<QPushButton>(dialog, "preview")->click();
        SetProgramFolderForTesting(SABLEWICK_BIN_DIR);
        QVERIFY(shown);
    }

    void previewPlaysTheUpperSelectedRowAndAddedFilesGetTheirInformation()
    {
        QTemporaryDir bin;
        const QString log = bin.filePath(QStringLiteral("player.log"));
        auto script = [&](const char* name, const QString& body) {
            test_files::WriteScript(bin.filePath(QString::fromLatin1(name)).toStdString(),
                                    body.toStdString());
        };
        script("player.dll", QStringLiteral("echo \"$1\" >> '%1'\n").arg(log));
        script("swfinfo.dll", QStringLiteral("printf 'swfinfo -f 0:00:01,\\r\\n 64x48\\n'\n"));
        SetProgramFolderForTesting(bin.path().toStdString());

        CMainDialog dialog;
        ConnectMainDialog(dialog);
        dialog.SetFileDialog([&](QWidget*, const QString&, const QStringList&) {
            return QStringList {m_first, m_second, m_first};
        });
        dialog.AddCommand();
        QCOMPARE(dialog.FileList()->rowCount(), 2); // the file chosen twice is listed once
        for (int row = 0; row < 2; ++row)
            QTRY_COMPARE(dialog.FileList()->RowText(row, CFileListView::kInformationColumn),
                         QStringLiteral("0:00:01, 64x48"));
        dialog.ClearSelection();
        dialog.SelectRow(1);
        dialog.SelectRow(0);
        dialog.UpdateControlStates();
        Find<QPushButton>(dialog, "preview")->click();
        // Stopping kills the player by name: only once it has written its line.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(log).size() > 0, 10000);
        dialog.Controller().StopConversion(); // waits for the player's thread
        SetProgramFolderForTesting(SABLEWICK_BIN_DIR);
        QFile f(log);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()), m_first + QLatin1Char('\n'));
    }

    // A media-information tool that hangs (with a child holding its output) leaves
    // the window answering and the column empty, and is ended after the time limit.
    void aStuckMediaInformationToolNeitherHoldsUpTheWindowNorStays()
    {
        QTemporaryDir bin;
        const QString pids = bin.filePath(QStringLiteral("pids"));
        test_files::WriteScript(
            bin.filePath(QStringLiteral("swfinfo.dll")).toStdString(),
            QStringLiteral("sleep 60 &\necho \"$$ $!\" > '%1'\nwait\n").arg(pids).toStdString());
        SetProgramFolderForTesting(bin.path().toStdString());

        CMainDialog dialog;
        ConnectMainDialog(dialog);
        dialog.SetFileDialog([&](QWidget*, const QString&, const QStringList&) {
            return QStringList {m_first};
        });
        dialog.AddCommand();
        QCOMPARE(dialog.FileList()->rowCount(), 1);
        // The window keeps handling events while the tool hangs.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(pids).size() > 0, 10000);
        QFile list(pids);
        QVERIFY(list.open(QIODevice::ReadOnly));
        const QList<QByteArray> both = list.readAll().trimmed().split(' ');
        QCOMPARE(both.size(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(!test_processes::Alive(both[0].toInt())
                                     && !test_processes::Alive(both[1].toInt()),
                                 15000);
        QVERIFY(dialog.FileList()->RowText(0, CFileListView::kInformationColumn).isEmpty());
        SetProgramFolderForTesting(SABLEWICK_BIN_DIR);
    }

    // The real program, copied into a folder without info.dat.
    void missingBrandingEndsWith168AndNoWindow()
    {
        QTemporaryDir folder;
        const QString copy = folder.filePath(QStringLiteral("sablewick"));
        QVERIFY(QFile::copy(QStringLiteral(SABLEWICK_BIN_DIR "sablewick"), copy));
        QFile(copy).setPermissions(QFile::ExeOwner | QFile::ReadOwner);
        QProcess process;
        process.start(copy, {QStringLiteral("-add"), m_first});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 168);
    }
};

QTEST_MAIN(StartUpTest)
#include "StartUpTest.moc"

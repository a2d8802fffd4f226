// A window told to end by a signal ends its job first: its tools and its
// temporary frames go with it, as when the window is closed.
#include "../ui/MainDialogFixture.h"
#include "app/CConverterApp.h"
#include "app/TerminationSignals.h"
#include "engine/FrameSweeper.h"
#include "platform/ProgramFolder.h"
#include "platform/TempFolder.h"
#include "tests/support/FindChild.h"
#include "tests/support/ScriptFiles.h"

#include <QDir>
#include <QPushButton>
#include <QtTest>
#include <csignal>
#include <filesystem>
#include <fstream>

using test_widgets::Find;

class TerminationSignalsTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { SetProgramFolderForTesting(""); }

    void eachSignalEndsTheJobWithItsToolsAndFrames()
    {
        for (int signal : { SIGTERM, SIGHUP, SIGINT }) {
            MainDialogFixture f;
            const QString bin = f.Folder("bin");
            QVERIFY(QDir().mkpath(bin));
            QVERIFY(QDir().mkpath(f.Folder("out")));
            SetProgramFolderForTesting(bin.toStdString());
            const std::string started = f.Folder("started").toStdString();
            std::ofstream(bin.toStdString() + "/TellurvaneInfo.ini")
                << "[TellurvaneInfo]\nStart=0\nEnd=Default\nResolutionX=Default\n"
                   "ResolutionY=Default\nVBRValue=Default\nImagesPerSecond=0.10\n"
                   "TimeDelay=0.00\nFileFormat=0\nLoop=0\n";
            // A video tool that writes a frame and goes on for ever.
            test_files::WriteScript(bin.toStdString() + "/video.dll",
                "for a; do :; done; : > \"$(printf \"$a\" 1)\"; : > '" + started
                    + "'\nwhile :; do sleep 0.05; done\n");
            test_files::WriteScript(bin.toStdString() + "/imgconv.dll", "exit 0\n");
            f.folderAnswer = f.Folder("out");
            f.dialog->AddPathIfExists(f.MakeFile("a.mp4"));

            int received = 0;
            TerminationSignals termination([&](int s) {
                received = s;
                EndForSignal(*f.dialog);
            });
            Find<QPushButton>(*f.dialog, "convert")->click();
            QVERIFY(test_files::AwaitPath(started));
            QVERIFY(!MainDialogFixture::ProcessesRunningFrom(bin).isEmpty());

            std::raise(signal);
            QTRY_COMPARE_WITH_TIMEOUT(received, signal, 30000);
            QCOMPARE(termination.Received(), signal);
            QVERIFY(!f.dialog->Controller().IsConverting());
            QVERIFY2(MainDialogFixture::ProcessesRunningFrom(bin).isEmpty(), "a tool outlived it");
            QVERIFY(AwaitFrameSweeps(false));
            QVERIFY(std::filesystem::is_empty(TempFolder()));
        }
    }
};

QTEST_MAIN(TerminationSignalsTest)
#include "TerminationSignalsTest.moc"

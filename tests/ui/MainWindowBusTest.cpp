#include "MainDialogFixture.h"
#include "app/WindowHandOver.h"
#include "tests/support/FindChild.h"
#include "ui/CFileListView.h"
#include "ui/MainWindowBusService.h"

#include <QDBusConnection>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QtTest>

using test_widgets::Find;

// Run twice by CTest: on a private session bus (with-session-bus.sh sets
// SABLEWICK_SESSION_BUS_TEST), where other programs call the window with
// gdbus, and with no bus at all.
class MainWindowBusTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainDialogFixture> f;
    CMainDialog& d() { return *f->dialog; }
    static bool OnPrivateBus() { return qEnvironmentVariableIsSet("SABLEWICK_SESSION_BUS_TEST"); }

    // Calls a method of the window as another program would; the window serves
    // the call from its event loop while gdbus waits.
    QString Call(const QString& method, const QStringList& args)
    {
        QProcess gdbus;
        gdbus.setProcessChannelMode(QProcess::MergedChannels);
        gdbus.start("gdbus",
            QStringList { "call", "--session", "--dest", MainWindowBusService::kServiceName,
                "--object-path", MainWindowBusService::kObjectPath, "--method",
                QString("net.tellurvane.Sablewick.MainWindow.") + method }
                + args);
        if (!gdbus.waitForStarted())
            return "gdbus did not start";
        // Waits with the event loop running, so that the window can answer.
        for (int i = 0; i < 3000 && gdbus.state() != QProcess::NotRunning; ++i)
            QTest::qWait(10);
        if (gdbus.state() != QProcess::NotRunning)
            return "gdbus got no answer";
        return QString::fromUtf8(gdbus.readAll()).trimmed();
    }

    struct SecondStart
    {
        int status = -1;
        std::string err;
    };

    // Starts the program again with `args` as exact bytes (names that are not
    // UTF-8 cannot pass through QProcess), in `folder`, and waits for it with
    // the event loop running, so that the window can answer it.
    SecondStart StartAgain(const std::string& folder, std::vector<std::string> args)
    {
        const std::string err = f->Folder("second.err").toStdString();
        args.insert(args.begin(), SABLEWICK_BIN_DIR "sablewick");
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, STDERR_FILENO);
            if (::chdir(folder.c_str()) != 0)
                ::_exit(126);
            ::setenv("LSAN_OPTIONS",
                "suppressions=" SABLEWICK_LSAN_SUPPRESSIONS ":print_suppressions=0", 1);
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        SecondStart run;
        int status = 0;
        for (int i = 0; i < 6000; ++i) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                break;
            }
            QTest::qWait(10);
        }
        std::ifstream in(err);
        run.err.assign(std::istreambuf_iterator<char>(in), {});
        return run;
    }

private slots:
    void init() { f = std::make_unique<MainDialogFixture>(); }
    void cleanup() { f.reset(); }

    void withoutABusTheWindowRunsOn()
    {
        if (OnPrivateBus())
            QSKIP("runs without a bus");
        QVERIFY(!d().StartMessageService());
        d().OnAddFileMessage(f->MakeFile("a.mp4"));
        QCOMPARE(d().FileList()->rowCount(), 1);
    }

    void otherProgramsAddFilesAndSetTheStatus()
    {
        if (!OnPrivateBus())
            QSKIP("needs a session bus");
        QVERIFY(d().StartMessageService());
        const QString clip = f->MakeFile("it's a clip.mp4", 2500);

        QCOMPARE(Call("AddFileRequest", { clip }), QString("()"));
        QCOMPARE(Call("AddFileRequest", { f->Folder("missing.mp4") }), QString("()"));
        QCOMPARE(Call("AddFileRequest", { "" }), QString("()"));
        QCOMPARE(d().FileList()->rowCount(), 1);
        QCOMPARE(d().FileList()->RowPath(0), clip);
        QCOMPARE(d().FileList()->RowText(0, 1), QString("    2 KB"));
        QVERIFY(d().FileList()->RowText(0, 2).isEmpty());

        QCOMPARE(Call("StatusTextChanged", { "40", "Uploading..." }), QString("()"));
        QCOMPARE(Find<QLabel>(d(), "status")->text(), QString("Uploading..."));
        QCOMPARE(Find<QProgressBar>(d(), "progress")->value(), 40);
        QCOMPARE(Call("StatusTextChanged", { "90", "" }), QString("()"));
        QCOMPARE(Find<QLabel>(d(), "status")->text(), QString("Uploading..."));
        QCOMPARE(Find<QProgressBar>(d(), "progress")->value(), 40);

        // A call that does not fit the interface is refused, not guessed at.
        QVERIFY(Call("StatusTextChanged", { "just text" }).contains("Error"));
        QCOMPARE(Find<QLabel>(d(), "status")->text(), QString("Uploading..."));
    }

    void aSecondWindowFindsTheNameTaken()
    {
        if (!OnPrivateBus())
            QSKIP("needs a session bus");
        QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "other");
        QVERIFY(other.registerService(MainWindowBusService::kServiceName));
        QVERIFY(!d().StartMessageService());
        // The window works on without its messages.
        d().OnAddFileMessage(f->MakeFile("a.mp4"));
        QCOMPARE(d().FileList()->rowCount(), 1);
        QVERIFY(other.unregisterService(MainWindowBusService::kServiceName));
        QDBusConnection::disconnectFromBus("other");
        // Once the name is free, a window can take it.
        QVERIFY(d().StartMessageService());
        QCOMPARE(Call("AddFileRequest", { f->MakeFile("b.mp4") }), QString("()"));
        QCOMPARE(d().FileList()->rowCount(), 2);
    }

    // Open With and one window: a second start with files hands them to the
    // running window, which gives them their media information, and ends at once.
    void handOverKeepsExactBytesAndSaysWhatWasNotTaken();

    void aSecondStartHandsItsFilesToTheWindow()
    {
        if (!OnPrivateBus())
            QSKIP("needs a session bus");
        const QString first = f->MakeFile("first clip.mp4");
        const QString second = f->MakeFile("second.mkv");
        // No window holds the name: the new process opens its own.
        QVERIFY(HandFilesToRunningWindow({ "sablewick", "-add", first.toStdString() })
            == HandOver::NoWindow);
        QVERIFY(d().StartMessageService());
        // Without files, or only for the notice, there is nothing to hand over.
        QVERIFY(HandFilesToRunningWindow({ "sablewick" }) == HandOver::NoWindow);
        QVERIFY(HandFilesToRunningWindow({ "sablewick", "-add", first.toStdString(), "-copyright" })
            == HandOver::NoWindow);
        QCOMPARE(d().FileList()->rowCount(), 0);

        QProcess start;
        start.setWorkingDirectory(f->Folder());
        start.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(
            "LSAN_OPTIONS", "suppressions=" SABLEWICK_LSAN_SUPPRESSIONS ":print_suppressions=0");
        start.setProcessEnvironment(env);
        // A relative name means the second process's folder, not the window's.
        start.start(SABLEWICK_BIN_DIR "sablewick", { "-add", first, "--files", "second.mkv" });
        QVERIFY(start.waitForStarted());
        for (int i = 0; i < 6000 && start.state() != QProcess::NotRunning; ++i)
            QTest::qWait(10);
        QCOMPARE(start.state(), QProcess::NotRunning);
        QCOMPARE(start.exitStatus(), QProcess::NormalExit);
        QVERIFY2(start.exitCode() == 0, start.readAll().constData());
        QCOMPARE(d().FileList()->rowCount(), 2);
        QCOMPARE(d().FileList()->RowPath(0), first);
        QCOMPARE(d().FileList()->RowPath(1), second);
        QCOMPARE(f->rowsAdded, QStringList({ "0 " + first, "1 " + second }));
    }
};

// The exact bytes of each name reach the window: a name that is not UTF-8 (with
// a look-alike beside it), and ".." after a linked folder, which leads where the
// link leads. A file the window cannot take is named on stderr, with status 1.
void MainWindowBusTest::handOverKeepsExactBytesAndSaysWhatWasNotTaken()
{
    if (!OnPrivateBus())
        QSKIP("needs a session bus");
    namespace fs = std::filesystem;
    QVERIFY(d().StartMessageService());
    const std::string root = f->Folder().toStdString();
    fs::create_directories(root + "/here");
    fs::create_directories(root + "/elsewhere/sub");
    fs::create_directory_symlink(root + "/elsewhere/sub", root + "/here/dirlink");
    for (const char* name : { "/here/bad\xff.mp4", "/here/bad\xfe.mp4", "/elsewhere/clip.mp4" })
        std::ofstream(root + name) << "x";

    const SecondStart taken = StartAgain(root + "/here",
        { "-add", "bad\xff.mp4", "-add", "dirlink/../clip.mp4" });
    QVERIFY2(taken.status == 0, taken.err.c_str());
    QCOMPARE(d().FileList()->rowCount(), 2);
    QCOMPARE(d().RowPath(0), root + "/here/bad\xff.mp4");
    QCOMPARE(d().RowPath(1), root + "/here/dirlink/../clip.mp4");

    const SecondStart refused
        = StartAgain(root + "/here", { "-add", "missing.mp4", "--files", "bad\xfe.mp4" });
    QCOMPARE(refused.status, 1);
    QVERIFY2(refused.err.find(root + "/here/missing.mp4") != std::string::npos,
        refused.err.c_str());
    QCOMPARE(d().FileList()->rowCount(), 3);
    QCOMPARE(d().RowPath(2), root + "/here/bad\xfe.mp4");
}

QTEST_MAIN(MainWindowBusTest)
#include "MainWindowBusTest.moc"

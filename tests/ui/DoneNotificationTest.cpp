// The desktop notification at the end of a run: on a private session bus where this test
// plays the notification server (on a connection of its own), and with no bus at all.
#include "ui/CFileListView.h"
#include "ui/CMainDialog.h"
#include "ui/DoneNotification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char* kServerConnection = "stand-in notification server";

// A notification server that records what it was asked to show.
class FakeNotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown
    {
        QString app;
        QString summary;
        QString body;
        QStringList actions;
    };
    QList<Shown> shown;
    uint nextId = 41;

public slots:
    uint Notify(const QString& app, uint, const QString&, const QString& summary,
        const QString& body, const QStringList& actions, const QVariantMap&, int)
    {
        shown << Shown { app, summary, body, actions };
        return ++nextId;
    }
};

void Emit(const char* name, const QList<QVariant>& arguments)
{
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QString::fromLatin1(name));
    signal.setArguments(arguments);
    QVERIFY(QDBusConnection(QString::fromLatin1(kServerConnection)).send(signal));
}

} // namespace

class DoneNotificationTest : public QObject
{
    Q_OBJECT

private:
    static bool OnPrivateBus() { return qEnvironmentVariableIsSet("SABLEWICK_SESSION_BUS_TEST"); }

private slots:
    void summaryCountsTheFiles()
    {
        const struct
        {
            int converted;
            bool gifs;
            const char* summary;
        } cases[] = {
            { 1, true, "1 GIF done" },
            { 3, true, "3 GIFs done" },
            { 0, true, "0 GIFs done" },
            { 1, false, "1 file done" },
            { 12, false, "12 files done" },
        };
        for (const auto& c : cases)
            QCOMPARE(DoneNotification::Summary(c.converted, c.gifs), QString::fromLatin1(c.summary));
    }

    void theServerShowsItAndItsActionShowsTheFiles()
    {
        if (!OnPrivateBus())
            QSKIP("needs a session bus");
        QDBusConnection server = QDBusConnection::connectToBus(
            QDBusConnection::SessionBus, QString::fromLatin1(kServerConnection));
        QVERIFY(server.isConnected());
        FakeNotificationServer fake;
        QVERIFY(server.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &fake,
            QDBusConnection::ExportAllSlots));
        QVERIFY(server.registerService(QStringLiteral("org.freedesktop.Notifications")));

        QList<QStringList> shownFolders;
        DoneNotification notification([&](const QStringList& paths) {
            shownFolders << paths;
            return true;
        });
        const QStringList written { "/out/a.gif", "/out/b <1>.gif" };
        notification.Notify(2, 1, true, QStringLiteral("/out/<new>/"), written);
        // The call did not wait for the server: it has not even seen it yet.
        QVERIFY(fake.shown.isEmpty());
        QTRY_COMPARE(fake.shown.size(), 1);
        QCOMPARE(fake.shown[0].app, QStringLiteral("Sablewick"));
        QCOMPARE(fake.shown[0].summary, QStringLiteral("2 GIFs done"));
        QCOMPARE(fake.shown[0].body, QStringLiteral("/out/&lt;new&gt;/\n1 failed"));
        QVERIFY(fake.shown[0].actions.contains(QStringLiteral("show-folder")));
        QCOMPARE(fake.shown[0].actions.size() % 2, 0); // key and label in pairs

        // Another program's notification, and an action that is not ours, show nothing.
        Emit("ActionInvoked", { uint(7), QStringLiteral("show-folder") });
        Emit("ActionInvoked", { fake.nextId, QStringLiteral("something-else") });
        // Ours shows the files, once.
        Emit("ActionInvoked", { fake.nextId, QStringLiteral("show-folder") });
        QTRY_COMPARE(shownFolders.size(), 1);
        QCOMPARE(shownFolders[0], written);
        Emit("ActionInvoked", { fake.nextId, QStringLiteral("show-folder") });

        // A notification closed unanswered forgets its files.
        notification.Notify(1, 0, true, QStringLiteral("/out/"), { "/out/c.gif" });
        QTRY_COMPARE(fake.shown.size(), 2);
        QCOMPARE(fake.shown[1].summary, QStringLiteral("1 GIF done"));
        QCOMPARE(fake.shown[1].body, QStringLiteral("/out/"));
        Emit("NotificationClosed", { fake.nextId, uint(2) });
        Emit("ActionInvoked", { fake.nextId, QStringLiteral("default") });

        // Nothing made: nothing to show, no action offered.
        notification.Notify(0, 2, true, QStringLiteral("/out/"), {});
        QTRY_COMPARE(fake.shown.size(), 3);
        QVERIFY(fake.shown[2].actions.isEmpty());
        // Every signal sent so far has been delivered by now: one more round trip.
        server.call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
            QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"),
            QStringLiteral("GetId")));
        QCoreApplication::processEvents();
        QCOMPARE(shownFolders.size(), 1);

        server.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        server.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        QDBusConnection::disconnectFromBus(QString::fromLatin1(kServerConnection));
    }

    // The window tells the desktop only of a run that ended on its own while it was not the
    // active window; the action shows the files the run made.
    void theWindowNotifiesOnlyWhenItIsNotActive()
    {
        if (!OnPrivateBus())
            QSKIP("needs a session bus");
        QDBusConnection server = QDBusConnection::connectToBus(
            QDBusConnection::SessionBus, QString::fromLatin1(kServerConnection));
        FakeNotificationServer fake;
        QVERIFY(server.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &fake,
            QDBusConnection::ExportAllSlots));
        QVERIFY(server.registerService(QStringLiteral("org.freedesktop.Notifications")));

        QTemporaryDir dir;
        const QString input = dir.filePath(QStringLiteral("clip.mp4"));
        const QString output = dir.filePath(QStringLiteral("clip.gif"));
        for (const QString& path : { input, output }) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        CMainDialog window;
        QStringList shown;
        window.SetFolderShower([&](const QStringList& paths) {
            shown = paths;
            return true;
        });
        window.FileList()->AppendRow(input);
        // The folder of the run, as the window remembers it (in a profile of the test's own).
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
        window.SetFolderChooser([&](QWidget*, const QString&) { return dir.path(); });
        QCOMPARE(window.ChooseOutputFolder(), dir.path().toStdString());
        auto run = [&](FileResult result, bool finished) {
            window.JobStarted();
            window.RowOutput(0, output.toStdString(), false);
            if (finished)
                window.FileFinished(0, result);
            window.JobEnded();
        };

        // Shown and active: the person sees the end in the window.
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        run(FileResult::Succeeded, true);
        window.hide();
        QTRY_VERIFY(!window.isActiveWindow());
        // Stopped before its end: the person did that.
        run(FileResult::Succeeded, false);
        // Ended out of sight.
        run(FileResult::Succeeded, true);
        QTRY_COMPARE(fake.shown.size(), 1);
        QCOMPARE(fake.shown[0].summary, QStringLiteral("1 GIF done"));
        QCOMPARE(fake.shown[0].body, dir.path() + "/");
        Emit("ActionInvoked", { fake.nextId, QStringLiteral("show-folder") });
        QTRY_COMPARE(shown, QStringList { output });
        run(FileResult::Failed, true);
        QTRY_COMPARE(fake.shown.size(), 2);
        QCOMPARE(fake.shown[1].summary, QStringLiteral("0 GIFs done"));
        QCOMPARE(fake.shown[1].body, dir.path() + "/\n1 failed");

        server.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        server.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        QDBusConnection::disconnectFromBus(QString::fromLatin1(kServerConnection));
    }

    // No server on the bus, or no bus: nothing shows, nothing waits, nothing breaks.
    void withoutAServerNothingHappens()
    {
        bool shown = false;
        {
            DoneNotification notification([&](const QStringList&) { return shown = true; });
            notification.Notify(3, 0, true, QStringLiteral("/out/"), { "/out/a.gif" });
            notification.Notify(3, 0, false, QStringLiteral("/out/"), { "/out/a1.png" });
        }
        QCoreApplication::processEvents();
        QVERIFY(!shown);
    }
};

QTEST_MAIN(DoneNotificationTest)
#include "DoneNotificationTest.moc"

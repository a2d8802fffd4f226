// Files shown in the file manager: through org.freedesktop.FileManager1 on the
// session bus when something answers there (run on a private bus, where this
// test plays the file manager), and with xdg-open on the folder otherwise (run
// with no bus).
#include "ui/FileManager.h"

#include "tests/support/ScriptFiles.h"
#include "ui/FileNameText.h"

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A file manager that records what it was asked to show.
class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
    QString startupId;

public slots:
    void ShowItems(const QStringList& uris, const QString& id)
    {
        shown << uris;
        startupId = id;
    }
};

} // namespace

class FileManagerTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;

    static bool OnPrivateBus() { return qEnvironmentVariableIsSet("SABLEWICK_SESSION_BUS_TEST"); }
    QString OpenerLog() const { return m_dir.filePath("opener.log"); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir().mkpath(m_dir.filePath("bin")));
        QVERIFY(QDir().mkpath(m_dir.filePath("out")));
        test_files::WriteScript(m_dir.filePath("bin/xdg-open").toStdString(),
            "printf '%s\\n' \"$1\" >> '" + OpenerLog().toStdString() + "'\n");
        m_oldPath = qgetenv("PATH");
        qputenv("PATH", m_dir.filePath("bin").toLocal8Bit() + ":/usr/bin:/bin");
    }
    void cleanupTestCase() { qputenv("PATH", m_oldPath); }

    void theFileManagerShowsTheFilesByTheirOwnBytes()
    {
        if (!OnPrivateBus())
            QSKIP("needs a session bus");
        FakeFileManager manager;
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerService("org.freedesktop.FileManager1"));
        QVERIFY(bus.registerObject(
            "/org/freedesktop/FileManager1", &manager, QDBusConnection::ExportAllSlots));
        const QString odd = FileNameText(m_dir.filePath("out").toStdString() + "/caf\xe9 #1.gif");
        const QString plain = m_dir.filePath("out/b.gif");
        QVERIFY(ShowInFileManager({ odd, plain }));
        QCOMPARE(manager.shown,
            QStringList({ "file://" + m_dir.filePath("out").toUtf8().toPercentEncoding("/")
                    + "/caf%E9%20%231.gif",
                "file://" + plain.toUtf8().toPercentEncoding("/") }));
        QVERIFY(!QFile::exists(OpenerLog())); // no fallback
        bus.unregisterObject("/org/freedesktop/FileManager1");
        bus.unregisterService("org.freedesktop.FileManager1");
    }

    void withoutAFileManagerTheFolderOpens()
    {
        if (OnPrivateBus())
            QSKIP("runs without a bus");
        QFile::remove(OpenerLog());
        QVERIFY(ShowInFileManager({ m_dir.filePath("out/a.gif"), m_dir.filePath("b.gif") }));
        QFile log(OpenerLog());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll(), (m_dir.filePath("out") + "/\n").toUtf8());
        QVERIFY(!ShowInFileManager({}));
    }
};

QTEST_MAIN(FileManagerTest)
#include "FileManagerTest.moc"

#include "app/WindowHandOver.h"

#include "app/CommandLine.h"
#include "ui/FileNameText.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace {

constexpr const char* kService = "net.tellurvane.Sablewick";
constexpr const char* kObject = "/MainWindow";
constexpr const char* kInterface = "net.tellurvane.Sablewick.MainWindow";

} // namespace

bool HandFilesToRunningWindow(const std::vector<std::string>& args)
{
    QStringList paths;
    for (const CommandLineAction& action : ParseCommandLine(args)) {
        // The copyright notice is this process's own business.
        if (action.kind != CommandLineAction::Kind::AddPath)
            return false;
        // The bus carries UTF-8 only: the window finds a name that is not by its look.
        const QString path = FileNameForDisplay(FileNameText(action.path));
        // The window runs in another folder: relative names would miss there.
        paths << (path.isEmpty() ? path : QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    }
    if (paths.isEmpty())
        return false;

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()
        || !bus.interface()->isServiceRegistered(QString::fromLatin1(kService)))
        return false;
    QDBusInterface window(QString::fromLatin1(kService), QString::fromLatin1(kObject),
                          QString::fromLatin1(kInterface), bus);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QDBusMessage reply = window.call(QStringLiteral("AddFileRequest"), paths[i]);
        if (reply.type() == QDBusMessage::ErrorMessage) {
            // Nothing handed over yet: a window of our own shows the files instead.
            if (i == 0)
                return false;
            std::fprintf(stderr, "sablewick: the open window did not take %s: %s\n",
                         qPrintable(paths[i]), qPrintable(reply.errorMessage()));
        }
    }
    window.call(QStringLiteral("Activate"));
    return true;
}

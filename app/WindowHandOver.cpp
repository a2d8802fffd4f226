#include "app/WindowHandOver.h"

#include "app/ProgramArguments.h"
#include "ui/MainWindowBusService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <climits>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr const char* kService = "net.tellurvane.Sablewick";
constexpr const char* kObject = "/MainWindow";
constexpr const char* kInterface = "net.tellurvane.Sablewick.MainWindow";

// The window runs in another folder: a relative name is made absolute by
// putting this folder before it, byte for byte, without tidying "..", which
// after a symlinked folder leads elsewhere than the tidied name would.
std::string AbsoluteBytes(const std::string& path)
{
    if (path.empty() || path[0] == '/')
        return path;
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd))
        return path;
    std::string absolute = cwd;
    if (absolute.back() != '/')
        absolute += '/';
    return absolute + path;
}

} // namespace

HandOver HandFilesToRunningWindow(const std::vector<std::string>& args)
{
    std::vector<std::string> paths;
    for (const CommandLineAction& action : ParseCommandLine(args)) {
        // The copyright notice is this process's own business.
        if (action.kind != CommandLineAction::Kind::AddPath)
            return HandOver::NoWindow;
        paths.push_back(AbsoluteBytes(action.path));
    }
    if (paths.empty())
        return HandOver::NoWindow;

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()
        || !bus.interface()->isServiceRegistered(QString::fromLatin1(kService)))
        return HandOver::NoWindow;
    QDBusInterface window(QString::fromLatin1(kService), QString::fromLatin1(kObject),
        QString::fromLatin1(kInterface), bus);
    HandOver result = HandOver::Taken;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const QDBusMessage reply
            = window.call(QStringLiteral("AddFileBytes"), QByteArray::fromStdString(paths[i]));
        if (reply.type() != QDBusMessage::ErrorMessage)
            continue;
        // Nothing handed over yet and no answer of the window's own: a window
        // of our own shows the files instead.
        if (i == 0 && reply.errorName() != QLatin1String(MainWindowBusService::kNotAddedError))
            return HandOver::NoWindow;
        std::fprintf(stderr, "sablewick: the open window did not take %s: %s\n", paths[i].c_str(),
            qPrintable(reply.errorMessage()));
        result = HandOver::NotAllTaken;
    }
    window.call(QStringLiteral("Activate"));
    return result;
}

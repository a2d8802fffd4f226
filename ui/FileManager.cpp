#include "ui/FileManager.h"

#include "platform/OpenUrl.h"
#include "ui/FileNameText.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <string>

namespace {

constexpr int kBusTimeoutMs = 3000;

} // namespace

QString FileUri(const QString& path)
{
    // Percent-encoded bytes, so that a name that is not UTF-8 reaches the file
    // manager as the file's own name.
    const QByteArray bytes = QByteArray::fromStdString(FileNameBytes(path));
    return QStringLiteral("file://") + QString::fromLatin1(bytes.toPercentEncoding("/"));
}

bool ShowInFileManager(const QStringList& paths)
{
    if (paths.isEmpty())
        return false;
    QStringList uris;
    for (const QString& path : paths)
        uris << FileUri(path);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call
            = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                QStringLiteral("/org/freedesktop/FileManager1"),
                QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
        call << uris << QString();
        if (bus.call(call, QDBus::Block, kBusTimeoutMs).type() == QDBusMessage::ReplyMessage)
            return true;
    }
    std::string folder = FileNameBytes(paths.first());
    const std::size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? std::string(".") : folder.substr(0, slash + 1);
    return OpenUrl(folder) > kOpenSucceeded;
}

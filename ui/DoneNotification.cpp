#include "ui/DoneNotification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kShowAction = QStringLiteral("show-folder");
const QString kDefaultAction = QStringLiteral("default"); // a click on the notification

} // namespace

DoneNotification::DoneNotification(FolderShower shower, QObject* parent)
    : QObject(parent)
    , m_shower(std::move(shower))
{ }

DoneNotification::~DoneNotification() = default;

QString DoneNotification::Summary(int converted, bool gifs)
{
    if (gifs)
        return converted == 1 ? tr("1 GIF done") : tr("%1 GIFs done").arg(converted);
    return converted == 1 ? tr("1 file done") : tr("%1 files done").arg(converted);
}

void DoneNotification::Notify(
    int converted, int failed, bool gifs, const QString& folder, const QStringList& written)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    if (!m_listening) {
        bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
            SLOT(OnActionInvoked(uint, QString)));
        bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
            SLOT(OnClosed(uint, uint)));
        m_listening = true;
    }
    QString body = folder.toHtmlEscaped(); // servers may read the body as markup
    if (failed > 0)
        body += QStringLiteral("\n") + (failed == 1 ? tr("1 failed") : tr("%1 failed").arg(failed));
    QStringList actions;
    if (!written.isEmpty())
        actions << kDefaultAction << tr("Show Folder") << kShowAction << tr("Show Folder");
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("sablewick"));
    QDBusMessage call
        = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("Sablewick") << uint(0) << QStringLiteral("sablewick")
         << Summary(converted, gifs) << body << actions << hints << int(-1);
    // Never waits: the answer, if one comes, says which id the action will carry.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [this, written](QDBusPendingCallWatcher* w) {
            const QDBusPendingReply<uint> reply = *w;
            if (!reply.isError() && !written.isEmpty())
                m_shown[reply.value()] = written;
            w->deleteLater();
        });
}

void DoneNotification::OnActionInvoked(uint id, const QString& action)
{
    const auto it = m_shown.find(id);
    if (it == m_shown.end() || (action != kShowAction && action != kDefaultAction))
        return;
    const QStringList paths = it->second;
    m_shown.erase(it);
    if (m_shower)
        m_shower(paths);
}

void DoneNotification::OnClosed(uint id, uint)
{
    m_shown.erase(id);
}

#include "ui/MainWindowBusService.h"

#include "ui/CMainDialog.h"
#include "ui/FileNameText.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <sys/stat.h>

MainWindowBusService::MainWindowBusService(CMainDialog& window)
    : m_window(window)
{ }

MainWindowBusService::~MainWindowBusService()
{
    if (!m_registered)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(QString::fromLatin1(kObjectPath));
    bus.unregisterService(QString::fromLatin1(kServiceName));
}

bool MainWindowBusService::Register(QString* whyNot)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        *whyNot = QStringLiteral("no D-Bus session bus (%1)").arg(bus.lastError().message());
        return false;
    }
    // The object first, so that it is there as soon as the name is.
    if (!bus.registerObject(
            QString::fromLatin1(kObjectPath), this, QDBusConnection::ExportScriptableSlots)) {
        *whyNot = QStringLiteral("the object %1 is already offered on the session bus")
                      .arg(QString::fromLatin1(kObjectPath));
        return false;
    }
    if (!bus.registerService(QString::fromLatin1(kServiceName))) {
        bus.unregisterObject(QString::fromLatin1(kObjectPath));
        *whyNot = QStringLiteral("another program owns %1 on the session bus")
                      .arg(QString::fromLatin1(kServiceName));
        return false;
    }
    m_registered = true;
    return true;
}

void MainWindowBusService::StatusTextChanged(int position, const QString& text)
{
    m_window.OnStatusTextMessage(position, text);
}

void MainWindowBusService::AddFileRequest(const QString& path)
{
    m_window.OnAddFileMessage(path);
}

void MainWindowBusService::AddFileBytes(const QByteArray& path)
{
    struct stat st
    {
    };
    const std::string bytes = path.toStdString();
    if (bytes.empty() || bytes.find('\0') != std::string::npos || bytes[0] != '/') {
        sendErrorReply(QString::fromLatin1(kNotAddedError), QStringLiteral("not an absolute path"));
        return;
    }
    if (::stat(bytes.c_str(), &st) != 0) {
        sendErrorReply(
            QString::fromLatin1(kNotAddedError), QString::fromLocal8Bit(strerror(errno)));
        return;
    }
    m_window.OnAddFileMessage(FileNameText(bytes));
}

void MainWindowBusService::Activate()
{
    m_window.showNormal();
    m_window.raise();
    m_window.activateWindow();
}

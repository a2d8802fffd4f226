#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <map>

// Tells the desktop that a conversion has ended, through org.freedesktop.Notifications on
// the session bus: "N GIFs done", with an action that shows the files in their folder. The
// call never waits for the answer; with no bus, or nothing answering on it, nothing shows.
class DoneNotification : public QObject
{
    Q_OBJECT
public:
    using FolderShower = std::function<bool(const QStringList& paths)>;
    explicit DoneNotification(FolderShower shower, QObject* parent = nullptr);
    ~DoneNotification() override;

    // `gifs`: whether the outputs are GIFs ("3 GIFs done") or still images ("3 files done").
    // `written`: the files made, which the action shows; `folder` is the body's text.
    void Notify(
        int converted, int failed, bool gifs, const QString& folder, const QStringList& written);
    // The summary line of a notification.
    static QString Summary(int converted, bool gifs);

private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnClosed(uint id, uint reason);

private:
    FolderShower m_shower;
    bool m_listening = false;
    // By the server's id: what the action of each notification still on screen shows.
    std::map<uint, QStringList> m_shown;
};

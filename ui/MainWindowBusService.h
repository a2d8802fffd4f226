#pragma once

#include <QByteArray>
#include <QDBusContext>
#include <QObject>
#include <QString>

class CMainDialog;

// The main window's messages for other programs, on the session bus: name
// net.tellurvane.Sablewick, object /MainWindow, interface
// net.tellurvane.Sablewick.MainWindow.
class MainWindowBusService : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "net.tellurvane.Sablewick.MainWindow")
public:
    static constexpr const char* kServiceName = "net.tellurvane.Sablewick";
    static constexpr const char* kObjectPath = "/MainWindow";
    // The error of AddFileBytes for a file the window cannot take.
    static constexpr const char* kNotAddedError = "net.tellurvane.Sablewick.Error.NotAdded";

    explicit MainWindowBusService(CMainDialog& window);
    ~MainWindowBusService() override;

    // Claims the name and offers the object; false with the reason when there
    // is no session bus or another program owns the name.
    bool Register(QString* whyNot);

public slots:
    // Shows `text` in the status label and moves the progress bar to
    // `position`; an empty text is ignored.
    Q_SCRIPTABLE void StatusTextChanged(int position, const QString& text);
    // Adds the file (or folder) at `path` to the list when it exists.
    Q_SCRIPTABLE void AddFileRequest(const QString& path);
    // The same for a path given as its exact bytes (names need not be UTF-8, and
    // "link/.." must keep its meaning): the window's second start uses it. A file
    // the window cannot take gives the kNotAddedError error, with the reason.
    Q_SCRIPTABLE void AddFileBytes(const QByteArray& path);
    // Brings the window to the front: a second start hands its files over so.
    Q_SCRIPTABLE void Activate();

private:
    CMainDialog& m_window;
    bool m_registered = false;
};

#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

// Turns SIGTERM, SIGHUP and SIGINT into a call on the Qt thread (the handler
// only writes to a pipe that a socket notifier watches), so that a window told
// to end can end its tools and remove its temporary folder first, instead of
// dying with a job half done. One at a time; the default actions come back
// when it goes.
class TerminationSignals : public QObject
{
public:
    explicit TerminationSignals(
        std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

    // The first signal received, 0 while none was.
    int Received() const { return m_received; }

private:
    void ReadSignals();

    std::function<void(int)> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
    int m_received = 0;
};

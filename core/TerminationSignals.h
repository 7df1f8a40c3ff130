#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// Turns SIGTERM, SIGHUP and SIGINT (log-out, a closed terminal, Ctrl+C) into
// a call on the event loop, so that the program can end the way a closed
// window ends it instead of dying with the generated document left behind.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    // Installs the handlers; one instance per process.
    explicit TerminationSignals(std::function<void()> onSignal, QObject *parent = nullptr);
    ~TerminationSignals() override;

private:
    void drain();

    std::function<void()> m_onSignal;
    QSocketNotifier *m_notifier = nullptr;
};

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

    // After the first signal the process ends at the latest this many
    // seconds later (exit status 128 + the signal), whatever holds it up:
    // a last resort behind the orderly end, which normally comes first.
    void endAtLatestAfter(unsigned seconds);

private:
    void drain();

    std::function<void()> m_onSignal;
    QSocketNotifier *m_notifier = nullptr;
};

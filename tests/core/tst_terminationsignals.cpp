#include "core/TerminationSignals.h"
#include "tests/support/TestMain.h"

#include <csignal>

// A termination signal must reach the event loop as a plain call, and the
// process must survive it (the handler replaces the default action).
class tst_TerminationSignals : public QObject
{
    Q_OBJECT

private slots:
    void eachSignalBecomesOneCallOnTheEventLoop()
    {
        int calls = 0;
        TerminationSignals terminations([&calls] { ++calls; });
        for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
            const int before = calls;
            QCOMPARE(::raise(signal), 0);
            QCOMPARE(calls, before); // not inside the signal handler
            QTRY_COMPARE(calls, before + 1);
        }
    }
};

PARCELON_TEST_MAIN(tst_TerminationSignals)
#include "tst_terminationsignals.moc"

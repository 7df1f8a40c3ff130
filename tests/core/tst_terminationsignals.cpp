#include "core/TerminationSignals.h"
#include "tests/support/TestMain.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

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

    // With a hard limit, a process whose orderly end never comes (its event
    // loop is held up) still ends after the signal, with 128 + the signal.
    void aHeldUpProcessEndsAnyway()
    {
        const pid_t child = ::fork();
        if (child == 0) {
            TerminationSignals terminations([] {});
            terminations.endAtLatestAfter(1);
            ::raise(SIGHUP);
            ::sleep(30); // no event loop runs
            ::_exit(0);
        }
        QVERIFY(child > 0);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 128 + SIGHUP);
    }
};

PARCELON_TEST_MAIN(tst_TerminationSignals)
#include "tst_terminationsignals.moc"

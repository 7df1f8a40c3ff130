#include "core/TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_sockets[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
volatile std::sig_atomic_t g_hardLimitSeconds = 0;
volatile std::sig_atomic_t g_firstSignal = 0;

// Only async-signal-safe work here: one byte into the socket, and the alarm.
void onSignal(int signalNumber)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_sockets[0], &byte, 1);
    if (g_firstSignal == 0) {
        g_firstSignal = signalNumber;
        if (g_hardLimitSeconds > 0)
            ::alarm(unsigned(g_hardLimitSeconds));
    }
}

// The orderly end did not come in time: end now. The offices die with us
// (their parent-death signal); what they left is swept by the next start.
void onAlarm(int)
{
    ::_exit(128 + g_firstSignal);
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignalCall, QObject *parent)
    : QObject(parent)
    , m_onSignal(std::move(onSignalCall))
{
    g_firstSignal = 0;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_sockets) != 0)
        return; // without the pair the default actions stay: the program still ends
    m_notifier = new QSocketNotifier(g_sockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::drain);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

void TerminationSignals::endAtLatestAfter(unsigned seconds)
{
    struct sigaction action = {};
    action.sa_handler = onAlarm;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGALRM, &action, nullptr);
    g_hardLimitSeconds = std::sig_atomic_t(seconds);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (int signal : kSignals)
        ::signal(signal, SIG_DFL);
    ::close(g_sockets[0]);
    ::close(g_sockets[1]);
    g_sockets[0] = g_sockets[1] = -1;
}

void TerminationSignals::drain()
{
    char bytes[16];
    while (::read(g_sockets[1], bytes, sizeof bytes) > 0) {
    }
    if (m_onSignal)
        m_onSignal();
}

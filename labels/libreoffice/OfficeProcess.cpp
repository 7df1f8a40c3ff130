#include "labels/libreoffice/OfficeProcess.h"

#include "core/PrivateFolder.h"
#include "labels/libreoffice/FolderRemover.h"
#include "labels/libreoffice/OfficeProfile.h"

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/DisposedException.hpp>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/prctl.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace css;
using namespace std::chrono_literals;

namespace {

constexpr int kFirstStartStatus = 81; // the office set up a new profile and wants a restart
constexpr int kMaxRestarts = 3;

QString pipeSocketFolder()
{
    // Where the office's sal library puts its pipe sockets.
    return ::access("/tmp", W_OK) == 0 ? QStringLiteral("/tmp") : QStringLiteral("/var/tmp");
}

QString pipeSocketPath(const QString &pipeName)
{
    return QStringLiteral("%1/OSL_PIPE_%2_%3").arg(pipeSocketFolder()).arg(::getuid()).arg(pipeName);
}

// The office also listens on a pipe named after the MD5 of its profile URL
// (UTF-16, each byte in hex without padding); a killed office leaves it behind.
QString singleInstancePipeName(const QString &profileUrl)
{
    const QByteArray utf16(reinterpret_cast<const char *>(profileUrl.utf16()), profileUrl.size() * 2);
    const QByteArray digest = QCryptographicHash::hash(utf16, QCryptographicHash::Md5);
    QString hex;
    for (char byte : digest)
        hex += QString::number(static_cast<unsigned char>(byte), 16);
    return QStringLiteral("SingleOfficeIPC_") + hex;
}

bool processExists(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// Instance folders are named "<our pid>-XXXXXX" so that folders and sockets
// left by a program that was killed can be recognised and removed later.
void sweepLeftoversOfDeadPrograms(const QString &base)
{
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    {
        const QFileInfoList entries = QDir(base).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QFileInfo &entry : entries) {
            bool ok = false;
            const pid_t owner = entry.fileName().section(QLatin1Char('-'), 0, 0).toInt(&ok);
            if (!ok || owner == ::getpid() || processExists(owner))
                continue;
            const QString profileUrl = UnoBridge::fromUno(
                UnoBridge::fileUrl(entry.absoluteFilePath() + QStringLiteral("/profile")));
            QFile::remove(pipeSocketPath(singleInstancePipeName(profileUrl)));
            QDir(entry.absoluteFilePath()).removeRecursively();
        }
        const QString prefix = QStringLiteral("OSL_PIPE_%1_parcelon-").arg(::getuid());
        const QStringList sockets = QDir(pipeSocketFolder()).entryList({prefix + QLatin1Char('*')}, QDir::System);
        for (const QString &socket : sockets) {
            bool ok = false;
            const pid_t owner = socket.mid(prefix.size()).section(QLatin1Char('-'), 0, 0).toInt(&ok);
            if (ok && owner != ::getpid() && !processExists(owner))
                QFile::remove(pipeSocketFolder() + QLatin1Char('/') + socket);
        }
    }
}

// Instance folders live in the user's runtime folder (private, in memory)
// when there is one, else in a private folder under the temporary folder.
QString instanceBase()
{
    const QString runtime = PrivateRuntimeFolder(QStringLiteral("parcelon-office"));
    if (!runtime.isEmpty())
        return runtime;
    const QString base = QDir::tempPath() + QStringLiteral("/parcelon-office-%1").arg(::getuid());
    if (MakePrivateFolder(base))
        return base;
    throw EngineError(QStringLiteral("No private folder for LibreOffice could be created in %1").arg(QDir::tempPath()));
}

bool localeIsUtf8()
{
    for (const char *name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (value.isEmpty())
            continue;
        const QString upper = value.toUpper();
        return upper.contains(QStringLiteral("UTF-8")) || upper.contains(QStringLiteral("UTF8"));
    }
    return false;
}

std::atomic<unsigned> g_instanceCounter{0};

// Every office object alive, so that an ending program can kill them all,
// those still starting (not yet handed to anyone) included.
std::mutex g_liveMutex;
std::vector<OfficeProcess *> g_live;

// Free space in `folder` when it is too little for an office's profile,
// temporary files or pipe; empty otherwise.
QString lackOfSpace(const QString &folder)
{
    struct statvfs info = {};
    if (folder.isEmpty() || ::statvfs(QFile::encodeName(folder).constData(), &info) != 0)
        return QString();
    constexpr unsigned long long kNeeded = 4ULL * 1024 * 1024;
    const unsigned long long free = static_cast<unsigned long long>(info.f_bavail) * info.f_frsize;
    if (free >= kNeeded && info.f_favail != 0)
        return QString();
    return QStringLiteral("too little space is left in %1 (%2 KB free)").arg(folder).arg(free / 1024);
}

} // namespace

QString OfficeProcess::spaceProblem(const QStringList &folders)
{
    QStringList problems;
    for (const QString &folder : folders) {
        const QString problem = lackOfSpace(folder);
        if (!problem.isEmpty() && !problems.contains(problem))
            problems << problem;
    }
    return problems.join(QStringLiteral("; "));
}

OfficeProcess::OfficeProcess(const OfficeSettings &settings)
    : m_settings(settings)
    , m_watchdog(std::make_unique<Watchdog>([this] { kill(); }))
{
    std::lock_guard lock(g_liveMutex);
    g_live.push_back(this);
}

void OfficeProcess::killAll(const std::atomic<bool> *cancelled)
{
    std::lock_guard lock(g_liveMutex);
    for (OfficeProcess *office : g_live) {
        if (office->m_settings.cancelled.get() == cancelled)
            office->kill();
    }
}

std::unique_ptr<OfficeProcess> OfficeProcess::start(const OfficeSettings &settings, const QString &profile,
                                                    ProfileUse use)
{
    std::unique_ptr<OfficeProcess> process(new OfficeProcess(settings));
    process->launch(profile, use); // on failure the destructor cleans up
    return process;
}

OfficeProcess::~OfficeProcess()
{
    {
        std::lock_guard lock(g_liveMutex);
        g_live.erase(std::remove(g_live.begin(), g_live.end(), this), g_live.end());
    }
    shutDown();
    m_watchdog.reset();
}

QString OfficeProcess::scratchFolder() const
{
    return m_instanceFolder + QStringLiteral("/scratch");
}

void OfficeProcess::launch(const QString &profile, ProfileUse use)
{
    const QByteArray program = QFile::encodeName(m_settings.program);
    if (::access(program.constData(), X_OK) != 0)
        throw EngineMissing(QStringLiteral("LibreOffice Writer is not installed: the program %1 was not found")
                                .arg(m_settings.program));
    UnoBridge::localContext(m_settings.programFolder);

    const QString base = instanceBase();
    sweepLeftoversOfDeadPrograms(base);
    QByteArray pattern = QFile::encodeName(base + QStringLiteral("/%1-XXXXXX").arg(::getpid()));
    if (!::mkdtemp(pattern.data()))
        throw EngineError(QStringLiteral("No folder for LibreOffice could be created in %1: %2")
                              .arg(base, QString::fromLocal8Bit(std::strerror(errno))));
    m_instanceFolder = QFile::decodeName(pattern);
    QDir().mkpath(m_instanceFolder + QStringLiteral("/tmp"));
    QDir().mkpath(scratchFolder());

    if (use == ProfileUse::Copy) {
        m_profileFolder = m_instanceFolder + QStringLiteral("/profile");
        if (!OfficeProfile::copyFolder(profile, m_profileFolder)) {
            const QString space = spaceProblem({base});
            throw EngineError(QStringLiteral("The LibreOffice profile could not be copied to %1%2")
                                  .arg(m_profileFolder, space.isEmpty() ? QString() : QStringLiteral(": ") + space));
        }
    } else {
        m_profileFolder = profile;
        m_profileInPlace = true;
    }
    m_profileUrl = UnoBridge::fromUno(UnoBridge::fileUrl(m_profileFolder));
    m_pipeName = QStringLiteral("parcelon-%1-%2-%3")
                     .arg(::getpid())
                     .arg(g_instanceCounter.fetch_add(1))
                     .arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
    connect();
}

void OfficeProcess::spawn()
{
    std::vector<QByteArray> args = {
        QFile::encodeName(m_settings.program),
        "--headless",
        "--invisible",
        "--nologo",
        "--norestore",
        "--nodefault",
        "--nolockcheck",
        "--accept=pipe,name=" + m_pipeName.toUtf8() + ";urp;",
        "-env:UserInstallation=" + m_profileUrl.toUtf8(),
    };
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), m_instanceFolder + QStringLiteral("/tmp"));
    if (!localeIsUtf8()) // non-ASCII paths fail type detection otherwise
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    std::vector<QByteArray> env;
    for (const QString &entry : environment.toStringList())
        env.push_back(QFile::encodeName(entry));

    // Everything the child needs is prepared before fork: after it, only
    // async-signal-safe calls.
    std::vector<char *> argv;
    for (QByteArray &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (QByteArray &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        throw EngineError(
            QStringLiteral("LibreOffice could not be started: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t parent = ::getpid();
    const bool quiet = !m_settings.debugOutput;

    const pid_t child = ::fork();
    if (child == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        if (devNull >= 0) {
            ::dup2(devNull, STDIN_FILENO);
            if (quiet) {
                ::dup2(devNull, STDOUT_FILENO);
                ::dup2(devNull, STDERR_FILENO);
            }
        }
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
        ::signal(SIGPIPE, SIG_DFL);
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execve(argv[0], argv.data(), envp.data());
        const int error = errno;
        [[maybe_unused]] auto written = ::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    const int forkError = errno;
    ::close(report[1]);
    if (devNull >= 0)
        ::close(devNull);
    if (child < 0) {
        ::close(report[0]);
        throw EngineError(QStringLiteral("LibreOffice could not be started: %1")
                              .arg(QString::fromLocal8Bit(std::strerror(forkError))));
    }
    ::setpgid(child, child); // no race with the child's own call
    {
        std::lock_guard lock(m_pidMutex);
        m_pid = child;
    }
    int execError = 0;
    ssize_t got;
    do
        got = ::read(report[0], &execError, sizeof execError);
    while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got == sizeof execError) {
        reap();
        throw EngineError(QStringLiteral("LibreOffice could not be started from %1: %2")
                              .arg(m_settings.program, QString::fromLocal8Bit(std::strerror(execError))));
    }
}

void OfficeProcess::connect()
{
    static std::mutex resolverMutex;
    static uno::Reference<bridge::XUnoUrlResolver> *resolver = nullptr;
    {
        std::lock_guard lock(resolverMutex);
        if (!resolver) {
            try {
                resolver = new uno::Reference<bridge::XUnoUrlResolver>(
                    bridge::UnoUrlResolver::create(UnoBridge::localContext(m_settings.programFolder)));
            } catch (const uno::Exception &e) {
                throw EngineError(
                    QStringLiteral("The LibreOffice connection could not be set up: %1").arg(UnoBridge::describe(e)));
            }
        }
    }
    const rtl::OUString url = UnoBridge::toUno(
        QStringLiteral("uno:pipe,name=%1;urp;StarOffice.ComponentContext").arg(m_pipeName));

    const auto givenUp = [this] {
        return EngineError(QStringLiteral("The start of LibreOffice was given up: the program is ending"));
    };
    if (m_settings.isCancelled())
        throw givenUp();
    spawn();
    const int limitSeconds = int(m_settings.startLimit.count() / 1000);
    WatchdogScope scope(*m_watchdog, m_settings.startLimit);
    int restarts = 0;
    QString lastProblem;
    for (;;) {
        siginfo_t info{};
        if (::waitid(P_PID, id_t(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == m_pid) {
            if (m_watchdog->fired())
                throw EngineError(
                    QStringLiteral("LibreOffice did not start within %1 seconds and was stopped").arg(limitSeconds));
            if (m_settings.isCancelled())
                throw givenUp();
            const bool firstStart = info.si_code == CLD_EXITED && info.si_status == kFirstStartStatus;
            reap();
            removeLeftovers();
            if (firstStart && restarts < kMaxRestarts) {
                ++restarts;
                spawn();
                continue;
            }
            // An office without room for its profile, temporary files or
            // pipe just ends: say where the room is missing.
            const QString space = spaceProblem({m_profileFolder, m_instanceFolder, pipeSocketFolder()});
            throw EngineError(
                (info.si_code == CLD_EXITED
                     ? QStringLiteral("LibreOffice ended during its start with status %1").arg(info.si_status)
                     : QStringLiteral("LibreOffice was ended by signal %1 during its start").arg(info.si_status))
                + (space.isEmpty() ? QString() : QStringLiteral(": ") + space));
        }
        if (m_settings.isCancelled()) {
            kill(); // noticed as an exit on the next round
            std::this_thread::sleep_for(5ms);
            continue;
        }
        try {
            uno::Reference<uno::XInterface> remote = (*resolver)->resolve(url);
            m_remoteContext.set(remote, uno::UNO_QUERY);
            if (!m_remoteContext.is())
                throw EngineError(QStringLiteral("LibreOffice did not offer its component context"));
            m_desktop = frame::Desktop::create(m_remoteContext);
            break;
        } catch (const connection::NoConnectException &) {
            // not listening yet
        } catch (const uno::Exception &e) {
            lastProblem = UnoBridge::describe(e);
        }
        // A watchdog kill is noticed as an exit on the next round. A failed
        // connect costs next to nothing, and the start-up waits for this one.
        std::this_thread::sleep_for(5ms);
    }
    if (m_watchdog->fired())
        throw EngineError(
            QStringLiteral("LibreOffice did not start within %1 seconds and was stopped").arg(limitSeconds));
    if (m_settings.isCancelled())
        throw givenUp();
}

void OfficeProcess::throwIfUnusable(const QString &what) const
{
    if (m_shutDown)
        throw EngineError(QStringLiteral("LibreOffice had already been shut down before %1").arg(what));
    if (m_watchdog->fired())
        throw EngineError(QStringLiteral("LibreOffice had stopped responding and was stopped before %1").arg(what));
    if (hasEnded())
        throw EngineError(QStringLiteral("LibreOffice had ended unexpectedly before %1").arg(what));
}

EngineError OfficeProcess::failure(const QString &what, const QString &detail, std::chrono::milliseconds limit) const
{
    if (m_watchdog->fired())
        return EngineError(QStringLiteral("LibreOffice did not respond within %1 seconds while %2 and was stopped")
                               .arg(limit.count() / 1000.0)
                               .arg(what));
    if (m_settings.isCancelled())
        return EngineError(QStringLiteral("LibreOffice was stopped while %1: the program is ending").arg(what));
    if (hasEnded())
        return EngineError(QStringLiteral("LibreOffice ended unexpectedly while %1").arg(what));
    return EngineError(QStringLiteral("LibreOffice failed while %1: %2").arg(what, detail));
}

bool OfficeProcess::hasEnded() const
{
    std::lock_guard lock(m_pidMutex);
    if (m_pid <= 0)
        return true;
    siginfo_t info{};
    return ::waitid(P_PID, id_t(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == m_pid;
}

void OfficeProcess::kill()
{
    // The group leader is not reaped while we hold the lock, so its id (the
    // group id) cannot have been reused.
    std::lock_guard lock(m_pidMutex);
    if (m_pid > 0)
        ::kill(-m_pid, SIGKILL);
}

void OfficeProcess::waitForExit(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!hasEnded() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(2ms);
}

void OfficeProcess::reap()
{
    std::lock_guard lock(m_pidMutex);
    if (m_pid <= 0)
        return;
    ::kill(-m_pid, SIGKILL); // the office's helpers too, if any are left
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = 0;
}

void OfficeProcess::removeLeftovers()
{
    if (!m_pipeName.isEmpty())
        QFile::remove(pipeSocketPath(m_pipeName));
    if (!m_profileUrl.isEmpty())
        QFile::remove(pipeSocketPath(singleInstancePipeName(m_profileUrl)));
    if (m_profileInPlace)
        QFile::remove(m_profileFolder + QStringLiteral("/.lock"));
}

void OfficeProcess::shutDown()
{
    if (m_cleanedUp)
        return;
    m_shutDown = true;
    bool terminated = false;
    if (m_desktop.is() && !m_watchdog->fired() && !m_settings.isCancelled() && !hasEnded()) {
        try {
            WatchdogScope scope(*m_watchdog, std::min(m_settings.callLimit, m_settings.exitLimit));
            terminated = m_desktop->terminate();
        } catch (const lang::DisposedException &) {
            terminated = true; // the bridge went down with the office: it is ending
        } catch (const uno::Exception &) {
        }
    }
    if (terminated)
        waitForExit(m_settings.exitLimit);
    discard();
}

void OfficeProcess::discard()
{
    if (m_cleanedUp.exchange(true))
        return;
    kill();
    reap();
    m_desktop.clear();
    m_remoteContext.clear();
    removeLeftovers();
    if (!m_instanceFolder.isEmpty())
        FolderRemover::removeLater(m_instanceFolder);
}

bool OfficeProcess::hasFailed() const
{
    return m_cleanedUp || m_watchdog->fired() || hasEnded();
}

bool OfficeProcess::answers(std::chrono::milliseconds limit)
{
    if (hasFailed() || !m_desktop.is())
        return false;
    try {
        call(limit.count() > 0 ? limit : m_settings.pingLimit, QStringLiteral("checking that LibreOffice answers"),
             [this] { m_desktop->getCurrentComponent(); });
        return true;
    } catch (const EngineError &) {
        return false;
    }
}

qint64 OfficeProcess::residentBytes() const
{
    pid_t pid = 0;
    {
        std::lock_guard lock(m_pidMutex);
        pid = m_pid;
    }
    if (pid <= 0)
        return 0;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024; // in kB
    }
    return 0;
}

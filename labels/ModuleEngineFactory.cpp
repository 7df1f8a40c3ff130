#include "labels/ModuleEngineFactory.h"

#include "labels/PopplerPageRenderer.h"
#include "labels/libreoffice/EngineModule.h"
#include "resources/Resources.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QThread>

#include <functional>

namespace {

// Named by the build, which also names the module it builds.
constexpr char kModuleFile[] = PARCELON_ENGINE_MODULE_FILE;

} // namespace

ModuleEngineFactory::ModuleEngineFactory(PictureClipboard &clipboard)
    : m_clipboard(clipboard)
    , m_ownRenderer(std::make_unique<PopplerPageRenderer>())
    , m_renderer(m_ownRenderer.get())
{
}

ModuleEngineFactory::ModuleEngineFactory(PictureClipboard &clipboard, PagePictureRenderer *renderer)
    : m_clipboard(clipboard)
    , m_renderer(renderer)
{
}

ModuleEngineFactory::~ModuleEngineFactory()
{
    // Ends the office and removes its traces before the program goes on ending.
    delete m_host;
    delete m_library; // does not unload
}

QStringList ModuleEngineFactory::moduleCandidates()
{
    // An explicit module is the only one tried: a test or a packager that
    // names one must never silently get another.
    const QString fromEnvironment = qEnvironmentVariable("PARCELON_ENGINE_MODULE");
    if (!fromEnvironment.isEmpty())
        return {fromEnvironment};
    QStringList candidates;
    const QString programFolder = QCoreApplication::instance()
        ? QCoreApplication::applicationDirPath()
        : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    candidates << programFolder + QLatin1Char('/') + QLatin1String(kModuleFile)
               << programFolder + QStringLiteral("/" PARCELON_MODULE_DIR_FROM_PROGRAM "/") + QLatin1String(kModuleFile);
    return candidates;
}

void ModuleEngineFactory::load()
{
    {
        std::lock_guard lock(m_hostMutex);
        if (m_abandoned)
            throw EngineError(QStringLiteral("LibreOffice has already been shut down: the program is ending"));
        if (m_host)
            return;
    }
    QStringList problems;
    for (const QString &candidate : moduleCandidates()) {
        if (!QFileInfo(candidate).isFile())
            continue;
        auto *library = new QLibrary(candidate);
        if (!library->load()) {
            // Usually LibreOffice is missing and the module's libraries do not resolve.
            problems << library->errorString();
            delete library;
            continue;
        }
        auto version = reinterpret_cast<EngineModuleVersionFunction>(library->resolve(kEngineModuleVersionSymbol));
        void *create = reinterpret_cast<void *>(library->resolve(kEngineModuleCreateSymbol));
        if (!version || !create || version() != kEngineModuleInterfaceVersion) {
            problems << QStringLiteral("%1 is not a matching engine module").arg(candidate);
            library->unload();
            delete library;
            continue;
        }
        m_library = library;
        EngineHost *host = reinterpret_cast<EngineModuleCreateFunction>(create)(&m_clipboard, m_renderer);
        std::lock_guard lock(m_hostMutex);
        m_host = host;
        if (m_noLaterWork)
            m_host->expectNoLaterWork();
        if (m_abandoned)
            m_host->abandon();
        return;
    }
    if (problems.isEmpty())
        throw EngineMissing(QStringLiteral("The LibreOffice engine module %1 was not found (looked in %2)")
                                .arg(QLatin1String(kModuleFile), moduleCandidates().join(QStringLiteral(", "))));
    throw EngineMissing(
        QStringLiteral("The LibreOffice engine could not be loaded: %1").arg(problems.join(QStringLiteral("; "))));
}

namespace {

// What the module made, or its failure as an EngineError.
std::unique_ptr<WordApplication> created(const std::function<WordApplication *()> &create)
{
    try {
        WordApplication *application = create();
        if (!application)
            throw EngineError(QStringLiteral("LibreOffice could not be started"));
        return std::unique_ptr<WordApplication>(application);
    } catch (const EngineError &) {
        throw;
    } catch (const std::exception &e) {
        throw EngineError(QStringLiteral("LibreOffice could not be started: %1").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        throw EngineError(QStringLiteral("LibreOffice could not be started"));
    }
}

} // namespace

std::unique_ptr<WordApplication> ModuleEngineFactory::createApplication()
{
    return createSession(false);
}

std::unique_ptr<WordApplication> ModuleEngineFactory::createApplicationForLongWork()
{
    return createSession(true);
}

std::unique_ptr<WordApplication> ModuleEngineFactory::createSession(bool longWork)
{
    load();
    // A click during the warm-up waits for it; the window goes on painting
    // (input waits in the queue, as it does while the click itself runs).
    const QCoreApplication *program = QCoreApplication::instance();
    const bool onMainThread = program && QThread::currentThread() == program->thread();
    while (!m_host->waitUntilIdle(onMainThread ? 10 : 1000)) {
        if (onMainThread)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    return created(
        [this, longWork] { return longWork ? m_host->createApplicationForLongWork() : m_host->createApplication(); });
}

std::unique_ptr<WordApplication> ModuleEngineFactory::createHelperApplication()
{
    load();
    return created([this] { return m_host->createHelperApplication(); });
}

void ModuleEngineFactory::abandon()
{
    std::lock_guard lock(m_hostMutex);
    m_abandoned = true;
    if (m_host)
        m_host->abandon();
}

void ModuleEngineFactory::expectNoLaterWork()
{
    std::lock_guard lock(m_hostMutex);
    m_noLaterWork = true;
    if (m_host)
        m_host->expectNoLaterWork();
}

void ModuleEngineFactory::warmUp()
{
    try {
        load();
        m_host->warmUp(TemplateBytes());
    } catch (const std::exception &) {
        // The click's own creation reports it.
    }
}

void ModuleEngineFactory::startInBackground()
{
    try {
        load();
        // A warm-up without a template only starts the office.
        m_host->warmUp(QByteArray());
    } catch (const std::exception &) {
        // The engine check reports it.
    }
}

void ModuleEngineFactory::stopWorkUnderWay()
{
    if (m_host)
        m_host->stopWorkUnderWay();
}

void ModuleEngineFactory::shutDown()
{
    if (m_host)
        m_host->shutDown();
}

int ModuleEngineFactory::officeProcessId()
{
    return m_host ? m_host->officeProcessId() : 0;
}

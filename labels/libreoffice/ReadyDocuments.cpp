#include "labels/libreoffice/ReadyDocuments.h"

#include "labels/libreoffice/LibreOfficeApplication.h"
#include "labels/libreoffice/OfficeProcess.h"

#include <com/sun/star/util/XCloseable.hpp>

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <utility>

using namespace css;

namespace {

bool sameOffice(const std::weak_ptr<OfficeProcess> &held, const std::shared_ptr<OfficeProcess> &office)
{
    return office && held.lock() == office;
}

void closeComponent(OfficeProcess &office, const uno::Reference<lang::XComponent> &component)
{
    try {
        office.call(QStringLiteral("closing the label sheet kept for the preview"), [&] {
            uno::Reference<util::XCloseable> closeable(component, uno::UNO_QUERY);
            if (closeable.is())
                closeable->close(true);
            else
                component->dispose();
        });
    } catch (const EngineError &) {
        // An office that fails here is replaced by the host as any other.
    }
}

} // namespace

ReadyDocuments::FileStamp ReadyDocuments::stampOf(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {info.st_dev, info.st_ino, info.st_size, qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

bool ReadyDocuments::needsTemplate(const std::shared_ptr<OfficeProcess> &office, const QByteArray &templateBytes) const
{
    std::lock_guard lock(m_mutex);
    if (!office || office->hasFailed() || templateBytes.isEmpty() || sameOffice(m_templateFailedIn, office))
        return false;
    return !(sameOffice(m_template.office, office) && m_template.component.is() && m_templateBytes == templateBytes);
}

void ReadyDocuments::loadTemplate(const std::shared_ptr<OfficeProcess> &office, const QByteArray &templateBytes)
{
    const QString file = office->scratchFolder() + QStringLiteral("/ready-template.dot");
    uno::Reference<lang::XComponent> component;
    try {
        if (QFileInfo(file).size() != templateBytes.size()) {
            QFile out(file);
            if (!out.open(QIODevice::WriteOnly) || out.write(templateBytes) != templateBytes.size())
                throw EngineError(QStringLiteral("cannot write %1").arg(file));
        }
        component = LibreOfficeApplication::load(*office, file, true);
    } catch (const EngineError &) {
        // Clicks open the template themselves; the office is not asked again.
        std::lock_guard lock(m_mutex);
        m_templateFailedIn = office;
        return;
    }
    std::lock_guard lock(m_mutex);
    m_template = {office, component};
    m_templateBytes = templateBytes;
}

uno::Reference<lang::XComponent> ReadyDocuments::takeTemplate(const std::shared_ptr<OfficeProcess> &office,
                                                              const QString &path)
{
    QByteArray wanted;
    {
        std::lock_guard lock(m_mutex);
        if (!sameOffice(m_template.office, office) || !m_template.component.is())
            return {};
        wanted = m_templateBytes;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() != wanted.size() || file.readAll() != wanted)
        return {};
    std::lock_guard lock(m_mutex);
    if (!sameOffice(m_template.office, office))
        return {};
    uno::Reference<lang::XComponent> taken = m_template.component;
    m_template = {};
    return taken;
}

void ReadyDocuments::keepFilled(const std::shared_ptr<OfficeProcess> &office,
                                uno::Reference<lang::XComponent> component, const QString &savedPath,
                                const LibreOfficeDocument::Layout &layout)
{
    Held previous;
    {
        std::lock_guard lock(m_mutex);
        previous = std::move(m_filled);
        m_filled = {office, std::move(component)};
        m_filledPath = savedPath;
        m_filledLayout = layout;
        m_filledStamp = stampOf(savedPath);
        m_filledSince = std::chrono::steady_clock::now();
    }
    if (const std::shared_ptr<OfficeProcess> owner = previous.office.lock(); owner && previous.component.is())
        closeComponent(*owner, previous.component);
}

uno::Reference<lang::XComponent> ReadyDocuments::takeFilled(const std::shared_ptr<OfficeProcess> &office,
                                                            const QString &path, LibreOfficeDocument::Layout *layout)
{
    std::lock_guard lock(m_mutex);
    if (!sameOffice(m_filled.office, office) || !m_filled.component.is() || m_filledPath != path
        || m_filledStamp.size < 0 || stampOf(path) != m_filledStamp)
        return {};
    uno::Reference<lang::XComponent> taken = m_filled.component;
    m_filled = {};
    if (layout)
        *layout = std::exchange(m_filledLayout, LibreOfficeDocument::Layout());
    return taken;
}

bool ReadyDocuments::holdsFilled() const
{
    std::lock_guard lock(m_mutex);
    return m_filled.component.is();
}

bool ReadyDocuments::filledOlderThan(std::chrono::milliseconds limit) const
{
    std::lock_guard lock(m_mutex);
    return m_filled.component.is() && std::chrono::steady_clock::now() - m_filledSince >= limit;
}

void ReadyDocuments::closeFilled()
{
    Held old;
    {
        std::lock_guard lock(m_mutex);
        old = std::move(m_filled);
        m_filled = {};
        m_filledLayout = {};
    }
    closeWhileAlive(old);
}

void ReadyDocuments::closeLater(const std::shared_ptr<OfficeProcess> &office,
                                uno::Reference<lang::XComponent> component)
{
    std::lock_guard lock(m_mutex);
    m_closing.push_back({office, std::move(component)});
}

bool ReadyDocuments::holdsClosing() const
{
    std::lock_guard lock(m_mutex);
    return !m_closing.empty();
}

void ReadyDocuments::closeLeftOver()
{
    std::vector<Held> closing;
    {
        std::lock_guard lock(m_mutex);
        closing.swap(m_closing);
    }
    for (const Held &held : closing)
        closeWhileAlive(held);
}

void ReadyDocuments::closeWhileAlive(const Held &held)
{
    if (const std::shared_ptr<OfficeProcess> owner = held.office.lock();
        owner && !owner->hasFailed() && held.component.is())
        closeComponent(*owner, held.component);
}

void ReadyDocuments::forget()
{
    Held oldTemplate;
    Held oldFilled;
    std::vector<Held> oldClosing;
    {
        std::lock_guard lock(m_mutex);
        oldTemplate = std::move(m_template);
        oldFilled = std::move(m_filled);
        oldClosing.swap(m_closing);
        m_template = {};
        m_filled = {};
        m_filledLayout = {};
    }
}

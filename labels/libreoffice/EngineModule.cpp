#include "EngineModule.h"

#include "LibreOfficeApplication.h"
#include "LibreOfficeDocument.h"
#include "OfficeProcess.h"
#include "OfficeProfile.h"
#include "OfficeSettings.h"

#include <new>

#define PARCELON_ENGINE_EXPORT __attribute__((visibility("default")))

extern "C" PARCELON_ENGINE_EXPORT int parcelon_engine_interface_version()
{
    return kEngineModuleInterfaceVersion;
}

extern "C" PARCELON_ENGINE_EXPORT WordApplication *
parcelon_engine_create_application(PictureClipboard *clipboard)
{
    try {
        const OfficeSettings settings = OfficeSettings::fromEnvironment();
        const QString profile = OfficeProfile::prepared(settings);
        auto process = OfficeProcess::start(settings, profile, OfficeProcess::ProfileUse::Copy);
        LibreOfficeDocument::requireFilters(*process);
        return new LibreOfficeApplication(std::move(process), clipboard);
    } catch (const EngineError &) {
        throw;
    } catch (const css::uno::Exception &e) {
        throw EngineError(QStringLiteral("LibreOffice could not be started: %1").arg(UnoBridge::describe(e)));
    } catch (const std::bad_alloc &) {
        throw EngineError(QStringLiteral("LibreOffice could not be started: out of memory"));
    } catch (const std::exception &e) {
        throw EngineError(QStringLiteral("LibreOffice could not be started: %1").arg(QString::fromLocal8Bit(e.what())));
    }
}

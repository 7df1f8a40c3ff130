#include "labels/libreoffice/EngineModule.h"

#include "labels/WordApplication.h"
#include "labels/libreoffice/OfficeHost.h"

#include <new>
#include <system_error>

#define PARCELON_ENGINE_EXPORT __attribute__((visibility("default")))

extern "C" PARCELON_ENGINE_EXPORT int parcelon_engine_interface_version()
{
    return kEngineModuleInterfaceVersion;
}

extern "C" PARCELON_ENGINE_EXPORT EngineHost *parcelon_engine_create_host(PictureClipboard *clipboard,
                                                                          PagePictureRenderer *renderer)
{
    try {
        return new OfficeHost(clipboard, renderer);
    } catch (const std::bad_alloc &) {
        throw EngineError(QStringLiteral("The LibreOffice engine could not be set up: out of memory"));
    } catch (const std::system_error &e) {
        throw EngineError(
            QStringLiteral("The LibreOffice engine could not be set up: %1").arg(QString::fromLocal8Bit(e.what())));
    }
}

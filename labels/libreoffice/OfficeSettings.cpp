#include "labels/libreoffice/OfficeSettings.h"

#include <QFileInfo>

#include <algorithm>

namespace {

std::chrono::milliseconds limitFromEnvironment(const char *name, std::chrono::milliseconds fallback)
{
    bool ok = false;
    const qint64 value = qEnvironmentVariable(name).toLongLong(&ok);
    return ok && value > 0 ? std::chrono::milliseconds(value) : fallback;
}

} // namespace

OfficeSettings OfficeSettings::fromEnvironment()
{
    OfficeSettings s;
    s.program = qEnvironmentVariable("PARCELON_OFFICE_PROGRAM");
    if (s.program.isEmpty())
        s.program = QStringLiteral(PARCELON_LO_PROGRAM_DIR "/soffice.bin");
    // The office and our side of the bridge find their files beside the
    // real program, not beside a link to it.
    const QString resolved = QFileInfo(s.program).canonicalFilePath();
    if (!resolved.isEmpty())
        s.program = resolved;
    s.programFolder = QFileInfo(s.program).absolutePath();
    s.callLimit = limitFromEnvironment("PARCELON_ENGINE_CALL_TIMEOUT_MS", s.callLimit);
    s.startLimit = limitFromEnvironment("PARCELON_ENGINE_START_TIMEOUT_MS", s.startLimit);
    s.pingLimit = std::min(s.pingLimit, s.callLimit);
    bool ok = false;
    const qint64 megabytes = qEnvironmentVariable("PARCELON_OFFICE_MEMORY_LIMIT_MB").toLongLong(&ok);
    if (ok && megabytes > 0)
        s.memoryLimit = megabytes * 1024 * 1024;
    s.debugOutput = !qEnvironmentVariableIsEmpty("PARCELON_ENGINE_DEBUG");
    s.extraFilter = qEnvironmentVariable("PARCELON_ENGINE_EXTRA_FILTER");
    return s;
}

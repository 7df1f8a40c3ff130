#include "resources/Resources.h"

#include "core/Failure.h"

#include <QFile>

// The resources live in this static library; referencing their initialisers
// here keeps the linker from dropping them.
static void initResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(template);
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(done);
}

QByteArray TemplateBytes()
{
    initResources();
    QFile file(QStringLiteral(":/resources/template.dot"));
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Resource not found"));
    return file.readAll();
}

QIcon ProgramIcon()
{
    initResources();
    QIcon icon;
    for (int size : {32, 48, 128, 256})
        icon.addFile(QStringLiteral(":/resources/icons/parcelon-%1.png").arg(size), QSize(size, size));
    return icon;
}

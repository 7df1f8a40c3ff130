#include "HandCursor.h"

#include "Failure.h"

#include <QCoreApplication>
#include <QPixmap>

QString HandCursorPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/HAND-M.CUR");
}

QCursor LoadHandCursor(const QString &path)
{
    QPixmap pixmap(path);
    if (pixmap.isNull())
        throw Failure(QStringLiteral("Invalid picture"));
    return QCursor(pixmap, 0, 0);
}

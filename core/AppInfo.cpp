#include "core/AppInfo.h"

namespace {
QString &storedTitle()
{
    static QString title = QString::fromLatin1(AppInfo::kProductTitle);
    return title;
}
} // namespace

QString AppInfo::deriveApplicationTitle(const QString &productTitle)
{
    QString title = productTitle;
    while (title.size() > 40) {
        const qsizetype blank = title.lastIndexOf(QLatin1Char(' '));
        if (blank < 0)
            break; // nothing left to cut at; keep it whole rather than loop
        title.truncate(blank);
    }
    return title;
}

QString AppInfo::applicationTitle()
{
    return storedTitle();
}

void AppInfo::setApplicationTitle(const QString &title)
{
    storedTitle() = title;
}

#pragma once

#include <QObject>
#include <QString>

#include <cstdio>
#include <cstdlib>

// A window's widget by the object name its Designer form gives it. A missing
// one ends the test at once: every later check would only say less.
template <typename T>
T *NamedChild(const QObject &window, const char *name)
{
    T *child = window.findChild<T *>(QLatin1String(name));
    if (!child) {
        std::fprintf(stderr, "no child named %s\n", name);
        std::abort();
    }
    return child;
}

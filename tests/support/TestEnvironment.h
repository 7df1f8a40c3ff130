#pragma once

#include <QString>

// A fresh user environment for one test process: HOME, XDG_CONFIG_HOME,
// XDG_CACHE_HOME, XDG_RUNTIME_DIR, TEMP and TMPDIR all point into a new folder,
// so no test ever touches the real user's settings or temporary folder.
// The folder is removed when the process ends normally.
class TestEnvironment
{
public:
    // Call before the QApplication is created.
    static void install();
    static QString root();
    static QString temp();       // TEMP
    static QString configHome(); // XDG_CONFIG_HOME
    // Where the settings file lives in this environment.
    static QString settingsFile();
};

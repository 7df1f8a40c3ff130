#pragma once

#include <QString>

class QWidget;

// The main window's skin component. A skin is a Qt style sheet file; the
// component loads it by path, takes its options and applies it to a window,
// in the calls of the component the program was designed around: load,
// option flags, two switches, apply.
class SkinFramework
{
public:
    // Option bit 0: apply() re-polishes the window and every child at once,
    // so that the look is complete even when the window is already visible.
    static constexpr int kPolishAtOnce = 1;

    // Reads the file as a style sheet (UTF-8). The second argument names a
    // section inside a multi-skin file; style sheets have none, so it must be
    // empty. Throws Failure when the file cannot be read or is not a valid
    // style sheet, or when a locked skin has already been applied.
    void loadSkin(const QString &path, const QString &section);

    int options() const { return m_options; }
    void setOptions(int options) { m_options = options; }

    // Switch 1: windows that open later (the preview, message boxes, the save
    // dialog) wear the skin too: it becomes the whole program's style sheet.
    bool skinNewWindows() const { return m_skinNewWindows; }
    void setSkinNewWindows(bool on) { m_skinNewWindows = on; }

    // Switch 2: once applied, the skin stays for the rest of the run; later
    // loads are refused.
    bool lockAfterApply() const { return m_lock; }
    void setLockAfterApply(bool on) { m_lock = on; }

    // Sets the loaded sheet on the window. Throws Failure when nothing was loaded.
    void applyWindow(QWidget *window);

    bool isLoaded() const { return m_loaded; }
    bool isLocked() const { return m_locked; }
    const QString &styleSheet() const { return m_sheet; }

private:
    QString m_sheet;
    bool m_loaded = false;
    bool m_locked = false;
    int m_options = 0;
    bool m_skinNewWindows = false;
    bool m_lock = false;
};

#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class QLockFile;

// Serialises, across running copies that share the temporary folder, the
// steps that use its fixed names ("template.dot", "temp.bmp"): one lock file
// there ("parcelon.lock"). A lock left by a copy that is gone (killed) is taken
// over at once; a live holder is waited for, but only up to a limit, so that
// a copy stuck on a report box cannot freeze the other for ever.
class TempFolderLock
{
public:
    TempFolderLock();
    ~TempFolderLock(); // releases

    // Takes the lock. Throws Failure, saying who holds it, when another copy
    // keeps it past the wait limit or the lock file cannot be made. While it
    // waits, the main thread's windows go on painting (user input waits) and
    // the wait ends early once `giveUp` says so.
    void acquire(const std::function<bool()> &giveUp = {});
    void release();
    bool isHeld() const { return m_held; }

    // For the steps that need the lock: throws the same Failure as acquire()
    // did when the lock is not held.
    void requireHeld() const;

    static std::chrono::milliseconds waitLimit();
    static void setWaitLimit(std::chrono::milliseconds limit); // tests

private:
    std::unique_ptr<QLockFile> m_lock;
    QString m_failure;
    bool m_held = false;
};

#pragma once

#include "labels/WordApplication.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>

class EngineHost;
class PagePictureRenderer;
class PictureClipboard;
class QLibrary;

// The production engine: LibreOffice, through the module parcelon-libreoffice.so,
// which is loaded at run time so that the program itself never depends on
// LibreOffice's libraries. Looked for beside the program, then in the
// installed module folder (e.g. ../lib/x86_64-linux-gnu/parcelon from /usr/bin);
// $PARCELON_ENGINE_MODULE, when set, names the one module to use instead.
//
// One office serves the factory's whole life: every application is a
// session on it, and destroying the factory ends the office.
class ModuleEngineFactory : public EngineFactory
{
public:
    // Page pictures come from the office's PDF through poppler.
    explicit ModuleEngineFactory(PictureClipboard &clipboard);
    // A null renderer makes page pictures through the office's own picture
    // export instead (slower; kept to compare the two).
    ModuleEngineFactory(PictureClipboard &clipboard, PagePictureRenderer *renderer);
    ~ModuleEngineFactory() override;

    // Throws EngineError when the module cannot be loaded or no office starts.
    // Background work on the office (a warm-up) finishes first; a caller on
    // the program's main thread keeps its windows painted meanwhile.
    std::unique_ptr<WordApplication> createApplication() override;
    // The same on an office that has served nothing yet (started anew when
    // the running one has): for a long list's PDF.
    std::unique_ptr<WordApplication> createApplicationForLongWork() override;
    // An office started for this application alone and ended when it quits
    // (the running office's work goes on beside it). Throws EngineError.
    std::unique_ptr<WordApplication> createHelperApplication() override;
    // Kills the office at once (the program is ending); from then on nothing
    // starts. Safe from any thread, e.g. a signal watcher.
    void abandon() override;

    // Starts the office in the background, when none runs, and warms it with
    // the label template so the first click pays no first-use costs. Silent:
    // what fails here is reported by the next createApplication().
    void warmUp();
    // Starts the office in the background, when none runs, and nothing
    // more: the start-up's engine check then finds it starting or started
    // instead of paying for the whole start itself. Silent like warmUp().
    // May come before the program's QApplication exists.
    void startInBackground();
    // The office and the helpers' offices are ended, so that their work
    // under way fails at once; the next application gets a fresh office.
    void stopWorkUnderWay() override;
    // Ends the office now: work still under way on it fails at once, and no
    // application can be created from here on. The destructor does the same.
    void shutDown();
    // The program ends after the work it is about to give (one document
    // made without a window): no office is started for later work, such as
    // a successor for an office that has grown.
    void expectNoLaterWork();
    // The running office's process id, 0 when none runs (for benchmarks).
    int officeProcessId();

    // The places the module is looked for, in order.
    static QStringList moduleCandidates();

private:
    void load();
    std::unique_ptr<WordApplication> createSession(bool longWork);

    PictureClipboard &m_clipboard;
    std::unique_ptr<PagePictureRenderer> m_ownRenderer;
    PagePictureRenderer *m_renderer;
    QLibrary *m_library = nullptr; // never unloaded: the objects it made use its code
    // Made on the main thread; abandon() may come from another.
    std::mutex m_hostMutex;
    EngineHost *m_host = nullptr;
    bool m_abandoned = false;
    bool m_noLaterWork = false;
};

#pragma once

// The entry points of the engine module (parcelon-libreoffice.so), loaded at
// run time by ModuleEngineFactory. Only this header is shared with the
// program: it has no LibreOffice types.

class PagePictureRenderer;
class PictureClipboard;
class QByteArray;
class WordApplication;

// Raised whenever the entry points or the interfaces below change
// incompatibly, so a stale module is refused instead of crashing.
inline constexpr int kEngineModuleInterfaceVersion = 8;

inline constexpr char kEngineModuleVersionSymbol[] = "parcelon_engine_interface_version";
inline constexpr char kEngineModuleCreateSymbol[] = "parcelon_engine_create_host";

// One office for a whole run of the program. Every application created is a
// session on it; quitting a session leaves the office running for the next.
// An office that died, hangs or has grown too large is replaced.
class EngineHost
{
public:
    // Ends the office as shutDown() does.
    virtual ~EngineHost() = default;

    // A session on the office, started first when none is running or the
    // running one has failed. The caller deletes it. Throws EngineError.
    virtual WordApplication *createApplication() = 0;
    // The same on an office that has served no session yet: one that has is
    // replaced first (a long job then starts from the office's lowest memory).
    virtual WordApplication *createApplicationForLongWork() = 0;
    // A session on an office of its own, started for it and ended when the
    // session quits: a large job shares its work between two offices, since
    // an office works on one core. The caller deletes it. Throws EngineError.
    virtual WordApplication *createHelperApplication() = 0;
    // In the background: starts the office when none runs and takes the
    // first-use costs (loads the template, saves, reopens and renders it).
    // Returns at once.
    virtual void warmUp(const QByteArray &templateBytes) = 0;
    // True once no background work holds the office (at once while a session
    // is open); waits at most `milliseconds` for that.
    virtual bool waitUntilIdle(int milliseconds) = 0;
    // Ends the office and removes all its traces before returning. Sessions
    // still open fail from then on, and no new one can be created.
    virtual void shutDown() = 0;
    // The program is ending: kills every office at once, those still
    // starting too, so that calls under way fail within a moment and no new
    // session starts. Returns at once; safe from any thread. shutDown() still
    // removes the traces.
    virtual void abandon() = 0;
    // The program ends once the work under way is done (a run without a
    // window makes one document): no office is started for later work, not
    // even in place of one that has grown or died.
    virtual void expectNoLaterWork() = 0;
    // The running office's process id, 0 when none runs.
    virtual int officeProcessId() = 0;
    // Kills the running office while a session is open on it, and every
    // helper's office: the sessions' calls fail at once. The next session
    // gets a fresh office, as after any office death. Nothing happens while
    // no session is open.
    virtual void stopWorkUnderWay() = 0;
};

extern "C" {
using EngineModuleVersionFunction = int (*)();
// The clipboard and renderer must outlive the host. Throws EngineError.
using EngineModuleCreateFunction = EngineHost *(*)(PictureClipboard *clipboard, PagePictureRenderer *renderer);
}

#pragma once

#include "labels/libreoffice/EngineModule.h"

#include <QByteArray>

#include <memory>
#include <mutex>
#include <thread>

class OfficeProcess;

// One office for the program's whole run. Starting an office costs about
// 150 ms, ending one 60-80 ms, and a fresh office opens its first document
// about 130 ms slower than a warm one; a click that paid all of that twice
// took a second. So every application is a session on the one office, and
// the office is warmed in the background before the first click.
//
// A thread of the host's own starts every office (the office's parent-death
// signal follows the thread that forked it, and this one outlives them all),
// warms it, ends offices that are replaced (nothing on a caller's path waits
// for an office to exit), notices an office that died while idle and
// replaces it, pings an office left unused for a while and replaces it when
// it does not answer, and recycles an office that has grown past its memory
// limit (swapping in a warmed successor the moment no session is open).
//
// Background work and sessions never overlap on one office: a session waits
// for a warm-up under way, and background work waits until no session is open.
// A helper session gets an office of its own, started by the same thread and
// ended with the session.
class OfficeHost : public EngineHost
{
public:
    OfficeHost(PictureClipboard *clipboard, PagePictureRenderer *renderer);
    ~OfficeHost() override;
    OfficeHost(const OfficeHost &) = delete;
    OfficeHost &operator=(const OfficeHost &) = delete;

    WordApplication *createApplication() override;
    WordApplication *createApplicationForLongWork() override;
    WordApplication *createHelperApplication() override;
    void warmUp(const QByteArray &templateBytes) override;
    bool waitUntilIdle(int milliseconds) override;
    void shutDown() override;
    void abandon() override;
    int officeProcessId() override;
    void expectNoLaterWork() override;
    void stopWorkUnderWay() override;

private:
    struct State;

    WordApplication *openSession(bool longWork);
    void run();
    std::shared_ptr<OfficeProcess> officeForSession();
    std::shared_ptr<OfficeProcess> startOffice();
    bool warm(const std::shared_ptr<OfficeProcess> &office, const QByteArray &templateBytes);
    bool keepDocumentsReady(std::unique_lock<std::mutex> &lock);
    void prepare();
    void recycle();

    PictureClipboard *m_clipboard;
    PagePictureRenderer *m_renderer;
    std::shared_ptr<State> m_state; // shared with the sessions, which may outlive the host
    std::thread m_worker;
};

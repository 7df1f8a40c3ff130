#pragma once

#include "labels/libreoffice/LibreOfficeDocument.h"

#include <com/sun/star/lang/XComponent.hpp>

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <vector>

class OfficeProcess;

// What the office holds between clicks, so that a click neither loads the
// template nor loads again the document it has just saved: a freshly loaded
// template (never one restored by undo, which differs from a fresh one), and
// the last filled document, kept open after its session closed it.
//
// Each belongs to the office that loaded it and is given only to a session
// on that office. The host's worker loads the template while no session is
// open; sessions take them. Thread-safe.
class ReadyDocuments
{
public:
    // Whether `office` should get a fresh template: it has none ready, and
    // loading one for it has not failed before.
    bool needsTemplate(const std::shared_ptr<OfficeProcess> &office, const QByteArray &templateBytes) const;
    // Loads the template into `office`, read-only as a click opens it,
    // through the watchdog like every call. Never throws.
    void loadTemplate(const std::shared_ptr<OfficeProcess> &office, const QByteArray &templateBytes);
    // For a session on `office` opening `path` read-only: the ready template
    // when the file holds exactly its bytes; an empty reference otherwise.
    css::uno::Reference<css::lang::XComponent> takeTemplate(const std::shared_ptr<OfficeProcess> &office,
                                                            const QString &path);

    // A filled document its session saved as `savedPath` (Word 97) and then
    // closed stays open for a moment: the preview export opens that file next.
    // `layout` is its PDF when one was made since its last change.
    void keepFilled(const std::shared_ptr<OfficeProcess> &office, css::uno::Reference<css::lang::XComponent> component,
                    const QString &savedPath, const LibreOfficeDocument::Layout &layout);
    // For a session on `office` opening `path`: the kept document when it is
    // the one saved there and the file has not changed since, and its layout.
    css::uno::Reference<css::lang::XComponent> takeFilled(const std::shared_ptr<OfficeProcess> &office,
                                                          const QString &path, LibreOfficeDocument::Layout *layout);
    bool holdsFilled() const;
    bool filledOlderThan(std::chrono::milliseconds limit) const;
    // Closes the kept document (through the watchdog): nobody came for it.
    void closeFilled();

    // A document its session has closed, left for the host's worker to
    // close in the office once no session is open.
    void closeLater(const std::shared_ptr<OfficeProcess> &office, css::uno::Reference<css::lang::XComponent> component);
    bool holdsClosing() const;
    // Closes what closeLater() was given (through the watchdog).
    void closeLeftOver();

    // Lets go of everything held, without closing it: the office it belongs
    // to is being replaced or ended. Done before that office is killed, so
    // that no reference outlives it.
    void forget();

    // The file's identity and last change, to tell a saved file from a replaced one.
    struct FileStamp
    {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = -1;
        qint64 changedNs = 0;
        bool operator==(const FileStamp &) const = default;
    };
    static FileStamp stampOf(const QString &path);

private:
    struct Held
    {
        std::weak_ptr<OfficeProcess> office;
        css::uno::Reference<css::lang::XComponent> component;
    };
    // Closes the document in its office, unless that office has gone or failed.
    static void closeWhileAlive(const Held &held);

    mutable std::mutex m_mutex;
    Held m_template;
    QByteArray m_templateBytes;
    std::weak_ptr<OfficeProcess> m_templateFailedIn;
    Held m_filled;
    QString m_filledPath;
    LibreOfficeDocument::Layout m_filledLayout;
    FileStamp m_filledStamp;
    std::chrono::steady_clock::time_point m_filledSince;
    std::vector<Held> m_closing;
};

#pragma once

#include "labels/WordApplication.h"
#include "tests/support/ScriptedSeams.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class PictureClipboard;

// An in-memory document engine for fault-injection tests of its callers.
//
// It records every call of every instance in one ordered list, e.g.
// "create()", "open(/t/template.dot,readOnly=1)", "find.setText(Sender Company)",
// "execute(2)", "saveAs(/t/qmtemp11111111.doc)", "quit()", "destroy()".
// A document is the file's bytes read as UTF-8 text; replace-all is literal and
// ignores letter case (as the real engine does); saveAs and saveAsFormat
// (both the operation "saveAs") write the text back;
// saveAsFlatXml writes `flatXml` (the text when empty).
// Any operation can be made to fail, always or only on its n-th call.
class FakeEngine : public EngineFactory
{
public:
    // Operation names for failOn(): "create", "open", "selectionFind",
    // "find.clearFormatting", "find.clearReplacementFormatting", "find.setText",
    // "find.setReplacementText", "find.setForward", "find.setWrap",
    // "find.setFormat", "find.setMatchCase", "find.setMatchWholeWord",
    // "find.setMatchWildcards", "find.setMatchSoundsLike",
    // "find.setMatchAllWordForms", "execute", "saveAs", "saveAsFlatXml", "close",
    // "copyRangeAsPicture", "setDisplayAlerts",
    // "closeActiveDocument", "quit".
    // nthCall 0 fails every call; n > 0 only the n-th call (counted from 1
    // over all instances). An empty description gets a generic one.
    void failOn(const QString &operation, int nthCall = 0, const QString &description = QString());

    std::unique_ptr<WordApplication> createApplication() override;

    // Where copyRangeAsPicture puts its picture (none: that call fails).
    PictureClipboard *clipboard = nullptr;
    // What copyRangeAsPicture renders; by default a page-shaped white sheet
    // with dark marks at 384 dpi.
    QImage picture = samplePicture();

    QByteArray flatXml; // what saveAsFlatXml writes, whatever the document

    QStringList calls;                 // every call, in order
    QList<QByteArray> openedFileBytes; // the bytes each successful open read
    int liveApplications = 0;          // instances created and not yet destroyed
    int createdApplications = 0;

    // How many times an operation was called so far (failed calls included).
    int callCount(const QString &operation) const;

    static QImage samplePicture();

    // Used by the fake's objects: records the call, then throws EngineError
    // when a fault was set for it.
    void enter(const QString &operation, const QString &record);

private:
    struct Fault
    {
        QString operation;
        int nthCall;
        QString description;
    };
    QList<Fault> m_faults;
    QHash<QString, int> m_counts;
};

// The in-memory engine, held first so that the seams can be wired to it.
struct FakeEngineHolder
{
    FakeEngine engines;
};

// Every seam scripted around the in-memory engine: what most window tests need.
struct FakeServices : FakeEngineHolder, ScriptedServices
{
    FakeServices()
        : ScriptedServices(engines)
    {
    }
};

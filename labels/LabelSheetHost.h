#pragma once

#include "labels/LabelStock.h"

#include <QImage>
#include <QString>

// What label generation needs from the main window, so that its step sequence
// lives outside the window and can be tested without one.
class LabelSheetHost
{
public:
    virtual ~LabelSheetHost() = default;

    virtual bool isBusy() const = 0; // mBusy
    // Before clearing mBusy, the host delivers the input events that arrived
    // during the generation, so that a click among them finds mBusy set.
    virtual void setBusy(bool busy) = 0;
    virtual QString fieldText(int field) const = 0; // Text1 .. Text12, read when asked
    virtual void setBusyPointer() = 0;              // pointer kind 11
    virtual void setDefaultPointer() = 0;           // pointer kind 0
    // Form2's Picture1 (the preview window is created on first use).
    virtual void setPreviewPicture(const QImage &picture) = 0;
    virtual void setPreviewWordFile(const QString &path) = 0; // Form2's mWordFile
    virtual void showPreview() = 0;
    virtual void hideMain() = 0;
    // The label stock the sheet is made for.
    virtual const LabelStock &labelStock() { return DefaultStock(); }
};

#pragma once

#include "core/MessageBoxes.h"
#include "core/Seams.h"

#include <functional>

// Production implementations of the seams: real Qt dialogs, the desktop's URL
// opener, Qt's random generator and the picture clipboard.

// Once the program is ending, the box and the dialog are no longer shown: a
// box answers OK (No to a question) and the dialog is cancelled.
class QtMessageBoxes : public MessageBoxes
{
public:
    explicit QtMessageBoxes(const ProgramExit &exit)
        : m_exit(exit)
    {
    }
    BoxAnswer show(const QString &text, const QString &title, BoxStyle style) override;

private:
    const ProgramExit &m_exit;
};

class QtSaveDialog : public SaveDialog
{
public:
    explicit QtSaveDialog(const ProgramExit &exit)
        : m_exit(exit)
    {
    }
    QString askSaveFileName(QWidget *parent, const QString &title, const QString &filter) override;

private:
    const ProgramExit &m_exit;
};

class QtOpenDialog : public OpenDialog
{
public:
    explicit QtOpenDialog(const ProgramExit &exit)
        : m_exit(exit)
    {
    }
    QString askOpenFileName(QWidget *parent, const QString &title, const QString &filter) override;

private:
    const ProgramExit &m_exit;
};

class QtPrintDialog : public PrintDialog
{
public:
    bool askPrinter(QWidget *parent, QPrinter &printer, int pages) override;
};

class QtPlacementDialog : public PlacementDialog
{
public:
    explicit QtPlacementDialog(const ProgramExit &exit)
        : m_exit(exit)
    {
    }
    std::optional<LabelChoice> askPlacement(QWidget *parent, qsizetype addresses, const QString &stock) override;
    std::optional<LabelChoice> askListPlacement(QWidget *parent, const ListOverview &list, const ColumnPicking *columns,
                                                const QString &stock) override;

private:
    const ProgramExit &m_exit;
};

class DesktopUrlOpener : public UrlOpener
{
public:
    void open(const QUrl &url) override;
};

class SystemRandom : public RandomSource
{
public:
    double uniform() override;
};

// The page picture passes from the export to the preview inside the program:
// what the user has copied stays on the system clipboard.
class InProcessClipboard : public PictureClipboard
{
public:
    QImage image() override { return m_picture; }
    void setImage(const QImage &image) override { m_picture = image; }

private:
    QImage m_picture;
};

class QtProgramExit : public ProgramExit
{
public:
    void endProgram() override;
    bool ending() const override { return m_ending; }
    // Runs once, when the end is first asked for (stops the office, so that
    // nothing waits for it).
    void setOnEnding(std::function<void()> onEnding) { m_onEnding = std::move(onEnding); }

private:
    bool m_ending = false;
    std::function<void()> m_onEnding;
};

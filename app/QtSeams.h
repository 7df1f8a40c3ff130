#pragma once

#include "MessageBoxes.h"
#include "Seams.h"

// Production implementations of the seams: real Qt dialogs, the desktop's URL
// opener, Qt's random generator and the system clipboard.

class QtMessageBoxes : public MessageBoxes
{
public:
    BoxAnswer show(const QString &text, const QString &title, BoxStyle style) override;
};

class QtSaveDialog : public SaveDialog
{
public:
    QString askSaveFileName(QWidget *parent, const QString &title, const QString &filter) override;
};

class QtPrintDialog : public PrintDialog
{
public:
    bool askPrinter(QWidget *parent, QPrinter &printer) override;
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

class SystemClipboard : public PictureClipboard
{
public:
    QImage image() override;
    void setImage(const QImage &image) override;
};

class QtProgramExit : public ProgramExit
{
public:
    void endProgram() override;
};

#pragma once

#include "core/MessageBoxes.h"
#include "core/Seams.h"
#include "labels/WordApplication.h"

// Seams for benchmarks that never reach the engine, a box or a dialog.
class NoEngine : public EngineFactory
{
public:
    std::unique_ptr<WordApplication> createApplication() override
    {
        throw EngineError(QStringLiteral("no engine in this benchmark"));
    }
};

class SilentBoxes : public MessageBoxes
{
public:
    BoxAnswer show(const QString &, const QString &, BoxStyle) override { return BoxAnswer::Ok; }
};

// The seams a measured path never uses: dialogs are cancelled, the web-site
// draw never fires, the clipboard is empty and the program never ends.
struct InertSeams
{
    struct : SaveDialog
    {
        QString askSaveFileName(QWidget *, const QString &, const QString &) override { return {}; }
    } saveDialog;
    struct : OpenDialog
    {
        QString askOpenFileName(QWidget *, const QString &, const QString &) override { return {}; }
    } openDialog;
    struct : PrintDialog
    {
        bool askPrinter(QWidget *, QPrinter &, int) override { return false; }
    } printDialog;
    struct : PlacementDialog
    {
        std::optional<LabelChoice> askPlacement(QWidget *, qsizetype, const QString &) override { return {}; }
    } placementDialog;
    struct : UrlOpener
    {
        void open(const QUrl &) override {}
    } urlOpener;
    struct : RandomSource
    {
        double uniform() override { return 0.5; }
    } random;
    struct : PictureClipboard
    {
        QImage image() override { return {}; }
        void setImage(const QImage &) override {}
    } clipboard;
    struct : ProgramExit
    {
        void endProgram() override {}
        bool ending() const override { return false; }
    } exit;

    Services with(MessageBoxes &messages, EngineFactory &engines)
    {
        return {messages,  saveDialog, openDialog, printDialog, placementDialog,
                urlOpener, random,     clipboard,  engines,     exit};
    }
};

#pragma once

#include "WordApplication.h"

#include <QString>
#include <QStringList>

class PictureClipboard;
class QLibrary;

// The production engine: LibreOffice, through the module parcelon-libreoffice.so,
// which is loaded at run time so that the program itself never depends on
// LibreOffice's libraries. Looked for beside the program, then in the
// installed module folder (e.g. ../lib/x86_64-linux-gnu/parcelon from /usr/bin);
// $PARCELON_ENGINE_MODULE, when set, names the one module to use instead.
class ModuleEngineFactory : public EngineFactory
{
public:
    explicit ModuleEngineFactory(PictureClipboard &clipboard);
    ~ModuleEngineFactory() override;

    // Throws EngineError when the module cannot be loaded or no office starts.
    std::unique_ptr<WordApplication> createApplication() override;

    // The places the module is looked for, in order.
    static QStringList moduleCandidates();

private:
    void load();

    PictureClipboard &m_clipboard;
    QLibrary *m_library = nullptr; // never unloaded: the objects it made use its code
    void *m_create = nullptr;
};

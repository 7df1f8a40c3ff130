#pragma once

#include "labels/WordApplication.h"

#include <QString>

class LibreOfficeApplication;

// What Selection.Find holds between calls. Word's defaults.
struct FindSettings
{
    QString text;
    QString replacement;
    bool forward = true;
    int wrap = kWdFindStop;
    bool format = false;
    bool matchCase = false;
    bool matchWholeWord = false;
    bool matchWildcards = false;
    bool matchSoundsLike = false;
    bool matchAllWordForms = false;
};

// Selection.Find of one application. The settings are only held here; the
// office sees them when execute() runs the search in the active document.
class LibreOfficeFind : public WordFind
{
public:
    explicit LibreOfficeFind(LibreOfficeApplication &application)
        : m_application(application)
    {
    }

    void clearFormatting() override;
    void clearReplacementFormatting() override;
    void setText(const QString &text) override;
    void setReplacementText(const QString &text) override;
    void setForward(bool forward) override;
    void setWrap(int wrap) override;
    void setFormat(bool format) override;
    void setMatchCase(bool on) override;
    void setMatchWholeWord(bool on) override;
    void setMatchWildcards(bool on) override;
    void setMatchSoundsLike(bool on) override;
    void setMatchAllWordForms(bool on) override;
    void execute(int replace) override;

    const FindSettings &settings() const { return m_settings; }

private:
    void touch(const char *member);

    LibreOfficeApplication &m_application;
    FindSettings m_settings;
};

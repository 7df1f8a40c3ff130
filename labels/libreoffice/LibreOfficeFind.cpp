#include "labels/libreoffice/LibreOfficeFind.h"

#include "labels/libreoffice/LibreOfficeApplication.h"

// Every member fails like the others when the office is gone, as an
// automation call to a dead server would.
void LibreOfficeFind::touch(const char *member)
{
    Q_UNUSED(member);
    m_application.checkUsable(QStringLiteral("filling in the addresses"));
}

void LibreOfficeFind::clearFormatting()
{
    // The engine keeps no formatting conditions, so there is nothing to clear.
    touch("ClearFormatting");
}

void LibreOfficeFind::clearReplacementFormatting()
{
    touch("Replacement.ClearFormatting");
}

void LibreOfficeFind::setText(const QString &text)
{
    touch("Text");
    m_settings.text = text;
}

void LibreOfficeFind::setReplacementText(const QString &text)
{
    touch("Replacement.Text");
    m_settings.replacement = text;
}

void LibreOfficeFind::setForward(bool forward)
{
    touch("Forward");
    m_settings.forward = forward;
}

void LibreOfficeFind::setWrap(int wrap)
{
    touch("Wrap");
    m_settings.wrap = wrap;
}

void LibreOfficeFind::setFormat(bool format)
{
    touch("Format");
    m_settings.format = format;
}

void LibreOfficeFind::setMatchCase(bool on)
{
    touch("MatchCase");
    m_settings.matchCase = on;
}

void LibreOfficeFind::setMatchWholeWord(bool on)
{
    touch("MatchWholeWord");
    m_settings.matchWholeWord = on;
}

void LibreOfficeFind::setMatchWildcards(bool on)
{
    touch("MatchWildcards");
    m_settings.matchWildcards = on;
}

void LibreOfficeFind::setMatchSoundsLike(bool on)
{
    touch("MatchSoundsLike");
    m_settings.matchSoundsLike = on;
}

void LibreOfficeFind::setMatchAllWordForms(bool on)
{
    touch("MatchAllWordForms");
    m_settings.matchAllWordForms = on;
}

void LibreOfficeFind::execute(int replace)
{
    m_application.executeFind(m_settings, replace);
}

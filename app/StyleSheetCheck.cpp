#include "StyleSheetCheck.h"

namespace {

bool isPropertyName(const QString &name)
{
    if (name.isEmpty())
        return false;
    for (QChar c : name)
        if (!(c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_')))
            return false;
    return true;
}

QString atLine(const QString &what, int line)
{
    return QStringLiteral("%1 on line %2").arg(what).arg(line);
}

// One declaration "property: value" inside a rule (without its semicolon).
QString declarationProblem(const QString &declaration, int line)
{
    const QString text = declaration.trimmed();
    if (text.isEmpty())
        return QString();
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return atLine(QStringLiteral("a declaration without ':'"), line);
    if (!isPropertyName(text.left(colon).trimmed()))
        return atLine(QStringLiteral("a bad property name"), line);
    if (text.mid(colon + 1).trimmed().isEmpty())
        return atLine(QStringLiteral("a property without a value"), line);
    return QString();
}

} // namespace

QString StyleSheetProblem(const QString &sheet)
{
    int line = 1;
    int ruleLine = 1;
    bool inRule = false;
    QString selector;
    QString declaration;
    int declarationLine = 1;

    for (qsizetype i = 0; i < sheet.size(); ++i) {
        const QChar c = sheet.at(i);
        if (c == QLatin1Char('\n'))
            ++line;
        if (c.category() == QChar::Other_Control && c != QLatin1Char('\t') && c != QLatin1Char('\n')
            && c != QLatin1Char('\r') && c != QLatin1Char('\f'))
            return atLine(QStringLiteral("a control character"), line);
        if (c == QChar::ReplacementCharacter)
            return atLine(QStringLiteral("text that is not UTF-8"), line);

        if (c == QLatin1Char('/') && i + 1 < sheet.size() && sheet.at(i + 1) == QLatin1Char('*')) {
            const qsizetype end = sheet.indexOf(QStringLiteral("*/"), i + 2);
            if (end < 0)
                return atLine(QStringLiteral("a comment that is never closed"), line);
            line += int(QStringView(sheet).mid(i, end - i).count(QLatin1Char('\n')));
            i = end + 1;
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            qsizetype j = i + 1;
            while (j < sheet.size() && sheet.at(j) != c && sheet.at(j) != QLatin1Char('\n'))
                j += sheet.at(j) == QLatin1Char('\\') ? 2 : 1;
            if (j >= sheet.size() || sheet.at(j) != c)
                return atLine(QStringLiteral("a string that is never closed"), line);
            (inRule ? declaration : selector) += QStringView(sheet).mid(i, j - i + 1);
            i = j;
            continue;
        }

        if (!inRule) {
            if (c == QLatin1Char('{')) {
                if (selector.trimmed().isEmpty())
                    return atLine(QStringLiteral("a rule without a selector"), line);
                inRule = true;
                ruleLine = line;
                declarationLine = line;
                declaration.clear();
            } else if (c == QLatin1Char('}')) {
                return atLine(QStringLiteral("a '}' without its '{'"), line);
            } else if (c == QLatin1Char(';')) {
                return atLine(QStringLiteral("a ';' outside a rule"), line);
            } else {
                selector += c;
            }
            continue;
        }

        if (c == QLatin1Char('{'))
            return atLine(QStringLiteral("a '{' inside a rule"), line);
        if (c == QLatin1Char(';') || c == QLatin1Char('}')) {
            const QString problem = declarationProblem(declaration, declarationLine);
            if (!problem.isEmpty())
                return problem;
            declaration.clear();
            declarationLine = line;
            if (c == QLatin1Char('}')) {
                inRule = false;
                selector.clear();
            }
            continue;
        }
        if (declaration.trimmed().isEmpty())
            declarationLine = line;
        declaration += c;
    }
    if (inRule)
        return atLine(QStringLiteral("a rule that is never closed"), ruleLine);
    if (!selector.trimmed().isEmpty())
        return QStringLiteral("text after the last rule");
    return QString();
}

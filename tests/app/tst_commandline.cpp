// The options of a run are one table (BatchOptions), which --help prints;
// the manual page and the README describe them by hand, so they are checked
// against it: every option named in both, no option named that is not one.

#include "app/BatchRun.h"
#include "labels/SheetFormats.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QRegularExpression>

namespace {

QString sourceText(const QString &relative)
{
    return QString::fromUtf8(ReadFileBytes(QStringLiteral(PARCELON_SOURCE_DIR "/") + relative));
}

QString readmeSection()
{
    const QString readme = sourceText(QStringLiteral("README.md"));
    const qsizetype start = readme.indexOf(QLatin1String("## Labels from the command line"));
    return readme.mid(start, readme.indexOf(QLatin1String("\n## "), start + 1) - start);
}

QStringList optionNames()
{
    QStringList names = {QStringLiteral("help"), QStringLiteral("help-all"), QStringLiteral("version")};
    for (const QCommandLineOption &option : BatchOptions())
        names << option.names().first();
    return names;
}

} // namespace

class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void documentsMatchTheOptionTable_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<bool>("roff"); // hyphens written \-, an option with its value as .BI --name " value"
        QTest::newRow("manual page") << sourceText(QStringLiteral("docs/parcelon.1.in")) << true;
        QTest::newRow("README") << readmeSection() << false;
    }

    void documentsMatchTheOptionTable()
    {
        QFETCH(QString, document);
        QFETCH(bool, roff);
        QVERIFY(!document.isEmpty());
        auto written = [roff](QString text) {
            return roff ? text.replace(QLatin1Char('-'), QLatin1String("\\-")) : text;
        };
        for (const QCommandLineOption &option : BatchOptions()) {
            const QString name = written(QStringLiteral("--") + option.names().first());
            const QString wanted = roff && !option.valueName().isEmpty()
                ? QStringLiteral(".BI %1 \" %2\"").arg(name, option.valueName())
                : name;
            QVERIFY2(document.contains(wanted), qPrintable(wanted));
        }
        const QStringList known = optionNames();
        const QRegularExpression anyOption(QRegularExpression::escape(written(QStringLiteral("--")))
                                           + QStringLiteral("([a-z][a-z\\\\-]*)"));
        QRegularExpressionMatchIterator it = anyOption.globalMatch(document);
        while (it.hasNext()) {
            const QString name = it.next().captured(1).remove(QLatin1Char('\\'));
            // "--recipient-" stands for the six recipient options.
            const bool ok = name.endsWith(QLatin1Char('-'))
                ? !known.filter(QRegularExpression(QLatin1Char('^') + name)).isEmpty()
                : known.contains(name);
            QVERIFY2(ok, qPrintable(QStringLiteral("--%1 is no option").arg(name)));
        }
        for (const SheetFormat &format : kSheetFormats)
            QVERIFY2(document.contains(QStringLiteral(".%1").arg(QLatin1String(format.extension))), format.extension);
    }
};

PARCELON_TEST_MAIN(tst_CommandLine)
#include "tst_commandline.moc"

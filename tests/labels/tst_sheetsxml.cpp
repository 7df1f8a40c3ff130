// A label's text as it goes into the sheets' flat XML: markup escaped, and
// the blanks, tabs and line breaks XML would lose written as elements, so
// that the office reads back exactly the text.

#include "labels/SheetsXml.h"
#include "tests/support/TestMain.h"

#include <QXmlStreamReader>

namespace {

// The text a reader of the paragraph gets back, or the XML error.
QString readBack(const QByteArray &escaped)
{
    QXmlStreamReader xml("<text:p xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\">" + escaped
                         + "</text:p>");
    QString text;
    while (xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd()) {
        if (xml.isCharacters())
            text += xml.text();
        else if (xml.isStartElement() && xml.name() == QLatin1String("s")) {
            const QStringView count = xml.attributes().value(QLatin1String("text:c"));
            text += QString(count.isEmpty() ? 1 : count.toInt(), u' ');
        } else if (xml.isStartElement() && xml.name() == QLatin1String("tab"))
            text += u'\t';
        else if (xml.isStartElement() && xml.name() == QLatin1String("line-break"))
            text += u'\n';
    }
    return xml.hasError() ? QStringLiteral("not XML: ") + xml.errorString() : text;
}

} // namespace

class tst_SheetsXml : public QObject
{
    Q_OBJECT

private slots:
    void escapesWhatXmlWouldChange_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("read");
        QTest::newRow("markup characters") << QStringLiteral("Bud & Co <Ltd>") << QByteArray("Bud &amp; Co &lt;Ltd&gt;")
                                           << QStringLiteral("Bud & Co <Ltd>");
        QTest::newRow("a blank between words stays")
            << QStringLiteral("Ada Xu") << QByteArray("Ada Xu") << QStringLiteral("Ada Xu");
        QTest::newRow("a run of blanks") << QStringLiteral("Ada   Xu") << QByteArray("Ada<text:s text:c=\"3\"/>Xu")
                                         << QStringLiteral("Ada   Xu");
        QTest::newRow("a blank at the start")
            << QStringLiteral(" Xu") << QByteArray("<text:s/>Xu") << QStringLiteral(" Xu");
        QTest::newRow("tab and line break")
            << QStringLiteral("1\t2\n3") << QByteArray("1<text:tab/>2<text:line-break/>3") << QStringLiteral("1\t2\n3");
        QTest::newRow("carriage return and other controls dropped") << QStringLiteral("a\rb\x01"
                                                                                      "c")
                                                                    << QByteArray("abc") << QStringLiteral("abc");
        QTest::newRow("beyond ASCII, as UTF-8")
            << QStringLiteral("Zo\u00EB \u0141\u00F3d\u017A") << QStringLiteral("Zo\u00EB \u0141\u00F3d\u017A").toUtf8()
            << QStringLiteral("Zo\u00EB \u0141\u00F3d\u017A");
    }

    void escapesWhatXmlWouldChange()
    {
        QFETCH(QString, value);
        QFETCH(QByteArray, xml);
        QFETCH(QString, read);
        const QByteArray escaped = SheetsXml::escapedText(value);
        QCOMPARE(readBack(escaped), read);
        QCOMPARE(escaped, xml);
    }
};

PARCELON_TEST_MAIN(tst_SheetsXml)
#include "tst_sheetsxml.moc"

// The label stocks: each record against the maker's published geometry, the
// default one against the readable source of the built-in template, and
// every stock's made template measured back against its record.

#include "labels/LabelStock.h"
#include "labels/StockTemplate.h"
#include "tests/labels/PublishedStocks.h"
#include "tests/support/TestMain.h"

#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

namespace {

// What a template's flat XML says about its labels, read as the office would.
struct Measured
{
    QSizeF paper;
    QPointF origin;
    QList<double> columns;   // widths, label and gap columns in order
    QList<bool> labelColumn; // whether column k holds labels
    QList<double> rows;      // heights
    QMarginsF padding;
    double sender = 0, recipient = 0;
    int labels = 0;
    QList<QStringList> cellLines; // per label cell: "style:text" of each paragraph
};

double points(QStringView value)
{
    if (!value.endsWith(u"pt"))
        return -1;
    return value.chopped(2).toDouble();
}

Measured measure(const QByteArray &xml)
{
    Measured m;
    QXmlStreamReader reader(xml);
    QHash<QString, QXmlStreamAttributes> properties; // style name -> its properties element's attributes
    QString style;
    QStringList columnStyles, rowStyles;
    QStringList cell;
    bool inCell = false;
    QString paragraphStyle, paragraphText;
    bool inParagraph = false;
    int column = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        const QXmlStreamAttributes a = reader.attributes();
        if (reader.isStartElement()) {
            const QStringView name = reader.qualifiedName();
            if (name == u"style:style" || name == u"style:page-layout")
                style = a.value(QLatin1String("style:name")).toString();
            else if (name.endsWith(u"-properties") && !style.isEmpty() && name != u"style:text-properties")
                properties[style] += a;
            else if (name == u"style:text-properties" && !style.isEmpty())
                properties[style + QStringLiteral("#text")] = a;
            else if (name == u"table:table-column")
                columnStyles << a.value(QLatin1String("table:style-name")).toString();
            else if (name == u"table:table-row") {
                rowStyles << a.value(QLatin1String("table:style-name")).toString();
                column = 0;
            } else if (name == u"table:table-cell") {
                inCell = true;
                cell.clear();
                const QXmlStreamAttributes p = properties.value(a.value(QLatin1String("table:style-name")).toString());
                if (a.value(QLatin1String("table:style-name")) == u"LabelCell")
                    m.padding = QMarginsF(points(p.value(QLatin1String("fo:padding-left"))),
                                          points(p.value(QLatin1String("fo:padding-top"))),
                                          points(p.value(QLatin1String("fo:padding-right"))),
                                          points(p.value(QLatin1String("fo:padding-bottom"))));
            } else if (name == u"text:p" && inCell) {
                inParagraph = true;
                paragraphStyle = a.value(QLatin1String("text:style-name")).toString();
                paragraphText.clear();
            }
        } else if (reader.isCharacters() && inParagraph) {
            paragraphText += reader.text();
        } else if (reader.isEndElement()) {
            const QStringView name = reader.qualifiedName();
            if (name == u"text:p" && inParagraph) {
                inParagraph = false;
                cell << paragraphStyle + u':' + paragraphText;
            } else if (name == u"table:table-cell") {
                inCell = false;
                const bool label = cell.join(QString()).contains(QLatin1String(kPlaceholders[0].phrase));
                if (m.labelColumn.size() <= column)
                    m.labelColumn.resize(column + 1);
                m.labelColumn[column] = m.labelColumn[column] || label;
                if (label) {
                    ++m.labels;
                    m.cellLines << cell;
                }
                ++column;
            } else if (name == u"style:style" || name == u"style:page-layout") {
                style.clear();
            }
        }
    }
    const QXmlStreamAttributes page = properties.value(QStringLiteral("LabelPage")).isEmpty()
        ? properties.value(QStringLiteral("LetterPage"))
        : properties.value(QStringLiteral("LabelPage"));
    m.paper = QSizeF(points(page.value(QLatin1String("fo:page-width"))),
                     points(page.value(QLatin1String("fo:page-height"))));
    m.origin = QPointF(points(page.value(QLatin1String("fo:margin-left"))),
                       points(page.value(QLatin1String("fo:margin-top"))));
    for (const QString &name : std::as_const(columnStyles))
        m.columns << points(properties.value(name).value(QLatin1String("style:column-width")));
    for (const QString &name : std::as_const(rowStyles))
        m.rows << points(properties.value(name).value(QLatin1String("style:row-height")));
    m.sender = points(properties.value(QString::fromLatin1(kSenderStyle) + QStringLiteral("#text"))
                          .value(QLatin1String("fo:font-size")));
    m.recipient = points(properties.value(QString::fromLatin1(kRecipientStyle) + QStringLiteral("#text"))
                             .value(QLatin1String("fo:font-size")));
    return m;
}

// The template's measures equal the record's: the labels' corners (from the
// margins, column widths and row heights), the padding, the text sizes and
// every label's lines.
void compareWithRecord(const Measured &m, const LabelStock &stock)
{
    constexpr double kClose = 0.01;
    QVERIFY2(std::abs(m.paper.width() - stock.paper.width()) < kClose, qPrintable(stock.name));
    QVERIFY(std::abs(m.paper.height() - stock.paper.height()) < kClose);
    QCOMPARE(m.labels, stock.labels());
    QCOMPARE(m.rows.size(), stock.rows);
    QCOMPARE(m.labelColumn.count(true), stock.columns);
    // Each label cell's left and top edge, from the table's measures.
    int label = 1;
    double top = m.origin.y();
    for (int row = 0; row < m.rows.size(); ++row) {
        double left = m.origin.x();
        for (qsizetype column = 0; column < m.columns.size(); ++column) {
            if (m.labelColumn.value(column)) {
                const QRectF expected = stock.labelRect(label++);
                QVERIFY2(std::abs(left - expected.left()) < kClose && std::abs(top - expected.top()) < kClose,
                         qPrintable(QStringLiteral("%1 label %2").arg(stock.name).arg(label - 1)));
                QVERIFY(std::abs(m.columns[column] - expected.width()) < kClose);
            }
            left += m.columns[column];
        }
        // The last row may be shorter (room for the paragraph after the
        // table), never shorter than the label's text area.
        const double height = m.rows[row];
        if (row + 1 < m.rows.size())
            QVERIFY(std::abs(height - stock.pitch.height()) < kClose);
        else
            QVERIFY(height >= stock.label.height() - stock.padding.bottom() && height <= stock.label.height() + kClose);
        top += height;
    }
    QVERIFY(top <= stock.paper.height() + kClose);
    QVERIFY(std::abs(m.padding.left() - stock.padding.left()) < kClose);
    QVERIFY(std::abs(m.padding.top() - stock.padding.top()) < kClose);
    QVERIFY(std::abs(m.padding.right() - stock.padding.right()) < kClose);
    QVERIFY(std::abs(m.padding.bottom() - stock.padding.bottom()) < kClose);
    QCOMPARE(m.sender, stock.senderPoints);
    QCOMPARE(m.recipient, stock.recipientPoints);
    // Sender lines, the empty lines, recipient lines, one empty line.
    QStringList lines;
    for (const Placeholder &placeholder : kPlaceholders) {
        if (placeholder.firstField == 7) {
            for (int i = 0; i < stock.emptyLines; ++i)
                lines << QStringLiteral("Standard:");
        }
        lines << QString::fromLatin1(placeholder.firstField <= 6 ? kSenderStyle : kRecipientStyle) + u':'
                + QLatin1String(placeholder.phrase);
    }
    lines << QStringLiteral("Standard:");
    for (const QStringList &cell : std::as_const(m.cellLines))
        QCOMPARE(cell, lines);
}

} // namespace

class tst_LabelStock : public QObject
{
    Q_OBJECT

private slots:
    // Each record holds the published geometry (paper, grid, every label's
    // corner and size), is found by a product number, and its made
    // template says the same as the record.
    void recordsHoldThePublishedGeometry_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(kPublishedStocks.size()); ++i)
            QTest::newRow(kPublishedStocks[size_t(i)].name) << i;
    }
    void recordsHoldThePublishedGeometry()
    {
        QFETCH(int, index);
        const PublishedStock &published = kPublishedStocks[size_t(index)];
        const LabelStock *stock = FindStock(QString::fromLatin1(published.name));
        QVERIFY(stock);
        QCOMPARE(FindStock(QString::fromLatin1(published.product)), stock);
        const auto close = [](QRectF a, QRectF b) {
            return std::abs(a.left() - b.left()) < 0.3 && std::abs(a.top() - b.top()) < 0.3
                && std::abs(a.width() - b.width()) < 0.3 && std::abs(a.height() - b.height()) < 0.3;
        };
        QVERIFY(close(QRectF(QPointF(), stock->paper), QRectF(QPointF(), published.paper())));
        QCOMPARE(stock->columns, published.columns);
        QCOMPARE(stock->rows, published.rows);
        for (int label = 1; label <= stock->labels(); ++label) {
            QVERIFY2(close(stock->labelRect(label), published.label(label)), qPrintable(QString::number(label)));
            QCOMPARE(stock->labelAt(published.label(label).center()), label);
        }
        QVERIFY(stock->smallestPoints < stock->senderPoints && stock->senderPoints <= stock->recipientPoints);
        compareWithRecord(measure(StockTemplateXml(*stock)), *stock);
    }

    void namesAreUniqueAndUnknownOnesFound()
    {
        QCOMPARE(LabelStocks().size(), qsizetype(kPublishedStocks.size()));
        QCOMPARE(&DefaultStock(), &LabelStocks().first());
        QCOMPARE(DefaultStock().name, QStringLiteral("5164"));
        // No name or product number names two stocks.
        QHash<QString, const LabelStock *> owner;
        for (const LabelStock &stock : LabelStocks()) {
            const QStringList keys = QStringList(stock.products) << stock.name;
            for (const QString &key : keys) {
                QCOMPARE(FindStock(key), &stock);
                const QString number = key.section(u' ', -1).toLower();
                QVERIFY2(owner.value(number, &stock) == &stock, qPrintable(key));
                owner.insert(number, &stock);
            }
        }
        QCOMPARE(FindStock(QStringLiteral("5165")), nullptr);
        QCOMPARE(FindStock(QString()), nullptr);
    }

    // The built-in Word template is made from resources/template.fodt: that
    // source and the default record must agree.
    void defaultStockIsTheBuiltInTemplate()
    {
        QFile source(QStringLiteral(PARCELON_TEMPLATE_SOURCE));
        QVERIFY(source.open(QIODevice::ReadOnly));
        compareWithRecord(measure(source.readAll()), DefaultStock());
    }
};

PARCELON_TEST_MAIN(tst_LabelStock)
#include "tst_labelstock.moc"

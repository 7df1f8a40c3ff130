#include "labels/StockTemplate.h"

#include "resources/Resources.h"

namespace {

QByteArray pt(double points)
{
    return QByteArray::number(points, 'f', 3) + "pt";
}

QByteArray escaped(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

// The paragraph the office needs after a table takes this much room below
// it: the last row is made that much shorter when the labels reach the
// paper's bottom edge, or it would start a page of its own.
constexpr double kRoomAfterTable = 3.0;

QByteArray labelCell(const LabelStock &stock)
{
    QByteArray cell = "<table:table-cell table:style-name=\"LabelCell\" office:value-type=\"string\">";
    const auto line = [&](const char *style, const char *phrase) {
        cell += QByteArray("<text:p text:style-name=\"") + style + "\">" + phrase + "</text:p>";
    };
    for (const Placeholder &placeholder : kPlaceholders) {
        if (placeholder.firstField > 6)
            break;
        line(kSenderStyle, placeholder.phrase);
    }
    for (int i = 0; i < stock.emptyLines; ++i)
        cell += "<text:p text:style-name=\"Standard\"/>";
    for (const Placeholder &placeholder : kPlaceholders) {
        if (placeholder.firstField > 6)
            line(kRecipientStyle, placeholder.phrase);
    }
    cell += "<text:p text:style-name=\"Standard\"/></table:table-cell>";
    return cell;
}

} // namespace

QString TemplateFileName(const LabelStock &stock)
{
    return stock.isDefault() ? QString::fromLatin1(kTemplateFileName)
                             : QStringLiteral("template-%1.fodt").arg(stock.name);
}

StockTemplate TemplateOf(const LabelStock &stock)
{
    return {stock.isDefault() ? TemplateBytes() : StockTemplateXml(stock), TemplateFileName(stock)};
}

QByteArray StockTemplateXml(const LabelStock &stock)
{
    const double gap = stock.pitch.width() - stock.label.width();
    const bool gapColumns = stock.columns > 1 && gap > 0.01;
    const double tableWidth = stock.columns * stock.label.width() + (stock.columns - 1) * std::max(gap, 0.0);
    const double right = std::max(0.0, stock.paper.width() - stock.origin.x() - tableWidth);
    double lastRow = stock.label.height();
    const double below = stock.paper.height() - stock.origin.y() - (stock.rows - 1) * stock.pitch.height() - lastRow;
    if (below < kRoomAfterTable)
        lastRow -= kRoomAfterTable - std::max(below, 0.0);
    const double bottom = std::max(0.0, below - kRoomAfterTable);

    QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:dc="http://purl.org/dc/elements/1.1/"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
<office:meta><dc:title>Shipping Labels, )"
        + escaped(stock.title) + "</dc:title><dc:description>" + escaped(stock.products.join(QStringLiteral(", ")))
        + R"(</dc:description></office:meta>
<office:font-face-decls><style:font-face style:name="Arial" svg:font-family="Arial" style:font-family-generic="swiss" style:font-pitch="variable"/></office:font-face-decls>
<office:styles>
<style:default-style style:family="paragraph"><style:paragraph-properties fo:hyphenation-ladder-count="no-limit" style:writing-mode="lr-tb"/><style:text-properties style:font-name="Arial" fo:font-size="10pt" fo:language="en" fo:country="US" fo:hyphenate="false" style:font-name-asian="Arial" style:font-size-asian="10pt" style:font-name-complex="Arial" style:font-size-complex="10pt"/></style:default-style>
<style:style style:name="Standard" style:family="paragraph" style:class="text"><style:paragraph-properties fo:margin-top="0pt" fo:margin-bottom="0pt" fo:margin-left="0pt" fo:margin-right="0pt" fo:text-indent="0pt" fo:orphans="2" fo:widows="2"/><style:text-properties style:font-name="Arial" fo:font-size="10pt"/></style:style>
<style:style style:name=")"
        + kSenderStyle
        + R"(" style:family="paragraph" style:parent-style-name="Standard" style:class="text"><style:paragraph-properties fo:margin-top="0pt" fo:margin-bottom="0pt" fo:margin-left="0pt"/><style:text-properties fo:font-size=")"
        + pt(stock.senderPoints) + R"(" fo:font-weight="normal"/></style:style>
<style:style style:name=")"
        + kRecipientStyle
        + R"(" style:family="paragraph" style:parent-style-name="Standard" style:class="text"><style:paragraph-properties fo:margin-top="0pt" fo:margin-bottom="1pt" fo:margin-left="43.2pt" fo:margin-right="0pt" fo:text-indent="0pt"/><style:text-properties fo:font-size=")"
        + pt(stock.recipientPoints) + R"(" fo:font-weight="bold"/></style:style>
</office:styles>
<office:automatic-styles>
<style:style style:name="LabelTable" style:family="table"><style:table-properties style:width=")"
        + pt(tableWidth)
        + R"(" table:align="left" fo:margin-left="0pt" fo:margin-top="0pt" fo:margin-bottom="0pt"/></style:style>
<style:style style:name="LabelColumn" style:family="table-column"><style:table-column-properties style:column-width=")"
        + pt(stock.label.width()) + R"("/></style:style>
<style:style style:name="GapColumn" style:family="table-column"><style:table-column-properties style:column-width=")"
        + pt(std::max(gap, 0.0)) + R"("/></style:style>
<style:style style:name="LabelRow" style:family="table-row"><style:table-row-properties style:row-height=")"
        + pt(stock.pitch.height()) + R"(" fo:keep-together="always"/></style:style>
<style:style style:name="LastLabelRow" style:family="table-row"><style:table-row-properties style:row-height=")"
        + pt(lastRow) + R"(" fo:keep-together="always"/></style:style>
<style:style style:name="LabelCell" style:family="table-cell"><style:table-cell-properties style:vertical-align="top" fo:padding-top=")"
        + pt(stock.padding.top()) + "\" fo:padding-bottom=\"" + pt(stock.padding.bottom()) + "\" fo:padding-left=\""
        + pt(stock.padding.left()) + "\" fo:padding-right=\"" + pt(stock.padding.right())
        + R"(" fo:border="none"/></style:style>
<style:style style:name="SpacerCell" style:family="table-cell"><style:table-cell-properties style:vertical-align="top" fo:padding="0pt" fo:border="none"/></style:style>
<style:style style:name="AfterTable" style:family="paragraph" style:parent-style-name="Standard"><style:text-properties fo:font-size="1pt"/></style:style>
<style:page-layout style:name="LabelPage"><style:page-layout-properties fo:page-width=")"
        + pt(stock.paper.width()) + "\" fo:page-height=\"" + pt(stock.paper.height())
        + "\" style:print-orientation=\"portrait\" fo:margin-left=\"" + pt(stock.origin.x()) + "\" fo:margin-right=\""
        + pt(right) + "\" fo:margin-top=\"" + pt(stock.origin.y()) + "\" fo:margin-bottom=\"" + pt(bottom)
        + R"("/></style:page-layout>
</office:automatic-styles>
<office:master-styles><style:master-page style:name="Standard" style:page-layout-name="LabelPage"/></office:master-styles>
<office:body><office:text><table:table table:name="Labels" table:style-name="LabelTable">)";
    for (int column = 0; column < stock.columns; ++column) {
        if (column > 0 && gapColumns)
            xml += "<table:table-column table:style-name=\"GapColumn\"/>";
        xml += "<table:table-column table:style-name=\"LabelColumn\"/>";
    }
    const QByteArray cell = labelCell(stock);
    for (int row = 0; row < stock.rows; ++row) {
        xml += QByteArray("<table:table-row table:style-name=\"") + (row + 1 < stock.rows ? "LabelRow" : "LastLabelRow")
            + "\">";
        for (int column = 0; column < stock.columns; ++column) {
            if (column > 0 && gapColumns)
                xml += "<table:table-cell table:style-name=\"SpacerCell\" office:value-type=\"string\">"
                       "<text:p text:style-name=\"Standard\"/></table:table-cell>";
            xml += cell;
        }
        xml += "</table:table-row>";
    }
    xml += "</table:table><text:p text:style-name=\"AfterTable\"/></office:text></office:body></office:document>\n";
    return xml;
}

#pragma once

#include "labels/LabelStock.h"

#include <QByteArray>
#include <QString>

// The label template of a stock: the document whose table has one cell per
// label, each holding the placeholder phrases, that sheets are filled from.

// The built-in Word template's name in the temporary folder.
inline constexpr char kTemplateFileName[] = "template.dot";

struct StockTemplate
{
    QByteArray bytes;
    QString fileName; // the name it is opened under (its extension names the format)
};

// The default stock's template is the built-in Word template (its
// documents stay exactly as they always were); every other stock's is made
// from its record (StockTemplateXml). Throws Failure when the built-in
// template cannot be read.
StockTemplate TemplateOf(const LabelStock &stock);

// The name TemplateOf gives it: "template.dot", "template-4x6.fodt" ...
QString TemplateFileName(const LabelStock &stock);

// A stock's template as flat OpenDocument XML: the page is the stock's
// paper, its margins put the table's corner on the first label, the table's
// columns and rows are the labels (narrow columns between them where the
// labels have gaps), each row as high as the pitch down, and every label
// cell holds the sender's and the recipient's placeholder lines in the
// stock's text sizes.
QByteArray StockTemplateXml(const LabelStock &stock);

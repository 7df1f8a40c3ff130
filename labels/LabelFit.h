#pragma once

#include "core/Failure.h"
#include "labels/LabelPlan.h"
#include "labels/LabelStock.h"

#include <QByteArray>
#include <QList>

// Whether every line of every label lies inside its label, read from the
// office's own layout: the PDF of the filled sheets gives each line's
// position. A label whose text is too long for it is shrunk in small steps;
// what still does not fit is refused rather than printed cut.

// The text sizes a label steps through, largest first: the recipient's lines
// (the stock's size first, 15 pt on the default stock) and, at each step,
// the sender's (never larger than the recipient's), down to the stock's
// smallest size in equal steps (a point a step on the default stock).
struct LabelTextSize
{
    double recipientPoints = 15.0;
    double senderPoints = 9.0;
};
inline constexpr int kLabelTextSteps = 9;
// 0 (as the template has it) .. kLabelTextSteps - 1
LabelTextSize LabelTextSizeAt(const LabelStock &stock, int step);

// A label whose text does not lie whole inside it.
struct CutLabel
{
    qsizetype sheet = 1; // from 1
    int label = 1;       // 1.. in reading order
    int field = 0;       // the field (1..12, 13 the country line) to shorten: the one that takes the most lines
};

// The labels of `sheets` (page k of the PDF is sheet k, laid out on
// `stock`) whose text is not shown whole inside the label. Throws Failure
// when the PDF cannot be read.
QList<CutLabel> FindCutLabels(const QByteArray &pdf, const QList<SheetLabels> &sheets,
                              const LabelStock &stock = DefaultStock());

// Thrown when labels still do not fit at the smallest text size: nothing is
// written. description() names the first label and its field.
class LabelsCutOff : public Failure
{
public:
    LabelsCutOff(const QString &description, QList<CutLabel> labels)
        : Failure(description)
        , m_labels(std::move(labels))
    {
    }
    const QList<CutLabel> &labels() const { return m_labels; }

private:
    QList<CutLabel> m_labels;
};

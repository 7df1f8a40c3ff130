#include "labels/LabelPlan.h"

#include <algorithm>

qsizetype LabelsTaken(qsizetype addresses, LabelPlacement placement)
{
    return addresses * placement.copies;
}

qsizetype SheetsTaken(qsizetype addresses, LabelPlacement placement)
{
    const qsizetype labels = LabelsTaken(addresses, placement);
    if (labels == 0)
        return 0;
    const qsizetype used = placement.start - 1 + labels;
    return (used + placement.labelsPerSheet - 1) / placement.labelsPerSheet;
}

LabelPosition PositionOfLabel(qsizetype k, LabelPlacement placement)
{
    const qsizetype slot = placement.start - 1 + k;
    return {slot / placement.labelsPerSheet + 1, int(slot % placement.labelsPerSheet) + 1};
}

qsizetype AddressAtLabel(LabelPosition position, LabelPlacement placement, qsizetype addresses)
{
    const qsizetype k = (position.sheet - 1) * placement.labelsPerSheet + position.label - placement.start;
    return std::clamp<qsizetype>(k / placement.copies, 0, addresses - 1);
}

QList<SheetLabels> PlanSheets(const QList<QStringList> &addresses, LabelPlacement placement)
{
    QList<SheetLabels> sheets(SheetsTaken(addresses.size(), placement), SheetLabels(placement.labelsPerSheet));
    qsizetype k = 0;
    for (const QStringList &fields : addresses) {
        for (int copy = 0; copy < placement.copies; ++copy, ++k) {
            const LabelPosition at = PositionOfLabel(k, placement);
            sheets[at.sheet - 1][at.label - 1] = fields;
        }
    }
    return sheets;
}

bool IsValidPlacement(LabelPlacement placement)
{
    return placement.start >= 1 && placement.start <= placement.labelsPerSheet && placement.copies >= 1
        && placement.copies <= kMaxCopies;
}

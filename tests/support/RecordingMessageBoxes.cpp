#include "tests/support/RecordingMessageBoxes.h"

#include "core/Procedure.h"

BoxAnswer RecordingMessageBoxes::show(const QString &text, const QString &title, BoxStyle style)
{
    m_boxes.append({text, title, style});
    if (style != BoxStyle::YesNo)
        return BoxAnswer::Ok;
    return m_answers.isEmpty() ? BoxAnswer::Yes : m_answers.takeFirst();
}

QList<RecordingMessageBoxes::Box> RecordingMessageBoxes::errorReports() const
{
    QList<Box> reports;
    for (const Box &box : m_boxes)
        if (box.title == QLatin1String(kErrorBoxTitle))
            reports.append(box);
    return reports;
}

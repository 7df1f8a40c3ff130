#pragma once

#include "core/MessageBoxes.h"

#include <QList>
#include <QString>

// Records every box instead of showing it; answers Yes/No questions from a
// script (Yes when the script has run out).
class RecordingMessageBoxes : public MessageBoxes
{
public:
    struct Box
    {
        QString text;
        QString title;
        BoxStyle style;
    };

    BoxAnswer show(const QString &text, const QString &title, BoxStyle style) override;

    void scriptAnswers(const QList<BoxAnswer> &answers) { m_answers = answers; }
    const QList<Box> &boxes() const { return m_boxes; }
    void clear() { m_boxes.clear(); }
    // The boxes titled "Application Error".
    QList<Box> errorReports() const;

private:
    QList<Box> m_boxes;
    QList<BoxAnswer> m_answers;
};

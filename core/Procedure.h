#pragma once

#include <QString>
#include <functional>

class MessageBoxes;

// The step-numbered error convention. A reporting procedure runs each of its
// actions through step(): a failure is shown in the one "Application Error"
// box with the procedure's location tag and the step number, and the
// procedure carries on with its next action. Called procedures without
// handling of their own simply throw, so their failures are reported with the
// caller's tag and step.
class Procedure
{
public:
    Procedure(MessageBoxes &boxes, QString locationTag);

    // Runs one action under the given step number. Returns false when it failed
    // (after the report), so that a caller can skip what depended on it.
    bool step(int number, const std::function<void()> &action);

    int currentStep() const { return m_step; }
    const QString &locationTag() const { return m_tag; }

private:
    MessageBoxes &m_boxes;
    QString m_tag;
    int m_step = 0;
};

inline constexpr char kErrorBoxTitle[] = "Application Error";

// Description, CR LF, tag, "at line ", step, CR CR, the e-mail request.
QString composeErrorMessage(const QString &description, const QString &locationTag, int step);

// Shows one composed report (warning icon, OK).
void reportFailure(MessageBoxes &boxes, const QString &description, const QString &locationTag, int step);

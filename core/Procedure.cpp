#include "core/Procedure.h"

#include "core/AppInfo.h"
#include "core/Failure.h"
#include "core/MessageBoxes.h"

#include <exception>

Procedure::Procedure(MessageBoxes &boxes, QString locationTag)
    : m_boxes(boxes)
    , m_tag(std::move(locationTag))
{
}

bool Procedure::step(int number, const std::function<void()> &action)
{
    m_step = number;
    QString description;
    try {
        action();
        return true;
    } catch (const Failure &failure) {
        description = failure.description();
    } catch (const std::exception &error) {
        description = QString::fromUtf8(error.what());
    } catch (...) {
        description = QStringLiteral("Unknown error");
    }
    reportFailure(m_boxes, description, m_tag, m_step);
    return false;
}

QString composeErrorMessage(const QString &description, const QString &locationTag, int step)
{
    return description + QStringLiteral("\r\n") + locationTag + QStringLiteral("at line ") + QString::number(step)
        + QStringLiteral("\r\r") + QStringLiteral("Please email screenshot of this message to ")
        + QString::fromLatin1(AppInfo::kSupportAddress);
}

void reportFailure(MessageBoxes &boxes, const QString &description, const QString &locationTag, int step)
{
    boxes.show(composeErrorMessage(description, locationTag, step), QString::fromLatin1(kErrorBoxTitle),
               BoxStyle::Warning);
}

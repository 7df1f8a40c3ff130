#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The one exception type of the program: every failure that a reporting
// procedure catches carries a human-readable description for the report.
class Failure : public std::exception
{
public:
    explicit Failure(QString description);

    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    QByteArray m_utf8;
};

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The settings file's ini form as QSettings reads and writes it, seen from
// the one section the store owns: the values of its keys, and the file with
// one key set, every byte outside that key's line left as it was.
class SettingsIni
{
public:
    SettingsIni(const QByteArray &data, const QString &section);

    // Why the bytes are no settings file that may be changed: a zero byte, a
    // section name without its closing bracket, a line of the section that is
    // no setting, a quotation mark never closed. Empty when they are fine.
    QString damage() const { return m_damage; }

    // The key's value, as QSettings reads a string except that a bare comma
    // is text, not a list separator; nothing when the key is missing.
    std::optional<QString> value(const QString &key) const;

    // The bytes with the key set to the value: its line replaced (the last
    // one, which QSettings reads), or added at the end of the section, or in
    // a new section at the end of the file.
    QByteArray withValue(const QString &key, const QString &value) const;

private:
    struct KeyLine
    {
        QString key;
        qsizetype start;
        qsizetype end;
        qsizetype equals;
    };
    const KeyLine *find(const QString &key) const;

    QByteArray m_data;
    QString m_section;
    QList<KeyLine> m_keys;     // of every section of that name, in file order
    qsizetype m_insertAt = -1; // the end of the section's last row
    QByteArray m_eol = "\n";
    QString m_damage;
};

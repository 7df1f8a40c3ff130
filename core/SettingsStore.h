#pragma once

#include <QMap>
#include <QString>

#include <optional>

// The per-user store of the twelve address fields: section [Parcelon] of
// ~/.config/Quillmark/Quillmark.conf (XDG_CONFIG_HOME honoured), in the ini
// form QSettings reads and writes. The vendor's other products keep their
// own sections in the same file, so a write changes the lines of the keys it
// writes and no other byte, under QSettings' own lock file.
class SettingsStore
{
public:
    SettingsStore();

    // The stored string, the empty string when an empty one is stored, the
    // default when the key is missing or the file cannot be read.
    QString read(const QString &key, const QString &defaultValue);

    // The stored string of a key the program only reads (a switch the user
    // sets), none when it is missing or the file cannot be read. Unlike
    // read(), it is never written back.
    std::optional<QString> peek(const QString &key) const;

    // Stores the value at once, together with any earlier value that could
    // not be stored yet, so a killed program keeps the last keystroke. Every
    // other key this run has read or written and finds missing from the file
    // (emptied or rewritten by another program meanwhile) goes back in with
    // the value the program holds, so the file never keeps only some of
    // them; a key another program changed is left as it wrote it.
    // Returns false when the file was not written; lastError() says why.
    bool write(const QString &key, const QString &value);

    QString fileName() const { return m_fileName; }

    // Why the file is left alone for the rest of the run: it could not be
    // read, or it holds something other than settings. Empty while in use.
    QString unusableReason() const { return m_unusable; }

    QString lastError() const { return m_lastError; }

private:
    QString store();

    QString m_fileName;
    QString m_unusable;
    QString m_lastError;
    QMap<QString, QString> m_pending; // handed to write() but not in the file yet
    QMap<QString, QString> m_held;    // every key read or written, as the program holds it
    int m_lockWaitMs;
};

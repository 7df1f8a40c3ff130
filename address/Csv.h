#pragma once

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QStringList>

class QIODevice;

// One record of a CSV file and the line of the file it starts on (from 1).
struct CsvRecord
{
    int line = 0;
    QStringList fields;
};

// Reads delimited text as spreadsheets and shops write it, one record at a
// time, so a list of any length is never held whole. Fields are separated by
// the comma, semicolon or tab that the first line with text uses most (a
// comma when it uses none), or the one an Excel "sep=X" first line names;
// blank and separator-only lines before it read as one empty field; records by CR LF, LF or CR; a field in double
// quotes may hold delimiters, line breaks (returned as one LF) and doubled quotes, as RFC 4180 describes. The text is
// UTF-8 with or without a byte-order mark, UTF-16 with one, and otherwise Windows-1252 (see fellBackToWindows1252).
// Every failure is a Failure naming the line: "line 7: ...".
class CsvReader
{
public:
    // No address comes near this; it bounds what one record can take.
    static constexpr qsizetype kMaxRecordBytes = 64 * 1024;

    explicit CsvReader(QIODevice &device);

    // The next record; false after the last.
    bool next(CsvRecord &record);

    QChar delimiter() const { return m_delimiter; }
    // The text is not UTF-8 and was read as Windows-1252 (which any byte is).
    bool fellBackToWindows1252() const { return m_encoding == Encoding::Windows1252; }

private:
    enum class Encoding { Utf8, Utf16LE, Utf16BE, Windows1252 };

    bool readLine(QString &line);
    bool readLineBytes(QByteArray &line);
    bool fill(qsizetype needed);
    QString decode(const QByteArray &bytes);
    char16_t unitAt(qsizetype at) const;

    QIODevice &m_device;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_atEnd = false;
    bool m_started = false;
    bool m_hadBom = false;
    bool m_sawNonAscii = false;
    Encoding m_encoding = Encoding::Utf8;
    QChar m_delimiter;
    int m_line = 0;              // of the last line read
    int m_recordStart = 1;       // the line the record being read starts on
    qsizetype m_recordBytes = 0; // of the record being read
};

// SPDX-License-Identifier: GPL-2.0-or-later
// Comma-separated text as RFC 4180 defines it: fields separated by commas,
// records by CR LF, a field holding a comma, quote or line break enclosed in
// quotes with its quotes doubled.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace Quillon {

// Reads one record after the other. Records may also end in a bare LF; a
// line break inside quotes belongs to the field, exactly as written.
class CsvReader
{
public:
    explicit CsvReader(const QString& text);

    // The next record's fields; false at the end of the text or on a
    // malformed record (error() says which and why, nothing is returned).
    bool next(QStringList& fields);
    bool atEnd() const { return m_pos >= m_text.size(); }
    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }
    // 1-based line on which the record last returned (or refused) begins.
    int recordLine() const { return m_recordLine; }

private:
    QString m_text; // shared, not copied
    qsizetype m_pos = 0;
    int m_line = 1;
    int m_recordLine = 0;
    QString m_error;
};

// Appends one record, ended by CR LF, in UTF-8.
void appendCsvRecord(QByteArray& out, const QStringList& fields);

// A text file's bytes as text: UTF-8 when they are valid UTF-8, otherwise
// one character per byte (files written by older programs); a UTF-8
// byte-order mark is dropped.
QString decodeTextFile(const QByteArray& bytes);

} // namespace Quillon

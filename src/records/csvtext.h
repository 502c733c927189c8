// SPDX-License-Identifier: GPL-2.0-or-later
// Comma-separated text as RFC 4180 defines it: fields separated by commas,
// records by CR LF, a field holding a comma, quote or line break enclosed in
// quotes with its quotes doubled.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

class QIODevice;

namespace Quillon {

// A text file's text a block at a time, so that a large file is never held
// whole, decoded as decodeTextFile() decodes the whole file.
class TextSource
{
public:
    // Reads device from its current position; a device that can seek is read
    // through once first to learn whether it is all UTF-8.
    explicit TextSource(QIODevice& device, qsizetype blockBytes = qsizetype(1) << 20);
    Q_DISABLE_COPY_MOVE(TextSource)

    // Appends at least about atLeastBytes of the file's text to out; false,
    // with nothing appended, at the end of the file.
    bool read(QString& out, qsizetype atLeastBytes = 0);
    // Handed back by the next read, before anything else.
    void unread(const QString& text) { m_pending = text + m_pending; }
    QString error() const { return m_error; }

private:
    QIODevice& m_device;
    qsizetype m_blockBytes;
    QStringDecoder m_decoder;
    bool m_started = false; // the byte-order mark has been looked for
    QString m_pending;
    QString m_error;
};

// Reads one record after the other. Records may also end in a bare LF; a
// line break inside quotes belongs to the field, exactly as written.
class CsvReader
{
public:
    explicit CsvReader(const QString& text);
    // Holds only the records being read, not the whole text.
    explicit CsvReader(TextSource& source);

    // The next record's fields; false at the end of the text or on a
    // malformed record (error() says which and why, nothing is returned).
    bool next(QStringList& fields);
    bool atEnd() const { return m_pos >= m_text.size() && !m_source; }
    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }
    // 1-based line on which the record last returned (or refused) begins.
    int recordLine() const { return m_recordLine; }

private:
    enum class Parsed
    {
        Record,
        Failed,
        NeedMore
    };
    Parsed parse(QStringList& fields);

    TextSource* m_source = nullptr; // null once it has given all its text
    QString m_text; // shared, not copied, when given whole
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

// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/csvtext.h"

#include <QStringDecoder>

namespace Quillon {

CsvReader::CsvReader(const QString& text)
    : m_text(text)
{ }

/*!
 * Reads the record at the current position. Strict where RFC 4180 is: a
 * quote inside an unquoted field, text after a closing quote and a quote
 * left open are errors, because guessing there could shift every later
 * field into the wrong column.
 */
bool CsvReader::next(QStringList& fields)
{
    fields.clear();
    if (failed() || atEnd())
        return false;
    m_recordLine = m_line;
    const qsizetype size = m_text.size();
    QString field;
    for (;;) {
        field.clear();
        if (m_pos < size && m_text[m_pos] == u'"') {
            const int quoteLine = m_line;
            ++m_pos;
            for (;;) {
                const qsizetype quote = m_text.indexOf(u'"', m_pos);
                if (quote < 0) {
                    m_error = QStringLiteral("a quoted field opened on line %1 is never closed").arg(quoteLine);
                    fields.clear();
                    return false;
                }
                const QStringView part = QStringView(m_text).mid(m_pos, quote - m_pos);
                m_line += static_cast<int>(part.count(u'\n'));
                field += part;
                m_pos = quote + 1;
                if (m_pos < size && m_text[m_pos] == u'"') {
                    field += u'"';
                    ++m_pos;
                    continue;
                }
                break;
            }
            if (m_pos < size && m_text[m_pos] != u',' && m_text[m_pos] != u'\n' && m_text[m_pos] != u'\r') {
                m_error = QStringLiteral("text follows a closing quote on line %1").arg(m_line);
                fields.clear();
                return false;
            }
        } else {
            const qsizetype start = m_pos;
            while (m_pos < size) {
                const QChar c = m_text[m_pos];
                if (c == u',' || c == u'\n' || c == u'\r')
                    break;
                if (c == u'"') {
                    m_error = QStringLiteral("a quote inside an unquoted field on line %1").arg(m_line);
                    fields.clear();
                    return false;
                }
                ++m_pos;
            }
            field = m_text.mid(start, m_pos - start);
        }
        fields.append(field);
        if (m_pos >= size)
            return true;
        const QChar separator = m_text[m_pos++];
        if (separator == u',')
            continue;
        // End of record: CR LF, LF, or a lone CR.
        if (separator == u'\r' && m_pos < size && m_text[m_pos] == u'\n')
            ++m_pos;
        ++m_line;
        return true;
    }
}

void appendCsvRecord(QByteArray& out, const QStringList& fields)
{
    bool first = true;
    for (const QString& field : fields) {
        if (!first)
            out += ',';
        first = false;
        // A leading U+FEFF at the start of the file would be read back as the
        // file's byte-order mark and dropped; quoted, it stays part of the field.
        bool quote = field.startsWith(QChar(0xFEFF));
        for (const QChar c : field) {
            if (c == u',' || c == u'"' || c == u'\n' || c == u'\r') {
                quote = true;
                break;
            }
        }
        if (!quote) {
            out += field.toUtf8();
            continue;
        }
        out += '"';
        QString doubled = field;
        doubled.replace(u'"', QStringLiteral("\"\""));
        out += doubled.toUtf8();
        out += '"';
    }
    out += "\r\n";
}

QString decodeTextFile(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(view);
}

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/csvtext.h"

#include <QIODevice>

namespace Quillon {

namespace {

// How much of bytes ends on a whole UTF-8 sequence.
qsizetype wholeSequences(QByteArrayView bytes)
{
    for (qsizetype back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto c = static_cast<uchar>(bytes[bytes.size() - back]);
        if ((c & 0xC0) == 0x80)
            continue;
        const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return length > back ? bytes.size() - back : bytes.size();
    }
    return bytes.size();
}

// Whether the rest of the device is UTF-8, as decodeTextFile() judges it:
// blocks cut between sequences, a sequence cut off by the end an error.
bool isUtf8(QIODevice& device, qsizetype blockBytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QByteArray carried;
    for (;;) {
        const QByteArray block = device.read(blockBytes);
        carried += block;
        const qsizetype whole = block.isEmpty() ? carried.size() : wholeSequences(carried);
        [[maybe_unused]] const QString text = utf8.decode(QByteArrayView(carried).first(whole));
        if (utf8.hasError())
            return false;
        carried.remove(0, whole);
        if (block.isEmpty())
            return true;
    }
}

} // namespace

TextSource::TextSource(QIODevice& device, qsizetype blockBytes)
    : m_device(device)
    , m_blockBytes(qMax<qsizetype>(blockBytes, 1))
    , m_decoder(QStringDecoder::Utf8)
{
    if (device.isSequential())
        return;
    const qint64 start = device.pos();
    if (!isUtf8(device, m_blockBytes))
        m_decoder = QStringDecoder(QStringDecoder::Latin1);
    if (!device.seek(start))
        m_error = device.errorString();
}

bool TextSource::read(QString& out, qsizetype atLeastBytes)
{
    if (!m_pending.isEmpty()) {
        out += m_pending;
        m_pending.clear();
        return true;
    }
    if (!m_error.isEmpty())
        return false;
    QByteArray block = m_device.read(qMax(atLeastBytes, m_blockBytes));
    if (block.isEmpty()) {
        // A file that ends early is a read that failed, never a short list.
        if (!m_device.isSequential() && !m_device.atEnd())
            m_error = m_device.errorString();
        return false;
    }
    QByteArrayView view(block);
    if (!m_started) {
        // The mark may be split over the first reads of a slow device.
        while (view.size() < 3 && QByteArrayView("\xEF\xBB\xBF").startsWith(view)) {
            const QByteArray more = m_device.read(m_blockBytes);
            if (more.isEmpty())
                break;
            block += more;
            view = QByteArrayView(block);
        }
        m_started = true;
        if (view.startsWith("\xEF\xBB\xBF"))
            view = view.sliced(3);
    }
    out += m_decoder.decode(view);
    return true;
}

CsvReader::CsvReader(const QString& text)
    : m_text(text)
{ }

CsvReader::CsvReader(TextSource& source)
    : m_source(&source)
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
    if (m_source && m_pos >= m_text.size()) {
        m_text.clear();
        m_pos = 0;
        if (!m_source->read(m_text))
            m_source = nullptr;
    }
    if (failed() || atEnd())
        return false;
    const int line = m_line;
    for (;;) {
        const qsizetype start = m_pos;
        m_recordLine = line;
        const Parsed parsed = parse(fields);
        if (parsed != Parsed::NeedMore)
            return parsed == Parsed::Record;
        // The record runs past the text read so far: read it again with
        // more, at least doubling what is held so that a long record is
        // read again only a few times.
        m_text.remove(0, start);
        m_pos = 0;
        m_line = line;
        if (!m_source->read(m_text, m_text.size()))
            m_source = nullptr;
    }
}

CsvReader::Parsed CsvReader::parse(QStringList& fields)
{
    fields.clear();
    const qsizetype size = m_text.size();
    // Whether the text read so far ends where more could change the record.
    const auto cut = [this, size] { return m_source && m_pos >= size; };
    QString field;
    for (;;) {
        field.clear();
        if (m_pos < size && m_text[m_pos] == u'"') {
            const int quoteLine = m_line;
            ++m_pos;
            for (;;) {
                const qsizetype quote = m_text.indexOf(u'"', m_pos);
                if (quote < 0 && m_source)
                    return Parsed::NeedMore;
                if (quote < 0) {
                    m_error = QStringLiteral("a quoted field opened on line %1 is never closed").arg(quoteLine);
                    fields.clear();
                    return Parsed::Failed;
                }
                const QStringView part = QStringView(m_text).mid(m_pos, quote - m_pos);
                m_line += static_cast<int>(part.count(u'\n'));
                field += part;
                m_pos = quote + 1;
                if (cut())
                    return Parsed::NeedMore;
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
                return Parsed::Failed;
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
                    return Parsed::Failed;
                }
                ++m_pos;
            }
            if (cut())
                return Parsed::NeedMore;
            field = m_text.mid(start, m_pos - start);
        }
        fields.append(field);
        if (m_pos >= size)
            return Parsed::Record;
        const QChar separator = m_text[m_pos++];
        if (separator == u',')
            continue;
        // End of record: CR LF, LF, or a lone CR.
        if (separator == u'\r' && cut())
            return Parsed::NeedMore;
        if (separator == u'\r' && m_pos < size && m_text[m_pos] == u'\n')
            ++m_pos;
        ++m_line;
        return Parsed::Record;
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

// SPDX-License-Identifier: GPL-2.0-or-later
#include "network/ncidline.h"

#include <QStringDecoder>

#include <algorithm>
#include <iterator>

namespace Quillon {

namespace {

// Longest value the program sends in one pair: names and numbers are short,
// and a line must stay well inside every peer's bound.
constexpr qsizetype maxValueChars = 256;

struct KnownType
{
    QLatin1StringView type;
    NcidLine::Kind kind;
};

constexpr KnownType knownTypes[] = {
    { QLatin1StringView("CID"), NcidLine::Kind::Call },
    { QLatin1StringView("HUP"), NcidLine::Kind::HungUp },
    { QLatin1StringView("CIDLOG"), NcidLine::Kind::CallLog },
    { QLatin1StringView("HUPLOG"), NcidLine::Kind::HungUpLog },
    { QLatin1StringView("MSG"), NcidLine::Kind::Message },
    { QLatin1StringView("MSGLOG"), NcidLine::Kind::MessageLog },
    { QLatin1StringView("CIDINFO"), NcidLine::Kind::RingInfo },
    { QLatin1StringView("HELLO"), NcidLine::Kind::Hello },
};

bool isTypeChar(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'-';
}

constexpr QLatin1StringView knownLabels[] = {
    QLatin1StringView("DATE"), QLatin1StringView("TIME"), QLatin1StringView("LINE"),  QLatin1StringView("NMBR"),
    QLatin1StringView("MESG"), QLatin1StringView("NAME"), QLatin1StringView("MTYPE"), QLatin1StringView("RING"),
};

// Where a label may stand: a known label, or a word in capitals and digits
// (a label from a newer peer). Anything else there is part of the value
// before it, which itself held a '*' ("*NMBR**67*": the number is "*67").
bool isLabel(QStringView token)
{
    if (std::find(std::begin(knownLabels), std::end(knownLabels), token) != std::end(knownLabels))
        return true;
    return !token.isEmpty() && token.size() <= 16 && token.front() >= u'A' && token.front() <= u'Z'
        && std::all_of(token.begin(), token.end(), [](QChar c) { return (c >= u'A' && c <= u'Z') || c.isDigit(); });
}

// "*L1*v1*L2*v2*": pairs by label, each value running to the next label. A
// label without a value (the text ends first) is dropped.
NcidFields parseFields(QStringView text)
{
    NcidFields fields;
    const qsizetype first = text.indexOf(u'*');
    if (first < 0)
        return fields;
    text = text.mid(first + 1);
    if (text.endsWith(u'*'))
        text.chop(1);
    const QList<QStringView> parts = text.split(u'*');
    qsizetype i = 0;
    while (i + 1 < parts.size()) {
        QString value = parts.at(i + 1).toString();
        qsizetype next = i + 2;
        for (; next < parts.size() && !isLabel(parts.at(next).trimmed()); ++next)
            value += u'*' + parts.at(next);
        fields.append({ parts.at(i).trimmed().toString(), value });
        i = next;
    }
    return fields;
}

// A '*' stays where no piece after it could be read as a label: star codes
// ("*67") and the like go out as the modem sent them, as other servers do.
// Elsewhere each '*' becomes a blank, so that the value cannot split.
QString cleanValue(QStringView value)
{
    QString clean = value.left(maxValueChars).toString();
    for (QChar& c : clean) {
        if (c == u'\r' || c == u'\n')
            c = u' ';
    }
    const QList<QStringView> pieces = QStringView(clean).split(u'*');
    if (std::any_of(pieces.begin() + 1, pieces.end(), [](QStringView piece) { return isLabel(piece.trimmed()); }))
        clean.replace(u'*', u' ');
    if (clean.trimmed().isEmpty())
        return QStringLiteral("-");
    return clean;
}

} // namespace

QString NcidLine::field(QStringView label, const QString& fallback) const
{
    for (const auto& [name, value] : fields) {
        if (name == label)
            return value;
    }
    return fallback;
}

QString ncidText(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

NcidLine decodeNcidLine(QByteArrayView bytes)
{
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    NcidLine line;
    const QString text = ncidText(bytes);
    if (text.isEmpty())
        return line;

    // "200 Server: ...": three digits, then a blank or nothing.
    if (text.size() >= 3 && text.at(0).isDigit() && text.at(1).isDigit() && text.at(2).isDigit()
        && (text.size() == 3 || text.at(3) == u' ')) {
        line.kind = NcidLine::Kind::Status;
        line.type = text.left(3);
        line.status = line.type.toInt();
        line.text = text.mid(4);
        return line;
    }

    line.kind = NcidLine::Kind::Other;
    const qsizetype colon = text.indexOf(u':');
    const bool gateway = text.startsWith(u'+');
    QStringView type = QStringView(text).left(colon).mid(gateway ? 1 : 0);
    if (colon < 0 || type.isEmpty() || type.size() > 16 || !std::all_of(type.begin(), type.end(), isTypeChar))
        return line;
    line.type = text.left(colon);
    QStringView rest = QStringView(text).mid(colon + 1);
    if (rest.startsWith(u' '))
        rest = rest.mid(1);
    line.text = rest.toString();
    if (gateway) {
        line.kind = NcidLine::Kind::Gateway;
        return line;
    }
    for (const KnownType& known : knownTypes) {
        if (type == known.type) {
            line.kind = known.kind;
            break;
        }
    }
    if (line.isCallKind() || line.kind == NcidLine::Kind::RingInfo) {
        line.fields = parseFields(rest);
    } else if (line.kind == NcidLine::Kind::Message || line.kind == NcidLine::Kind::MessageLog) {
        // "<text> ***DATE*...": the text ends where the pairs begin.
        const qsizetype pairs = rest.indexOf(u"***");
        if (pairs >= 0) {
            line.text = rest.left(pairs).trimmed().toString();
            line.fields = parseFields(rest.mid(pairs + 2));
        }
    }
    return line;
}

void NcidLineReader::append(QByteArrayView data)
{
    while (!data.isEmpty()) {
        const qsizetype lf = data.indexOf('\n');
        const QByteArrayView piece = lf < 0 ? data : data.first(lf + 1);
        data = lf < 0 ? QByteArrayView() : data.sliced(lf + 1);
        if (m_discarding) {
            m_discarding = lf < 0;
            continue;
        }
        // Room for the bound plus CR LF; what a longer line brought so far
        // goes, and the rest of it is skipped as it arrives.
        if (m_partial + piece.size() > m_maxLineBytes + 2) {
            m_buffer.chop(m_partial);
            m_partial = 0;
            ++m_dropped;
            m_discarding = lf < 0;
            continue;
        }
        m_buffer.append(piece);
        m_partial = lf < 0 ? m_partial + piece.size() : 0;
    }
}

bool NcidLineReader::next(QByteArray& line)
{
    for (;;) {
        const qsizetype lf = m_buffer.indexOf('\n', m_readPos);
        if (lf < 0) {
            m_buffer.remove(0, m_readPos);
            m_readPos = 0;
            return false;
        }
        line = m_buffer.mid(m_readPos, lf - m_readPos);
        m_readPos = lf + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() <= m_maxLineBytes)
            return true;
        ++m_dropped;
    }
}

QByteArray encodeNcidLine(QStringView type, const NcidFields& fields)
{
    QString text = type.toString() + QStringLiteral(": *");
    for (const auto& [label, value] : fields)
        text += label + u'*' + cleanValue(value) + u'*';
    return text.toUtf8() + '\n';
}

QByteArray encodeNcidStatus(int status, QStringView text)
{
    QString line = QString::number(status) + u' ' + text;
    for (QChar& c : line) {
        if (c == u'\r' || c == u'\n')
            c = u' ';
    }
    return line.toUtf8() + '\n';
}

QByteArray encodeNcidMessage(QStringView text, const QString& date, const QString& time)
{
    const QByteArray pairs = encodeNcidLine(QStringView(),
                                            { { QStringLiteral("DATE"), date },
                                              { QStringLiteral("TIME"), time },
                                              { QStringLiteral("NAME"), QString() },
                                              { QStringLiteral("NMBR"), QString() },
                                              { QStringLiteral("LINE"), QString() },
                                              { QStringLiteral("MTYPE"), QString() } })
                                 .mid(2); // " *DATE*...*\n"
    QString message = text.toString();
    for (QChar& c : message) {
        if (c == u'\r' || c == u'\n')
            c = u' ';
    }
    // A run of three stars would end the text early for every reader.
    while (message.contains(QStringLiteral("***")))
        message.replace(QStringLiteral("***"), QStringLiteral("**"));
    QByteArray head = QByteArrayLiteral("MSG: ") + message.toUtf8() + " **";
    while (head.size() + pairs.size() - 1 > ncidMaxLineBytes) {
        message.chop(qMax<qsizetype>(1, (head.size() + pairs.size() - 1 - ncidMaxLineBytes) / 4));
        head = QByteArrayLiteral("MSG: ") + message.toUtf8() + " **";
    }
    return head + pairs;
}

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
// One line of the caller-ID line protocol (NCID): what a peer sent, decoded,
// and the lines the program sends, encoded.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <utility>

namespace Quillon {

// Longest line taken from a peer, line end not counted. Longer lines are a
// fault of that peer and are dropped whole.
constexpr qsizetype ncidMaxLineBytes = 4096;

using NcidFields = QList<std::pair<QString, QString>>;

struct NcidLine
{
    enum class Kind
    {
        Blank, // a bare line end: keep-alive
        Call, // CID:
        HungUp, // HUP:
        CallLog, // CIDLOG:
        HungUpLog, // HUPLOG:
        Message, // MSG:
        MessageLog, // MSGLOG:
        RingInfo, // CIDINFO:
        Hello, // HELLO:
        Status, // "200 Server: ...", "250 End of call log" ...
        Gateway, // "+CID:" and the like: meant for servers only
        Other, // any other line
    };

    Kind kind = Kind::Blank;
    QString type; // as received: "CID", "+CID", "OPT", "210"; empty for Blank and unreadable lines
    int status = 0; // the number of a Status line
    QString text; // after the type: status text, message text, HELLO payload
    NcidFields fields; // *LABEL*value* pairs in the order received

    // The value of the first pair with this label; fallback when absent.
    QString field(QStringView label, const QString& fallback = QString()) const;
    bool isCallKind() const
    {
        return kind == Kind::Call || kind == Kind::HungUp || kind == Kind::CallLog || kind == Kind::HungUpLog;
    }
};

// Bytes as text: UTF-8 when they are valid UTF-8, Latin-1 otherwise.
QString ncidText(QByteArrayView bytes);

// One line without its LF; a trailing CR is dropped. Any bytes decode to
// something: what is not understood becomes Other.
NcidLine decodeNcidLine(QByteArrayView bytes);

// Cuts a byte stream into lines. A line that grows past ncidMaxLineBytes is
// thrown away up to its line end, so a peer cannot make the buffer grow.
class NcidLineReader
{
public:
    // A smaller bound lets the fuzzer reach over-long lines with short inputs.
    explicit NcidLineReader(qsizetype maxLineBytes = ncidMaxLineBytes)
        : m_maxLineBytes(maxLineBytes)
    { }
    void append(QByteArrayView data);
    // The next complete line without its LF; false when none is complete.
    bool next(QByteArray& line);
    qint64 droppedLines() const { return m_dropped; }

private:
    qsizetype m_maxLineBytes;
    QByteArray m_buffer;
    qsizetype m_readPos = 0; // lines before it were handed out
    qsizetype m_partial = 0; // bytes of the unfinished last line
    bool m_discarding = false;
    qint64 m_dropped = 0;
};

// "CID: *DATE*...*NAME*...*\n". Values lose CR, LF and '*' (each becomes a
// blank); an empty value is sent as "-".
QByteArray encodeNcidLine(QStringView type, const NcidFields& fields);
// "210 API 1.0 Feature Set 1\n"
QByteArray encodeNcidStatus(int status, QStringView text);
// "MSG: <text> ***DATE*...*MTYPE*-*\n", the text cut so that the line stays
// within ncidMaxLineBytes.
QByteArray encodeNcidMessage(QStringView text, const QString& date, const QString& time);

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
// The line protocol's text: decoding what peers send, cutting a byte stream into bounded lines, the lines sent.
#include "network/ncidcall.h"
#include "network/ncidline.h"

#include <QTest>

using namespace Quillon;
using namespace Qt::StringLiterals;

namespace {

const char* const kindNames[] = { "Blank",      "Call",     "HungUp", "CallLog", "HungUpLog", "Message",
                                  "MessageLog", "RingInfo", "Hello",  "Status",  "Gateway",   "Other" };

// "<kind> <type> <status> |<text>| L=v; ... => <call as the pipeline takes it>"
QString describe(const NcidLine& line)
{
    QStringList pairs;
    for (const auto& [label, value] : line.fields)
        pairs.append(label + u'=' + value);
    QString text = QString::fromLatin1(kindNames[int(line.kind)]) + u' ' + line.type + u' '
        + QString::number(line.status) + u" |"_s + line.text + u"| "_s + pairs.join(u"; "_s);
    if (line.isCallKind()) {
        const CidCall call = cidCallFromNcid(line);
        text += u" => "_s + QStringList { call.Date, call.Time, call.Number, call.Name }.join(u", "_s);
    }
    return text;
}

} // namespace

class TestNcidLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("decoded");
        const auto row = [](const char* tag, const QByteArray& bytes, const char* decoded) {
            QTest::newRow(tag) << bytes << QString::fromUtf8(decoded);
        };
        row("call", "CID: *DATE*12062026*TIME*0815*LINE*POTS*NMBR*5551234567*MESG*NONE*NAME*JOHN DOE*",
            "Call CID 0 |*DATE*12062026*TIME*0815*LINE*POTS*NMBR*5551234567*MESG*NONE*NAME*JOHN DOE*| DATE=12062026; "
            "TIME=0815; LINE=POTS; NMBR=5551234567; MESG=NONE; NAME=JOHN DOE => 12/06, 08:15, 5551234567, JOHN DOE");
        row("shuffled, unknown label, CR LF", "HUP: *NAME*JOHN DOE*FOO*bar*NMBR*555-1234*TIME*2359*DATE*01022027*\r",
            "HungUp HUP 0 |*NAME*JOHN DOE*FOO*bar*NMBR*555-1234*TIME*2359*DATE*01022027*| NAME=JOHN DOE; FOO=bar; "
            "NMBR=555-1234; TIME=2359; DATE=01022027 => 01/02, 23:59, 555-1234, JOHN DOE");
        row("log line, nothing to show, bad date", "CIDLOG: *DATE*1206*TIME*8:15*NMBR*-*NAME*  *",
            "CallLog CIDLOG 0 |*DATE*1206*TIME*8:15*NMBR*-*NAME*  *| DATE=1206; TIME=8:15; NMBR=-; NAME=   => NONE, "
            "NONE, UNKNOWN, UNKNOWN");
        row("pairs cut short", "HUPLOG: *DATE*12062026*NAME",
            "HungUpLog HUPLOG 0 |*DATE*12062026*NAME| DATE=12062026 => 12/06, NONE, UNKNOWN, UNKNOWN");
        row("gateway line", "+CID: *DATE*12062026*NMBR*666*", "Gateway +CID 0 |*DATE*12062026*NMBR*666*| ");
        row("status", "200 Server: ncid 1.0", "Status 200 200 |Server: ncid 1.0| ");
        row("status without text", "300", "Status 300 300 || ");
        row("message", "MSG: tea is ready ***DATE*12062026*TIME*0815*NAME*-*NMBR*-*LINE*-*MTYPE*-*",
            "Message MSG 0 |tea is ready| DATE=12062026; TIME=0815; NAME=-; NMBR=-; LINE=-; MTYPE=-");
        row("message without pairs", "MSG: a*b", "Message MSG 0 |a*b| ");
        row("ring info", "CIDINFO: *LINE*-*RING*2*TIME*08:15:02*",
            "RingInfo CIDINFO 0 |*LINE*-*RING*2*TIME*08:15:02*| LINE=-; RING=2; TIME=08:15:02");
        // A value runs to the next label: star codes and stars inside names survive.
        row("star code", "CID: *DATE*12062026*TIME*0815*LINE*-*NMBR**67*MESG*NONE*NAME*STAR CODE*",
            "Call CID 0 |*DATE*12062026*TIME*0815*LINE*-*NMBR**67*MESG*NONE*NAME*STAR CODE*| DATE=12062026; "
            "TIME=0815; LINE=-; NMBR=*67; MESG=NONE; NAME=STAR CODE => 12/06, 08:15, *67, STAR CODE");
        row("stars inside", "HUP: *NAME*Ann*, Bo**NMBR*#31#*",
            "HungUp HUP 0 |*NAME*Ann*, Bo**NMBR*#31#*| NAME=Ann*, Bo*; NMBR=#31# => NONE, NONE, #31#, Ann*, Bo*");
        row("star code last", "CIDLOG: *NAME*X*NMBR**67*",
            "CallLog CIDLOG 0 |*NAME*X*NMBR**67*| NAME=X; NMBR=*67 => NONE, NONE, *67, X");
        row("unknown label after a star code", "CID: *NMBR**82*FOO*bar*NAME*Y*",
            "Call CID 0 |*NMBR**82*FOO*bar*NAME*Y*| NMBR=*82; FOO=bar; NAME=Y => NONE, NONE, *82, Y");
        row("hello", "HELLO: CMD: no_log", "Hello HELLO 0 |CMD: no_log| ");
        row("unknown type", "OPT: hangup-1", "Other OPT 0 |hangup-1| ");
        row("keep-alive", "\r", "Blank  0 || ");
        row("no type", "just words: here", "Other  0 || ");
        row("garbage bytes", QByteArray("\xff\x00\x01*:\xfe", 6), "Other  0 || ");
        row("Latin-1 name", "CID: *NAME*M\xfcller*",
            "Call CID 0 |*NAME*Müller*| NAME=Müller => NONE, NONE, UNKNOWN, Müller");
        row("UTF-8 name", "CID: *NAME*M\xc3\xbcller*",
            "Call CID 0 |*NAME*Müller*| NAME=Müller => NONE, NONE, UNKNOWN, Müller");
    }

    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, decoded);
        QCOMPARE(describe(decodeNcidLine(bytes)), decoded);
    }

    void reader_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<int>("dropped");

        const QByteArray longest(ncidMaxLineBytes, 'x');
        QTest::newRow("split anywhere") << QByteArrayList { "CID: *NA", "ME*X*\r", "\n200 ok\n\nMSG", ": unfinished" }
                                        << u"CID: *NAME*X*|200 ok|"_s << 0;
        QTest::newRow("longest line kept")
            << QByteArrayList { longest + "\r\n", "next\n" } << u"<4096 bytes>|next"_s << 0;
        QTest::newRow("one byte over") << QByteArrayList { longest + "y\r\nnext\n" } << u"next"_s << 1;
        const QByteArrayList mebibyte(16, QByteArray(64 * 1024, 'z'));
        QTest::newRow("1 MiB line") << QByteArrayList { "before\n" } + mebibyte + QByteArrayList { "\nMSG: after\n" }
                                    << u"before|MSG: after"_s << 1;
    }

    void reader()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QString, lines);
        QFETCH(int, dropped);

        NcidLineReader reader;
        QStringList got;
        QByteArray line;
        for (const QByteArray& chunk : chunks) {
            reader.append(chunk);
            while (reader.next(line))
                got.append(line.size() > 40 ? u"<%1 bytes>"_s.arg(line.size()) : QString::fromLatin1(line));
        }
        QCOMPARE(got.join(u'|'), lines);
        QCOMPARE(reader.droppedLines(), dropped);
    }

    void encode()
    {
        const QDateTime when(QDate(2026, 12, 6), QTime(8, 15));
        QCOMPARE(encodeNcidLine(u"CID", ncidCallFields(u"06/12"_s, u"14:32"_s, u"555-123-4567"_s, u"A*B\r\nC"_s, when)),
                 "CID: *DATE*06122026*TIME*1432*LINE*-*NMBR*555-123-4567*MESG*NONE*NAME*A*B  C*\n"_ba);
        // A star code goes out as it came; a '*' before a word that reads as
        // a label would split the value, so it goes.
        QCOMPARE(encodeNcidLine(u"CID", ncidCallFields(u"06/12"_s, u"14:32"_s, u"*67"_s, u"SMITH*JOHN"_s, when)),
                 "CID: *DATE*06122026*TIME*1432*LINE*-*NMBR**67*MESG*NONE*NAME*SMITH JOHN*\n"_ba);
        // A call without date or time lines carries the moment it was handled.
        QCOMPARE(encodeNcidLine(u"HUP", ncidCallFields(u"NONE"_s, u"NONE"_s, u"UNKNOWN"_s, QString(), when)),
                 "HUP: *DATE*12062026*TIME*0815*LINE*-*NMBR*UNKNOWN*MESG*NONE*NAME*-*\n"_ba);
        QCOMPARE(encodeNcidMessage(u"tea *** ready\n", u"12062026"_s, u"0815"_s),
                 "MSG: tea ** ready  ***DATE*12062026*TIME*0815*NAME*-*NMBR*-*LINE*-*MTYPE*-*\n"_ba);
        const QByteArray longMessage = encodeNcidMessage(QString(5000, u'\u00fc'), u"12062026"_s, u"0815"_s);
        QVERIFY(longMessage.size() <= ncidMaxLineBytes + 1);
        const NcidLine decoded = decodeNcidLine(longMessage.chopped(1));
        QCOMPARE(decoded.field(u"MTYPE"), u"-"_s);
        QVERIFY(decoded.text.size() > 1900);
    }
};

QTEST_GUILESS_MAIN(TestNcidLine)
#include "tst_ncidline.moc"

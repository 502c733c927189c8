// SPDX-License-Identifier: GPL-2.0-or-later
// The line protocol's text: decoding what peers send, cutting a byte stream
// into bounded lines, and the lines the program sends.
#include "network/ncidcall.h"
#include "network/ncidline.h"

#include <QTest>

using namespace Quillon;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(QByteArrayList)

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

QString shortened(const QByteArray& line)
{
    return line.size() > 40 ? u"<%1 bytes>"_s.arg(line.size()) : QString::fromLatin1(line);
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

        QTest::newRow("call") << "CID: *DATE*12062026*TIME*0815*LINE*POTS*NMBR*5551234567*MESG*NONE*NAME*JOHN DOE*"_ba
                              << u"Call CID 0 |*DATE*12062026*TIME*0815*LINE*POTS*NMBR*5551234567*MESG*NONE*NAME*JOHN "
                                 "DOE*| DATE=12062026; TIME=0815; LINE=POTS; NMBR=5551234567; MESG=NONE; NAME=JOHN DOE "
                                 "=> 12/06, 08:15, 5551234567, JOHN DOE"_s;
        QTest::newRow("shuffled, unknown label, CR LF")
            << "HUP: *NAME*JOHN DOE*FOO*bar*NMBR*555-1234*TIME*2359*DATE*01022027*\r"_ba
            << u"HungUp HUP 0 |*NAME*JOHN DOE*FOO*bar*NMBR*555-1234*TIME*2359*DATE*01022027*| NAME=JOHN DOE; FOO=bar; "
               "NMBR=555-1234; TIME=2359; DATE=01022027 => 01/02, 23:59, 555-1234, JOHN DOE"_s;
        QTest::newRow("log line, nothing to show, bad date")
            << "CIDLOG: *DATE*1206*TIME*8:15*NMBR*-*NAME*  *"_ba
            << u"CallLog CIDLOG 0 |*DATE*1206*TIME*8:15*NMBR*-*NAME*  *| DATE=1206; TIME=8:15; NMBR=-; NAME=   => "
               "NONE, NONE, UNKNOWN, UNKNOWN"_s;
        QTest::newRow("pairs cut short") << "HUPLOG: *DATE*12062026*NAME"_ba
                                         << u"HungUpLog HUPLOG 0 |*DATE*12062026*NAME| DATE=12062026 => 12/06, NONE, "
                                            "UNKNOWN, UNKNOWN"_s;
        QTest::newRow("gateway line") << "+CID: *DATE*12062026*NMBR*666*"_ba
                                      << u"Gateway +CID 0 |*DATE*12062026*NMBR*666*| "_s;
        QTest::newRow("status") << "200 Server: ncid 1.0"_ba << u"Status 200 200 |Server: ncid 1.0| "_s;
        QTest::newRow("status without text") << "300"_ba << u"Status 300 300 || "_s;
        QTest::newRow("message") << "MSG: tea is ready ***DATE*12062026*TIME*0815*NAME*-*NMBR*-*LINE*-*MTYPE*-*"_ba
                                 << u"Message MSG 0 |tea is ready| DATE=12062026; TIME=0815; NAME=-; NMBR=-; LINE=-; "
                                    "MTYPE=-"_s;
        QTest::newRow("message without pairs") << "MSG: a*b"_ba << u"Message MSG 0 |a*b| "_s;
        QTest::newRow("ring info") << "CIDINFO: *LINE*-*RING*2*TIME*08:15:02*"_ba
                                   << u"RingInfo CIDINFO 0 |*LINE*-*RING*2*TIME*08:15:02*| LINE=-; RING=2; "
                                      "TIME=08:15:02"_s;
        QTest::newRow("hello") << "HELLO: CMD: no_log"_ba << u"Hello HELLO 0 |CMD: no_log| "_s;
        QTest::newRow("unknown type") << "OPT: hangup-1"_ba << u"Other OPT 0 |hangup-1| "_s;
        QTest::newRow("keep-alive") << "\r"_ba << u"Blank  0 || "_s;
        QTest::newRow("no type") << "just words: here"_ba << u"Other  0 || "_s;
        QTest::newRow("garbage bytes") << QByteArray("\xff\x00\x01*:\xfe", 6) << u"Other  0 || "_s;
        QTest::newRow("Latin-1 name") << "CID: *NAME*M\xfcller*"_ba
                                      << u"Call CID 0 |*NAME*M\u00fcller*| NAME=M\u00fcller => NONE, NONE, UNKNOWN, "
                                         "M\u00fcller"_s;
        QTest::newRow("UTF-8 name") << "CID: *NAME*M\xc3\xbcller*"_ba
                                    << u"Call CID 0 |*NAME*M\u00fcller*| NAME=M\u00fcller => NONE, NONE, UNKNOWN, "
                                       "M\u00fcller"_s;
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
        QByteArrayList mebibyte(16, QByteArray(64 * 1024, 'z'));
        mebibyte.prepend("before\n");
        mebibyte.append("\nMSG: after\n");
        QTest::newRow("1 MiB line") << mebibyte << u"before|MSG: after"_s << 1;
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
                got.append(shortened(line));
        }
        QCOMPARE(got.join(u'|'), lines);
        QCOMPARE(reader.droppedLines(), dropped);
    }

    void encode()
    {
        const QDateTime when(QDate(2026, 12, 6), QTime(8, 15));
        QCOMPARE(encodeNcidLine(u"CID", ncidCallFields(u"06/12"_s, u"14:32"_s, u"555-123-4567"_s, u"A*B\r\nC"_s, when)),
                 "CID: *DATE*06122026*TIME*1432*LINE*-*NMBR*555-123-4567*MESG*NONE*NAME*A B  C*\n"_ba);
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

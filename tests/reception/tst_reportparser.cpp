// SPDX-License-Identifier: GPL-2.0-or-later
#include "reception/reportparser.h"

#include <QTest>

namespace Quillon::Test {

namespace {

// Modem lines, each ended by CR LF.
QString lines(std::initializer_list<const char*> list)
{
    QString text;
    for (const char* line : list)
        text += QLatin1String(line) + QLatin1String("\r\n");
    return text;
}

} // namespace

class TestReportParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void notAReport_data();
    void notAReport();
    void hugeInput();
    void highBytes();
    void previousCallForgotten();
};

void TestReportParser::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("nmbrLngth");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("name");

    QTest::newRow("worked example") << lines(
        { "RING", "", "DATE = 0612", "TIME = 1432", "NMBR = 5551234567", "NAME = JOHN DOE", "", "RING" })
                                    << 10 << "06/12"
                                    << "14:32"
                                    << "5551234567"
                                    << "JOHN DOE";
    QTest::newRow("unspaced family") << lines({ "RING", "DATE=0101", "TIME=0005", "NMBR=4165550000", "NAME=SMITH J" })
                                     << 10 << "01/01"
                                     << "00:05"
                                     << "4165550000"
                                     << "SMITH J";
    QTest::newRow("name before number, spaced")
        << lines({ "DATE = 1231", "TIME = 2359", "NAME = ACME CORP  ", "NMBR = 5551234567" }) << 10 << "12/31"
        << "23:59"
        << "5551234567"
        << "ACME CORP";
    QTest::newRow("name before number, unspaced")
        << lines({ "DATE=1231", "TIME=2359", "NAME=  ACME", "NMBR=5551234567" }) << 10 << "12/31"
        << "23:59"
        << "5551234567"
        << "ACME";
    QTest::newRow("name after number keeps trailing blanks")
        << lines({ "DATE = 0612", "TIME = 1432", "NMBR = 5551234567", "NAME = JOHN DOE  " }) << 10 << "06/12"
        << "14:32"
        << "5551234567"
        << "JOHN DOE  ";
    QTest::newRow("name after number, no final line end")
        << QStringLiteral("DATE = 0612\r\nTIME = 1432\r\nNMBR = 5551234567\r\nNAME = JOHN DOE") << 10 << "06/12"
        << "14:32"
        << "5551234567"
        << "JOHN DOE";
    QTest::newRow("name after number, bare LF line ends")
        << QStringLiteral("DATE=0612\nTIME=1432\nNMBR=5551234567\nNAME=JOHN DOE\nRING\n") << 10 << "06/12"
        << "14:32"
        << "5551234567"
        << "JOHN DOE";
    QTest::newRow("message line between name and number")
        << lines({ "DATE = 0612", "TIME = 1432", "NAME = JOHN DOE", "MESG = 060342", "NMBR = 5551234567" }) << 10
        << "06/12"
        << "14:32"
        << "5551234567"
        << "JOHN DOE";
    QTest::newRow("name tag, one blank, line break: empty name")
        << lines({ "DATE = 0612", "TIME = 1432", "NAME = ", "NMBR = 5551234567" }) << 10 << "06/12"
        << "14:32"
        << "5551234567"
        << "";
    QTest::newRow("name tag directly followed by line break")
        << lines({ "DATE = 0612", "TIME = 1432", "NAME =", "NMBR = 5551234567" }) << 10 << "06/12"
        << "14:32"
        << "5551234567"
        << "UNKNOWN";
    QTest::newRow("name tag after number directly followed by line break")
        << lines({ "DATE = 0612", "TIME = 1432", "NMBR = 5551234567", "NAME =", "", "RING" }) << 10 << "06/12"
        << "14:32"
        << "5551234567"
        << "UNKNOWN";
    QTest::newRow("name tag ends the text")
        << QStringLiteral("DATE = 0612\r\nNMBR = 5551234567\r\nNAME =") << 10 << "06/12"
        << "NONE"
        << "5551234567"
        << "UNKNOWN";
    QTest::newRow("name tag without number tag")
        << lines({ "DATE = 0612", "TIME = 1432", "NAME = JOHN DOE" }) << 10 << "06/12"
        << "14:32"
        << "UNKNOWN"
        << "UNKNOWN";
    QTest::newRow("number tag without name tag")
        << lines({ "DATE = 0612", "TIME = 1432", "NMBR = 5551234567" }) << 10 << "06/12"
        << "14:32"
        << "5551234567"
        << "UNKNOWN";
    QTest::newRow("date only") << lines({ "DATE = 0612" }) << 10 << "06/12"
                               << "NONE"
                               << "UNKNOWN"
                               << "UNKNOWN";
    QTest::newRow("unspaced date, spaced time: time missing")
        << lines({ "DATE=0612", "TIME = 1432", "NMBR=5551234567", "NAME=JOHN" }) << 10 << "06/12"
        << "NONE"
        << "5551234567"
        << "JOHN";
    QTest::newRow("spaced date, unspaced number: number and name missing")
        << lines({ "DATE = 0612", "TIME = 1432", "NMBR=5551234567", "NAME = JOHN" }) << 10 << "06/12"
        << "14:32"
        << "UNKNOWN"
        << "UNKNOWN";
    QTest::newRow("three-digit date before a line break")
        << lines({ "DATE = 061", "TIME = 1432", "NMBR = 5551234567" }) << 10 << "NONE"
        << "14:32"
        << "5551234567"
        << "UNKNOWN";
    QTest::newRow("three-digit date at the end") << QStringLiteral("DATE = 061") << 10 << "NONE"
                                                 << "NONE"
                                                 << "UNKNOWN"
                                                 << "UNKNOWN";
    QTest::newRow("five-digit time keeps four") << lines({ "DATE = 0612", "TIME = 14321" }) << 10 << "06/12"
                                                << "14:32"
                                                << "UNKNOWN"
                                                << "UNKNOWN";
    QTest::newRow("date and time are not checked") << lines({ "DATE = ab c", "TIME = ::::" }) << 10 << "ab/ c"
                                                   << ":::::"
                                                   << "UNKNOWN"
                                                   << "UNKNOWN";
    QTest::newRow("number O: blocked") << lines({ "DATE = 0612", "TIME = 1432", "NMBR = O", "NAME = JOHN DOE" }) << 10
                                       << "06/12"
                                       << "14:32"
                                       << "ID BLOCKED"
                                       << "ANONYMOUS CALLER";
    QTest::newRow("number O last") << lines({ "DATE=0612", "TIME=1432", "NAME=O", "NMBR=O" }) << 10 << "06/12"
                                   << "14:32"
                                   << "ID BLOCKED"
                                   << "ANONYMOUS CALLER";
    QTest::newRow("name O, full number: not displayed")
        << lines({ "DATE = 0612", "TIME = 1432", "NAME = O", "NMBR = 5551234567" }) << 10 << "06/12"
        << "14:32"
        << "5551234567"
        << "NOT DISPLAYED";
    QTest::newRow("name O, no number: blocked")
        << lines({ "DATE = 0612", "TIME = 1432", "NAME = O", "NMBR = " }) << 10 << "06/12"
        << "14:32"
        << "ID BLOCKED"
        << "ANONYMOUS CALLER";
    QTest::newRow("number starting with O, five or more characters")
        << lines({ "DATE = 0612", "NMBR = OUT OF AREA", "NAME = JOHN" }) << 10 << "06/12"
        << "NONE"
        << "OUT OF ARE"
        << "NOT DISPLAYED";
    QTest::newRow("number P: unknown, name kept")
        << lines({ "DATE = 0612", "TIME = 1432", "NMBR = P", "NAME = PRIVATE" }) << 10 << "06/12"
        << "14:32"
        << "UNKNOWN"
        << "PRIVATE";
    QTest::newRow("lower-case o is not blocked") << lines({ "DATE = 0612", "NMBR = o", "NAME = o" }) << 10 << "06/12"
                                                 << "NONE"
                                                 << "UNKNOWN"
                                                 << "o";
    QTest::newRow("seven-digit number stops at its line end")
        << lines({ "DATE = 0612", "TIME = 1432", "NMBR = 5551234", "NAME = JOHN DOE" }) << 10 << "06/12"
        << "14:32"
        << "5551234"
        << "JOHN DOE";
    QTest::newRow("eleven digits cut to ten")
        << lines({ "DATE = 0612", "TIME = 1432", "NMBR = 15551234567", "NAME = JOHN DOE" }) << 10 << "06/12"
        << "14:32"
        << "1555123456"
        << "JOHN DOE";
    QTest::newRow("eleven digits with length 11")
        << lines({ "DATE = 0612", "TIME = 1432", "NMBR = 15551234567" }) << 11 << "06/12"
        << "14:32"
        << "15551234567"
        << "UNKNOWN";
    QTest::newRow("four digits: unknown") << lines({ "DATE = 0612", "NMBR = 1234" }) << 10 << "06/12"
                                          << "NONE"
                                          << "UNKNOWN"
                                          << "UNKNOWN";
    QTest::newRow("five digits") << lines({ "DATE = 0612", "NMBR = 12345" }) << 10 << "06/12"
                                 << "NONE"
                                 << "12345"
                                 << "UNKNOWN";
    QTest::newRow("number blanks trimmed, tabs kept")
        << lines({ "DATE = 0612", "NMBR =  555 1234\t " }) << 10 << "06/12"
        << "NONE"
        << "555 1234\t"
        << "UNKNOWN";
    QTest::newRow("length zero") << lines({ "DATE = 0612", "NMBR = 5551234567" }) << 0 << "06/12"
                                 << "NONE"
                                 << "UNKNOWN"
                                 << "UNKNOWN";
    QTest::newRow("negative length leaves number unknown")
        << lines({ "DATE = 0612", "NMBR = 5551234567" }) << -1 << "06/12"
        << "NONE"
        << "UNKNOWN"
        << "UNKNOWN";
    QTest::newRow("tags anywhere, first occurrence counts")
        << QStringLiteral("xxDATE = 0612 TIME = 1432\r\nNMBR = 5551234567\r\nDATE = 9999\r\nNMBR = 1112223333\r\n")
        << 10 << "06/12"
        << "14:32"
        << "5551234567"
        << "UNKNOWN";
    QTest::newRow("unspaced family reads a spaced-looking number as value")
        << lines({ "DATE=0612", "NMBR= 5551234567" }) << 10 << "06/12"
        << "NONE"
        << "555123456"
        << "UNKNOWN";
}

void TestReportParser::parse()
{
    QFETCH(QString, text);
    QFETCH(int, nmbrLngth);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, number);
    QFETCH(QString, name);

    CidCall call;
    QVERIFY(ParseCidReport(text, static_cast<qint16>(nmbrLngth), call));
    QCOMPARE(call.Date, date);
    QCOMPARE(call.Time, time);
    QCOMPARE(call.Number, number);
    QCOMPARE(call.Name, name);
}

void TestReportParser::notAReport_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("rings only") << lines({ "RING", "", "RING" });
    QTest::newRow("empty") << QString();
    QTest::newRow("lower-case tags") << lines({ "date = 0612", "time = 1432", "nmbr = 5551234567" });
    QTest::newRow("second half of a split report") << lines({ "NMBR = 5551234567", "NAME = JOHN DOE" });
    QTest::newRow("modem answer") << lines({ "AT#CID=1", "OK" });
}

void TestReportParser::notAReport()
{
    QFETCH(QString, text);
    CidCall call { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d") };
    QVERIFY(!ParseCidReport(text, 10, call));
    const QString unknown = QStringLiteral("UNKNOWN");
    QCOMPARE(call.Date, unknown);
    QCOMPARE(call.Time, unknown);
    QCOMPARE(call.Number, unknown);
    QCOMPARE(call.Name, unknown);
}

void TestReportParser::hugeInput()
{
    // Far past what 16-bit positions could address.
    QString garbage;
    garbage.reserve(100 * 1024 + 200);
    for (int i = 0; i < 100 * 1024; ++i)
        garbage += QChar(static_cast<ushort>(1 + (i * 7919) % 255)); // never forms a tag: no '=' in the mix
    garbage.remove(QLatin1Char('='));
    const QString text = garbage + lines({ "DATE = 0612", "TIME = 1432", "NMBR = 5551234567", "NAME = JOHN DOE" });
    CidCall call;
    QVERIFY(ParseCidReport(text, 10, call));
    QCOMPARE(call.Number, QStringLiteral("5551234567"));
    QCOMPARE(call.Name, QStringLiteral("JOHN DOE"));

    // A name that runs on for a long way is still only its own line.
    const QString longName = QString(70000, QLatin1Char('N'));
    QVERIFY(ParseCidReport(lines({ "DATE = 0612", "NMBR = 5551234567" }) + QStringLiteral("NAME = ") + longName
                               + QStringLiteral("\r\nRING\r\n"),
                           10, call));
    QCOMPARE(call.Name, longName);
}

void TestReportParser::highBytes()
{
    QByteArray bytes("DATE = 0612\r\nTIME = 1432\r\nNMBR = 5551234567\r\nNAME = M\xdcLLER \xff\x80\r\n");
    CidCall call;
    QVERIFY(ParseCidReport(QString::fromLatin1(bytes), 10, call));
    QCOMPARE(call.Name, QStringLiteral("M\u00dcLLER \u00ff\u0080"));
    QCOMPARE(call.Name.toLatin1(), QByteArray("M\xdcLLER \xff\x80"));
}

void TestReportParser::previousCallForgotten()
{
    CidCall call;
    QVERIFY(ParseCidReport(lines({ "DATE = 0612", "TIME = 1432", "NMBR = 5551234567", "NAME = JOHN DOE" }), 10, call));
    QVERIFY(ParseCidReport(lines({ "DATE = 0613" }), 10, call));
    QCOMPARE(call.Date, QStringLiteral("06/13"));
    QCOMPARE(call.Time, QStringLiteral("NONE"));
    QCOMPARE(call.Number, QStringLiteral("UNKNOWN"));
    QCOMPARE(call.Name, QStringLiteral("UNKNOWN"));
}

} // namespace Quillon::Test

QTEST_GUILESS_MAIN(Quillon::Test::TestReportParser)
#include "tst_reportparser.moc"

// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/numberformat.h"
#include "reception/modemtext.h"
#include "reception/reportparser.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace Quillon::Test {

namespace {

// Each '\n' of the lines becomes CR LF, as the modem sends them.
void row(const char* tag, const char* lines, const char* expected, int nmbrLngth = 10)
{
    QTest::newRow(tag) << QString::fromLatin1(lines).replace(u'\n', u"\r\n"_s) << nmbrLngth
                       << QString::fromLatin1(expected);
}

// "date|time|number|name", "false " in front when no report was found, "whole " when the text holds a whole
// report (read at once, without waiting for the line to go quiet).
QString parsed(const QString& text, int nmbrLngth)
{
    CidCall call { u"a"_s, u"b"_s, u"c"_s, u"d"_s, {} };
    const bool found = ParseCidReport(text, static_cast<qint16>(nmbrLngth), call);
    return (found ? QString() : u"false "_s) + (holdsCompleteReport(text) ? u"whole "_s : QString())
        + QStringList { call.Date, call.Time, call.Number, call.Name }.join(u'|');
}

} // namespace

class TestReportParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void format();
};

void TestReportParser::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("nmbrLngth");
    QTest::addColumn<QString>("expected");

    row("worked example", "RING\n\nDATE = 0612\nTIME = 1432\nNMBR = 5551234567\nNAME = JOHN DOE\n\nRING\n",
        "whole 06/12|14:32|5551234567|JOHN DOE");
    row("unspaced", "RING\nDATE=0101\nTIME=0005\nNMBR=4165550000\nNAME=SMITH J\n",
        "whole 01/01|00:05|4165550000|SMITH J");
    row("name first, whole", "DATE = 0612\nTIME = 1432\nNAME = JOHN DOE\nNMBR = 5551234567\n",
        "whole 06/12|14:32|5551234567|JOHN DOE");
    row("last line end still to come", "DATE = 0612\nTIME = 1432\nNMBR = 5551234567\nNAME = JOHN DOE",
        "06/12|14:32|5551234567|JOHN DOE");
    // The date tag picks the family; tags of the other family are not seen.
    row("mixed families", "DATE=0612\nTIME = 1432\nNMBR=5551234567\nNAME = JOHN\n", "06/12|NONE|5551234567|UNKNOWN");
    row("name before number", "DATE = 1231\nNAME =  ACME CORP  \nNMBR = 5551234567\n",
        "12/31|NONE|5551234567|ACME CORP");
    row("name after number", "DATE = 0612\nNMBR = 5551234567\nNAME = JOHN DOE  \n", "06/12|NONE|5551234567|JOHN DOE  ");
    QTest::newRow("bare LF") << u"DATE=0612\nTIME=1432\nNMBR=5551234567\nNAME=JOHN DOE\nRING\n"_s << 10
                             << u"whole 06/12|14:32|5551234567|JOHN DOE"_s;
    row("seven-digit number", "DATE = 0612\nNMBR = 5551234\nNAME = JOHN DOE\n", "06/12|NONE|5551234|JOHN DOE");
    row("three-digit date", "DATE = 061\nTIME = 1432\nNMBR = 5551234567\n", "NONE|14:32|5551234567|UNKNOWN");
    row("eleven digits", "DATE = 0612\nNMBR = 15551234567\n", "06/12|NONE|1555123456|UNKNOWN");
    row("four digits", "DATE = 0612\nNMBR = 1234\nNAME = JOHN\n", "06/12|NONE|UNKNOWN|JOHN");
    row("number O", "DATE = 0612\nNMBR = O\nNAME = JOHN DOE\n", "06/12|NONE|ID BLOCKED|ANONYMOUS CALLER");
    row("name O, full number", "DATE = 0612\nNAME = O\nNMBR = 5551234567\n", "06/12|NONE|5551234567|NOT DISPLAYED");
    row("first tag counts", "xxDATE = 0612\nNMBR = 5551234567\nNMBR = 111\n", "06/12|NONE|5551234567|UNKNOWN");
    // Far past 16-bit positions; every byte value but the line ends kept one to one.
    QByteArray garbage(1024 * 1024, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char(i % 256);
    const QByteArray name = garbage.left(256).removeIf([](char c) { return c == '\r' || c == '\n'; });
    QTest::newRow("1 MB of binary bytes")
        << QString::fromLatin1(garbage + "\r\nDATE = 0612\r\nNMBR = 5551234567\r\nNAME = " + name) << 10
        << u"06/12|NONE|5551234567|"_s + QString::fromLatin1(name);
    row("rings only", "RING\n\nRING\n", "false UNKNOWN|UNKNOWN|UNKNOWN|UNKNOWN");
    row("lower-case tags", "date = 0612\nnmbr = 5551234567\n", "false UNKNOWN|UNKNOWN|UNKNOWN|UNKNOWN");
}

void TestReportParser::parse()
{
    QFETCH(QString, text);
    QFETCH(int, nmbrLngth);
    QFETCH(QString, expected);
    QCOMPARE(parsed(text, nmbrLngth), expected);
}

// Each code at its length, one digit short and over, "ID BLOCKED"; codes out of range change nothing. The
// parser is set to the length the format applies to.
void TestReportParser::format()
{
    const char* const formatted[] = { "5551234567", "123-456-7890", "12 3456-7890",  "1234 567-8901", "12345-678901",
                                      "12-3456789", "1234 567890",  "123 4567-8901", "1234 5678",     "5551234567" };
    for (int code = 0; code <= 9; ++code) {
        const QString expected = QLatin1String(formatted[code]);
        const QString digits = QString(expected).remove(u' ').remove(u'-');
        for (const QString& number : QStringList { digits, digits.chopped(1), digits + u'1', u"ID BLOCKED"_s }) {
            QString result = number;
            FormatCidNumber(result, static_cast<qint16>(code));
            QCOMPARE(result, number == digits ? expected : number);
        }
        QCOMPARE(int(numberLengthForFormat(static_cast<qint16>(code))), expected == digits ? 0 : int(digits.size()));
    }
}

} // namespace Quillon::Test

QTEST_GUILESS_MAIN(Quillon::Test::TestReportParser)
#include "tst_reportparser.moc"

// SPDX-License-Identifier: GPL-2.0-or-later
#include "reception/reportparser.h"

#include <QTest>

namespace Quillon::Test {

namespace {

// Modem lines: each '\n' of the literal becomes CR LF, as the modem sends them.
void row(const char* tag, const char* modemLines, const char* expected, int nmbrLngth = 10)
{
    QTest::newRow(tag) << QString::fromLatin1(modemLines).replace(QLatin1Char('\n'), QLatin1String("\r\n")) << nmbrLngth
                       << QString::fromLatin1(expected);
}

// Text as it stands.
void rawRow(const char* tag, const char* text, const char* expected)
{
    QTest::newRow(tag) << QString::fromLatin1(text) << 10 << QString::fromLatin1(expected);
}

// "date|time|number|name", "false " in front when no report was found.
QString parsed(const QString& text, int nmbrLngth)
{
    CidCall call { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d") };
    const bool found = ParseCidReport(text, static_cast<qint16>(nmbrLngth), call);
    return (found ? QString() : QStringLiteral("false "))
        + QStringList { call.Date, call.Time, call.Number, call.Name }.join(QLatin1Char('|'));
}

} // namespace

class TestReportParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void megabyteOfBinaryBytes();
};

void TestReportParser::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("nmbrLngth");
    QTest::addColumn<QString>("expected");

    row("worked example", "RING\n\nDATE = 0612\nTIME = 1432\nNMBR = 5551234567\nNAME = JOHN DOE\n\nRING\n",
        "06/12|14:32|5551234567|JOHN DOE");
    row("unspaced", "RING\nDATE=0101\nTIME=0005\nNMBR=4165550000\nNAME=SMITH J\n", "01/01|00:05|4165550000|SMITH J");
    // The date tag picks the family; tags of the other family are not seen.
    row("mixed families", "DATE=0612\nTIME = 1432\nNMBR=5551234567\nNAME = JOHN\n", "06/12|NONE|5551234567|UNKNOWN");
    row("name before number, trimmed", "DATE = 1231\nTIME = 2359\nNAME =  ACME CORP  \nNMBR = 5551234567\n",
        "12/31|23:59|5551234567|ACME CORP");
    row("name before number, message between", "DATE = 0612\nNAME = JOHN DOE\nMESG = 060342\nNMBR = 5551234567\n",
        "06/12|NONE|5551234567|JOHN DOE");
    row("name after number, untrimmed", "DATE = 0612\nNMBR = 5551234567\nNAME = JOHN DOE  \n",
        "06/12|NONE|5551234567|JOHN DOE  ");
    rawRow("name last, no line end", "DATE = 0612\r\nNMBR = 5551234567\r\nNAME = JOHN DOE",
           "06/12|NONE|5551234567|JOHN DOE");
    rawRow("bare LF line ends", "DATE=0612\nTIME=1432\nNMBR=5551234567\nNAME=JOHN DOE\nRING\n",
           "06/12|14:32|5551234567|JOHN DOE");
    row("name tag without value", "DATE = 0612\nNMBR = 5551234567\nNAME =\n\nRING\n", "06/12|NONE|5551234567|UNKNOWN");
    row("seven-digit number before name", "DATE = 0612\nTIME = 1432\nNMBR = 5551234\nNAME = JOHN DOE\n",
        "06/12|14:32|5551234|JOHN DOE");
    row("three-digit date", "DATE = 061\nTIME = 1432\nNMBR = 5551234567\n", "NONE|14:32|5551234567|UNKNOWN");
    row("five-digit time", "DATE = 0612\nTIME = 14321\n", "06/12|14:32|UNKNOWN|UNKNOWN");
    row("eleven digits, length 10", "DATE = 0612\nNMBR = 15551234567\n", "06/12|NONE|1555123456|UNKNOWN");
    row("eleven digits, length 11", "DATE = 0612\nNMBR = 15551234567\n", "06/12|NONE|15551234567|UNKNOWN", 11);
    row("length 0", "DATE = 0612\nNMBR = 5551234567\n", "06/12|NONE|UNKNOWN|UNKNOWN", 0);
    row("four digits", "DATE = 0612\nNMBR = 1234\nNAME = JOHN\n", "06/12|NONE|UNKNOWN|JOHN");
    row("blanks trimmed, tabs kept", "DATE = 0612\nNMBR =  555 1234\t \n", "06/12|NONE|555 1234\t|UNKNOWN");
    row("number O", "DATE = 0612\nNMBR = O\nNAME = JOHN DOE\n", "06/12|NONE|ID BLOCKED|ANONYMOUS CALLER");
    row("name O, no number", "DATE=0612\nNAME=O\nNMBR=\n", "06/12|NONE|ID BLOCKED|ANONYMOUS CALLER");
    row("name O, full number", "DATE = 0612\nNAME = O\nNMBR = 5551234567\n", "06/12|NONE|5551234567|NOT DISPLAYED");
    row("number O, long", "DATE = 0612\nNMBR = OUT OF AREA\nNAME = JOHN\n", "06/12|NONE|OUT OF ARE|NOT DISPLAYED");
    row("number P", "DATE = 0612\nNMBR = P\nNAME = PRIVATE\n", "06/12|NONE|UNKNOWN|PRIVATE");
    row("lower-case o", "DATE = 0612\nNMBR = o\nNAME = o\n", "06/12|NONE|UNKNOWN|o");
    rawRow("first tag counts", "xxDATE = 0612 TIME = 1432\r\nNMBR = 5551234567\r\nDATE = 9999\r\nNMBR = 1112223333\r\n",
           "06/12|14:32|5551234567|UNKNOWN");
    row("date only", "DATE = 0612\n", "06/12|NONE|UNKNOWN|UNKNOWN");
    row("rings only", "RING\n\nRING\n", "false UNKNOWN|UNKNOWN|UNKNOWN|UNKNOWN");
    row("lower-case tags", "date = 0612\nnmbr = 5551234567\n", "false UNKNOWN|UNKNOWN|UNKNOWN|UNKNOWN");
    row("second half of a report", "NMBR = 5551234567\nNAME = JOHN DOE\n", "false UNKNOWN|UNKNOWN|UNKNOWN|UNKNOWN");
}

void TestReportParser::parse()
{
    QFETCH(QString, text);
    QFETCH(int, nmbrLngth);
    QFETCH(QString, expected);
    QCOMPARE(parsed(text, nmbrLngth), expected);
}

// Far past 16-bit positions, and every byte value but the line ends kept one
// to one in the name.
void TestReportParser::megabyteOfBinaryBytes()
{
    QByteArray garbage(1024 * 1024, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char(i % 256);
    QByteArray name;
    for (int byte = 0; byte < 256; ++byte) {
        if (byte != '\r' && byte != '\n')
            name += char(byte);
    }
    const QByteArray burst = garbage + "\r\nDATE = 0612\r\nTIME = 1432\r\nNMBR = 5551234567\r\nNAME = " + name + "\r\n";
    QCOMPARE(parsed(QString::fromLatin1(burst), 10),
             QStringLiteral("06/12|14:32|5551234567|") + QString::fromLatin1(name));
}

} // namespace Quillon::Test

QTEST_GUILESS_MAIN(Quillon::Test::TestReportParser)
#include "tst_reportparser.moc"

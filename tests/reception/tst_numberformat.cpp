// SPDX-License-Identifier: GPL-2.0-or-later
#include "reception/numberformat.h"

#include <QTest>

namespace Quillon::Test {

class TestNumberFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void format_data();
    void format();
};

void TestNumberFormat::format_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("expected");

    const char* const formatted[] = { "123-456-7890", "12 3456-7890", "1234 567-8901", "12345-678901",
                                      "12-3456789",   "1234 567890",  "123 4567-8901", "1234 5678" };
    for (int code = 1; code <= 8; ++code) {
        const QString expected = QLatin1String(formatted[code - 1]);
        const QString digits = QString(expected).remove(QLatin1Char(' ')).remove(QLatin1Char('-'));
        QTest::addRow("%d", code) << code << digits << expected;
        QTest::addRow("%d, one short", code) << code << digits.chopped(1) << digits.chopped(1);
        QTest::addRow("%d, one over", code) << code << digits + QLatin1Char('1') << digits + QLatin1Char('1');
        QTest::addRow("%d, ID BLOCKED", code) << code << "ID BLOCKED"
                                              << "ID BLOCKED";
    }
    QTest::newRow("code 0") << 0 << "5551234567"
                            << "5551234567";
    QTest::newRow("code 9") << 9 << "5551234567"
                            << "5551234567";
    QTest::newRow("code -3") << -3 << "5551234567"
                             << "5551234567";
    QTest::newRow("characters not examined") << 1 << "5551234\r\nJ"
                                             << "555-123-4\r\nJ";
}

void TestNumberFormat::format()
{
    QFETCH(int, code);
    QFETCH(QString, number);
    QFETCH(QString, expected);
    const QString input = number;
    FormatCidNumber(number, static_cast<qint16>(code));
    QCOMPARE(number, expected);
    // The parser is set to the length the format applies to; unknown codes set none.
    const int length = numberLengthForFormat(static_cast<qint16>(code));
    if (code < 1 || code > 8)
        QCOMPARE(length, 0);
    else if (number != input)
        QCOMPARE(length, int(input.size()));
}

} // namespace Quillon::Test

QTEST_GUILESS_MAIN(Quillon::Test::TestNumberFormat)
#include "tst_numberformat.moc"

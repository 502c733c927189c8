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
    void lengthForFormat_data();
    void lengthForFormat();
};

void TestNumberFormat::format_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("expected");

    QTest::newRow("1") << 1 << "1234567890"
                       << "123-456-7890";
    QTest::newRow("2") << 2 << "1234567890"
                       << "12 3456-7890";
    QTest::newRow("3") << 3 << "12345678901"
                       << "1234 567-8901";
    QTest::newRow("4") << 4 << "12345678901"
                       << "12345-678901";
    QTest::newRow("5") << 5 << "123456789"
                       << "12-3456789";
    QTest::newRow("6") << 6 << "1234567890"
                       << "1234 567890";
    QTest::newRow("7") << 7 << "12345678901"
                       << "123 4567-8901";
    QTest::newRow("8") << 8 << "12345678"
                       << "1234 5678";
    QTest::newRow("1, nine digits unchanged") << 1 << "555123456"
                                              << "555123456";
    QTest::newRow("1, eleven digits unchanged") << 1 << "15551234567"
                                                << "15551234567";
    QTest::newRow("8, ten digits unchanged") << 8 << "5551234567"
                                             << "5551234567";
    QTest::newRow("1, ID BLOCKED") << 1 << "ID BLOCKED"
                                   << "ID BLOCKED";
    QTest::newRow("2, ID BLOCKED") << 2 << "ID BLOCKED"
                                   << "ID BLOCKED";
    QTest::newRow("6, ID BLOCKED") << 6 << "ID BLOCKED"
                                   << "ID BLOCKED";
    QTest::newRow("1, UNKNOWN") << 1 << "UNKNOWN"
                                << "UNKNOWN";
    QTest::newRow("code 0") << 0 << "5551234567"
                            << "5551234567";
    QTest::newRow("code 9") << 9 << "5551234567"
                            << "5551234567";
    QTest::newRow("negative code") << -3 << "5551234567"
                                   << "5551234567";
    QTest::newRow("characters not examined") << 1 << "5551234\r\nJ"
                                             << "555-123-4\r\nJ";
    QTest::newRow("empty") << 1 << ""
                           << "";
}

void TestNumberFormat::format()
{
    QFETCH(int, code);
    QFETCH(QString, number);
    QFETCH(QString, expected);
    FormatCidNumber(number, static_cast<qint16>(code));
    QCOMPARE(number, expected);
}

void TestNumberFormat::lengthForFormat_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("length");
    const int lengths[] = { 0, 10, 10, 11, 11, 9, 10, 11, 8, 0 };
    for (int code = 0; code <= 9; ++code)
        QTest::addRow("code %d", code) << code << lengths[code];
}

void TestNumberFormat::lengthForFormat()
{
    QFETCH(int, code);
    QFETCH(int, length);
    QCOMPARE(int(numberLengthForFormat(static_cast<qint16>(code))), length);
    if (length > 0) {
        // A number of the code's length always gets its separators.
        QString number(length, QLatin1Char('9'));
        FormatCidNumber(number, static_cast<qint16>(code));
        QVERIFY(number.size() > length);
    }
}

} // namespace Quillon::Test

QTEST_GUILESS_MAIN(Quillon::Test::TestNumberFormat)
#include "tst_numberformat.moc"

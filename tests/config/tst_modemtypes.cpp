// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/modemtypes.h"

#include <QTest>

namespace Quillon::Test {

class TestModemTypes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void indexForCommand_data();
    void indexForCommand();
};

void TestModemTypes::indexForCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("index");
    QTest::newRow("first row") << "AT#CID=1" << 0;
    QTest::newRow("Cardinal, not Lucent") << "AT%CCID=3" << 6;
    QTest::newRow("last row") << "ATS42.2=1" << 9;
    QTest::newRow("other letter case") << "at#cid=1" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("typed by hand") << "AT#CID=2" << -1;
    QTest::newRow("with carriage return") << "AT#CID=1\r" << -1;
}

void TestModemTypes::indexForCommand()
{
    QFETCH(QString, command);
    QFETCH(int, index);
    QCOMPARE(modemTypes().size(), 10);
    QCOMPARE(modemTypeIndexForCommand(command), index);
    if (index >= 0)
        QCOMPARE(modemTypes().at(index).optionName, QStringLiteral("Option") + QString::number(index + 8));
}

} // namespace Quillon::Test

QTEST_GUILESS_MAIN(Quillon::Test::TestModemTypes)
#include "tst_modemtypes.moc"

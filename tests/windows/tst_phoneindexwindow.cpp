// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/recordgridmodel.h"
#include "windows/phoneindexwindow.h"
#include "windows/recordfixture.h"

#include <QAbstractItemModelTester>
#include <QTableView>
#include <QTest>

#include <memory>

using namespace Quillon;
using namespace Quillon::Test;

class TestPhoneIndexWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listsEachPairOnceByName_data();
    void listsEachPairOnceByName();
    void isReadOnly();

private:
    static QStringList shown(PhoneIndexWindow& window)
    {
        auto* model = window.findChild<RecordGridModel*>(QStringLiteral("phoneIndexModel"));
        QAbstractItemModelTester tester(model);
        return RecordFixture::gridRows(model, { QStringLiteral("Name"), QStringLiteral("Number") });
    }
};

void TestPhoneIndexWindow::listsEachPairOnceByName_data()
{
    QTest::addColumn<QStringList>("calls"); // "name|number", oldest first
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty table") << QStringList {} << QStringList {};
    QTest::newRow("five calls, one row") << QStringList(5, QStringLiteral("SMITH JOHN|555-123-4567"))
                                         << QStringList { QStringLiteral("SMITH JOHN|555-123-4567") };
    QTest::newRow("one number, two names")
        << QStringList { QStringLiteral("ZED|555-000-0001"), QStringLiteral("ABLE|555-000-0001") }
        << QStringList { QStringLiteral("ABLE|555-000-0001"), QStringLiteral("ZED|555-000-0001") };
    QTest::newRow("one name, two numbers")
        << QStringList { QStringLiteral("KIM|555-000-0002"), QStringLiteral("BOB|555-000-0003"),
                         QStringLiteral("KIM|555-000-0004"), QStringLiteral("KIM|555-000-0002") }
        << QStringList { QStringLiteral("BOB|555-000-0003"), QStringLiteral("KIM|555-000-0002"),
                         QStringLiteral("KIM|555-000-0004") };
}

void TestPhoneIndexWindow::listsEachPairOnceByName()
{
    QFETCH(QStringList, calls);
    QFETCH(QStringList, expected);

    RecordFixture fixture;
    QVERIFY(fixture.opened);
    for (const QString& call : calls)
        fixture.addCall(call.section(QLatin1Char('|'), 0, 0), call.section(QLatin1Char('|'), 1));
    PhoneIndexWindow window(&fixture.owner, fixture.database, fixture.boxes);
    QCOMPARE(window.windowTitle(), QStringLiteral("Phone Index"));
    QCOMPARE(shown(window), expected);
    QVERIFY(fixture.boxes.shown.isEmpty());
}

void TestPhoneIndexWindow::isReadOnly()
{
    RecordFixture fixture;
    QVERIFY(fixture.opened);
    fixture.addCall(QStringLiteral("SMITH JOHN"), QStringLiteral("555-123-4567"));
    PhoneIndexWindow window(&fixture.owner, fixture.database, fixture.boxes);
    window.show();
    auto* grid = window.findChild<QTableView*>(QStringLiteral("DataGrid1"));
    QCOMPARE(grid->columnWidth(0), 183);
    QCOMPARE(grid->columnWidth(1), 115);
    grid->selectRow(0);
    QTest::keyClick(grid, Qt::Key_Delete);
    QVERIFY(fixture.boxes.shown.isEmpty());
    QCOMPARE(shown(window), QStringList { QStringLiteral("SMITH JOHN|555-123-4567") });
    QVERIFY(grid->editTriggers() == QAbstractItemView::NoEditTriggers);
}

QTEST_MAIN(TestPhoneIndexWindow)
#include "tst_phoneindexwindow.moc"

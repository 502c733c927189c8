// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/recordgridmodel.h"
#include "windows/recordfixture.h"
#include "windows/rejectwindow.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <memory>

using namespace Quillon;
using namespace Quillon::Test;

class TestRejectWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void showsTheListAtOnce();
    void storesExactlyTheEntry_data();
    void storesExactlyTheEntry();
    void bothEmptyStoresNothingButRefreshes();
    void sameNumberTwiceGivesTwoRows();
    void boxesTakeAtMostTheirLength();
    void enterWalksTheBoxesAndPressesEnter();
    void deleteKeyRemovesAfterYes_data();
    void deleteKeyRemovesAfterYes();
    void failingInsertIsReportedAndKeepsTheText();

private:
    QLineEdit* box(const char* name) const { return m_window->findChild<QLineEdit*>(QLatin1String(name)); }
    QTableView* grid() const { return m_window->findChild<QTableView*>(QStringLiteral("DataGrid1")); }
    RecordGridModel* model() const { return m_window->findChild<RecordGridModel*>(QStringLiteral("rejectModel")); }
    QStringList shown() const
    {
        return RecordFixture::gridRows(model(), { QStringLiteral("Name"), QStringLiteral("Number") });
    }
    QStringList stored() const
    {
        return m_fixture->rows(QStringLiteral("SELECT Name, Number FROM Reject ORDER BY rowid"));
    }
    void enter(const QString& name, const QString& number)
    {
        box("txtName")->setText(name);
        box("txtNumber")->setText(number);
        QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdEnter")), Qt::LeftButton);
    }

    std::unique_ptr<RecordFixture> m_fixture;
    std::unique_ptr<RejectWindow> m_window;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

void TestRejectWindow::init()
{
    m_fixture = std::make_unique<RecordFixture>();
    QVERIFY(m_fixture->opened);
    QVERIFY(m_fixture->database.AddReject(QStringLiteral("800-555-0199"), QStringLiteral("TELEMARKETER")));
    m_window = std::make_unique<RejectWindow>(&m_fixture->owner, m_fixture->database, m_fixture->boxes);
    m_tester = std::make_unique<QAbstractItemModelTester>(model());
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestRejectWindow::cleanup()
{
    m_tester.reset();
    m_window.reset();
    m_fixture.reset();
}

void TestRejectWindow::showsTheListAtOnce()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Rejected Numbers"));
    QCOMPARE(shown(), QStringList { QStringLiteral("TELEMARKETER|800-555-0199") });
    QCOMPARE(model()->headerData(model()->column(QStringLiteral("Name")), Qt::Horizontal).toString(),
             QStringLiteral("Name"));
    QCOMPARE(grid()->columnWidth(model()->column(QStringLiteral("Name"))), 183);
    QCOMPARE(grid()->columnWidth(model()->column(QStringLiteral("Number"))), 116);
    QVERIFY(grid()->isColumnHidden(model()->column(QStringLiteral("RowId"))));
    QCOMPARE(box("txtNumber")->toolTip(), QStringLiteral("Enter number in the format of \"xxx-xxx-xxxx\""));
}

void TestRejectWindow::storesExactlyTheEntry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("row");

    QTest::newRow("name only") << QStringLiteral("smith") << QString() << QStringLiteral("SMITH|000-000-0000");
    QTest::newRow("number only") << QString() << QStringLiteral("555-123-4567") << QStringLiteral("N/A|555-123-4567");
    QTest::newRow("blanks kept") << QStringLiteral("  smith") << QStringLiteral(" 555 ")
                                 << QStringLiteral("  SMITH| 555 ");
    QTest::newRow("no format check") << QStringLiteral("o'hara") << QStringLiteral("5551234")
                                     << QStringLiteral("O'HARA|5551234");
}

void TestRejectWindow::storesExactlyTheEntry()
{
    QFETCH(QString, name);
    QFETCH(QString, number);
    QFETCH(QString, row);

    enter(name, number);
    QCOMPARE(stored(), (QStringList { QStringLiteral("TELEMARKETER|800-555-0199"), row }));
    QCOMPARE(shown(), stored());
    QVERIFY(box("txtName")->text().isEmpty());
    QVERIFY(box("txtNumber")->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), box("txtName"));
    QVERIFY(m_fixture->boxes.shown.isEmpty());
}

void TestRejectWindow::bothEmptyStoresNothingButRefreshes()
{
    // A row added behind the window's back shows up: the list is read again.
    QVERIFY(m_fixture->database.AddReject(QStringLiteral("900-555-0000"), QStringLiteral("OTHER")));
    enter(QString(), QString());
    QCOMPARE(stored().size(), 2);
    QCOMPARE(shown(), stored());
    QCOMPARE(QApplication::focusWidget(), box("txtName"));
}

void TestRejectWindow::sameNumberTwiceGivesTwoRows()
{
    enter(QString(), QStringLiteral("555-123-4567"));
    enter(QString(), QStringLiteral("555-123-4567"));
    QCOMPARE(stored().count(QStringLiteral("N/A|555-123-4567")), 2);
    QCOMPARE(shown(), stored());
}

void TestRejectWindow::boxesTakeAtMostTheirLength()
{
    QTest::keyClicks(box("txtName"), QString(60, QLatin1Char('a')));
    QTest::keyClicks(box("txtNumber"), QStringLiteral("555-123-4567-89"));
    QCOMPARE(box("txtName")->text().size(), 50);
    QCOMPARE(box("txtNumber")->text(), QStringLiteral("555-123-4567"));
}

void TestRejectWindow::enterWalksTheBoxesAndPressesEnter()
{
    box("txtName")->setFocus();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("jones"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), box("txtNumber"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("212-555-0100"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdEnter"));
    QCOMPARE(stored().size(), 1); // nothing stored yet
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(stored().last(), QStringLiteral("JONES|212-555-0100"));
    QCOMPARE(QApplication::focusWidget(), box("txtName"));
}

void TestRejectWindow::deleteKeyRemovesAfterYes_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestRejectWindow::deleteKeyRemovesAfterYes()
{
    QFETCH(bool, yes);
    enter(QStringLiteral("smith"), QString());
    grid()->setFocus();
    grid()->selectRow(0);
    m_fixture->boxes.queueAnswer(yes ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No);
    QTest::keyClick(grid(), Qt::Key_Delete);

    QCOMPARE(m_fixture->boxes.shown.size(), 1);
    const RecordingBoxes::Shown question = m_fixture->boxes.shown.first();
    QVERIFY(question.buttons == MessageBoxes::Buttons::YesNo);
    QVERIFY2(question.text.contains(QStringLiteral("TELEMARKETER")), qPrintable(question.text));
    const QStringList expected = yes
        ? QStringList { QStringLiteral("SMITH|000-000-0000") }
        : QStringList { QStringLiteral("TELEMARKETER|800-555-0199"), QStringLiteral("SMITH|000-000-0000") };
    QCOMPARE(stored(), expected);
    QCOMPARE(shown(), expected);
}

void TestRejectWindow::failingInsertIsReportedAndKeepsTheText()
{
    QVERIFY(m_fixture->exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Reject "
                                           "BEGIN SELECT RAISE(ABORT, 'entry refused'); END")));
    enter(QStringLiteral("smith"), QString());
    QCOMPARE(m_fixture->boxes.shown.size(), 1);
    QVERIFY2(m_fixture->boxes.shown.first().text.contains(QStringLiteral("entry refused")),
             qPrintable(m_fixture->boxes.shown.first().text));
    QCOMPARE(box("txtName")->text(), QStringLiteral("smith"));
    QCOMPARE(stored().size(), 1);

    QVERIFY(m_fixture->exec(QStringLiteral("DROP TRIGGER refuse")));
    enter(QStringLiteral("smith"), QString());
    QCOMPARE(stored().last(), QStringLiteral("SMITH|000-000-0000"));
}

QTEST_MAIN(TestRejectWindow)
#include "tst_rejectwindow.moc"

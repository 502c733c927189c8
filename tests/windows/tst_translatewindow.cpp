// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/recordgridmodel.h"
#include "windows/recordfixture.h"
#include "windows/translatewindow.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <memory>

using namespace Quillon;
using namespace Quillon::Test;

class TestTranslateWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void showsTheListByName();
    void entryRules_data();
    void entryRules();
    void boxesTakeAtMostTheirLength();
    void enterWalksTheBoxesAndPressesEnter();
    void deleteKeyRemovesAfterYes();
    void failingInsertIsReported();

private:
    QLineEdit* box(const char* name) const { return m_window->findChild<QLineEdit*>(QLatin1String(name)); }
    QTableView* grid() const { return m_window->findChild<QTableView*>(QStringLiteral("DataGrid1")); }
    RecordGridModel* model() const { return m_window->findChild<RecordGridModel*>(QStringLiteral("translateModel")); }
    QStringList shown() const
    {
        return RecordFixture::gridRows(model(), { QStringLiteral("Name"), QStringLiteral("Number") });
    }
    QStringList stored() const
    {
        return m_fixture->rows(QStringLiteral("SELECT Name, Number FROM Translate ORDER BY rowid"));
    }
    void enter(const QString& first, const QString& last, const QString& number)
    {
        box("txtFirstName")->setText(first);
        box("txtLastName")->setText(last);
        box("txtNumber")->setText(number);
        QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdEnter")), Qt::LeftButton);
    }

    std::unique_ptr<RecordFixture> m_fixture;
    std::unique_ptr<TranslateWindow> m_window;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

void TestTranslateWindow::init()
{
    m_fixture = std::make_unique<RecordFixture>();
    QVERIFY(m_fixture->opened);
    QVERIFY(m_fixture->database.AddTranslate(QStringLiteral("212-555-0100"), QStringLiteral("WILSON ANN")));
    QVERIFY(m_fixture->database.AddTranslate(QStringLiteral("212-555-0111"), QStringLiteral("ADAMS BOB")));
    m_window = std::make_unique<TranslateWindow>(&m_fixture->owner, m_fixture->database, m_fixture->boxes);
    m_tester = std::make_unique<QAbstractItemModelTester>(model());
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestTranslateWindow::cleanup()
{
    m_tester.reset();
    m_window.reset();
    m_fixture.reset();
}

void TestTranslateWindow::showsTheListByName()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Enter Caller Information"));
    QCOMPARE(shown(),
             (QStringList { QStringLiteral("ADAMS BOB|212-555-0111"), QStringLiteral("WILSON ANN|212-555-0100") }));
    QCOMPARE(grid()->columnWidth(model()->column(QStringLiteral("Name"))), 183);
    QCOMPARE(grid()->columnWidth(model()->column(QStringLiteral("Number"))), 116);
}

void TestTranslateWindow::entryRules_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("row"); // empty: nothing stored

    QTest::newRow("trimmed and upper case")
        << QStringLiteral(" john ") << QStringLiteral("smith") << QStringLiteral("555-123-4567")
        << QStringLiteral("SMITH JOHN|555-123-4567");
    QTest::newRow("number trimmed") << QStringLiteral("ann") << QStringLiteral("lee") << QStringLiteral("  555-1  ")
                                    << QStringLiteral("LEE ANN|555-1");
    QTest::newRow("last name only") << QString() << QStringLiteral("acme") << QStringLiteral("555-000-1111")
                                    << QStringLiteral("ACME |555-000-1111");
    QTest::newRow("first name only") << QStringLiteral("zoe") << QString() << QStringLiteral("555-000-2222")
                                     << QStringLiteral(" ZOE|555-000-2222");
    QTest::newRow("number of blanks") << QStringLiteral("a") << QStringLiteral("b") << QStringLiteral("   ")
                                      << QString();
    QTest::newRow("no name at all") << QStringLiteral("  ") << QString() << QStringLiteral("555-000-3333") << QString();
}

void TestTranslateWindow::entryRules()
{
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QString, number);
    QFETCH(QString, row);

    const QStringList before = stored();
    enter(first, last, number);
    QCOMPARE(stored(), row.isEmpty() ? before : before + QStringList { row });
    if (!row.isEmpty()) {
        QStringList sorted = shown();
        QVERIFY(sorted.contains(row));
        QStringList expected = sorted;
        std::sort(expected.begin(), expected.end());
        QCOMPARE(sorted, expected);
    }
    for (const char* name : { "txtFirstName", "txtLastName", "txtNumber" })
        QVERIFY2(box(name)->text().isEmpty(), name);
    QCOMPARE(QApplication::focusWidget(), box("txtFirstName"));
    QVERIFY(m_fixture->boxes.shown.isEmpty());
}

void TestTranslateWindow::boxesTakeAtMostTheirLength()
{
    for (const char* name : { "txtFirstName", "txtLastName", "txtNumber" })
        QTest::keyClicks(box(name), QString(30, QLatin1Char('7')));
    QCOMPARE(box("txtFirstName")->text().size(), 25);
    QCOMPARE(box("txtLastName")->text().size(), 25);
    QCOMPARE(box("txtNumber")->text().size(), 12);
}

void TestTranslateWindow::enterWalksTheBoxesAndPressesEnter()
{
    box("txtFirstName")->setFocus();
    for (const QString& text : { QStringLiteral("mary"), QStringLiteral("jones"), QStringLiteral("212-867-5309") }) {
        QTest::keyClicks(QApplication::focusWidget(), text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdEnter"));
    QCOMPARE(stored().size(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(stored().last(), QStringLiteral("JONES MARY|212-867-5309"));
    QCOMPARE(QApplication::focusWidget(), box("txtFirstName"));
}

void TestTranslateWindow::deleteKeyRemovesAfterYes()
{
    grid()->setFocus();
    grid()->selectRow(0); // ADAMS BOB
    m_fixture->boxes.queueAnswer(MessageBoxes::Answer::No);
    QTest::keyClick(grid(), Qt::Key_Delete);
    QCOMPARE(stored().size(), 2);
    QTest::keyClick(grid(), Qt::Key_Delete); // no answer queued: Yes
    QCOMPARE(m_fixture->boxes.shown.size(), 2);
    QVERIFY(m_fixture->boxes.shown.last().text.contains(QStringLiteral("ADAMS BOB")));
    QCOMPARE(stored(), QStringList { QStringLiteral("WILSON ANN|212-555-0100") });
    QCOMPARE(shown(), stored());
}

void TestTranslateWindow::failingInsertIsReported()
{
    QVERIFY(m_fixture->exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Translate "
                                           "BEGIN SELECT RAISE(ABORT, 'entry refused'); END")));
    enter(QStringLiteral("john"), QStringLiteral("smith"), QStringLiteral("555"));
    QCOMPARE(m_fixture->boxes.shown.size(), 1);
    QVERIFY(m_fixture->boxes.shown.first().text.contains(QStringLiteral("entry refused")));
    QCOMPARE(box("txtNumber")->text(), QStringLiteral("555"));
    QCOMPARE(stored().size(), 2);
}

QTEST_MAIN(TestTranslateWindow)
#include "tst_translatewindow.moc"

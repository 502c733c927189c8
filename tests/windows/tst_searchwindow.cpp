// SPDX-License-Identifier: GPL-2.0-or-later
// The search window: what each option finds, and the calls it deletes.
#include "windowrig.h"

#include <QDateEdit>
#include <QSignalSpy>

namespace Quillon::Test {

class TestSearchWindow : public WindowRig
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { renew(); }

    void searchAndDelete_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("button"); // pressed on the second and third rows after the search; empty: none
        QTest::addColumn<QString>("question"); // %1: the chosen day
        QTest::addColumn<QList<int>>("calls"); // indexes into kCalls, as listed at the end
        const auto search = [](const char* tag, int option, const QString& text, const QList<int>& calls) {
            QTest::newRow(tag) << option << text << QString() << QString() << calls;
        };
        search("All", 1, {}, { 5, 4, 3, 2, 1, 0 });
        search("Name SMI", 2, u"SMI"_s, { 4, 3, 2, 0 });
        search("Number 555", 3, u"555"_s, { 4, 3, 2, 1 });
        search("apostrophe", 2, u"O'B"_s, { 1 });
        search("wildcard", 3, u"555-12_"_s, { 3, 2 });
        search("digits without the layout", 3, u"5551234567"_s, { 3, 2 });
        search("digits across a separator", 3, u"5550101"_s, { 1 });
        search("digits and a separator keep the layout", 3, u"5551234-"_s, {});
        search("statement text", 2, u"' OR '1'='1"_s, {});
        search("empty name", 2, {}, {});
        const QString older = u"Delete the 2 call(s) stored before %1?\r\n\r\nThey cannot be brought back."_s;
        const QString selected = u"Delete the 2 selected calls?"_s;
        QTest::newRow("delete selected") << 1 << QString() << u"cmdDelete"_s << selected << QList<int> { 5, 2, 1, 0 };
        QTest::newRow("delete selected, no") // the question answered No
            << 1 << QString() << u"cmdDelete"_s << selected << QList<int> { 5, 4, 3, 2, 1, 0 };
        QTest::newRow("delete older") << 1 << QString() << u"cmdDeleteOlder"_s << older << QList<int> { 5, 4, 3, 2 };
        QTest::newRow("delete older, none") << 1 << QString() << u"cmdDeleteOlder"_s
                                            << u"No call was stored before %1."_s << QList<int> { 5, 4, 3, 2, 1, 0 };
    }
    void searchAndDelete()
    {
        QFETCH(int, option);
        QFETCH(QString, text);
        QFETCH(QString, button);
        QFETCH(QString, question);
        QFETCH(QList<int>, calls);
        QVERIFY(startWithCalls());
        if (!button.isEmpty()) // the two oldest calls go back a year
            QCOMPARE(h->rows(u"UPDATE CID SET SysTime = '2025-03-01 10:00:00' WHERE rowid <= 2"_s), QStringList());
        QVERIFY(open(u"Search"_s));
        choose(u"Option%1"_s.arg(option));
        QTest::keyClicks(child(u"txtSearch"_s), text);
        click(u"cmdSearch"_s);
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        const QDate day(tag.contains(u"none"_s) ? 2025 : 2026, 1, 1);
        if (!button.isEmpty()) {
            grid()->selectRow(1);
            QTest::keyClick(grid(), Qt::Key_Down, Qt::ShiftModifier);
            child<QDateEdit>(u"dtpBefore"_s)->setDate(day);
            h->boxes.queueAnswer(tag.endsWith(u", no"_s) ? MessageBoxes::Answer::No : MessageBoxes::Answer::Yes);
            click(button);
        }
        QCOMPARE(h->shownBoxes(),
                 question.isEmpty() ? QStringList()
                                    : QStringList { m_window->windowTitle() + u'|'
                                                    + question.arg(QLocale().toString(day, QLocale::ShortFormat)) });
        QStringList expected;
        for (int call : calls)
            expected << kCalls.at(call);
        QCOMPARE(shown(), expected);
        QCOMPARE(countLine(), calls.isEmpty() ? u"No calls match"_s : u"%1 Record(s) Displayed"_s.arg(calls.size()));
        QCOMPARE(count(u"CID"_s), QString::number(button.isEmpty() ? kCalls.size() : calls.size()));
    }

    // A call stored while a search is shown goes into it when it matches, in the order shown, counted; the grid is
    // read again only when a chosen order is over rows not all read. Either way as a new search would list it.
    void newCallWhileShown_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("sortBy"); // a field chosen, ascending; empty: newest first
        QTest::addColumn<int>("older"); // calls stored a year before, first
        QTest::addColumn<QString>("call"); // name|number, the newest
        QTest::addColumn<int>("count"); // on the count line after it
        const auto row = [](const char* tag, int option, const QString& text, const QString& sortBy, int older,
                            const QString& call,
                            int count) { QTest::newRow(tag) << option << text << sortBy << older << call << count; };
        row("All, newest first", 1, {}, {}, 0, u"NEW CALLER|555-000-1111"_s, 7);
        row("Name matching", 2, u"SMI"_s, {}, 0, u"SMITH ANN|555-000-2222"_s, 5);
        row("Name not matching", 2, u"SMI"_s, {}, 0, u"JONES|555-000-2222"_s, 4);
        row("Number by its digits", 3, u"5550001111"_s, {}, 0, u"NEW CALLER|555-000-1111"_s, 1);
        row("sorted by name", 1, {}, u"Name"_s, 0, u"MILLER|555-000-3333"_s, 7);
        row("sorted, past the rows read", 1, {}, u"Name"_s, 300, u"MILLER|555-000-3333"_s, 307);
    }
    void newCallWhileShown()
    {
        QFETCH(int, option);
        QFETCH(QString, text);
        QFETCH(QString, sortBy);
        QFETCH(int, older);
        QFETCH(QString, call);
        QFETCH(int, count);
        QVERIFY(startWithCalls());
        QCOMPARE(h->rows(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                         "INSERT INTO CID (Name, Number, SysTime) SELECT printf('SMITH %03d', i), "
                         "printf('555-000-%04d', i), '2025-01-01 00:00:00' FROM n WHERE %1 > 0"_s.arg(older)),
                 QStringList());
        QVERIFY(open(u"Search"_s));
        if (older > 0)
            m_tester.reset(); // it fetches every row, which is what the grid must not do
        choose(u"Option%1"_s.arg(option));
        QTest::keyClicks(child(u"txtSearch"_s), text);
        click(u"cmdSearch"_s);
        if (!sortBy.isEmpty())
            model()->sort(model()->column(sortBy), Qt::AscendingOrder);
        QSignalSpy reads(model(), &QAbstractItemModel::modelReset);
        QCOMPARE(h->rows(u"INSERT INTO CID (Name, Number, SysTime) VALUES ('%1', '%2', '2099-01-01 00:00:00')"_s.arg(
                     call.section(u'|', 0, 0), call.section(u'|', 1))),
                 QStringList());
        h->app->windows()->callStored();
        QCOMPARE(reads.size(), older > 0 && !sortBy.isEmpty() ? 1 : 0);
        QCOMPARE(countLine(), u"%1 Record(s) Displayed"_s.arg(count));
        const QStringList taken = shown();
        QCOMPARE(taken.contains(call), text != u"SMI"_s || call.startsWith(u"SMI"_s));
        model()->rerun();
        QCOMPARE(taken, shown());
    }

    void optionsAndEnter()
    {
        QVERIFY(startWithCalls() && open(u"Srch"_s));
        QCOMPARE(checkedOptions(), u"Option1"_s);
        // A click on an option clears the text and sets its limit.
        const int limits[] = { 0, 50, 12 };
        for (int option : { 1, 3, 2 }) {
            choose(u"Option%1"_s.arg(option == 2 ? 3 : 2));
            QTest::keyClicks(child(u"txtSearch"_s), u"555"_s);
            choose(u"Option%1"_s.arg(option));
            QCOMPARE(child(u"txtSearch"_s)->text(), QString());
            QCOMPARE(child(u"txtSearch"_s)->isEnabled(), option != 1);
            QTest::keyClicks(child(u"txtSearch"_s), QString(60, u'9'));
            QCOMPARE(child(u"txtSearch"_s)->text().size(), limits[option - 1]);
        }
        // Enter moves on to the Search button without searching.
        child(u"txtSearch"_s)->setText(u"SMI"_s);
        child(u"txtSearch"_s)->setFocus();
        QTest::keyClick(child(u"txtSearch"_s), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget()->objectName(), u"cmdSearch"_s);
        QVERIFY(countLine().isEmpty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(countLine(), u"4 Record(s) Displayed"_s);
    }
};

} // namespace Quillon::Test

QTEST_MAIN(Quillon::Test::TestSearchWindow)
#include "tst_searchwindow.moc"

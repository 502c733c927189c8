// SPDX-License-Identifier: GPL-2.0-or-later
// The list windows: Reject and Translate, entering, editing in place and
// deleting entries; the phone index, read only.
#include "windowrig.h"

#include <QSignalSpy>

namespace Quillon::Test {

class TestListWindows : public WindowRig
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { renew(); }

    void listEntry_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("texts"); // name, number or first, last name, number
        QTest::addColumn<QString>("row"); // stored; empty: nothing
        const auto reject = [](const char* tag, const QString& name, const QString& number, const QString& row) {
            QTest::newRow(tag) << u"Reject"_s << QStringList { name, number } << row;
        };
        const auto translate = [](const char* tag, const QStringList& texts, const QString& row) {
            QTest::newRow(tag) << u"Translate"_s << texts << row;
        };
        reject("reject name", u"smith"_s, {}, u"SMITH|000-000-0000"_s);
        reject("reject as typed", u" o'hara"_s, u" 5551 "_s, u" O'HARA| 5551 "_s);
        reject("reject nothing", {}, {}, {});
        translate("translate", { u" john "_s, u"smith"_s, u" 555-1 "_s }, u"SMITH JOHN|555-1"_s);
        translate("translate no number", { u"a"_s, u"b"_s, u"  "_s }, {});
        // Digits with separators go into the chosen layout when the count fits it.
        reject("reject digits", {}, u"5551234567"_s, u"N/A|555-123-4567"_s);
        reject("reject letters", {}, u"555-CALL-NOW"_s, u"N/A|555-CALL-NOW"_s);
        translate("translate layout 7", { u"ann"_s, u"lee"_s, u"1310.555.1234"_s }, u"LEE ANN|131 0555-1234"_s);
        translate("translate layout 7, 10 digits", { u"ann"_s, u"lee"_s, u"555.123.4567"_s },
                  u"LEE ANN|555.123.4567"_s);
    }

    void listEntry()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, texts);
        QFETCH(QString, row);
        const bool reject = command == u"Reject"_s;
        const bool layout7 = QString::fromLatin1(QTest::currentDataTag()).contains(u"layout 7"_s);
        QVERIFY(startWithCalls());
        h->app->settings().Format = layout7 ? 7 : 1;
        QVERIFY(open(command));
        QCOMPARE(child(u"txtNumber"_s)->toolTip(),
                 u"Enter number in the format of \"%1\""_s.arg(layout7 ? u"xxx xxxx-xxxx"_s : u"xxx-xxx-xxxx"_s));
        // Added behind the window's back: entering reads the list again.
        QVERIFY(ListEntries(h->app->database())
                    .add(reject ? RecordList::Reject : RecordList::Translate, u"900"_s, u"OTHER"_s));
        QLineEdit* first = m_window->findChildren<QLineEdit*>().constFirst(); // the name, or the first name
        first->setFocus();
        for (const QString& text : texts) { // Enter moves on from box to box, then presses Enter
            QTest::keyClicks(QApplication::focusWidget(), text);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

        QStringList expected
            = h->rows(u"SELECT Name, Number FROM %1 WHERE Number <> '900' ORDER BY rowid"_s.arg(command));
        QCOMPARE(expected.mid(1), row.isEmpty() ? QStringList() : QStringList { row });
        if (reject || !row.isEmpty()) // translate reads it again only after adding
            expected.insert(1, u"OTHER|900"_s);
        if (!reject) // by name
            std::sort(expected.begin(), expected.end());
        QCOMPARE(shown(), expected);
        QCOMPARE(boxTexts(), QStringList(texts.size(), QString()));
        QCOMPARE(QApplication::focusWidget(), first);
    }

    void failingEntryIsReportedAndKeepsTheText()
    {
        QVERIFY(startWithCalls());
        QCOMPARE(h->rows(u"CREATE TRIGGER no BEFORE INSERT ON Reject BEGIN SELECT RAISE(ABORT, 'refused'); END"_s),
                 QStringList());
        QVERIFY(open(u"Reject"_s));
        child(u"txtName"_s)->setText(u"smith"_s);
        click(u"cmdEnter"_s);
        QVERIFY2(h->shownBoxes().value(0).contains(u"refused"_s), qPrintable(h->shownBoxes().join(u'\n')));
        QCOMPARE(child(u"txtName"_s)->text(), u"smith"_s);
    }

    void editInPlaceAndDeleteMany_data()
    {
        QTest::addColumn<QString>("command"); // opened with a double-click or, as the tag says, F2
        QTest::addColumn<QString>("entry"); // name|number, as listed
        QTest::addColumn<QStringList>("boxes"); // as loaded
        QTest::addColumn<QString>("box"); // retyped
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("changed"); // as stored
        QTest::newRow("reject, F2") << u"Reject"_s << u"TELEMARKETER|800-555-0199"_s
                                    << QStringList { u"TELEMARKETER"_s, u"800-555-0199"_s } << u"txtNumber"_s
                                    << u"8005550100"_s << u"TELEMARKETER|800-555-0100"_s;
        QTest::newRow("reject stand-ins, double-click")
            << u"Reject"_s << u"N/A|000-000-0000"_s << QStringList { {}, {} } << u"txtName"_s << u"sales"_s
            << u"SALES|000-000-0000"_s;
        QTest::newRow("translate, double-click") << u"Translate"_s << u"WILSON ANN|212-555-0100"_s
                                                 << QStringList { u"ANN"_s, u"WILSON"_s, u"212-555-0100"_s }
                                                 << u"txtFirstName"_s << u"anne"_s << u"WILSON ANNE|212-555-0100"_s;
    }

    void editInPlaceAndDeleteMany()
    {
        QFETCH(QString, command);
        QFETCH(QString, entry);
        QFETCH(QStringList, boxes);
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, changed);
        QVERIFY(startWithCalls());
        const QString insert
            = u"INSERT INTO %1 (Name, Number) VALUES ('N/A', '000-000-0000'), ('B', '1'), ('C', '2')"_s;
        QCOMPARE(h->rows(insert.arg(command)), QStringList());
        QVERIFY(open(command));
        const int row = shown().indexOf(entry);
        QVERIFY(row >= 0);
        const QStringList rowIds = h->rows(u"SELECT rowid FROM "_s + command);
        grid()->selectRow(row);
        if (!QString::fromLatin1(QTest::currentDataTag()).contains(u"F2"_s)) {
            const QRect cell = grid()->visualRect(model()->index(row, model()->column(u"Name"_s)));
            QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
        } else {
            QTest::keyClick(grid(), Qt::Key_F2);
        }
        QCOMPARE(boxTexts(), boxes);
        QVERIFY(child<QLabel>(u"lblEditing"_s)->isVisible());
        child(box)->setText(text);
        click(u"cmdEnter"_s);
        QCOMPARE(h->rows(u"SELECT rowid FROM "_s + command), rowIds); // in place: no row added or lost
        QVERIFY(shown().contains(changed));
        QVERIFY(!shown().contains(entry));
        QVERIFY(!child<QLabel>(u"lblEditing"_s)->isVisible());

        // Delete asks about one entry by its name and number, about several by their count; only Yes removes.
        h->boxes.queueAnswer(MessageBoxes::Answer::Yes);
        grid()->selectRow(shown().indexOf(changed));
        QTest::keyClick(grid(), Qt::Key_Delete);
        QVERIFY(!shown().contains(changed));
        grid()->selectionModel()->clearSelection();
        for (const QString& other : { u"B|1"_s, u"C|2"_s })
            grid()->selectionModel()->select(model()->index(shown().indexOf(other), 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
        h->boxes.queueAnswer(MessageBoxes::Answer::No);
        h->boxes.queueAnswer(MessageBoxes::Answer::Yes);
        QTest::keyClick(grid(), Qt::Key_Delete);
        QCOMPARE(shown().size(), rowIds.size() - 1);
        QTest::keyClick(grid(), Qt::Key_Delete);
        const QString title = m_window->windowTitle();
        const QString several = u"%1|Remove these 2 entries from the %2 list?"_s.arg(title, command.toLower());
        QCOMPARE(h->shownBoxes(),
                 QStringList({ u"%1|Remove this entry from the %2 list?\r\n\r\nName: %3\r\nNumber: %4"_s.arg(
                                   title, command.toLower(), changed.section(u'|', 0, 0), changed.section(u'|', 1)),
                               several, several }));
        for (const RecordingBoxes::Shown& box : h->boxes.shown) // Enter keeps the entries
            QCOMPARE(box.buttons, MessageBoxes::Buttons::YesNoDefaultNo);
        QCOMPARE(count(command), QString::number(rowIds.size() - 3));
    }

    void phoneIndexListsEachPairOnceByName()
    {
        QVERIFY(startWithCalls() && open(u"PhoneBook"_s));
        const QStringList pairs { u"BLACKSMITH CO|555-987-6543"_s, u"O'BRIEN PAT|416-555-0101"_s,
                                  u"SMITH JOHN|212-867-5309"_s, u"SMITH JOHN|555-123-4567"_s, u"UNKNOWN|UNKNOWN"_s };
        QCOMPARE(shown(), pairs);
        grid()->selectRow(0);
        QTest::keyClick(grid(), Qt::Key_Delete); // read only: the calls stay
        QCOMPARE(count(u"CID"_s), u"6"_s);
        // Brought forward without querying again; reopened, it reads anew.
        h->addCall(u"ZED|555-000-0000"_s);
        QSignalSpy resets(model(), &QAbstractItemModel::modelReset);
        h->action(u"PhnIndx"_s)->trigger();
        QCOMPARE(resets.size(), 0);
        QCOMPARE(shown(), pairs);
        m_window->close();
        QTRY_VERIFY(!m_window);
        QVERIFY(open(u"PhoneBook"_s));
        QCOMPARE(shown(), pairs + QStringList { u"ZED|555-000-0000"_s });
    }
};

} // namespace Quillon::Test

QTEST_MAIN(Quillon::Test::TestListWindows)
#include "tst_listwindows.moc"

// SPDX-License-Identifier: GPL-2.0-or-later
// What every secondary window shares: size and place kept, Escape, sorting by
// a header, the caller actions, and lists following new calls.
#include "windowrig.h"

#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>

namespace Quillon::Test {

class TestWindowSet : public WindowRig
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { renew(); }

    void openResizeCloseOnEscapeSortAndComeBack_data()
    {
        QTest::addColumn<QString>("command"); // the menu item
        QTest::addColumn<QString>("button"); // on the toolbar
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("resizable");
        QTest::addColumn<QString>("sortBy"); // the header clicked twice; empty: no grid
        QTest::addColumn<QStringList>("sorted"); // the first two rows after each click
        QTest::addColumn<QString>("focused"); // on opening; empty: not checked
        QTest::newRow("Search") << u"Search"_s << u"Srch"_s << u"Search Caller Information"_s << true << u"Name"_s
                                << QStringList { u"BLACKSMITH CO|555-987-6543"_s, u"CALLER 001|555-000-0299"_s,
                                                 u"UNKNOWN|UNKNOWN"_s, u"SMITH JOHN|555-123-4567"_s }
                                << u"Option1"_s;
        QTest::newRow("Reject") << u"Reject"_s << u"RjctLst"_s << u"Rejected Numbers"_s << true << u"Number"_s
                                << QStringList { u"CALLER 300|555-000-0000"_s, u"CALLER 299|555-000-0001"_s,
                                                 u"TELEMARKETER|800-555-0199"_s, u"CALLER 001|555-000-0299"_s }
                                << u"txtName"_s;
        QTest::newRow("PhoneBook") << u"PhoneBook"_s << u"PhnIndx"_s << u"Phone Index"_s << true << u"Number"_s
                                   << QStringList { u"SMITH JOHN|212-867-5309"_s, u"O'BRIEN PAT|416-555-0101"_s,
                                                    u"UNKNOWN|UNKNOWN"_s, u"BLACKSMITH CO|555-987-6543"_s }
                                   << QString();
        QTest::newRow("Translate") << u"Translate"_s << u"trnslate"_s << u"Enter Caller Information"_s << true
                                   << u"Name"_s
                                   << QStringList { u"CALLER 001|555-000-0299"_s, u"CALLER 002|555-000-0298"_s,
                                                    u"WILSON ANN|212-555-0100"_s, u"CALLER 300|555-000-0000"_s }
                                   << u"txtFirstName"_s;
        QTest::newRow("Network") << u"Network"_s << QString() << u"Network"_s << true << QString() << QStringList()
                                 << u"chkShare"_s;
        QTest::newRow("Format") << u"Format"_s << QString() << u"CallerID Format"_s << false << QString()
                                << QStringList() << QString();
        QTest::newRow("Communications") << u"Communications"_s << u"CommSet"_s << u"Communications"_s << false
                                        << QString() << QStringList() << QString();
    }
    void openResizeCloseOnEscapeSortAndComeBack()
    {
        QFETCH(QString, command);
        QFETCH(QString, button);
        QFETCH(QString, title);
        QFETCH(bool, resizable);
        QFETCH(QString, sortBy);
        QFETCH(QStringList, sorted);
        QFETCH(QString, focused);
        QVERIFY(startWithCalls());
        QVERIFY(open(command));
        QCOMPARE(m_window->windowTitle(), title);
        if (!focused.isEmpty())
            QCOMPARE(QApplication::focusWidget()->objectName(), focused);
        if (!button.isEmpty()) { // the same one brought forward
            m_window->hide();
            h->action(button)->trigger();
            QVERIFY(m_window && m_window->isVisible());
        }
        if (command == u"Search"_s)
            click(u"cmdSearch"_s);
        const QSize natural = m_window->size();
        QCOMPARE(m_window->minimumSize(), natural); // never smaller than laid out
        QCOMPARE(m_window->maximumSize() == natural, !resizable);
        const QString name = m_window->objectName();
        const QRect placed(QPoint(30, 40), resizable ? natural + QSize(160, 90) : natural);
        const QSize gridBefore = grid() ? grid()->size() : QSize();
        m_window->setGeometry(placed);
        if (grid()) { // the grid takes the room, its last column the width
            QTRY_COMPARE(grid()->size(), gridBefore + QSize(160, 90));
            QVERIFY(grid()->horizontalHeader()->logicalIndexAt(grid()->viewport()->width() - 2) >= 0);
        }
        QTest::keyClick(m_window->focusWidget() ? m_window->focusWidget() : m_window.data(), Qt::Key_Escape);
        QTRY_VERIFY(!m_window);
        QCOMPARE(h->ini(u"Windows"_s, name), u"30,40,%1,%2"_s.arg(placed.width()).arg(placed.height()));
        QVERIFY(open(command));
        QCOMPARE(m_window->geometry(), placed);
        if (sortBy.isEmpty())
            return;
        m_window->close();
        QTRY_VERIFY(!m_window);
        const QString table = command == u"Reject"_s || command == u"Translate"_s ? command : u"CID"_s;
        // More rows than the grid fetches at once.
        QCOMPARE(h->rows(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                         "INSERT INTO %1 (Name, Number) SELECT printf('CALLER %03d', i), "
                         "printf('555-000-%04d', 300 - i) FROM n"_s.arg(table)),
                 QStringList());
        QVERIFY(open(command));
        m_tester.reset(); // it fetches every row, which is what the grid must not do
        if (command == u"Search"_s)
            click(u"cmdSearch"_s);
        QHeaderView* header = grid()->horizontalHeader();
        const int section = model()->column(sortBy);
        for (int clicks = 1; clicks <= 2; ++clicks) { // each sorts by the query again
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(section) + 5, header->height() / 2));
            // Still fetched as the user scrolls; the distinct callers, whose
            // every page would cost a pass over all calls, at once.
            const bool paged = command != u"PhoneBook"_s;
            QCOMPARE(model()->canFetchMore(), paged);
            QCOMPARE(model()->rowCount() < 300, paged);
            // Meanwhile the grid holds nothing open: another program writes at once.
            SqlFile writer(h->dir.databasePath());
            QVERIFY(writer.run(u"PRAGMA busy_timeout = 0"_s));
            QVERIFY(writer.run(u"INSERT INTO Reject (Number, Name) VALUES ('1', 'WRITER')"_s));
            QVERIFY(writer.run(u"DELETE FROM Reject WHERE Name = 'WRITER'"_s));
            QCOMPARE(header->sortIndicatorSection(), section);
            QCOMPARE(header->sortIndicatorOrder(), clicks == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
            QCOMPARE(shown().mid(0, 2), sorted.mid(2 * clicks - 2, 2));
        }
    }

    void savedPlaceComesBackOnScreen_data()
    {
        QTest::addColumn<QString>("window"); // the main window, or the window a command opens
        QTest::addColumn<QString>("saved"); // where, against the free area of the screen
        for (const char* window : { "frmCIDDisplay", "Search" }) {
            for (const char* saved : { "inside", "hanging off the bottom right", "above and left", "off every screen",
                                       "larger than the screen" })
                QTest::addRow("%s, %s", window, saved) << QString::fromLatin1(window) << QString::fromLatin1(saved);
        }
    }
    void savedPlaceComesBackOnScreen()
    {
        QFETCH(QString, window);
        QFETCH(QString, saved);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        const QSize size(360, 260);
        const QHash<QString, QRect> places {
            { u"inside"_s, QRect(area.topLeft() + QPoint(30, 40), size) },
            { u"hanging off the bottom right"_s, QRect(area.bottomRight() - QPoint(100, 50), size) },
            { u"above and left"_s, QRect(area.topLeft() - QPoint(500, 400), size) },
            { u"off every screen"_s, QRect(area.bottomRight() + QPoint(5000, 5000), size) },
            { u"larger than the screen"_s, QRect(area.topLeft(), area.size() + QSize(200, 200)) },
        };
        const QRect place = places.value(saved);
        const QString text = u"%1,%2,%3,%4"_s.arg(place.x()).arg(place.y()).arg(place.width()).arg(place.height());
        const bool main = window == u"frmCIDDisplay"_s;
        QVERIFY(h->start(main ? u"\n[Windows]\nfrmCIDDisplay="_s + text : QString()));
        QWidget* shown = h->window();
        if (!main) {
            QVERIFY(SetIniValue(h->dir.iniPath(), u"Windows"_s, u"frmSearch"_s, text));
            QVERIFY(open(window));
            shown = m_window;
        }
        const auto shownAt
            = [](const QRect& r) { return u"%1,%2 %3x%4"_s.arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()); };
        QVERIFY2(area.contains(shown->geometry()), qPrintable(shownAt(shown->geometry()) + u" in "_s + shownAt(area)));
        if (saved == u"inside"_s)
            QCOMPARE(shown->geometry().topLeft(), place.topLeft());
        else if (saved == u"off every screen"_s) // the frame comes on once shown
            QVERIFY((shown->geometry().center() - area.center()).manhattanLength() <= 4);
    }

    void callerActionsInEveryList_data()
    {
        QTest::addColumn<QString>("list"); // the main window's, or the window a command opens
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("key"); // with Ctrl; 0: from the context menu
        QTest::addColumn<QStringList>("texts"); // the boxes filled in, or what was copied
        const QStringList reject { u"O'BRIEN PAT"_s, u"416-555-0101"_s };
        const QStringList translate { u"PAT"_s, u"O'BRIEN"_s, u"416-555-0101"_s };
        const QStringList copied { u"O'BRIEN PAT\t416-555-0101"_s };
        QTest::newRow("calls, reject, menu") << QString() << u"RejectCaller"_s << 0 << reject;
        QTest::newRow("calls, translate, key") << QString() << u"TranslateNumber"_s << int(Qt::Key_T) << translate;
        QTest::newRow("calls, copy, key") << QString() << u"CopyCaller"_s << int(Qt::Key_C) << copied;
        QTest::newRow("search, reject, key") << u"Search"_s << u"RejectCaller"_s << int(Qt::Key_R) << reject;
        QTest::newRow("search, copy, menu") << u"Search"_s << u"CopyCaller"_s << 0 << copied;
        QTest::newRow("index, translate, menu") << u"PhoneBook"_s << u"TranslateNumber"_s << 0 << translate;
    }

    void callerActionsInEveryList()
    {
        QFETCH(QString, list);
        QFETCH(QString, action);
        QFETCH(int, key);
        QFETCH(QStringList, texts);
        QVERIFY(startWithCalls());
        QAbstractItemView* view = h->list();
        QModelIndex row;
        if (list.isEmpty()) {
            h->window()->AddCallToList(u"O'BRIEN PAT"_s, u"416-555-0101"_s);
            h->window()->AddCallToList(u"SMITH JOHN"_s, u"555-123-4567"_s);
            h->window()->activateWindow();
            row = view->model()->index(1, 0);
        } else {
            QVERIFY(open(list));
            if (list == u"Search"_s)
                click(u"cmdSearch"_s);
            view = grid();
            row = model()->index(shown().indexOf(u"O'BRIEN PAT|416-555-0101"_s), model()->column(u"Name"_s));
        }
        QGuiApplication::clipboard()->clear();
        view->setFocus();
        if (key) {
            view->setCurrentIndex(row);
            QTest::keyClick(view, Qt::Key(key), Qt::ControlModifier);
        } else { // a right-click on a row that was not selected
            Q_EMIT view->customContextMenuRequested(view->visualRect(row).center());
            auto* menu = view->findChild<QMenu*>(u"callerMenu"_s);
            QTRY_VERIFY(menu->isVisible());
            QAction* item = view->findChild<QAction*>(action);
            QVERIFY(menu->actions().contains(item) && item->isEnabled());
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
            QTRY_VERIFY(!menu->isVisible());
        }
        if (action == u"CopyCaller"_s) {
            QCOMPARE(QGuiApplication::clipboard()->text(), texts.join(u'\n'));
            return;
        }
        const QString table = action == u"RejectCaller"_s ? u"Reject"_s : u"Translate"_s;
        m_window = h->app->windows()->window(u"frm"_s + table);
        QVERIFY(m_window && m_window->isVisible());
        QCOMPARE(boxTexts(), texts);
        QCOMPARE(m_window->focusWidget(), m_window->findChildren<QLineEdit*>().constFirst());
        click(u"cmdEnter"_s); // stored exactly as listed
        QVERIFY(h->rows(u"SELECT Name, Number FROM "_s + table).contains(u"O'BRIEN PAT|416-555-0101"_s));
    }

    void openListsFollowNewCalls()
    {
        QVERIFY(startWithCalls());
        QCOMPARE(h->rows(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                         "INSERT INTO CID (Name, Number, SysTime) SELECT printf('SMITH %03d', i), "
                         "printf('555-000-%04d', i), '2025-01-01 00:00:00' FROM n"_s),
                 QStringList());
        QVERIFY(open(u"PhoneBook"_s));
        m_tester.reset(); // it fetches every row, which is what the grid must not do
        auto* indexGrid = child<QTableView>(u"DataGrid1"_s);
        indexGrid->selectRow(shown().indexOf(u"O'BRIEN PAT|416-555-0101"_s));
        QVERIFY(open(u"Search"_s));
        m_tester.reset();
        choose(u"Option2"_s);
        QTest::keyClicks(child(u"txtSearch"_s), u"SMITH"_s);
        click(u"cmdSearch"_s);
        grid()->resize(grid()->width(), 200);
        grid()->selectRow(120);
        grid()->verticalScrollBar()->setValue(100);
        const QString selected = shown().value(120);
        const int loaded = model()->rowCount();
        // Neither grid is read again: the call is put in its place.
        QSignalSpy indexReads(indexGrid->model(), &QAbstractItemModel::modelReset);
        QSignalSpy searchReads(model(), &QAbstractItemModel::modelReset);

        QVERIFY(h->call(u"SMITH NEW"_s, u"5550001111"_s).isValid());
        QCOMPARE(child(u"txtSearch"_s)->text(), u"SMITH"_s);
        QCOMPARE(countLine(), u"305 Record(s) Displayed"_s);
        QVERIFY(model()->rowCount() >= loaded);
        QCOMPARE(grid()->verticalScrollBar()->value(), 100);
        const QModelIndexList rows = grid()->selectionModel()->selectedRows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(shown().value(rows.first().row()), selected);
        QCOMPARE(shown().first(), u"SMITH NEW|555-000-1111"_s);
        QCOMPARE(searchReads.size(), 0);
        QCOMPARE(indexReads.size(), 0);
        QCOMPARE(indexGrid->selectionModel()->selectedRows().value(0).data().toString(), u"O'BRIEN PAT"_s);
        const auto indexNames = [model = indexGrid->model()] {
            QStringList names;
            for (int row = 0; row < model->rowCount(); ++row)
                names << model->index(row, 0).data().toString();
            return names;
        };
        QCOMPARE(indexNames().filter(u"SMITH NEW"_s).size(), 1);
        QCOMPARE(indexNames().mid(indexNames().indexOf(u"SMITH NEW"_s) - 1, 3),
                 QStringList({ u"SMITH JOHN"_s, u"SMITH NEW"_s, u"UNKNOWN"_s }));

        // Deleted in Search, the call leaves the index too; the next call, given the freed rowid, is still found.
        grid()->selectRow(0);
        h->boxes.queueAnswer(MessageBoxes::Answer::Yes);
        QTest::keyClick(grid(), Qt::Key_Delete);
        QVERIFY(!indexNames().contains(u"SMITH NEW"_s));
        QVERIFY(h->call(u"SMITH NEWER"_s, u"5550001112"_s).isValid());
        QCOMPARE(indexNames().filter(u"SMITH NEW"_s), QStringList { u"SMITH NEWER"_s });
        QCOMPARE(shown().first(), u"SMITH NEWER|555-000-1112"_s);
    }
};

} // namespace Quillon::Test

QTEST_MAIN(Quillon::Test::TestWindowSet)
#include "tst_windowset.moc"

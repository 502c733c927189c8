// SPDX-License-Identifier: GPL-2.0-or-later
// The secondary windows, opened from the running program's menus.
#include "app/appharness.h"
#include "reception/modemchannel.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>

using namespace Qt::StringLiterals;

namespace Quillon::Test {

// The calls in the database, oldest first.
const QStringList kCalls { u"SMITH JOHN|212-867-5309"_s, u"O'BRIEN PAT|416-555-0101"_s,   u"SMITH JOHN|555-123-4567"_s,
                           u"SMITH JOHN|555-123-4567"_s, u"BLACKSMITH CO|555-987-6543"_s, u"UNKNOWN|UNKNOWN"_s };

class TestWindowSet : public QObject
{
    Q_OBJECT

    template<class T = QLineEdit> T* child(const QString& name) const { return m_window->findChild<T*>(name); }
    void click(const QString& button) const { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    // On the indicator: a wide radio button takes clicks only near its text.
    void choose(const QString& option) const
    {
        QTest::mouseClick(child<QRadioButton>(option), Qt::LeftButton, {},
                          QPoint(6, child<QRadioButton>(option)->height() / 2));
    }
    RecordGridModel* model() const { return child<RecordGridModel>({}); }
    QStringList shown() const { return Harness::gridRows(model(), { u"Name"_s, u"Number"_s }); }
    QString countLine() const { return child<QLabel>(u"lblRcCount"_s)->text(); }
    void search(int option, const QString& text)
    {
        choose(u"Option%1"_s.arg(option));
        QTest::keyClicks(child(u"txtSearch"_s), text);
        click(u"cmdSearch"_s);
    }
    QString checkedOptions() const
    {
        QStringList names;
        for (QRadioButton* button : m_window->findChildren<QRadioButton*>())
            names << (button->isChecked() ? button->objectName() : QString());
        names.removeAll({});
        names.sort();
        return names.join(u' ');
    }
    void open(const QString& command)
    {
        m_h->action(command)->trigger();
        for (QWidget* window : m_h->window()->findChildren<QWidget*>()) {
            if (window->isWindow() && window->isVisible())
                m_window = window;
        }
        QVERIFY(m_window);
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        m_tester.reset(model() ? new QAbstractItemModelTester(model()) : nullptr);
    }

    std::unique_ptr<Harness> m_h;
    QPointer<QWidget> m_window;
    std::unique_ptr<QAbstractItemModelTester> m_tester;

private Q_SLOTS:
    void init()
    {
        m_h = std::make_unique<Harness>();
        QVERIFY(m_h->start());
        for (const QString& call : kCalls)
            m_h->addCall(call);
        QVERIFY(m_h->app->database().AddReject(u"800-555-0199"_s, u"TELEMARKETER"_s));
        QVERIFY(m_h->app->database().AddTranslate(u"212-555-0100"_s, u"WILSON ANN"_s));
    }
    void cleanup()
    {
        m_tester.reset();
        m_h.reset();
    }

    void search_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("calls"); // indexes into kCalls
        QTest::newRow("All") << 1 << QString() << QList<int> { 5, 4, 3, 2, 1, 0 };
        QTest::newRow("Name SMI") << 2 << u"SMI"_s << QList<int> { 4, 3, 2, 0 };
        QTest::newRow("Number 555") << 3 << u"555"_s << QList<int> { 4, 3, 2, 1 };
        QTest::newRow("apostrophe") << 2 << u"O'B"_s << QList<int> { 1 };
        QTest::newRow("statement text") << 2 << u"' OR '1'='1"_s << QList<int> {};
        QTest::newRow("empty name") << 2 << QString() << QList<int> {};
    }
    void search()
    {
        QFETCH(int, option);
        QFETCH(QString, text);
        QFETCH(QList<int>, calls);
        open(u"Search"_s);
        search(option, text);
        QStringList expected;
        for (int call : calls)
            expected << kCalls.at(call);
        QCOMPARE(shown(), expected);
        QCOMPARE(countLine(), u"%1 Record(s) Displayed"_s.arg(calls.size()));
        QVERIFY(m_h->boxes.shown.isEmpty());
    }

    void searchOptionClearsTheTextAndSetsTheLimit()
    {
        open(u"Srch"_s);
        QCOMPARE(checkedOptions(), u"Option1"_s);
        QVERIFY(!child(u"txtSearch"_s)->isEnabled());
        QVERIFY(countLine().isEmpty());
        const int limits[] = { 0, 50, 12 };
        for (int option : { 1, 2, 3 }) {
            choose(u"Option%1"_s.arg(option == 2 ? 3 : 2));
            QTest::keyClicks(child(u"txtSearch"_s), u"555"_s);
            choose(u"Option%1"_s.arg(option));
            QCOMPARE(child(u"txtSearch"_s)->text(), QString());
            QCOMPARE(child(u"txtSearch"_s)->isEnabled(), option != 1);
            QTest::keyClicks(child(u"txtSearch"_s), QString(60, u'9'));
            QCOMPARE(child(u"txtSearch"_s)->text().size(), limits[option - 1]);
        }
    }

    void searchEnterMovesToSearchWithoutSearching()
    {
        open(u"Search"_s);
        choose(u"Option2"_s);
        child(u"txtSearch"_s)->setFocus();
        QTest::keyClicks(child(u"txtSearch"_s), u"SMI"_s);
        QTest::keyClick(child(u"txtSearch"_s), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget()->objectName(), u"cmdSearch"_s);
        QVERIFY(countLine().isEmpty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(countLine(), u"4 Record(s) Displayed"_s);
    }

    void searchCountsWithoutFetchingEveryRow()
    {
        QCOMPARE(m_h->rows(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                           "INSERT INTO CID (Name, Number, Date, Time, SysTime) SELECT 'CALLER ' || i, "
                           "'555-000-' || i, '0101', '0900', '2025-01-01 09:00:00' FROM n"_s),
                 QStringList());
        open(u"Search"_s);
        m_tester.reset(); // it would fetch every row in its own checks
        search(1, {});
        QCOMPARE(countLine(), u"2006 Record(s) Displayed"_s);
        QVERIFY2(model()->rowCount() < 2006, qPrintable(QString::number(model()->rowCount())));
        // The newest first, its stored time shown in the user's layout.
        QCOMPARE(model()->index(0, model()->column(u"Name"_s)).data().toString(), u"UNKNOWN"_s);
        QVERIFY(model()->index(0, model()->column(u"SysTime"_s)).data().toString().endsWith(u" 14:38:00"_s));
    }

    void listEntry_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("texts"); // name, number or first, last name, number
        QTest::addColumn<QString>("row"); // stored; empty: nothing
        QTest::newRow("reject name") << u"Reject"_s << QStringList { u"smith"_s, {} } << u"SMITH|000-000-0000"_s;
        QTest::newRow("reject number") << u"Reject"_s << QStringList { {}, u"555-123-4567"_s } << u"N/A|555-123-4567"_s;
        QTest::newRow("reject as typed") << u"Reject"_s << QStringList { u" o'hara"_s, u" 5551 "_s }
                                         << u" O'HARA| 5551 "_s;
        QTest::newRow("reject nothing") << u"Reject"_s << QStringList { {}, {} } << QString();
        QTest::newRow("translate") << u"Translate"_s << QStringList { u" john "_s, u"smith"_s, u" 555-1 "_s }
                                   << u"SMITH JOHN|555-1"_s;
        QTest::newRow("translate last") << u"Translate"_s << QStringList { {}, u"acme"_s, u"555-0"_s }
                                        << u"ACME |555-0"_s;
        QTest::newRow("translate first") << u"Translate"_s << QStringList { u"zoe"_s, {}, u"555-2"_s }
                                         << u" ZOE|555-2"_s;
        QTest::newRow("translate no number") << u"Translate"_s << QStringList { u"a"_s, u"b"_s, u"  "_s } << QString();
        QTest::newRow("translate no name") << u"Translate"_s << QStringList { u" "_s, {}, u"555"_s } << QString();
    }
    void listEntry()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, texts);
        QFETCH(QString, row);
        const bool reject = command == u"Reject"_s;
        const QStringList boxes = reject ? QStringList { u"txtName"_s, u"txtNumber"_s }
                                         : QStringList { u"txtFirstName"_s, u"txtLastName"_s, u"txtNumber"_s };
        open(command);
        // Added behind the window's back: entering reads the list again.
        QVERIFY(reject ? m_h->app->database().AddReject(u"900"_s, u"OTHER"_s)
                       : m_h->app->database().AddTranslate(u"900"_s, u"OTHER"_s));
        for (int i = 0; i < boxes.size(); ++i)
            child(boxes.at(i))->setText(texts.at(i));
        click(u"cmdEnter"_s);

        QStringList expected
            = m_h->rows(u"SELECT Name, Number FROM %1 WHERE Number <> '900' ORDER BY rowid"_s.arg(command));
        QCOMPARE(expected.mid(1), row.isEmpty() ? QStringList() : QStringList { row });
        if (reject || !row.isEmpty()) // translate reads it again only after adding
            expected.insert(1, u"OTHER|900"_s);
        if (!reject) // by name
            std::sort(expected.begin(), expected.end());
        QCOMPARE(shown(), expected);
        for (const QString& box : boxes)
            QVERIFY2(child(box)->text().isEmpty(), qPrintable(box));
        QCOMPARE(QApplication::focusWidget(), child(boxes.first()));
        QVERIFY(m_h->boxes.shown.isEmpty());
    }

    void deleteAsks_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("yes");
        QTest::newRow("reject, yes") << u"Reject"_s << true;
        QTest::newRow("translate, no") << u"Translate"_s << false;
    }
    void deleteAsks()
    {
        QFETCH(QString, command);
        QFETCH(bool, yes);
        open(command);
        const QStringList before = shown();
        auto* grid = child<QTableView>(u"DataGrid1"_s);
        grid->setFocus();
        grid->selectRow(0);
        m_h->boxes.queueAnswer(yes ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(m_h->boxes.shown.size(), 1);
        QCOMPARE(m_h->boxes.shown.first().buttons, MessageBoxes::Buttons::YesNo);
        QVERIFY2(m_h->boxes.shown.first().text.contains(before.first().section(u'|', 0, 0)),
                 qPrintable(m_h->boxes.shown.first().text));
        QCOMPARE(shown(), yes ? QStringList() : before);
        QCOMPARE(m_h->rows(u"SELECT count(*) FROM "_s + command), QStringList { yes ? u"0"_s : u"1"_s });
    }

    void failingEntryIsReportedAndKeepsTheText()
    {
        QCOMPARE(m_h->rows(u"CREATE TRIGGER no BEFORE INSERT ON Reject BEGIN SELECT RAISE(ABORT, 'refused'); END"_s),
                 QStringList());
        open(u"Reject"_s);
        child(u"txtName"_s)->setText(u"smith"_s);
        click(u"cmdEnter"_s);
        QCOMPARE(m_h->boxes.shown.size(), 1);
        QVERIFY2(m_h->boxes.shown.first().text.contains(u"refused"_s), qPrintable(m_h->boxes.shown.first().text));
        QCOMPARE(child(u"txtName"_s)->text(), u"smith"_s);
    }

    void phoneIndexListsEachPairOnceByName()
    {
        open(u"PhoneBook"_s);
        const QStringList pairs { u"BLACKSMITH CO|555-987-6543"_s, u"O'BRIEN PAT|416-555-0101"_s,
                                  u"SMITH JOHN|212-867-5309"_s, u"SMITH JOHN|555-123-4567"_s, u"UNKNOWN|UNKNOWN"_s };
        QCOMPARE(shown(), pairs);
        child<QTableView>(u"DataGrid1"_s)->selectRow(0);
        QTest::keyClick(child<QTableView>(u"DataGrid1"_s), Qt::Key_Delete); // read only: the calls stay
        QCOMPARE(m_h->rows(u"SELECT count(*) FROM CID"_s), QStringList { u"6"_s });
        // Brought forward without querying again; reopened, it reads anew.
        m_h->addCall(u"ZED|555-000-0000"_s);
        QSignalSpy resets(model(), &QAbstractItemModel::modelReset);
        m_h->action(u"PhnIndx"_s)->trigger();
        QCOMPARE(resets.size(), 0);
        QCOMPARE(shown(), pairs);
        m_window->close();
        QTRY_VERIFY(!m_window);
        open(u"PhoneBook"_s);
        QCOMPARE(shown(), pairs + QStringList { u"ZED|555-000-0000"_s });
    }

    void communicationsSaveKeepsWhatNoOptionShows_data()
    {
        QTest::addColumn<QString>("comm");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("saved"); // port|speed|command
        QTest::addColumn<QString>("message");
        QTest::newRow("defaults") << QString() << u"Option3 Option4 Option8"_s << u"1|14400|AT#CID=1"_s << QString();
        QTest::newRow("port 5, 57600, Cardinal")
            << u"[Comm]\nComPort=5\nBaud=57600\n[Modem]\nModemStrng=AT%CCID=3"_s << u"Option1 Option14 Option19"_s
            << u"5|57600|AT%CCID=3"_s << u"Comm Port 5 could not be found!"_s;
        QTest::newRow("speed 9600") << u"[Comm]\nComPort=1\nBaud=9600"_s << u"Option4 Option8"_s << u"1|9600|AT#CID=1"_s
                                    << QString();
        QTest::newRow("port 7") << u"[Comm]\nComPort=7\nBaud=28800"_s << u"Option18 Option8"_s << u"7|28800|AT#CID=1"_s
                                << u"Comm Port 7 could not be found!"_s;
    }
    void communicationsSaveKeepsWhatNoOptionShows()
    {
        QFETCH(QString, comm);
        QFETCH(QString, options);
        QFETCH(QString, saved);
        QFETCH(QString, message);
        m_h->app->settings().ComPort = 2; // the file's values replace these
        m_h->app->settings().Baud = u"28800"_s;
        m_h->writeIni(comm);
        open(u"Communications"_s);
        QCOMPARE(checkedOptions(), options);
        click(u"cmdSave"_s);
        QCOMPARE(m_h->ini(u"Comm"_s, u"ComPort"_s) + u'|' + m_h->ini(u"Comm"_s, u"Baud"_s) + u'|'
                     + m_h->ini(u"Modem"_s, u"ModemStrng"_s),
                 saved);
        QCOMPARE(m_h->boxes.shown.value(0).text, message);
        QCOMPARE(m_h->port->isOpen(), message.isEmpty());
        QVERIFY(m_window->isVisible());
    }

    void communicationsExitKeepsTheChoicesUnsaved()
    {
        open(u"CommSet"_s);
        const QString before = m_h->dir.readFile(u"QuillonCID.ini"_s);
        QCOMPARE(child<QRadioButton>(u"Option9"_s)->text(), u"Motorola"_s);
        choose(u"Option9"_s);
        choose(u"Option19"_s);
        click(u"cmdCancel"_s);
        QTRY_VERIFY(!m_window || !m_window->isVisible());
        QCOMPARE(m_h->app->settings().Baud, u"57600"_s);
        m_h->modem.pump();
        m_h->modem.clearReceivedCommands();
        m_h->app->modem().ReinitModem();
        QCOMPARE(m_h->modem.receivedCommands(), QStringList({ u"ATZ"_s, u"AT*ID1"_s }));
        QCOMPARE(m_h->dir.readFile(u"QuillonCID.ini"_s), before);
    }

    void formatTakesEffectAtOnceAndSaveStoresIt()
    {
        m_h->app->settings().Format = 9; // unknown: no option, the length stays
        m_h->app->settings().NmbrLngth = 12;
        open(u"Format"_s);
        QCOMPARE(checkedOptions(), QString());
        QCOMPARE(m_h->app->settings().NmbrLngth, qint16(12));
        QStringList captions;
        const int lengths[] = { 10, 10, 11, 11, 9, 10, 11, 8 };
        for (int n = 1; n <= 8; ++n) {
            captions << child<QRadioButton>(u"Option%1"_s.arg(n))->text();
            choose(u"Option%1"_s.arg(n));
            QCOMPARE(m_h->app->settings().Format, qint16(n));
            QCOMPARE(m_h->app->settings().NmbrLngth, qint16(lengths[n - 1]));
        }
        QCOMPARE(captions.join(u'|'),
                 u"123-456-7890 |12 4566-7890|1234 567-8901|12345-678901|12-3456789|1234 567890|"
                 "123 4567-8901|1234 5678"_s);
        click(u"cmdExit"_s);
        QTRY_VERIFY(!m_window);
        QCOMPARE(m_h->ini(u"Settings"_s, u"Format"_s), u"<missing>"_s);
        open(u"Format"_s);
        QCOMPARE(checkedOptions(), u"Option8"_s);
        choose(u"Option5"_s);
        click(u"cmdSave"_s);
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_h->ini(u"Settings"_s, u"Format"_s) + u'|' + m_h->ini(u"Settings"_s, u"NmbrLngth"_s), u"5|9"_s);
    }
};

} // namespace Quillon::Test

QTEST_MAIN(Quillon::Test::TestWindowSet)
#include "tst_windowset.moc"

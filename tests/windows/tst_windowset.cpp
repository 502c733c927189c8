// SPDX-License-Identifier: GPL-2.0-or-later
// The secondary windows, opened as the main window opens them, on a real
// database, settings file and simulated modem.
#include "config/settingsstore.h"
#include "windows/recordfixture.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace Quillon::Test {

// The calls in the database, oldest first.
const QStringList kCalls { u"SMITH JOHN|212-867-5309"_s, u"O'BRIEN PAT|416-555-0101"_s,   u"SMITH JOHN|555-123-4567"_s,
                           u"SMITH JOHN|555-123-4567"_s, u"BLACKSMITH CO|555-987-6543"_s, u"UNKNOWN|UNKNOWN"_s };

class TestWindowSet : public QObject
{
    Q_OBJECT

private:
    template<class T = QLineEdit> T* child(const QString& name) const { return m_window->findChild<T*>(name); }
    void click(const QString& button) const { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    // On the indicator: a wide radio button takes clicks only near its text.
    void choose(const QString& option) const
    {
        auto* button = child<QRadioButton>(option);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    RecordGridModel* model() const { return child<RecordGridModel>({}); }
    QStringList shown() const { return RecordFixture::gridRows(model(), { u"Name"_s, u"Number"_s }); }
    QString countLine() const { return child<QLabel>(u"lblRcCount"_s)->text(); }
    void search(int option, const QString& text)
    {
        choose(u"Option%1"_s.arg(option));
        QTest::keyClicks(child(u"txtSearch"_s), text);
        click(u"cmdSearch"_s);
    }
    QString stored(const QString& section, const QString& key) const
    {
        return GetIniValue(m_f->dir.iniPath(), section, key, u"<missing>"_s);
    }
    QStringList checkedOptions() const
    {
        QStringList names;
        for (QRadioButton* button : m_window->findChildren<QRadioButton*>()) {
            if (button->isChecked())
                names.append(button->objectName());
        }
        names.sort();
        return names;
    }
    void open(const QString& name)
    {
        const QHash<QString, void (WindowSet::*)()> commands {
            { u"frmSearch"_s, &WindowSet::openSearch },
            { u"frmReject"_s, &WindowSet::openReject },
            { u"frmTranslate"_s, &WindowSet::openTranslate },
            { u"frmPhnBook"_s, &WindowSet::openPhoneIndex },
            { u"frmCommSettings"_s, &WindowSet::openCommunications },
            { u"frmFormat"_s, &WindowSet::openFormat },
        };
        (m_f->windows.*commands.value(name))();
        m_tester.reset();
        m_window = m_f->windows.window(name);
        if (model())
            m_tester = std::make_unique<QAbstractItemModelTester>(model());
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
    }

    std::unique_ptr<RecordFixture> m_f;
    QPointer<QWidget> m_window;
    std::unique_ptr<QAbstractItemModelTester> m_tester;

private Q_SLOTS:
    void init()
    {
        m_f = std::make_unique<RecordFixture>();
        QVERIFY(m_f->opened);
        for (const QString& call : kCalls)
            m_f->addCall(call.section(u'|', 0, 0), call.section(u'|', 1));
        QVERIFY(m_f->database.AddReject(u"800-555-0199"_s, u"TELEMARKETER"_s));
        QVERIFY(m_f->database.AddTranslate(u"212-555-0100"_s, u"WILSON ANN"_s));
    }
    void cleanup()
    {
        m_tester.reset();
        m_f.reset();
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
        open(u"frmSearch"_s);
        search(option, text);
        QStringList expected;
        for (int call : calls)
            expected << kCalls.at(call);
        QCOMPARE(shown(), expected);
        QCOMPARE(countLine(), u"%1 Record(s) Displayed"_s.arg(calls.size()));
        QVERIFY(m_f->boxes.shown.isEmpty());
    }

    void searchOptionClearsTheTextAndSetsTheLimit()
    {
        open(u"frmSearch"_s);
        QVERIFY(child<QRadioButton>(u"Option1"_s)->isChecked());
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
        open(u"frmSearch"_s);
        choose(u"Option2"_s);
        child(u"txtSearch"_s)->setFocus();
        QTest::keyClicks(child(u"txtSearch"_s), u"SMI"_s);
        QTest::keyClick(child(u"txtSearch"_s), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget()->objectName(), u"cmdSearch"_s);
        QVERIFY(countLine().isEmpty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(countLine(), u"4 Record(s) Displayed"_s);
    }

    void failingSearchIsReportedAndTheWindowStaysUsable()
    {
        open(u"frmSearch"_s);
        search(1, {});
        QCOMPARE(m_f->rows(u"ALTER TABLE CID RENAME TO CIDGone"_s), QStringList());
        search(1, {});
        QCOMPARE(m_f->boxes.shown.size(), 1);
        QVERIFY2(m_f->boxes.shown.first().text.contains(u"CID"_s), qPrintable(m_f->boxes.shown.first().text));
        QCOMPARE(countLine(), u"6 Record(s) Displayed"_s);
        QCOMPARE(m_f->rows(u"ALTER TABLE CIDGone RENAME TO CID"_s), QStringList());
        search(2, u"O'B"_s);
        QCOMPARE(countLine(), u"1 Record(s) Displayed"_s);
    }

    void searchCountsWithoutFetchingEveryRow()
    {
        QCOMPARE(m_f->rows(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                           "INSERT INTO CID (Name, Number, Date, Time, SysTime) SELECT 'CALLER ' || i, "
                           "'555-000-' || i, '0101', '0900', '2025-01-01 09:00:00' FROM n"_s),
                 QStringList());
        open(u"frmSearch"_s);
        m_tester.reset(); // it would fetch every row in its own checks
        search(1, {});
        QCOMPARE(countLine(), u"2006 Record(s) Displayed"_s);
        QVERIFY2(model()->rowCount() < 2006, qPrintable(QString::number(model()->rowCount())));
        QCOMPARE(model()->index(0, model()->column(u"Name"_s)).data().toString(), u"UNKNOWN"_s);
        // Stored times are shown in the user's layout.
        QVERIFY(model()->index(0, model()->column(u"SysTime"_s)).data().toString().endsWith(u" 14:38:00"_s));
    }

    void listEntry_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("texts"); // name, number or first, last name, number
        QTest::addColumn<QString>("row"); // stored; empty: nothing
        QTest::newRow("reject name") << u"frmReject"_s << QStringList { u"smith"_s, {} } << u"SMITH|000-000-0000"_s;
        QTest::newRow("reject number") << u"frmReject"_s << QStringList { {}, u"555-123-4567"_s }
                                       << u"N/A|555-123-4567"_s;
        QTest::newRow("reject as typed") << u"frmReject"_s << QStringList { u" o'hara"_s, u" 5551 "_s }
                                         << u" O'HARA| 5551 "_s;
        QTest::newRow("reject nothing") << u"frmReject"_s << QStringList { {}, {} } << QString();
        QTest::newRow("translate") << u"frmTranslate"_s << QStringList { u" john "_s, u"smith"_s, u" 555-1 "_s }
                                   << u"SMITH JOHN|555-1"_s;
        QTest::newRow("translate last") << u"frmTranslate"_s << QStringList { {}, u"acme"_s, u"555-000-1111"_s }
                                        << u"ACME |555-000-1111"_s;
        QTest::newRow("translate first") << u"frmTranslate"_s << QStringList { u"zoe"_s, {}, u"555-000-2222"_s }
                                         << u" ZOE|555-000-2222"_s;
        QTest::newRow("translate no number")
            << u"frmTranslate"_s << QStringList { u"a"_s, u"b"_s, u"  "_s } << QString();
        QTest::newRow("translate no name") << u"frmTranslate"_s << QStringList { u" "_s, {}, u"555"_s } << QString();
    }
    void listEntry()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, texts);
        QFETCH(QString, row);
        const bool reject = window == u"frmReject"_s;
        const QString table = reject ? u"Reject"_s : u"Translate"_s;
        const QStringList boxes = reject ? QStringList { u"txtName"_s, u"txtNumber"_s }
                                         : QStringList { u"txtFirstName"_s, u"txtLastName"_s, u"txtNumber"_s };
        open(window);
        // Added behind the window's back: entering reads the list again.
        QVERIFY(reject ? m_f->database.AddReject(u"900"_s, u"OTHER"_s)
                       : m_f->database.AddTranslate(u"900"_s, u"OTHER"_s));
        for (int i = 0; i < boxes.size(); ++i)
            child(boxes.at(i))->setText(texts.at(i));
        click(u"cmdEnter"_s);

        QStringList expected
            = m_f->rows(u"SELECT Name, Number FROM %1 WHERE Number <> '900' ORDER BY rowid"_s.arg(table));
        QCOMPARE(expected.size(), row.isEmpty() ? 1 : 2);
        QCOMPARE(expected.last(), row.isEmpty() ? expected.first() : row);
        if (reject || !row.isEmpty()) // translate reads it again only after adding
            expected.insert(1, u"OTHER|900"_s);
        if (!reject) // by name
            std::sort(expected.begin(), expected.end());
        QCOMPARE(shown(), expected);
        for (const QString& box : boxes)
            QVERIFY2(child(box)->text().isEmpty(), qPrintable(box));
        QCOMPARE(QApplication::focusWidget(), child(boxes.first()));
        QVERIFY(m_f->boxes.shown.isEmpty());
    }

    void deleteAsks_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("yes");
        QTest::newRow("reject, yes") << u"frmReject"_s << true;
        QTest::newRow("translate, no") << u"frmTranslate"_s << false;
    }
    void deleteAsks()
    {
        QFETCH(QString, window);
        QFETCH(bool, yes);
        open(window);
        const QStringList before = shown();
        auto* grid = child<QTableView>(u"DataGrid1"_s);
        grid->setFocus();
        grid->selectRow(0);
        m_f->boxes.queueAnswer(yes ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(m_f->boxes.shown.size(), 1);
        QCOMPARE(m_f->boxes.shown.first().buttons, MessageBoxes::Buttons::YesNo);
        QVERIFY2(m_f->boxes.shown.first().text.contains(before.first().section(u'|', 0, 0)),
                 qPrintable(m_f->boxes.shown.first().text));
        QCOMPARE(shown(), yes ? QStringList() : before);
        QCOMPARE(m_f->rows(u"SELECT count(*) FROM "_s + window.mid(3)), QStringList { yes ? u"0"_s : u"1"_s });
    }

    void failingEntryIsReportedAndKeepsTheText()
    {
        QCOMPARE(
            m_f->rows(u"CREATE TRIGGER refuse BEFORE INSERT ON Reject BEGIN SELECT RAISE(ABORT, 'refused'); END"_s),
            QStringList());
        open(u"frmReject"_s);
        child(u"txtName"_s)->setText(u"smith"_s);
        click(u"cmdEnter"_s);
        QCOMPARE(m_f->boxes.shown.size(), 1);
        QVERIFY2(m_f->boxes.shown.first().text.contains(u"refused"_s), qPrintable(m_f->boxes.shown.first().text));
        QCOMPARE(child(u"txtName"_s)->text(), u"smith"_s);
    }

    void phoneIndexListsEachPairOnceByName()
    {
        open(u"frmPhnBook"_s);
        const QStringList pairs { u"BLACKSMITH CO|555-987-6543"_s, u"O'BRIEN PAT|416-555-0101"_s,
                                  u"SMITH JOHN|212-867-5309"_s, u"SMITH JOHN|555-123-4567"_s, u"UNKNOWN|UNKNOWN"_s };
        QCOMPARE(shown(), pairs);
        // Read only: the calls stay.
        child<QTableView>(u"DataGrid1"_s)->selectRow(0);
        QTest::keyClick(child<QTableView>(u"DataGrid1"_s), Qt::Key_Delete);
        QVERIFY(m_f->boxes.shown.isEmpty());
        QCOMPARE(shown(), pairs);
        // Brought forward without querying again; reopened, it reads anew.
        m_f->addCall(u"ZED"_s, u"555-000-0000"_s);
        QSignalSpy resets(model(), &QAbstractItemModel::modelReset);
        m_f->windows.openPhoneIndex();
        QCOMPARE(resets.size(), 0);
        QCOMPARE(shown(), pairs);
        m_window->close();
        QTRY_VERIFY(!m_window);
        open(u"frmPhnBook"_s);
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
            << u"[Comm]\r\nComPort=5\r\nBaud=57600\r\n[Modem]\r\nModemStrng=AT%CCID=3\r\n"_s
            << u"Option1 Option14 Option19"_s << u"5|57600|AT%CCID=3"_s << u"Comm Port 5 could not be found!"_s;
        QTest::newRow("speed 9600") << u"[Comm]\r\nComPort=1\r\nBaud=9600\r\n"_s << u"Option4 Option8"_s
                                    << u"1|9600|AT#CID=1"_s << QString();
        QTest::newRow("port 7") << u"[Comm]\r\nComPort=7\r\nBaud=28800\r\n"_s << u"Option18 Option8"_s
                                << u"7|28800|AT#CID=1"_s << u"Comm Port 7 could not be found!"_s;
    }
    void communicationsSaveKeepsWhatNoOptionShows()
    {
        QFETCH(QString, comm);
        QFETCH(QString, options);
        QFETCH(QString, saved);
        QFETCH(QString, message);
        m_f->settings.ComPort = 2; // the file's values replace these
        m_f->settings.Baud = u"28800"_s;
        m_f->writeIni(comm);
        open(u"frmCommSettings"_s);
        QCOMPARE(checkedOptions().join(u' '), options);
        click(u"cmdSave"_s);
        QCOMPARE(stored(u"Comm"_s, u"ComPort"_s) + u'|' + stored(u"Comm"_s, u"Baud"_s) + u'|'
                     + stored(u"Modem"_s, u"ModemStrng"_s),
                 saved);
        QCOMPARE(m_f->boxes.shown.value(0).text, message);
        QCOMPARE(m_f->port.isOpen(), message.isEmpty());
        QVERIFY(m_window->isVisible());
    }

    void communicationsExitKeepsTheChoicesForNow()
    {
        m_f->writeIni({});
        m_f->modem.OpenCommPort();
        QVERIFY(m_f->port.isOpen());
        open(u"frmCommSettings"_s);
        const QString before = m_f->dir.readFile(u"QuillonCID.ini"_s);
        QCOMPARE(child<QRadioButton>(u"Option9"_s)->text(), u"Motorola"_s);
        choose(u"Option9"_s);
        choose(u"Option19"_s);
        click(u"cmdCancel"_s);
        QVERIFY(!m_window || !m_window->isVisible());
        QCOMPARE(m_f->settings.Baud, u"57600"_s);
        m_f->sim.pump();
        m_f->sim.clearReceivedCommands();
        m_f->modem.ReinitModem();
        QCOMPARE(m_f->sim.receivedCommands(), QStringList({ u"ATZ"_s, u"AT*ID1"_s }));
        QCOMPARE(m_f->dir.readFile(u"QuillonCID.ini"_s), before);
    }

    void communicationsResetDetects_data()
    {
        QTest::addColumn<bool>("useIt");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("command");
        QTest::newRow("yes") << true << u"Option10 Option19 Option4"_s << u"AT#CC1"_s;
        // Declined: the port stays, the command is emptied and matches no type.
        QTest::newRow("no") << false << u"Option19 Option4"_s << QString();
    }
    void communicationsResetDetects()
    {
        QFETCH(bool, useIt);
        QFETCH(QString, options);
        QFETCH(QString, command);
        m_f->sim.setAcceptedCidCommand(u"AT#CC1"_s);
        m_f->writeIni(u"[Comm]\r\nComPort=3\r\n"_s);
        open(u"frmCommSettings"_s);
        choose(u"Option19"_s); // an unsaved choice detection leaves alone is stored with its result
        m_f->boxes.queueAnswer(useIt ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No);
        click(u"cmdReset"_s);
        QCOMPARE(m_f->boxes.shown.value(0).caption, u"Found Modem"_s);
        QCOMPARE(checkedOptions().join(u' '), options);
        QCOMPARE(stored(u"Comm"_s, u"ComPort"_s), u"1"_s);
        QCOMPARE(stored(u"Comm"_s, u"Baud"_s), u"57600"_s);
        QCOMPARE(stored(u"Modem"_s, u"ModemStrng"_s), command);
    }

    void formatTakesEffectAtOnceAndSaveStoresIt()
    {
        m_f->settings.Format = 9; // unknown: no option, the length stays
        m_f->settings.NmbrLngth = 12;
        open(u"frmFormat"_s);
        QCOMPARE(checkedOptions(), QStringList());
        QCOMPARE(m_f->settings.NmbrLngth, qint16(12));
        QStringList captions;
        const int lengths[] = { 10, 10, 11, 11, 9, 10, 11, 8 };
        for (int n = 1; n <= 8; ++n) {
            captions << child<QRadioButton>(u"Option%1"_s.arg(n))->text();
            choose(u"Option%1"_s.arg(n));
            QCOMPARE(m_f->settings.Format, qint16(n));
            QCOMPARE(m_f->settings.NmbrLngth, qint16(lengths[n - 1]));
        }
        QCOMPARE(captions.join(u'|'),
                 u"123-456-7890 |12 4566-7890|1234 567-8901|12345-678901|12-3456789|1234 567890|"
                 "123 4567-8901|1234 5678"_s);
        click(u"cmdExit"_s);
        QTRY_VERIFY(!m_window);
        QVERIFY(!QFile::exists(m_f->dir.iniPath()));
        open(u"frmFormat"_s);
        QCOMPARE(checkedOptions(), QStringList { u"Option8"_s });
        choose(u"Option5"_s);
        click(u"cmdSave"_s);
        QVERIFY(m_window->isVisible());
        QCOMPARE(stored(u"Settings"_s, u"Format"_s) + u'|' + stored(u"Settings"_s, u"NmbrLngth"_s), u"5|9"_s);
    }
};

} // namespace Quillon::Test

QTEST_MAIN(Quillon::Test::TestWindowSet)
#include "tst_windowset.moc"

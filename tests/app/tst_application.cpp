// SPDX-License-Identifier: GPL-2.0-or-later
// The whole program: start-up, the main window's commands, calls and popup,
// the secondary windows, and the ways out.
#include "app/qtmessageboxes.h"
#include "app/singleinstance.h"
#include "appharness.h"
#include "platform/datetimetext.h"
#include "reception/modemchannel.h"
#include "reception/modemdetection.h"
#include "records/listentries.h"
#include "records/recordgridmodel.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QDateEdit>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSysInfo>
#include <QSystemTrayIcon>
#include <QTableView>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace Quillon::Test {

// The calls stored for the window tests, oldest first.
const QStringList kCalls { u"SMITH JOHN|212-867-5309"_s, u"O'BRIEN PAT|416-555-0101"_s,   u"SMITH JOHN|555-123-4567"_s,
                           u"SMITH JOHN|555-123-4567"_s, u"BLACKSMITH CO|555-987-6543"_s, u"UNKNOWN|UNKNOWN"_s };

class TestApplication : public QObject
{
    Q_OBJECT

    bool startWithCalls() // with kCalls and an entry in each list
    {
        if (!m_h->start())
            return false;
        m_h->pass(1100); // the modem's answer checked before the clock jumps
        for (const QString& call : kCalls)
            m_h->addCall(call);
        return ListEntries(m_h->app->database()).add(RecordList::Reject, u"800-555-0199"_s, u"TELEMARKETER"_s)
            && ListEntries(m_h->app->database()).add(RecordList::Translate, u"212-555-0100"_s, u"WILSON ANN"_s);
    }
    void open(const QString& command) // the window it opens becomes the one under test
    {
        m_h->action(command)->trigger();
        for (QWidget* window : m_h->window()->findChildren<QWidget*>()) {
            if (window->isWindow() && window->isVisible())
                m_window = window;
        }
        QVERIFY(m_window);
        m_window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), m_window.data());
        m_tester.reset(model() ? new QAbstractItemModelTester(model()) : nullptr);
    }
    template<class T = QLineEdit> T* child(const QString& name) const { return m_window->findChild<T*>(name); }
    void click(const QString& button) const { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    void choose(const QString& option) const // on the indicator: wide buttons take clicks only near their text
    {
        QTest::mouseClick(child<QRadioButton>(option), Qt::LeftButton, {}, QPoint(6, 8));
    }
    RecordGridModel* model() const { return child<RecordGridModel>({}); }
    QStringList shown() const // the grid's names and numbers, every row fetched
    {
        while (model()->canFetchMore())
            model()->fetchMore();
        QStringList rows;
        for (int row = 0; row < model()->rowCount(); ++row)
            rows << model()->index(row, model()->column(u"Name"_s)).data().toString() + u'|'
                    + model()->index(row, model()->column(u"Number"_s)).data().toString();
        return rows;
    }
    QString countLine() const { return child<QLabel>(u"lblRcCount"_s)->text(); }
    QString checkedOptions() const
    {
        QStringList names;
        for (QRadioButton* button : m_window->findChildren<QRadioButton*>())
            names << (button->isChecked() ? button->objectName() : QString());
        names.removeAll({});
        names.sort();
        return names.join(u' ');
    }

    std::unique_ptr<Harness> m_h;
    QPointer<QWidget> m_window;
    std::unique_ptr<QAbstractItemModelTester> m_tester;

private Q_SLOTS:
    void init() { m_h = std::make_unique<Harness>(); }
    void cleanup()
    {
        m_tester.reset();
        m_h.reset();
    }

    void startUpLogsInOrder()
    {
        Harness& h = *m_h;
        QVERIFY(h.start(u"EnableLog=True"_s));
        QCOMPARE(h.dir.logMessages(),
                 QStringList({ u"Program started in "_s + h.dir.path(), u"Database connection established."_s,
                               u"Comm Port = 1"_s, u"Baud = 14400"_s, u"CID Status = Ready"_s }));
        QVERIFY(h.window()->isVisible() && h.window()->trayIconAdded());
        QCOMPARE(h.window()->windowTitle(), u"Quillon CallerID"_s);
        QCOMPARE(h.app->modem().reinitTime(), h.clock.now().addSecs(1800));
        h.pass(1100); // the modem's answer is checked a second later
        QCOMPARE(h.modem.receivedCommands(), QStringList { u"AT#CID=1"_s });
        QVERIFY(!h.app->modem().timer2Enabled());
        QCOMPARE(h.shownBoxes(), QStringList());
        h.pass(3000); // the modem's "OK" is no call: no ring, no received-text line
        QCOMPARE(h.sound.played, QStringList());
        QCOMPARE(h.dir.logMessages().filter(u"Telco Info"_s), QStringList());
    }

    void missingDatabaseEndsBeforeTheWindowShows()
    {
        Harness& h = *m_h;
        QVERIFY(h.prepare(u"[Comm]\nCnfg=True\n"_s, false));
        QCOMPARE(h.app->Main(), Application::StartResult::NoDatabase);
        QCOMPARE(h.boxes.shown.value(0).icon, MessageBoxes::Icon::Stop);
        QVERIFY(!h.window()->windowHandle()); // never shown at all
        QVERIFY(!h.window()->trayIconAdded());
        QVERIFY(!QFileInfo::exists(h.dir.databasePath()));
    }

    void secondCopyEndsAtOnce_data()
    {
        QTest::addColumn<bool>("lockFile");
        QTest::newRow("lock file") << true;
        QTest::newRow("no file can be made") << false; // as on a full disk
    }
    void secondCopyEndsAtOnce()
    {
        QFETCH(bool, lockFile);
        Harness& h = *m_h;
        QVERIFY(h.prepare(u"[Comm]\nCnfg=True\n[Settings]\nEnableLog=True\n"_s));
        // No file may grow past 0 bytes: the lock file cannot be written.
        rlimit unlimited {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
        const auto restore = qScopeGuard([unlimited, handler = std::signal(SIGXFSZ, SIG_IGN)] {
            setrlimit(RLIMIT_FSIZE, &unlimited);
            std::signal(SIGXFSZ, handler);
        });
        rlimit full { 0, unlimited.rlim_max };
        QVERIFY(lockFile || setrlimit(RLIMIT_FSIZE, &full) == 0);
        QCOMPARE(h.app->Main(), Application::StartResult::Running);
        QVERIFY(h.checked());
        const QString logBefore = h.dir.readFile(u"CID.Log"_s);
        const QStringList boxesBefore = h.shownBoxes();
        QtSerialPort secondPort;
        Application second(h.dir.path(), AppServices { h.clock, h.boxes, h.sound, h.help, secondPort });
        QCOMPARE(second.Main(), Application::StartResult::AlreadyRunning);
        QVERIFY(!second.mainWindow()->isVisible());
        QCOMPARE(h.shownBoxes(), boxesBefore);
        QCOMPARE(h.dir.readFile(u"CID.Log"_s), logBefore);
        // A full disk also keeps out the serial port's own lock file.
        QVERIFY(h.window()->isVisible() && h.port->isOpen() == lockFile);
        QVERIFY(SingleInstance(h.dir.file(u"sub"_s)).tryToBecomeOnly()); // another folder is another matter
        QCOMPARE(QFileInfo::exists(h.dir.file(u"QuillonCID.lock"_s)), lockFile);
        h.app.reset(); // once the first copy has gone, the next one runs
        QVERIFY(SingleInstance(h.dir.path()).tryToBecomeOnly());
        if (!lockFile)
            return;
        QFile lock(h.dir.file(u"QuillonCID.lock"_s)); // so it does after a crash, its lock naming a gone process
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("2147483646\n" + qApp->applicationName().toUtf8() + '\n' + QSysInfo::machineHostName().toUtf8()
                   + '\n');
        lock.close();
        QVERIFY(SingleInstance(h.dir.path()).tryToBecomeOnly());
    }

    void startUpWaitsForALockedDatabase()
    {
        Harness& h = *m_h;
        QVERIFY(h.prepare(u"[Comm]\nCnfg=True\n[Settings]\nEnableLog=True\n"_s));
        QSqlDatabase locker = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"locker"_s);
        const auto closeLocker = qScopeGuard([&] {
            locker.close();
            locker = {};
            QSqlDatabase::removeDatabase(u"locker"_s);
        });
        locker.setDatabaseName(h.dir.databasePath());
        QVERIFY(locker.open() && QSqlQuery(locker).exec(u"BEGIN EXCLUSIVE"_s));
        const QDateTime freeAt = h.clock.now().addSecs(5);
        bool waitShown = false;
        h.clock.setWaitHook([&](int ms) {
            h.modem.advance(ms);
            waitShown = waitShown || (h.app->pleaseWait() && h.app->pleaseWait()->isVisible());
            if (h.clock.now() >= freeAt)
                locker.rollback();
        });
        QCOMPARE(h.app->Main(), Application::StartResult::Running);
        QVERIFY(waitShown && !h.app->pleaseWait()->isVisible() && h.window()->isVisible());
        QCOMPARE(
            h.dir.logMessages().mid(1, 2),
            QStringList({ u"Database locked by another program; waiting"_s, u"Database connection established."_s }));
    }

    void refusedCalls_data()
    {
        QTest::addColumn<QString>("then"); // "space": the disk has room again; "exit": the program ends first
        QTest::addColumn<QString>("boxes"); // the first box, and the one at the end
        const QString full = u"Call Not Stored|A call could not be stored in CallerID.mdb: the disk is full.\r\nIt is "
                             "kept and stored as soon as the database takes it again; the status bar counts the calls "
                             "waiting."_s;
        const QString lost
            = u"Calls Not Stored|2 calls could not be stored in CallerID.mdb and will be lost to it.\r\n"_s;
        QTest::newRow("full, space returns") << u"space"_s << full;
        QTest::newRow("full, exit") << u"exit"_s << full + u" / "_s + lost + u"They are listed in %1."_s;
        QTest::newRow("full, exit, text file impossible")
            << u"exit"_s << full + u" / "_s + lost + u"They could not be written to %1 either; the disk may be full."_s;
        // Found by the check at start-up, before any call.
        QTest::newRow("damaged, exit")
            << u"exit"_s
            << u"Database Damaged|CallerID.mdb is damaged (*** in database main ***; Page 8: btreeInitPage() returns "
               "error code 11).\r\nCalls are still shown, but nothing more is written to the file; calls waiting to be "
               "stored go to CallsNotStored.txt beside CID.Log when the program ends.\r\nHelp Topics tells how to "
               "recover the file. / Import|Nothing can be imported: CallerID.mdb is damaged.\r\n*** in database "
               "main ***; Page 8: btreeInitPage() returns error code 11 / "_s
                + lost + u"They are listed in %1."_s;
    }
    void refusedCalls() // calls arriving while the disk is full, or the file is damaged
    {
        QFETCH(QString, then);
        QFETCH(QString, boxes);
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        Harness& h = *m_h;
        if (tag.startsWith(u"damaged"_s)) { // an index page spoilt
            QVERIFY(h.dir.createDatabase());
            QFile file(h.dir.databasePath());
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(7 * 4096) && file.write(QByteArray(8, '\0')) == 8);
        }
        QVERIFY(h.start(u"EnableLog=True"_s));
        h.pass(1100);
        const QString textFile = h.app->database().store().waitingFilePath();
        if (tag.contains(u"impossible"_s))
            QVERIFY(QDir().mkpath(textFile));
        QSqlQuery fill(h.app->database().connection());
        if (tag.startsWith(u"full"_s)) {
            QVERIFY(fill.exec(u"PRAGMA page_count"_s) && fill.next());
            QVERIFY(fill.exec(u"PRAGMA max_page_count = "_s + fill.value(0).toString())
                    && fill.exec(u"PRAGMA synchronous = OFF"_s));
            for (int i = 0; i < 5000 && h.app->database().InsertCall(u"FILLER"_s, {}, {}, {}); ++i) { }
            QVERIFY(fill.exec(u"PRAGMA synchronous = FULL"_s));
        }
        const QByteArray before = h.dir.readFile(u"CallerID.mdb"_s).toUtf8();
        QStringList arrived;
        for (const QString& name : { u"JOHN DOE"_s, u"JANE ROE"_s })
            arrived << h.call(name, u"5551234567"_s).toString(u"yyyy-MM-dd HH:mm:ss"_s);
        h.pass(5000); // one more try, in vain
        QCOMPARE(h.window()->waitingText(), u"2 calls waiting to be stored"_s);
        const QString stored = u"SELECT Name, SysTime FROM CID WHERE Name <> 'FILLER' ORDER BY rowid"_s;
        if (then == u"space"_s) {
            QVERIFY(fill.exec(u"PRAGMA max_page_count = 1000000"_s));
            h.pass(5000);
            QCOMPARE(h.window()->waitingText(), QString());
            QCOMPARE(h.rows(stored), QStringList({ u"JOHN DOE|"_s + arrived[0], u"JANE ROE|"_s + arrived[1] }));
            QCOMPARE(h.dir.logMessages().last(), u"Calls that waited are stored now: 2"_s);
        } else {
            if (tag.startsWith(u"damaged"_s)) // no import into it either
                h.action(u"ImportReject"_s)->trigger();
            h.action(u"Exit"_s)->trigger();
            QCOMPARE(h.rows(stored), QStringList());
        }
        QStringList shown = h.shownBoxes();
        shown.removeAll(u"Exit|Are you sure you want to quit?"_s);
        QCOMPARE(shown.join(u" / "_s), boxes.contains(u"%1"_s) ? boxes.arg(textFile) : boxes);
        if (tag.startsWith(u"damaged"_s))
            QCOMPARE(h.dir.readFile(u"CallerID.mdb"_s).toUtf8(), before); // never written into
        if (then == u"exit"_s && !QFileInfo(textFile).isDir())
            QCOMPARE(h.dir.readFile(QFileInfo(textFile).fileName()),
                     u"%1\tJOHN DOE\t555-123-4567\t06/12\t14:32\r\n%2\tJANE ROE\t555-123-4567\t06/12\t14:32\r\n"_s.arg(
                         arrived[0], arrived[1]));
    }

    void firstRunFindsTheModemAndRecordsIt()
    {
        Harness& h = *m_h;
        QVERIFY(h.prepare({}));
        QCOMPARE(h.app->Main(), Application::StartResult::Running);
        QCOMPARE(h.ini(u"Comm"_s, u"Cnfg"_s) + u'|' + h.ini(u"Comm"_s, u"ComPort"_s) + u'|'
                     + h.ini(u"Modem"_s, u"ModemStrng"_s),
                 u"True|1|AT#CID=1"_s);
        QVERIFY(h.port->isOpen());
    }

    void endingDuringDetection_data()
    {
        QTest::addColumn<bool>("firstStart"); // else Reset in Communications
        QTest::addColumn<bool>("atTheQuestion"); // else while a port is probed
        QTest::addColumn<QString>("how"); // "close", "Exit" or "logout"
        QTest::newRow("first start, question, close box") << true << true << u"close"_s;
        QTest::newRow("first start, question, Exit") << true << true << u"Exit"_s;
        QTest::newRow("first start, probing, logout") << true << false << u"logout"_s;
        QTest::newRow("Reset, question, logout") << false << true << u"logout"_s;
        QTest::newRow("Reset, probing, close box") << false << false << u"close"_s;
    }
    void endingDuringDetection()
    {
        QFETCH(bool, firstStart);
        QFETCH(bool, atTheQuestion);
        QFETCH(QString, how);
        Harness& h = *m_h;
        const auto end = [&h, how] {
            if (how == u"close"_s)
                h.window()->close();
            else if (how == u"Exit"_s)
                h.action(u"Exit"_s)->trigger();
            else
                h.window()->closeWithoutAsking();
        };
        QVERIFY(h.prepare(firstStart ? QString() : u"[Comm]\nCnfg=True"_s));
        int longWaits = firstStart ? 3 : 1;
        if (atTheQuestion) { // the box closed by the program's end has no answer
            h.boxes.queueAnswer(MessageBoxes::Answer::NoAnswer, end);
        } else { // ended during the wait for the modem's answer to the first command tried
            h.clock.setWaitHook([&h, &longWaits, end](int ms) {
                h.modem.advance(ms);
                if (ms == 1000 && --longWaits == 0)
                    end();
            });
        }
        QCOMPARE(h.app->Main(), Application::StartResult::Running);
        if (!firstStart) {
            h.action(u"Communications"_s)->trigger();
            QTest::mouseClick(h.app->windows()->window(u"frmCommSettings"_s)->findChild<QPushButton*>(u"cmdReset"_s),
                              Qt::LeftButton);
        }
        QVERIFY(h.app->ended());
        QVERIFY(!h.app->modem().detectionInProgress());
        // Nothing stored: the next start looks for the modem again.
        QCOMPARE(QStringList({ h.ini(u"Comm"_s, u"Cnfg"_s), h.ini(u"Comm"_s, u"ComPort"_s), h.ini(u"Comm"_s, u"Baud"_s),
                               h.ini(u"Modem"_s, u"ModemStrng"_s) })
                     .join(u'|'),
                 (firstStart ? u"<missing>"_s : u"True"_s) + u"|<missing>|<missing>|<missing>"_s);
        QStringList boxes; // and no box after the end
        if (atTheQuestion)
            boxes << u"Found Modem|A modem was found on Comm Port 1.\r\nDo you wish to use this modem?"_s;
        if (how != u"logout"_s)
            boxes << u"Exit|Are you sure you want to quit?"_s;
        QCOMPARE(h.shownBoxes(), boxes);
        QTRY_VERIFY(!h.app->pleaseWait());
        QCOMPARE(h.window()->isVisible(), how == u"Exit"_s); // Exit leaves the rest to the program's end
    }

    void detectionRunsOnce()
    {
        Harness& h = *m_h;
        QVERIFY(h.start());
        h.pass(1100);
        h.modem.clearReceivedCommands();
        h.action(u"Communications"_s)->trigger();
        QWidget* comm = h.app->windows()->window(u"frmCommSettings"_s);
        QStringList seen;
        bool again = false;
        h.clock.setWaitHook([&](int ms) { // while the modem on port 1 is probed
            h.modem.advance(ms);
            if (ms != 1000 || again)
                return;
            again = true;
            for (const char* button : { "cmdSave", "cmdReset", "cmdCancel" })
                seen << u"%1 %2"_s.arg(QLatin1String(button))
                            .arg(comm->findChild<QPushButton*>(QLatin1String(button))->isEnabled());
            for (const char* item : { "Start", "Suspend", "StrtBtn", "SpndBtn" }) {
                seen << u"%1 %2"_s.arg(QLatin1String(item)).arg(h.action(QLatin1String(item))->isEnabled());
                h.action(QLatin1String(item))->trigger();
            }
            seen << (h.app->pleaseWait() ? h.app->pleaseWait()->findChild<QLabel*>(u"lblPort"_s)->text()
                                         : u"no window"_s);
            seen << u"again %1"_s.arg(h.app->detector().DetectModem());
        });
        QTest::mouseClick(comm->findChild<QPushButton*>(u"cmdReset"_s), Qt::LeftButton);
        QCOMPARE(seen,
                 QStringList({ u"cmdSave 0"_s, u"cmdReset 0"_s, u"cmdCancel 0"_s, u"Start 0"_s, u"Suspend 0"_s,
                               u"StrtBtn 0"_s, u"SpndBtn 0"_s, u"Trying Comm Port 1 (%1) ..."_s.arg(h.modem.portPath()),
                               u"again 0"_s }));
        // One probe, one caller-ID command, then the command from the stored settings.
        QCOMPARE(h.modem.receivedCommands(), QStringList({ u"AT&F"_s, u"AT#CID=1"_s, u"AT#CID=1"_s }));
        QVERIFY(comm->findChild<QPushButton*>(u"cmdReset"_s)->isEnabled() && h.action(u"StrtBtn"_s)->isEnabled());
        QTRY_VERIFY(!h.app->pleaseWait());
        QVERIFY(h.port->isOpen());
        QCOMPARE(h.window()->statusText(), u"Ready"_s);
    }

    void quit_data()
    {
        QTest::addColumn<bool>("viaExit"); // else the close box
        QTest::addColumn<bool>("exitDelay");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("last"); // the log's last line; empty: the program runs on
        QTest::newRow("close, delay, yes") << false << true << true << u"Program Ending"_s;
        QTest::newRow("close, delay, no") << false << true << false << QString();
        QTest::newRow("close, no delay") << false << false << false << u"Program Ending"_s;
        QTest::newRow("exit, no delay, yes") << true << false << true << u"Program exiting"_s;
        QTest::newRow("exit, delay, no") << true << true << false << QString();
    }
    void quit()
    {
        QFETCH(bool, viaExit);
        QFETCH(bool, exitDelay);
        QFETCH(bool, yes);
        QFETCH(QString, last);
        Harness& h = *m_h;
        QVERIFY(h.start(u"EnableLog=True\nExitDelay="_s + boolText(exitDelay)));
        h.pass(1100);
        h.modem.clearReceivedCommands();
        h.boxes.queueAnswer(yes ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No);
        h.window()->showMinimized(); // a popup left open must not outlive the program
        QTRY_VERIFY(h.window()->isMinimized());
        h.window()->ShowCallNotify(u"JOHN DOE"_s, u"555-123-4567"_s);
        const QString logBefore = h.dir.readFile(u"CID.Log"_s);

        if (viaExit)
            h.action(u"Exit"_s)->trigger();
        else
            QCOMPARE(h.window()->close(), !last.isEmpty());
        // Exit asks whatever the setting says; the close box only when it is on.
        QCOMPARE(h.shownBoxes(),
                 viaExit || exitDelay ? QStringList { u"Exit|Are you sure you want to quit?"_s } : QStringList());
        QCOMPARE(h.app->ended(), !last.isEmpty());
        QCOMPARE(h.window()->trayIconAdded(), last.isEmpty());
        if (last.isEmpty()) {
            QCOMPARE(h.dir.readFile(u"CID.Log"_s), logBefore);
            return;
        }
        QCOMPARE(h.dir.logMessages().last(), last);
        QTRY_VERIFY(!h.window()->splash());
        h.modem.advance(100); // closing resets the modem on the way out; Exit ends at once
        QCOMPARE(h.modem.receivedCommands(), viaExit ? QStringList() : QStringList { u"ATZ"_s });
    }

    void toggles_data()
    {
        using Flag = bool WorkingSettings::*;
        QTest::addColumn<QString>("key");
        QTest::addColumn<Flag>("flag");
        QTest::addColumn<bool>("initially");
        QTest::newRow("RingIn") << u"RingIn"_s << &WorkingSettings::RingIn << true;
        QTest::newRow("Enable_Notify") << u"Notify"_s << &WorkingSettings::Notify << true;
        QTest::newRow("Call_Reject") << u"Reject"_s << &WorkingSettings::Reject << true;
        QTest::newRow("ExtDelay") << u"ExitDelay"_s << &WorkingSettings::ExitDelay << true;
        QTest::newRow("EnableLog") << u"EnableLog"_s << &WorkingSettings::EnableLog << false;
    }
    void toggles()
    {
        using Flag = bool WorkingSettings::*;
        QFETCH(QString, key);
        QFETCH(Flag, flag);
        QFETCH(bool, initially);
        const QString item = QString::fromLatin1(QTest::currentDataTag());
        Harness& h = *m_h;
        QVERIFY(h.start());
        QCOMPARE(h.action(item)->isChecked(), initially);
        QCOMPARE(h.app->settings().*flag, initially);
        for (bool on : { !initially, initially, !initially }) {
            h.action(item)->trigger();
            QCOMPARE(h.action(item)->isChecked(), on);
            QCOMPARE(h.app->settings().*flag, on);
            QCOMPARE(h.ini(u"Settings"_s, key), boolText(on));
        }
        // Logging was off all along, yet its switching shows.
        const QStringList logged { u"Log Enabled"_s, u"Log Disabled"_s, u"Log Enabled"_s };
        QCOMPARE(h.dir.logMessages(), key == u"EnableLog"_s ? logged : QStringList());
        h.app.reset(); // a restart shows the same mark
        QtSerialPort port;
        Application again(h.dir.path(), AppServices { h.clock, h.boxes, h.sound, h.help, port });
        QCOMPARE(again.Main(), Application::StartResult::Running);
        QCOMPARE(again.mainWindow()->findChild<QAction*>(item)->isChecked(), !initially);
    }

    void startAndSuspend()
    {
        Harness& h = *m_h;
        QVERIFY(h.start(u"EnableLog=True"_s));
        h.pass(1100);
        auto run = [&h](const QString& command) { // what the command adds to the log
            const qsizetype mark = h.dir.logMessages().size();
            h.action(command)->trigger();
            return h.dir.logMessages().mid(mark);
        };
        const QString notReady = u"CID Status = Not Ready"_s;
        QCOMPARE(run(u"Start"_s), QStringList()); // started already
        QCOMPARE(run(u"Suspend"_s), QStringList({ u"Program Suspended"_s, notReady }));
        QVERIFY(!h.port->isOpen());
        QCOMPARE(h.window()->statusText(), u"Not Ready"_s);
        QCOMPARE(run(u"Suspend"_s), QStringList()); // suspended already: nothing from the menu,
        QCOMPARE(run(u"SpndBtn"_s), QStringList({ notReady })); // the status again from the toolbar
        QVERIFY(h.action(u"SpndBtn"_s)->isChecked() && !h.action(u"StrtBtn"_s)->isChecked());

        const QStringList started = run(u"StrtBtn"_s);
        QCOMPARE(started.first(), u"Program Started"_s);
        QCOMPARE(started.count(u"CID Status = Ready"_s), 2);
        QCOMPARE(h.window()->statusText(), u"Ready"_s);
        QVERIFY(h.action(u"StrtBtn"_s)->isChecked() && !h.action(u"SpndBtn"_s)->isChecked());
        h.pass(1100);
        QVERIFY(!h.app->modem().timer2Enabled() && h.port->isOpen()); // the modem answered
        QCOMPARE(run(u"SpndBtn"_s), QStringList({ u"Program Suspended"_s, notReady, notReady }));
        QCOMPARE(run(u"Start"_s).count(u"CID Status = Ready"_s), 1);

        // A port that cannot be opened: the toolbar's Start leaves the status at not ready.
        run(u"SpndBtn"_s);
        h.writeIni(u"[Comm]\nCnfg=True\nComPort=2\n[Settings]\nEnableLog=True"_s);
        QVERIFY(!run(u"StrtBtn"_s).contains(u"CID Status = Ready"_s));
        QCOMPARE(h.shownBoxes(), QStringList { u"Comm Port Error|Comm Port 2 could not be found!"_s });
        QCOMPARE(h.window()->statusText(), u"Not Ready"_s);
        QVERIFY(!h.action(u"StrtBtn"_s)->isChecked() && h.action(u"SpndBtn"_s)->isChecked());
    }

    // The modem unplugged and plugged back in at the same path; Suspend ends the waiting for it.
    void lostPortComesBack_data()
    {
        QTest::addColumn<bool>("suspend");
        QTest::addColumn<QString>("status");
        QTest::newRow("replugged") << false << u"Ready"_s;
        QTest::newRow("suspended while away") << true << u"Not Ready"_s;
    }
    void lostPortComesBack()
    {
        QFETCH(bool, suspend);
        QFETCH(QString, status);
        Harness& h = *m_h;
        QVERIFY(h.prepare({}));
        const QString link = h.dir.file(u"modem"_s);
        QVERIFY(h.modem.createLink(link));
        h.dir.writeIni(u"[Comm]\nCnfg=True\n[Settings]\nEnableLog=True\n[Ports]\nComm1="_s + link);
        QCOMPARE(h.app->Main(), Application::StartResult::Running);
        h.pass(1100);
        h.modem.stop();
        h.pass(200);
        QCOMPARE(h.window()->statusText(), u"Not Ready"_s);
        if (suspend)
            h.action(u"Suspend"_s)->trigger();
        h.pass(10000); // still away: tried quietly
        QVERIFY(h.modem.start() && h.modem.createLink(link));
        h.pass(6100);
        QCOMPARE(h.window()->statusText(), status);
        QCOMPARE(h.shownBoxes().size(), 1); // the loss, once
        QCOMPARE(h.dir.logMessages().filter(u"Comm Port 1 was"_s),
                 QStringList({ u"Comm Port 1 was disconnected!"_s, u"Comm Port 1 was reconnected."_s })
                     .mid(0, suspend ? 1 : 2));
        QCOMPARE(h.call(u"JOHN DOE"_s, u"5551234567"_s).isValid(), !suspend);
    }

    // Read as defaults and never written over; the box names the file and why.
    void unreadableSettingsFile_data()
    {
        QTest::addColumn<bool>("folder"); // else a file without read permission
        QTest::newRow("a folder") << true;
        QTest::newRow("no read permission") << false;
    }
    void unreadableSettingsFile()
    {
        QFETCH(bool, folder);
        Harness& h = *m_h;
        if (!folder && ::geteuid() == 0)
            QSKIP("root reads any file");
        QVERIFY(h.prepare(u"[Comm]\nCnfg=True\n[Settings]\nRingIn=False"_s));
        const QString ini = h.dir.iniPath();
        const QByteArray before = h.dir.readFile(u"QuillonCID.ini"_s).toLatin1();
        if (folder)
            QVERIFY(QFile::remove(ini) && QDir().mkdir(ini));
        else
            QVERIFY(QFile::setPermissions(ini, QFile::WriteOwner));
        QCOMPARE(h.app->Main(), Application::StartResult::Running);
        QVERIFY(!h.app->pleaseWait()); // no modem detection that could store nothing
        QCOMPARE(h.shownBoxes().value(0),
                 u"Settings Error|The settings file %1 could not be read: %2.\rThe program runs with default "
                 u"settings and leaves the file as it is."_s.arg(
                     ini, folder ? u"it is a folder"_s : u"Permission denied"_s));
        QVERIFY(h.app->settings().RingIn);
        h.action(u"RingIn"_s)->trigger();
        QVERIFY(!h.app->settings().RingIn);
        QVERIFY(QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner) || folder);
        QCOMPARE(QFileInfo(ini).isDir(), folder);
        QCOMPARE(h.dir.readFile(u"QuillonCID.ini"_s).toLatin1(), folder ? QByteArray() : before);
    }

    void calls_data()
    {
        QTest::addColumn<bool>("minimised");
        QTest::addColumn<bool>("notify");
        QTest::addColumn<bool>("ring");
        QTest::newRow("minimised, notify, ring") << true << true << true;
        QTest::newRow("minimised, quiet") << true << false << false;
        QTest::newRow("shown, notify, ring") << false << true << true;
    }
    void calls()
    {
        QFETCH(bool, minimised);
        QFETCH(bool, notify);
        QFETCH(bool, ring);
        Harness& h = *m_h;
        QVERIFY(h.start(u"Notify=%1\nRingIn=%2"_s.arg(boolText(notify), boolText(ring))));
        if (minimised) {
            h.window()->showMinimized();
            QTRY_VERIFY(h.window()->isMinimized());
        }
        h.pass(1100);
        QStringList rows;
        QDateTime lastCall;
        for (const QString& name : { u"JOHN DOE"_s, u"ANONYMOUS CALLER"_s, u"<b>MOM"_s }) {
            lastCall = h.call(name, u"555765432"_s + QString::number(rows.size()));
            QVERIFY(lastCall.isValid());
            rows.prepend(u"%1|555-765-432%2|%3"_s.arg(name).arg(rows.size()).arg(dateTimeText(lastCall)));
            QCOMPARE(h.window()->windowTitle(), name);
        }
        QStringList listed;
        for (int row = 0; row < h.list()->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = h.list()->topLevelItem(row);
            listed << item->text(0) + u'|' + item->text(1) + u'|' + item->text(2);
        }
        QCOMPARE(listed, rows);
        // One ring per call, however many RING lines the modem sent.
        QCOMPARE(h.sound.played, QStringList(ring ? 3 : 0, h.dir.path() + u"/RingIn.wav"_s));

        QCOMPARE(h.window()->splash() != nullptr, minimised && notify);
        if (!h.window()->splash())
            return;
        const QLabel* name = h.window()->splash()->findChild<QLabel*>(u"lblTelcoName"_s);
        QCOMPARE(name->text(), u"<b>MOM"_s);
        QLabel asTyped; // shown as it came, never as bold markup
        asTyped.setFont(name->font());
        asTyped.setTextFormat(Qt::PlainText);
        asTyped.setText(name->text());
        QCOMPARE(name->sizeHint(), asTyped.sizeHint());
        QCOMPARE(h.window()->splash()->findChild<QLabel*>(u"lblTelcoNumber"_s)->text(), u"555-765-4322"_s);
        while (h.window()->splash() && h.window()->splash()->isVisible() && lastCall.secsTo(h.clock.now()) < 60)
            h.pass(500);
        const qint64 shownFor = lastCall.secsTo(h.clock.now());
        QVERIFY2(shownFor >= 20 && shownFor <= 25, qPrintable(QString::number(shownFor)));
    }

    void minimiseHidesOnlyWithATray()
    {
        Harness& h = *m_h;
        QVERIFY(h.start());
        bool tray = false;
        h.window()->setTrayAvailableCheck([&tray] { return tray; });
        h.window()->showMinimized();
        QTRY_VERIFY(h.window()->isMinimized());
        QTest::qWait(20);
        QVERIFY(h.window()->isVisible()); // without a tray there would be no way back

        h.window()->restoreFromTray();
        QTRY_VERIFY(!h.window()->isMinimized());
        tray = true;
        h.window()->showMinimized();
        QTRY_VERIFY(!h.window()->isVisible());
        Q_EMIT h.window()->trayIcon()->activated(QSystemTrayIcon::Context);
        QVERIFY(!h.window()->isVisible());
        Q_EMIT h.window()->trayIcon()->activated(QSystemTrayIcon::DoubleClick); // an old tray
        QVERIFY(h.window()->isVisible() && !h.window()->isMinimized());
        h.window()->showMinimized();
        QTRY_VERIFY(!h.window()->isVisible());
        Q_EMIT h.window()->trayIcon()->activated(QSystemTrayIcon::Trigger); // today's trays: one click
        QVERIFY(h.window()->isVisible() && !h.window()->isMinimized());
    }

    void windowsAndHelpFromTheMenus()
    {
        Harness& h = *m_h;
        QVERIFY(h.start(u"ExitDelay=False"_s));
        h.action(u"CIDHelp"_s)->trigger();
        const QStringList box { u"Error Finding Help File|Could not find QuillonCID.html"_s };
        QCOMPARE(h.shownBoxes(), box);
        QVERIFY(QFile(h.dir.file(u"QuillonCID.html"_s)).open(QIODevice::WriteOnly));
        h.action(u"hlpbtn"_s)->trigger();
        QCOMPARE(h.help.opened, QStringList { h.dir.file(u"QuillonCID.html"_s) });
        QCOMPARE(h.shownBoxes(), box);
        h.help.fails = true; // no browser: said so, naming the file to open by hand
        h.action(u"hlpbtn"_s)->trigger();
        QCOMPARE(h.shownBoxes().value(1),
                 u"Error Opening Help File|The help could not be opened: no web browser could be started.\r\n"
                 "Open this file in a web browser:\r\n"_s
                     + h.dir.file(u"QuillonCID.html"_s));
        h.boxes.shown.removeLast();
        // Menu item, toolbar button, window, title.
        const char* table[][4] = { { "Communications", "CommSet", "frmCommSettings", "Communications" },
                                   { "Format", nullptr, "frmFormat", "CallerID Format" },
                                   { "Search", "Srch", "frmSearch", "Search Caller Information" },
                                   { "Reject", "RjctLst", "frmReject", "Rejected Numbers" },
                                   { "PhoneBook", "PhnIndx", "frmPhnBook", "Phone Index" },
                                   { "Translate", "trnslate", "frmTranslate", "Enter Caller Information" },
                                   { "About", nullptr, "frmAbout", "About Quillon CallerID" } };
        for (const auto& [item, button, name, title] : table) {
            QWidget* first = nullptr;
            for (const char* command : { item, button }) {
                if (!command)
                    continue;
                h.action(QLatin1String(command))->trigger();
                QWidget* window = h.app->windows()->window(QLatin1String(name));
                QVERIFY2(window && window->isVisible(), command);
                QCOMPARE(window->windowTitle(), QLatin1String(title));
                QCOMPARE(window, first ? first : window); // the same one brought forward
                first = window;
                window->hide();
            }
        }
        QWidget* about = h.app->windows()->window(u"frmAbout"_s);
        QCOMPARE(about->findChild<QLabel*>(u"lblTitle"_s)->text(), u"Quillon CallerID"_s);
        QCOMPARE(about->findChild<QLabel*>(u"lblVersion"_s)->text(), u"Version 2.52.94"_s);
        about->show(); // it goes when the main window goes
        QVERIFY(h.window()->close());
        QTRY_VERIFY(!h.app->windows()->window(u"frmAbout"_s) || !about->isVisible());
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
        QTest::newRow("wildcard") << 3 << u"555-12_"_s << QList<int> { 3, 2 };
        QTest::newRow("statement text") << 2 << u"' OR '1'='1"_s << QList<int> {};
        QTest::newRow("empty name") << 2 << QString() << QList<int> {};
    }
    void search()
    {
        QFETCH(int, option);
        QFETCH(QString, text);
        QFETCH(QList<int>, calls);
        QVERIFY(startWithCalls());
        open(u"Search"_s);
        choose(u"Option%1"_s.arg(option));
        QTest::keyClicks(child(u"txtSearch"_s), text);
        click(u"cmdSearch"_s);
        QStringList expected;
        for (int call : calls)
            expected << kCalls.at(call);
        QCOMPARE(shown(), expected);
        QCOMPARE(countLine(), u"%1 Record(s) Displayed"_s.arg(calls.size()));
        QCOMPARE(m_h->shownBoxes(), QStringList());
    }

    void searchOptionsAndEnter()
    {
        QVERIFY(startWithCalls());
        open(u"Srch"_s);
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
        QTest::newRow("translate first") << u"Translate"_s << QStringList { u"zoe"_s, {}, u"555-2"_s }
                                         << u" ZOE|555-2"_s;
        QTest::newRow("translate no number") << u"Translate"_s << QStringList { u"a"_s, u"b"_s, u"  "_s } << QString();
        QTest::newRow("translate no name") << u"Translate"_s << QStringList { u" "_s, {}, u"555"_s } << QString();
        // Digits with separators go into the chosen layout when the count fits it.
        QTest::newRow("reject digits") << u"Reject"_s << QStringList { {}, u"5551234567"_s } << u"N/A|555-123-4567"_s;
        QTest::newRow("reject brackets") << u"Reject"_s << QStringList { {}, u"(555) 123-4567"_s }
                                         << u"N/A|555-123-4567"_s;
        QTest::newRow("reject short") << u"Reject"_s << QStringList { {}, u"555 1234"_s } << u"N/A|555 1234"_s;
        QTest::newRow("reject letters") << u"Reject"_s << QStringList { {}, u"555-CALL-NOW"_s }
                                        << u"N/A|555-CALL-NOW"_s;
        QTest::newRow("translate layout 7")
            << u"Translate"_s << QStringList { u"ann"_s, u"lee"_s, u"1310.555.1234"_s } << u"LEE ANN|131 0555-1234"_s;
        QTest::newRow("translate layout 7, 10 digits")
            << u"Translate"_s << QStringList { u"ann"_s, u"lee"_s, u"555.123.4567"_s } << u"LEE ANN|555.123.4567"_s;
    }
    void listEntry()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, texts);
        QFETCH(QString, row);
        const bool reject = command == u"Reject"_s;
        const QStringList boxes = reject ? QStringList { u"txtName"_s, u"txtNumber"_s }
                                         : QStringList { u"txtFirstName"_s, u"txtLastName"_s, u"txtNumber"_s };
        const bool layout7 = QString::fromLatin1(QTest::currentDataTag()).contains(u"layout 7"_s);
        QVERIFY(startWithCalls());
        m_h->app->settings().Format = layout7 ? 7 : 1;
        open(command);
        QCOMPARE(child(u"txtNumber"_s)->toolTip(),
                 u"Enter number in the format of \"%1\""_s.arg(layout7 ? u"xxx xxxx-xxxx"_s : u"xxx-xxx-xxxx"_s));
        // Added behind the window's back: entering reads the list again.
        QVERIFY(reject ? ListEntries(m_h->app->database()).add(RecordList::Reject, u"900"_s, u"OTHER"_s)
                       : ListEntries(m_h->app->database()).add(RecordList::Translate, u"900"_s, u"OTHER"_s));
        child(boxes.first())->setFocus();
        for (const QString& text : texts) { // Enter moves on from box to box, then presses Enter
            QTest::keyClicks(QApplication::focusWidget(), text);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

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

        // Delete asks about the selected row; only Yes removes it.
        const bool yes = !row.isEmpty();
        const int stored = m_h->rows(u"SELECT count(*) FROM "_s + command).value(0).toInt();
        m_h->boxes.queueAnswer(yes ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No);
        child<QTableView>(u"DataGrid1"_s)->selectRow(0);
        QTest::keyClick(child<QTableView>(u"DataGrid1"_s), Qt::Key_Delete);
        QCOMPARE(m_h->boxes.shown.value(0).buttons, MessageBoxes::Buttons::YesNoDefaultNo);
        QCOMPARE(m_h->shownBoxes(),
                 QStringList { u"%1|Remove this entry from the %2 list?\r\n\r\nName: %3\r\nNumber: %4"_s.arg(
                     m_window->windowTitle(), command.toLower(), expected.first().section(u'|', 0, 0),
                     expected.first().section(u'|', 1)) });
        QCOMPARE(shown(), yes ? expected.mid(1) : expected);
        QCOMPARE(m_h->rows(u"SELECT count(*) FROM "_s + command), QStringList { QString::number(stored - yes) });
        QCOMPARE(m_h->boxes.shown.last().buttons, MessageBoxes::Buttons::YesNoDefaultNo); // Enter keeps the entry
    }

    void boxEnterPressesTheDefault_data()
    {
        QTest::addColumn<MessageBoxes::Buttons>("buttons");
        QTest::addColumn<MessageBoxes::Answer>("answer");
        QTest::newRow("OK") << MessageBoxes::Buttons::Ok << MessageBoxes::Answer::Ok;
        QTest::newRow("question") << MessageBoxes::Buttons::YesNo << MessageBoxes::Answer::Yes;
        QTest::newRow("question that deletes") << MessageBoxes::Buttons::YesNoDefaultNo << MessageBoxes::Answer::No;
    }
    void boxEnterPressesTheDefault()
    {
        QFETCH(MessageBoxes::Buttons, buttons);
        QFETCH(MessageBoxes::Answer, answer);
        QtMessageBoxes boxes;
        bool pressed = false;
        QTimer enter;
        connect(&enter, &QTimer::timeout, this, [&pressed] {
            if (QWidget* box = QApplication::activeModalWidget(); box && !pressed) {
                pressed = true;
                QTest::keyClick(box, Qt::Key_Return);
            }
        });
        enter.start(10);
        QCOMPARE(boxes.show(u"Remove?"_s, u"Test"_s, MessageBoxes::Icon::Exclamation, buttons), answer);
        QVERIFY(pressed);
    }

    void failingEntryIsReportedAndKeepsTheText()
    {
        QVERIFY(startWithCalls());
        QCOMPARE(m_h->rows(u"CREATE TRIGGER no BEFORE INSERT ON Reject BEGIN SELECT RAISE(ABORT, 'refused'); END"_s),
                 QStringList());
        open(u"Reject"_s);
        child(u"txtName"_s)->setText(u"smith"_s);
        click(u"cmdEnter"_s);
        QVERIFY2(m_h->shownBoxes().value(0).contains(u"refused"_s), qPrintable(m_h->shownBoxes().join(u'\n')));
        QCOMPARE(child(u"txtName"_s)->text(), u"smith"_s);
    }

    void phoneIndexListsEachPairOnceByName()
    {
        QVERIFY(startWithCalls());
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

    void windowsResizeCloseOnEscapeAndComeBack_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("resizable");
        QTest::newRow("Search") << u"Search"_s << true;
        QTest::newRow("Reject") << u"Reject"_s << true;
        QTest::newRow("PhoneBook") << u"PhoneBook"_s << true;
        QTest::newRow("Translate") << u"Translate"_s << true;
        QTest::newRow("Network") << u"Network"_s << true;
        QTest::newRow("Format") << u"Format"_s << false;
        QTest::newRow("Communications") << u"Communications"_s << false;
    }
    void windowsResizeCloseOnEscapeAndComeBack()
    {
        QFETCH(QString, command);
        QFETCH(bool, resizable);
        QVERIFY(startWithCalls());
        open(command);
        if (command == u"Search"_s)
            click(u"cmdSearch"_s);
        const QSize natural = m_window->size();
        QCOMPARE(m_window->minimumSize(), natural); // never smaller than laid out
        QCOMPARE(m_window->maximumSize() == natural, !resizable);
        const QString name = m_window->objectName();
        const QRect placed(QPoint(30, 40), resizable ? natural + QSize(160, 90) : natural);
        auto* grid = child<QTableView>(u"DataGrid1"_s);
        const QSize gridBefore = grid ? grid->size() : QSize();
        m_window->setGeometry(placed);
        if (grid) { // the grid takes the room, its last column the width
            QTRY_COMPARE(grid->size(), gridBefore + QSize(160, 90));
            QVERIFY(grid->horizontalHeader()->logicalIndexAt(grid->viewport()->width() - 2) >= 0);
        }
        QTest::keyClick(m_window->focusWidget() ? m_window->focusWidget() : m_window.data(), Qt::Key_Escape);
        QTRY_VERIFY(!m_window);
        QCOMPARE(m_h->ini(u"Windows"_s, name), u"30,40,%1,%2"_s.arg(placed.width()).arg(placed.height()));
        open(command);
        QCOMPARE(m_window->geometry(), placed);
        m_window->close();
        // A place off every screen (a monitor since unplugged) is not used.
        QVERIFY(SetIniValue(m_h->dir.iniPath(), u"Windows"_s, name, u"5000,5000,900,700"_s));
        QTRY_VERIFY(!m_window);
        open(command);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.contains(m_window->geometry().center()));
        QVERIFY(m_window->width() <= screen.width() && m_window->height() <= screen.height());
    }

    void mainWindowComesBackWhereItWas()
    {
        Harness& h = *m_h;
        QVERIFY(h.start(u"ExitDelay=False"_s));
        const QRect placed(QPoint(20, 30), h.window()->size() + QSize(100, 50));
        h.window()->setGeometry(placed);
        QVERIFY(h.window()->close());
        QCOMPARE(h.ini(u"Windows"_s, u"frmCIDDisplay"_s), u"20,30,%1,%2"_s.arg(placed.width()).arg(placed.height()));
        h.app.reset();
        QtSerialPort port;
        Application again(h.dir.path(), AppServices { h.clock, h.boxes, h.sound, h.help, port });
        QCOMPARE(again.Main(), Application::StartResult::Running);
        QCOMPARE(again.mainWindow()->geometry(), placed);
    }

    void editInPlaceAndDeleteMany_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("doubleClick"); // else F2
        QTest::addColumn<QString>("entry"); // name|number, as listed
        QTest::addColumn<QStringList>("boxes"); // as loaded
        QTest::addColumn<QString>("box"); // retyped
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("changed"); // as stored
        QTest::newRow("reject, F2") << u"Reject"_s << false << u"TELEMARKETER|800-555-0199"_s
                                    << QStringList { u"TELEMARKETER"_s, u"800-555-0199"_s } << u"txtNumber"_s
                                    << u"8005550100"_s << u"TELEMARKETER|800-555-0100"_s;
        QTest::newRow("reject stand-ins, double-click")
            << u"Reject"_s << true << u"N/A|000-000-0000"_s << QStringList { {}, {} } << u"txtName"_s << u"sales"_s
            << u"SALES|000-000-0000"_s;
        QTest::newRow("translate, double-click") << u"Translate"_s << true << u"WILSON ANN|212-555-0100"_s
                                                 << QStringList { u"ANN"_s, u"WILSON"_s, u"212-555-0100"_s }
                                                 << u"txtFirstName"_s << u"anne"_s << u"WILSON ANNE|212-555-0100"_s;
    }
    void editInPlaceAndDeleteMany()
    {
        QFETCH(QString, command);
        QFETCH(bool, doubleClick);
        QFETCH(QString, entry);
        QFETCH(QStringList, boxes);
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, changed);
        QVERIFY(startWithCalls());
        const QString insert
            = u"INSERT INTO %1 (Name, Number) VALUES ('N/A', '000-000-0000'), ('B', '1'), ('C', '2')"_s;
        QCOMPARE(m_h->rows(insert.arg(command)), QStringList());
        open(command);
        auto* grid = child<QTableView>(u"DataGrid1"_s);
        const int row = shown().indexOf(entry);
        QVERIFY(row >= 0);
        const QStringList rowIds = m_h->rows(u"SELECT rowid FROM "_s + command);
        grid->selectRow(row);
        if (doubleClick) {
            const QRect cell = grid->visualRect(model()->index(row, model()->column(u"Name"_s)));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        } else {
            QTest::keyClick(grid, Qt::Key_F2);
        }
        QStringList loaded;
        for (QLineEdit* edit : m_window->findChildren<QLineEdit*>())
            loaded << edit->text();
        QCOMPARE(loaded, boxes);
        QVERIFY(child<QLabel>(u"lblEditing"_s)->isVisible());
        child(box)->setText(text);
        click(u"cmdEnter"_s);
        QCOMPARE(m_h->rows(u"SELECT rowid FROM "_s + command), rowIds); // in place: no row added or lost
        QVERIFY(shown().contains(changed));
        QVERIFY(!shown().contains(entry));
        QVERIFY(!child<QLabel>(u"lblEditing"_s)->isVisible());

        // Several at once: one question with the count, No first.
        grid->selectionModel()->clearSelection();
        for (const QString& other : { u"B|1"_s, u"C|2"_s })
            grid->selectionModel()->select(model()->index(shown().indexOf(other), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        m_h->boxes.queueAnswer(MessageBoxes::Answer::No);
        m_h->boxes.queueAnswer(MessageBoxes::Answer::Yes);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(shown().size(), rowIds.size());
        QTest::keyClick(grid, Qt::Key_Delete);
        const QString question
            = u"%1|Remove these 2 entries from the %2 list?"_s.arg(m_window->windowTitle(), command.toLower());
        QCOMPARE(m_h->shownBoxes(), QStringList({ question, question }));
        QCOMPARE(m_h->boxes.shown.value(1).buttons, MessageBoxes::Buttons::YesNoDefaultNo);
        QCOMPARE(m_h->rows(u"SELECT count(*) FROM "_s + command), QStringList { QString::number(rowIds.size() - 2) });
    }

    void searchDeletesCalls_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("question"); // %1: the chosen day
        QTest::addColumn<QList<int>>("left"); // indexes into kCalls, as listed
        QTest::newRow("selected") << u"cmdDelete"_s << true << u"Delete the 2 selected calls?"_s
                                  << QList<int> { 5, 2, 1, 0 };
        QTest::newRow("selected, no") << u"cmdDelete"_s << false << u"Delete the 2 selected calls?"_s
                                      << QList<int> { 5, 4, 3, 2, 1, 0 };
        QTest::newRow("older") << u"cmdDeleteOlder"_s << true
                               << u"Delete the 2 call(s) stored before %1?\r\n\r\nThey cannot be brought back."_s
                               << QList<int> { 5, 4, 3, 2 };
        QTest::newRow("older, none") << u"cmdDeleteOlder"_s << true << u"No call was stored before %1."_s
                                     << QList<int> { 5, 4, 3, 2, 1, 0 };
    }
    void searchDeletesCalls()
    {
        QFETCH(QString, button);
        QFETCH(bool, yes);
        QFETCH(QString, question);
        QFETCH(QList<int>, left);
        QVERIFY(startWithCalls());
        // The two oldest calls go back a year.
        QCOMPARE(m_h->rows(u"UPDATE CID SET SysTime = '2025-03-01 10:00:00' WHERE rowid <= 2"_s), QStringList());
        open(u"Search"_s);
        click(u"cmdSearch"_s);
        auto* grid = child<QTableView>(u"DataGrid1"_s);
        grid->selectRow(1);
        QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
        const QDate day(QString::fromLatin1(QTest::currentDataTag()).contains(u"none"_s) ? 2025 : 2026, 1, 1);
        child<QDateEdit>(u"dtpBefore"_s)->setDate(day);
        m_h->boxes.queueAnswer(yes ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No);
        click(button);
        QCOMPARE(m_h->shownBoxes(),
                 QStringList { m_window->windowTitle() + u'|'
                               + question.arg(QLocale().toString(day, QLocale::ShortFormat)) });
        QStringList expected;
        for (int call : left)
            expected << kCalls.at(call);
        QCOMPARE(shown(), expected);
        QCOMPARE(countLine(), u"%1 Record(s) Displayed"_s.arg(left.size()));
        QCOMPARE(m_h->rows(u"SELECT count(*) FROM CID"_s), QStringList { QString::number(left.size()) });
    }

    void headerClickSortsByTheQuery_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QStringList>("first"); // the first rows after sorting
        QTest::newRow("search by name") << u"Search"_s << u"Name"_s << 1
                                        << QStringList { u"BLACKSMITH CO|555-987-6543"_s,
                                                         u"CALLER 001|555-000-0299"_s };
        QTest::newRow("search by name, reversed")
            << u"Search"_s << u"Name"_s << 2 << QStringList { u"UNKNOWN|UNKNOWN"_s, u"SMITH JOHN|555-123-4567"_s };
        QTest::newRow("index by number") << u"PhoneBook"_s << u"Number"_s << 1
                                         << QStringList { u"SMITH JOHN|212-867-5309"_s, u"O'BRIEN PAT|416-555-0101"_s };
        QTest::newRow("reject by number") << u"Reject"_s << u"Number"_s << 1
                                          << QStringList { u"CALLER 300|555-000-0000"_s, u"CALLER 299|555-000-0001"_s };
        QTest::newRow("translate by name, reversed")
            << u"Translate"_s << u"Name"_s << 2
            << QStringList { u"WILSON ANN|212-555-0100"_s, u"CALLER 300|555-000-0000"_s };
    }
    void headerClickSortsByTheQuery()
    {
        QFETCH(QString, command);
        QFETCH(QString, field);
        QFETCH(int, clicks);
        QFETCH(QStringList, first);
        QVERIFY(startWithCalls());
        const QString table = command == u"Reject"_s || command == u"Translate"_s ? command : u"CID"_s;
        // More rows than the grid fetches at once.
        QCOMPARE(m_h->rows(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                           "INSERT INTO %1 (Name, Number) SELECT printf('CALLER %03d', i), "
                           "printf('555-000-%04d', 300 - i) FROM n"_s.arg(table)),
                 QStringList());
        open(command);
        m_tester.reset(); // it fetches every row, which is what the grid must not do
        if (command == u"Search"_s)
            click(u"cmdSearch"_s);
        auto* grid = child<QTableView>(u"DataGrid1"_s);
        QHeaderView* header = grid->horizontalHeader();
        const int section = model()->column(field);
        for (int i = 0; i < clicks; ++i)
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(section) + 5, header->height() / 2));
        QVERIFY(model()->canFetchMore()); // still fetched as the user scrolls
        QVERIFY(model()->rowCount() < 300);
        QCOMPARE(header->sortIndicatorSection(), section);
        QCOMPARE(header->sortIndicatorOrder(), clicks == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
        QCOMPARE(shown().mid(0, 2), first);
    }

    void callerActionsInEveryList_data()
    {
        QTest::addColumn<QString>("list"); // the main window's, or the window a command opens
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("byKey"); // else the context menu
        QTest::addColumn<QStringList>("texts"); // the boxes filled in, or what was copied
        const QStringList reject { u"O'BRIEN PAT"_s, u"416-555-0101"_s };
        const QStringList translate { u"PAT"_s, u"O'BRIEN"_s, u"416-555-0101"_s };
        const QStringList copied { u"O'BRIEN PAT\t416-555-0101"_s };
        QTest::newRow("calls, reject, menu") << QString() << u"RejectCaller"_s << false << reject;
        QTest::newRow("calls, translate, key") << QString() << u"TranslateNumber"_s << true << translate;
        QTest::newRow("calls, copy, key") << QString() << u"CopyCaller"_s << true << copied;
        QTest::newRow("search, reject, key") << u"Search"_s << u"RejectCaller"_s << true << reject;
        QTest::newRow("search, copy, menu") << u"Search"_s << u"CopyCaller"_s << false << copied;
        QTest::newRow("index, translate, menu") << u"PhoneBook"_s << u"TranslateNumber"_s << false << translate;
    }
    void callerActionsInEveryList()
    {
        QFETCH(QString, list);
        QFETCH(QString, action);
        QFETCH(bool, byKey);
        QFETCH(QStringList, texts);
        QVERIFY(startWithCalls());
        QAbstractItemView* view = m_h->list();
        QModelIndex row;
        if (list.isEmpty()) {
            m_h->window()->AddCallToList(u"O'BRIEN PAT"_s, u"416-555-0101"_s);
            m_h->window()->AddCallToList(u"SMITH JOHN"_s, u"555-123-4567"_s);
            m_h->window()->activateWindow();
            row = view->model()->index(1, 0);
        } else {
            open(list);
            if (list == u"Search"_s)
                click(u"cmdSearch"_s);
            view = child<QTableView>(u"DataGrid1"_s);
            row = model()->index(shown().indexOf(u"O'BRIEN PAT|416-555-0101"_s), model()->column(u"Name"_s));
        }
        QGuiApplication::clipboard()->clear();
        view->setFocus();
        if (byKey) {
            view->setCurrentIndex(row);
            const Qt::Key key = action == u"CopyCaller"_s ? Qt::Key_C
                : action == u"RejectCaller"_s             ? Qt::Key_R
                                                          : Qt::Key_T;
            QTest::keyClick(view, key, Qt::ControlModifier);
        } else { // a right-click on a row that was not selected
            const QPoint at = view->visualRect(row).center();
            Q_EMIT view->customContextMenuRequested(at);
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
        const QString window = action == u"RejectCaller"_s ? u"frmReject"_s : u"frmTranslate"_s;
        m_window = m_h->app->windows()->window(window);
        QVERIFY(m_window && m_window->isVisible());
        QStringList filled;
        for (QLineEdit* edit : m_window->findChildren<QLineEdit*>())
            filled << edit->text();
        QCOMPARE(filled, texts);
        QCOMPARE(m_window->focusWidget(), m_window->findChildren<QLineEdit*>().constFirst());
        click(u"cmdEnter"_s); // stored exactly as listed
        QVERIFY(m_h->rows(u"SELECT Name, Number FROM "_s + (window == u"frmReject"_s ? u"Reject"_s : u"Translate"_s))
                    .contains(u"O'BRIEN PAT|416-555-0101"_s));
    }

    void openListsFollowNewCalls()
    {
        QVERIFY(startWithCalls());
        QCOMPARE(m_h->rows(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                           "INSERT INTO CID (Name, Number, SysTime) SELECT printf('SMITH %03d', i), "
                           "printf('555-000-%04d', i), '2025-01-01 00:00:00' FROM n"_s),
                 QStringList());
        open(u"PhoneBook"_s);
        m_tester.reset(); // it fetches every row, which is what the grid must not do
        auto* indexGrid = child<QTableView>(u"DataGrid1"_s);
        indexGrid->selectRow(shown().indexOf(u"O'BRIEN PAT|416-555-0101"_s));
        open(u"Search"_s);
        m_tester.reset();
        choose(u"Option2"_s);
        QTest::keyClicks(child(u"txtSearch"_s), u"SMITH"_s);
        click(u"cmdSearch"_s);
        auto* grid = child<QTableView>(u"DataGrid1"_s);
        grid->resize(grid->width(), 200);
        grid->selectRow(120);
        grid->verticalScrollBar()->setValue(100);
        const QString selected = shown().value(120);
        const int loaded = model()->rowCount();
        auto* indexModel = qobject_cast<RecordGridModel*>(indexGrid->model());
        QSignalSpy indexReads(indexModel, &QAbstractItemModel::modelReset);

        QVERIFY(m_h->call(u"SMITH NEW"_s, u"5550001111"_s).isValid());
        QCOMPARE(child(u"txtSearch"_s)->text(), u"SMITH"_s);
        QCOMPARE(countLine(), u"305 Record(s) Displayed"_s);
        QVERIFY(model()->rowCount() >= loaded);
        QCOMPARE(grid->verticalScrollBar()->value(), 100);
        const QModelIndexList rows = grid->selectionModel()->selectedRows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(shown().value(rows.first().row()), selected);
        QCOMPARE(shown().first(), u"SMITH NEW|555-000-1111"_s);
        QCOMPARE(indexReads.size(), 1);
        QCOMPARE(indexModel->index(indexGrid->selectionModel()->selectedRows().value(0).row(), 0).data().toString(),
                 u"O'BRIEN PAT"_s);
    }

    void communicationsSaveKeepsWhatNoOptionShows_data()
    {
        QTest::addColumn<QString>("comm");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("saved"); // port|speed|command
        QTest::addColumn<QString>("message");
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
        QVERIFY(m_h->start());
        m_h->app->settings().ComPort = 2; // the file's values replace these
        m_h->app->settings().Baud = u"14400"_s;
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
        QVERIFY(m_h->start());
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
        QCOMPARE(m_h->dir.readFile(u"QuillonCID.ini"_s).section(u"[Windows]"_s, 0, 0), before); // where it was, kept
    }

    void formatTakesEffectAtOnceAndSaveStoresIt()
    {
        QVERIFY(m_h->start());
        open(u"Format"_s);
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

    void transferFromTheMenu_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QByteArray>("file"); // imported; written by an export
        QTest::addColumn<bool>("chosen"); // false: the file dialog is cancelled
        QTest::addColumn<QString>("box"); // "caption|text", %1 the file
        QTest::addColumn<QStringList>("rows"); // the list, or the number of calls, afterwards
        QTest::newRow("export reject") << u"ExportReject"_s
                                       << QByteArray("Number,Name\r\n800-555-0199,TELEMARKETER\r\n") << true
                                       << u"Export|Reject list exported to %1\r\n\r\nEntries written: 1"_s
                                       << QStringList { u"TELEMARKETER|800-555-0199"_s };
        QTest::newRow("import translate")
            << u"ImportTranslate"_s << QByteArray("Number,Name\n212-555-0100,WILSON ANN\n555,\"NEW, ONE\"\n") << true
            << u"Import|Translate list imported from %1\r\n\r\nAdded: 1\r\nSkipped (already there): 1\r\nRefused: 0"_s
            << QStringList { u"NEW, ONE|555"_s, u"WILSON ANN|212-555-0100"_s };
        QTest::newRow("import calls") << u"ImportCalls"_s
                                      << QByteArray("Name,Number,Date,Time,SysTime\nNEW,1,06/12,14:32,"
                                                    "2026-01-02 03:04:05\n")
                                      << true
                                      << u"Import|Calls imported from %1\r\n\r\nAdded: 1\r\nSkipped (already there): "
                                         "0\r\nRefused: 0"_s
                                      << QStringList { QString::number(kCalls.size() + 1) };
        QTest::newRow("import calls with a bad row")
            << u"ImportCalls"_s << QByteArray("Name,Number,Date,Time,SysTime\nA,1,06/12,14:32,yesterday\n") << true
            << u"Import|Nothing was imported from %1\r\nrow 2: SysTime \"yesterday\" is not a time as"
               " YYYY-MM-DD HH:MM:SS"_s
            << QStringList { QString::number(kCalls.size()) };
        QTest::newRow("cancelled") << u"ImportReject"_s << QByteArray("Number,Name\n1,A\n") << false << QString()
                                   << QStringList { u"TELEMARKETER|800-555-0199"_s };
    }
    void transferFromTheMenu()
    {
        QFETCH(QString, item);
        QFETCH(QByteArray, file);
        QFETCH(bool, chosen);
        QFETCH(QString, box);
        QFETCH(QStringList, rows);
        QVERIFY(startWithCalls());
        const bool exporting = item.startsWith(u"Export"_s);
        const QString list = item.mid(6);
        const QString path = m_h->dir.file(u"chosen.csv"_s);
        if (!exporting) {
            QFile in(path);
            QVERIFY(in.open(QIODevice::WriteOnly));
            in.write(file);
        }
        // The file dialog is answered as a user would, once it is up.
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            QCOMPARE(dialog->acceptMode(), exporting ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
            if (!chosen) {
                answer.stop();
                return dialog->reject();
            }
            // The dialog fills in its default name once its folder has loaded, which may come after this tick:
            // answer only when the chosen name has stuck.
            dialog->selectFile(path);
            if (dialog->selectedFiles().value(0) != path)
                return;
            answer.stop();
            static_cast<QDialog*>(dialog)->accept(); // QFileDialog's own, which reads the chosen name
        });
        if (list == u"Calls"_s) { // an open search shows what was added
            open(u"Search"_s);
            click(u"cmdSearch"_s);
        }
        answer.start(10);
        QMenu* menu = m_h->window()->findChild<QMenu*>(exporting ? u"ExportMenu"_s : u"ImportMenu"_s);
        QVERIFY(menu && menu->menuAction()->isVisible());
        QCOMPARE(m_h->window()->findChild<QMenu*>(u"QuillonCID"_s)->actions().indexOf(menu->menuAction()),
                 exporting ? 3 : 2); // between Suspend and Exit
        // A grid reading lazily keeps a statement open on the shared connection.
        QSqlQuery reading(m_h->app->database().connection());
        QVERIFY(reading.exec(u"SELECT Name FROM CID"_s) && reading.next());
        m_h->action(item)->trigger();
        QVERIFY(!answer.isActive());
        reading.finish();

        QCOMPARE(m_h->shownBoxes(), box.isEmpty() ? QStringList() : QStringList { box.arg(path) });
        if (exporting) {
            QFile out(path);
            QVERIFY(out.open(QIODevice::ReadOnly));
            QCOMPARE(out.readAll(), file);
        }
        if (list == u"Calls"_s)
            QCOMPARE(countLine(), rows.first() + u" Record(s) Displayed"_s);
        QCOMPARE(m_h->rows(list == u"Calls"_s ? u"SELECT count(*) FROM CID"_s
                                              : u"SELECT Name, Number FROM %1 ORDER BY Name"_s.arg(list)),
                 rows);
    }
};

} // namespace Quillon::Test

QTEST_MAIN(Quillon::Test::TestApplication)
#include "tst_application.moc"

// SPDX-License-Identifier: GPL-2.0-or-later
// The whole program: start-up, the main window's commands, calls and popup,
// its menus, and the ways out. Each secondary window has its own test in
// tests/windows.
#include "app/qtmessageboxes.h"
#include "app/singleinstance.h"
#include "platform/datetimetext.h"
#include "reception/modemchannel.h"
#include "support/programfiles.h"
#include "support/sqlfile.h"
#include "windows/windowrig.h"

#include <QAccessible>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QSysInfo>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QToolButton>

#include <csignal>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

namespace Quillon::Test {

class TestApplication : public WindowRig
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { renew(); }

    void startUpLogsInOrder()
    {
        QVERIFY(h->start(u"EnableLog=True"_s));
        QCOMPARE(h->dir.logMessages(),
                 QStringList({ u"Program started in "_s + h->dir.path(), u"Database connection established."_s,
                               u"Comm Port = 1"_s, u"Baud = 14400"_s, u"CID Status = Ready"_s }));
        QVERIFY(h->window()->isVisible() && h->window()->trayIconAdded());
        QCOMPARE(h->window()->windowTitle(), u"Quillon CallerID"_s);
        QCOMPARE(h->app->modem().reinitTime(), h->clock.now().addSecs(1800));
        h->pass(1100); // the modem's answer is checked a second later
        QCOMPARE(h->modem.receivedCommands(), QStringList { u"AT#CID=1"_s });
        QVERIFY(!h->app->modem().timer2Enabled());
        QCOMPARE(h->shownBoxes(), QStringList());
        h->pass(3000); // the modem's "OK" is no call: no ring, no received-text line
        QCOMPARE(h->sound.played, QStringList());
        QCOMPARE(h->dir.logMessages().filter(u"Telco Info"_s), QStringList());
    }

    void missingDatabaseEndsBeforeTheWindowShows()
    {
        QVERIFY(h->prepare(u"[Comm]\nCnfg=True\n"_s, false));
        QCOMPARE(h->app->Main(), Application::StartResult::NoDatabase);
        QCOMPARE(h->boxes.shown.value(0).icon, MessageBoxes::Icon::Stop);
        QVERIFY(!h->window()->windowHandle()); // never shown at all
        QVERIFY(!h->window()->trayIconAdded());
        QVERIFY(!QFileInfo::exists(h->dir.databasePath()));
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
        QVERIFY(h->prepare(u"[Comm]\nCnfg=True\n[Settings]\nEnableLog=True\n"_s));
        // No file may grow past 0 bytes: the lock file cannot be written.
        rlimit unlimited {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
        const auto restore = qScopeGuard([unlimited, handler = std::signal(SIGXFSZ, SIG_IGN)] {
            setrlimit(RLIMIT_FSIZE, &unlimited);
            std::signal(SIGXFSZ, handler);
        });
        rlimit full { 0, unlimited.rlim_max };
        QVERIFY(lockFile || setrlimit(RLIMIT_FSIZE, &full) == 0);
        QCOMPARE(h->app->Main(), Application::StartResult::Running);
        QVERIFY(h->checked());
        // Hidden in the tray, it comes out when started again.
        h->window()->setTrayAvailableCheck([] { return true; });
        h->window()->showMinimized();
        QTRY_VERIFY(!h->window()->isVisible());
        const QString logBefore = h->dir.readFile(u"CID.Log"_s);
        const QStringList boxesBefore = h->shownBoxes();
        QtSerialPort secondPort;
        Application second(h->dir.path(), AppServices { h->clock, h->boxes, h->sound, h->help, secondPort });
        QCOMPARE(second.Main(), Application::StartResult::AlreadyRunning);
        QVERIFY(!second.mainWindow()->isVisible());
        QTRY_VERIFY(h->window()->isVisible() && !h->window()->isMinimized());
        QCOMPARE(h->shownBoxes(), boxesBefore);
        QCOMPARE(h->dir.readFile(u"CID.Log"_s), logBefore);
        // A full disk also keeps out the serial port's own lock file.
        QVERIFY(h->window()->isVisible() && h->port->isOpen() == lockFile);
        QVERIFY(SingleInstance(h->dir.file(u"sub"_s)).tryToBecomeOnly()); // another folder is another matter
        QCOMPARE(QFileInfo::exists(h->dir.file(u"QuillonCID.lock"_s)), lockFile);
        h->app.reset(); // once the first copy has gone, the next one runs
        QVERIFY(SingleInstance(h->dir.path()).tryToBecomeOnly());
        if (!lockFile)
            return;
        // So it does after a crash, its lock naming a gone process.
        QVERIFY(writeFile(h->dir.file(u"QuillonCID.lock"_s),
                          "2147483646\n" + qApp->applicationName().toUtf8() + '\n'
                              + QSysInfo::machineHostName().toUtf8() + '\n'));
        QVERIFY(SingleInstance(h->dir.path()).tryToBecomeOnly());
    }

    void startUpWaitsForALockedDatabase()
    {
        QVERIFY(h->prepare(u"[Comm]\nCnfg=True\n[Settings]\nEnableLog=True\n"_s));
        SqlFile locker(h->dir.databasePath());
        QVERIFY(locker.run(u"BEGIN EXCLUSIVE"_s));
        const QDateTime freeAt = h->clock.now().addSecs(5);
        bool waitShown = false;
        h->clock.setWaitHook([&](int ms) {
            h->modem.advance(ms);
            waitShown = waitShown || (h->app->pleaseWait() && h->app->pleaseWait()->isVisible());
            if (h->clock.now() >= freeAt)
                QSqlDatabase(locker.db()).rollback();
        });
        QCOMPARE(h->app->Main(), Application::StartResult::Running);
        QVERIFY(waitShown && !h->app->pleaseWait()->isVisible() && h->window()->isVisible());
        QCOMPARE(
            h->dir.logMessages().mid(1, 2),
            QStringList({ u"Database locked by another program; waiting"_s, u"Database connection established."_s }));
    }

    void refusedCalls_data()
    {
        QTest::addColumn<QString>("boxes"); // the first box, and the one at the end
        QTest::addColumn<QString>("during"); // a call during the exit "question" or the "box" at the end; "logout"
        const QString full = u"Call Not Stored|A call could not be stored in CallerID.mdb: the disk is full.\r\nIt is "
                             "kept and stored as soon as the database takes it again; the status bar counts the calls "
                             "waiting."_s;
        const QString lost = u"Calls Not Stored|2 calls could not be stored in CallerID.mdb yet.\r\n"_s;
        const QString lost3 = u"Calls Not Stored|3 calls could not be stored in CallerID.mdb yet.\r\n"_s;
        const QString kept = u"They are kept in %1 and stored when the program starts again."_s;
        // Unless the disk has room again, the program ends first.
        QTest::newRow("full, space returns") << full << QString();
        QTest::newRow("full, exit") << full + u" / "_s + lost + kept << QString();
        QTest::newRow("full, exit, a call during the question") << full + u" / "_s + lost3 + kept << u"question"_s;
        QTest::newRow("full, exit, a call during the box") << full + u" / "_s + lost + kept << u"box"_s;
        QTest::newRow("full, exit, logout during the box") << full + u" / "_s + lost + kept << u"logout"_s;
        // Another program writing: the call that comes during the question is still with the storage thread.
        QTest::newRow("write-locked, exit, a call during the question")
            << QString(full).replace(u"the disk is full"_s, u"the database is locked by another program"_s) + u" / "_s
                + lost3 + kept
            << u"question"_s;
        QTest::newRow("full, exit, text file impossible")
            << full + u" / "_s + lost + u"They could not be written to %1 either; the disk may be full."_s << QString();
        // Found by the check at start-up, before any call.
        QTest::newRow("damaged, exit")
            << u"Database Damaged|CallerID.mdb is damaged (*** in database main ***; Page 8: btreeInitPage() returns "
               "error code 11).\r\nCalls are still shown, but nothing more is written to the file; calls waiting to be "
               "stored are kept in CallsNotStored.txt beside CID.Log.\r\nHelp Topics tells how to "
               "recover the file. / Import|Nothing can be imported: CallerID.mdb is damaged.\r\n*** in database "
               "main ***; Page 8: btreeInitPage() returns error code 11 / "_s
                + lost + kept
            << QString();
    }

    void refusedCalls() // calls arriving while the disk is full, or the file is damaged
    {
        QFETCH(QString, boxes);
        QFETCH(QString, during);
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        const bool ends = tag.contains(u"exit"_s);
        if (tag.startsWith(u"damaged"_s)) { // an index page spoilt
            QVERIFY(h->dir.createDatabase());
            QFile file(h->dir.databasePath());
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(7 * 4096) && file.write(QByteArray(8, '\0')) == 8);
        }
        QVERIFY(h->start(u"EnableLog=True"_s));
        h->pass(1100);
        const QString textFile = h->app->database().store().waitingFilePath();
        if (tag.contains(u"impossible"_s))
            QVERIFY(QDir().mkpath(textFile));
        QSqlQuery fill(h->app->database().connection());
        if (tag.startsWith(u"full"_s)) {
            QVERIFY(fill.exec(u"PRAGMA page_count"_s) && fill.next());
            QVERIFY(fill.exec(u"PRAGMA max_page_count = "_s + fill.value(0).toString())
                    && fill.exec(u"PRAGMA synchronous = OFF"_s));
            for (int i = 0; i < 5000 && h->app->database().InsertCall(u"FILLER"_s, {}, {}, {}); ++i) { }
            QVERIFY(fill.exec(u"PRAGMA synchronous = FULL"_s));
            // Calls are written on a connection of their own: no room there either.
            h->app->database().store().runOnStorageConnection(u"PRAGMA max_page_count = 1"_s);
        }
        std::optional<SqlFile> locker;
        if (tag.startsWith(u"write-locked"_s)) { // readers go on, writers wait
            locker.emplace(h->dir.databasePath());
            QVERIFY(locker->run(u"BEGIN IMMEDIATE"_s) && locker->run(u"INSERT INTO Reject (Number) VALUES ('1')"_s));
        }
        const QByteArray before = h->dir.readFile(u"CallerID.mdb"_s).toUtf8();
        QStringList arrived;
        for (const QString& name : { u"JOHN DOE"_s, u"JANE ROE"_s })
            arrived << h->call(name, u"5551234567"_s).toString(u"yyyy-MM-dd HH:mm:ss"_s);
        h->pass(5000); // one more try, in vain
        QCOMPARE(h->window()->waitingText(), u"2 calls waiting to be stored"_s);
        const QString stored = u"SELECT Name, SysTime FROM CID WHERE Name <> 'FILLER' ORDER BY rowid"_s;
        if (!ends) {
            QVERIFY(fill.exec(u"PRAGMA max_page_count = 1000000"_s));
            fill.finish(); // a statement left open would keep the storage thread's commit out
            h->app->database().store().runOnStorageConnection(u"PRAGMA max_page_count = 1000000"_s);
            h->pass(5000);
            QCOMPARE(h->window()->waitingText(), QString());
            QCOMPARE(h->rows(stored), QStringList({ u"JOHN DOE|"_s + arrived[0], u"JANE ROE|"_s + arrived[1] }));
            QCOMPARE(h->dir.logMessages().last(), u"Calls that waited are stored now: 2"_s);
            QVERIFY(!QFileInfo::exists(textFile)); // the journal goes with the last of them
        } else {
            if (tag.startsWith(u"damaged"_s)) // no import into it either
                h->action(u"ImportReject"_s)->trigger();
            // Answered, at the latest, within the 2.5 s a report is waited for.
            const auto lateCall = [this] {
                h->modem.sendCall({ .number = u"5557654321"_s, .name = u"LATE CALLER"_s });
                h->pass(1000);
            };
            if (during == u"question"_s)
                h->boxes.queueAnswer(MessageBoxes::Answer::Yes, lateCall);
            if (during == u"box"_s)
                h->boxes.whileOkShown = [&](const QString&) {
                    lateCall();
                    h->pass(3000);
                };
            if (during == u"logout"_s)
                h->boxes.whileOkShown = [this](const QString&) { h->window()->closeWithoutAsking(); };
            h->action(u"Exit"_s)->trigger();
            QVERIFY(h->app->ended());
            locker.reset();
            QCOMPARE(h->rows(stored), QStringList());
        }
        QStringList shown = h->shownBoxes();
        shown.removeAll(u"Exit|Are you sure you want to quit?"_s);
        QCOMPARE(shown.join(u" / "_s), boxes.contains(u"%1"_s) ? boxes.arg(textFile) : boxes);
        if (tag.startsWith(u"damaged"_s))
            QCOMPARE(h->dir.readFile(u"CallerID.mdb"_s).toUtf8(), before); // never written into
        if (!ends || QFileInfo(textFile).isDir())
            return;
        QString journal
            = u"%1\tJOHN DOE\t555-123-4567\t06/12\t14:32\r\n%2\tJANE ROE\t555-123-4567\t06/12\t14:32\r\n"_s.arg(
                arrived[0], arrived[1]);
        const QString written = h->dir.readFile(QFileInfo(textFile).fileName());
        if (!during.isEmpty() && during != u"logout"_s) { // listed whenever it was read, and kept
            QCOMPARE(h->list()->topLevelItem(0)->text(0), u"LATE CALLER"_s);
            arrived << written.mid(journal.size(), 19);
            journal += u"%1\tLATE CALLER\t555-765-4321\t06/12\t14:32\r\n"_s.arg(arrived[2]);
        }
        QCOMPARE(written, journal);
        if (tag.startsWith(u"damaged"_s))
            return;
        // The next start, with room on the disk, stores each of them once.
        for (int start = 0; start < 2; ++start) {
            h->app.reset();
            h->app = std::make_unique<Application>(h->dir.path(),
                                                   AppServices { h->clock, h->boxes, h->sound, h->help, *h->port });
            QVERIFY(h->app->Main() == Application::StartResult::Running && h->checked());
            QStringList expected { u"JOHN DOE|"_s + arrived[0], u"JANE ROE|"_s + arrived[1] };
            if (arrived.size() > 2)
                expected << u"LATE CALLER|"_s + arrived[2];
            QCOMPARE(h->rows(stored), expected);
            QVERIFY(!QFileInfo::exists(textFile));
        }
    }

    void detectionAndEndingMeanwhile_data()
    {
        QTest::addColumn<bool>("firstStart"); // else Reset in Communications
        QTest::addColumn<bool>("atTheQuestion"); // else while a port is probed
        QTest::addColumn<QString>("how"); // "close", "Exit" or "logout"; empty: nothing ends, Yes takes the modem
        QTest::newRow("first start, question, Yes") << true << true << QString();
        QTest::newRow("first start, question, close box") << true << true << u"close"_s;
        QTest::newRow("first start, question, Exit") << true << true << u"Exit"_s;
        QTest::newRow("first start, probing, logout") << true << false << u"logout"_s;
        QTest::newRow("Reset, question, logout") << false << true << u"logout"_s;
        QTest::newRow("Reset, probing, close box") << false << false << u"close"_s;
    }

    void detectionAndEndingMeanwhile()
    {
        QFETCH(bool, firstStart);
        QFETCH(bool, atTheQuestion);
        QFETCH(QString, how);
        const auto end = [this, how] {
            if (how == u"close"_s)
                h->window()->close();
            else if (how == u"Exit"_s)
                h->action(u"Exit"_s)->trigger();
            else if (how == u"logout"_s)
                h->window()->closeWithoutAsking();
        };
        QVERIFY(h->prepare(firstStart ? QString() : u"[Comm]\nCnfg=True"_s));
        int longWaits = firstStart ? 3 : 1;
        if (atTheQuestion) { // the box closed by the program's end has no answer
            h->boxes.queueAnswer(how.isEmpty() ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::NoAnswer, end);
        } else { // ended during the wait for the modem's answer to the first command tried
            h->clock.setWaitHook([this, &longWaits, end](int ms) {
                h->modem.advance(ms);
                if (ms == 1000 && --longWaits == 0)
                    end();
            });
        }
        QCOMPARE(h->app->Main(), Application::StartResult::Running);
        if (!firstStart) {
            QVERIFY(open(u"Communications"_s));
            click(u"cmdReset"_s);
        }
        QCOMPARE(h->app->ended(), !how.isEmpty());
        QVERIFY(!h->app->modem().detectionInProgress());
        // Ended, nothing is stored: the next start looks for the modem again.
        QCOMPARE(QStringList({ h->ini(u"Comm"_s, u"Cnfg"_s), h->ini(u"Comm"_s, u"ComPort"_s),
                               h->ini(u"Comm"_s, u"Baud"_s), h->ini(u"Modem"_s, u"ModemStrng"_s) })
                     .join(u'|'),
                 how.isEmpty() ? u"True|1|14400|AT#CID=1"_s
                               : (firstStart ? u"<missing>"_s : u"True"_s) + u"|<missing>|<missing>|<missing>"_s);
        QStringList boxes; // and no box after the end
        if (atTheQuestion)
            boxes << u"Found Modem|A modem was found on Comm Port 1.\r\nDo you wish to use this modem?"_s;
        if (how == u"close"_s || how == u"Exit"_s)
            boxes << u"Exit|Are you sure you want to quit?"_s;
        QCOMPARE(h->shownBoxes(), boxes);
        QTRY_VERIFY(!h->app->pleaseWait());
        QCOMPARE(h->window()->isVisible(), how == u"Exit"_s || how.isEmpty()); // Exit leaves the rest to the end
        QCOMPARE(h->port->isOpen(), how.isEmpty());
    }

    void firstRunWithoutAModem_data()
    {
        QTest::addColumn<QString>("button"); // pressed once the modem is plugged in; empty: none, the program notices
        QTest::addColumn<QString>("opened"); // the window that follows, if any
        QTest::newRow("plugged in later") << QString() << QString();
        QTest::newRow("Look Again") << u"cmdLookAgain"_s << QString();
        QTest::newRow("a server on the network") << u"cmdServer"_s << u"frmNetwork"_s;
        QTest::newRow("Communications") << u"cmdComm"_s << u"frmCommSettings"_s;
        QTest::newRow("Close") << u"cmdClose"_s << QString();
    }
    void firstRunWithoutAModem()
    {
        QFETCH(QString, button);
        QFETCH(QString, opened);
        QVERIFY(h->prepare({}));
        const QString link = h->dir.file(u"modem"_s); // not there yet
        h->dir.writeIni(u"[Ports]\nComm1="_s + link + u"\nComm2=\nComm3=\nComm4=\nComm5=\nComm6=\n"_s);
        QCOMPARE(h->app->Main(), Application::StartResult::Running);
        // One window, no chain of boxes.
        QCOMPARE(h->shownBoxes(), QStringList());
        QPointer<frmFirstRun> firstRun = h->app->firstRunWindow();
        QVERIFY(firstRun && firstRun->isVisible());
        QCOMPARE(firstRun->findChild<QLabel*>(u"lblPorts"_s)->text().section(u'\n', 0, 1),
                 u"Comm 1 (%1): nothing there\nComm 2 (no device set): nothing there"_s.arg(link));
        QVERIFY(!firstRun->findChild<QPushButton*>(u"cmdSimulator"_s)->isVisibleTo(firstRun));
        QCOMPARE(h->window()->statusText(), u"Not Ready: no modem found"_s);
        QCOMPARE(h->ini(u"Comm"_s, u"Cnfg"_s), u"True"_s);

        QVERIFY(h->modem.createLink(link));
        if (!button.isEmpty())
            QTest::mouseClick(firstRun->findChild<QPushButton*>(button), Qt::LeftButton);
        // Noticing takes a tick of the real port timer, then a look at six ports.
        QTRY_VERIFY_WITH_TIMEOUT(!firstRun || !firstRun->isVisible(), 30000);
        const QString found = u"Found Modem|A modem was found on Comm Port 1.\r\nDo you wish to use this modem?"_s;
        if (!opened.isEmpty()) {
            QWidget* next = h->app->windows()->window(opened);
            QVERIFY(next && next->isVisible());
        } else if (button == u"cmdLookAgain"_s) {
            QCOMPARE(h->shownBoxes(), QStringList { found });
        } else if (button.isEmpty()) { // offered without Reset
            h->pass(5100);
            QTRY_COMPARE(
                h->shownBoxes(),
                QStringList(
                    { u"Modem Plugged In|A device appeared on Comm 1 (%1).\r\nLook for a modem there now?"_s.arg(link),
                      found }));
        }
        const bool ready = button.isEmpty() || button == u"cmdLookAgain"_s;
        QCOMPARE(h->window()->statusText(), ready ? u"Ready"_s : u"Not Ready: no modem found"_s);
    }

    void firstRunSaysWhy_data()
    {
        QTest::addColumn<int>("failure"); // SerialPort::OpenFailure of the second port
        QTest::addColumn<QString>("why"); // the start of it
        QTest::newRow("nothing there") << int(SerialPort::OpenFailure::NoDevice) << u"Plug in a voice modem"_s;
        QTest::newRow("permission denied")
            << int(SerialPort::OpenFailure::PermissionDenied)
            << u"You may not use the serial ports yet. To be allowed, run\n    sudo adduser $USER dialout\n"_s;
        QTest::newRow("in use") << int(SerialPort::OpenFailure::InUse) << u"Plug in a voice modem"_s;
    }
    void firstRunSaysWhy()
    {
        QFETCH(int, failure);
        QFETCH(QString, why);
        const QList<PortFinding> findings { { 1, u"/dev/ttyS0"_s, SerialPort::OpenFailure::None, false, false },
                                            { 5, u"/dev/ttyACM0"_s, SerialPort::OpenFailure(failure), false, false } };
        QVERIFY2(frmFirstRun::whyText(findings).startsWith(why), qPrintable(frmFirstRun::whyText(findings)));
        QCOMPARE(frmFirstRun::findingsText(findings).section(u'\n', 0, 0), u"Comm 1 (/dev/ttyS0): no answer"_s);
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
        QVERIFY(h->start(u"EnableLog=True\nExitDelay="_s + boolText(exitDelay)));
        h->pass(1100);
        h->modem.clearReceivedCommands();
        h->boxes.queueAnswer(yes ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No);
        h->window()->showMinimized(); // a popup left open must not outlive the program
        QTRY_VERIFY(h->window()->isMinimized());
        h->window()->ShowCallNotify(u"JOHN DOE"_s, u"555-123-4567"_s);
        const QString logBefore = h->dir.readFile(u"CID.Log"_s);

        if (viaExit)
            h->action(u"Exit"_s)->trigger();
        else
            QCOMPARE(h->window()->close(), !last.isEmpty());
        // Exit asks whatever the setting says; the close box only when it is on.
        QCOMPARE(h->shownBoxes(),
                 viaExit || exitDelay ? QStringList { u"Exit|Are you sure you want to quit?"_s } : QStringList());
        QCOMPARE(h->app->ended(), !last.isEmpty());
        QCOMPARE(h->window()->trayIconAdded(), last.isEmpty());
        if (last.isEmpty()) {
            QCOMPARE(h->dir.readFile(u"CID.Log"_s), logBefore);
            return;
        }
        QCOMPARE(h->dir.logMessages().last(), last);
        QTRY_VERIFY(!h->window()->splash());
        h->modem.advance(100); // closing resets the modem on the way out; Exit ends at once
        QCOMPARE(h->modem.receivedCommands(), viaExit ? QStringList() : QStringList { u"ATZ"_s });
    }

    void togglesOutliveARestart_data()
    {
        using Flag = bool WorkingSettings::*;
        QTest::addColumn<QString>("key");
        QTest::addColumn<Flag>("flag");
        QTest::addColumn<bool>("initially");
        QTest::newRow("RingIn") << u"RingIn"_s << &WorkingSettings::RingIn << true;
        QTest::newRow("Enable_Notify") << u"Notify"_s << &WorkingSettings::Notify << true;
        QTest::newRow("NotifyInactive") << u"NotifyInactive"_s << &WorkingSettings::NotifyInactive << true;
        QTest::newRow("Call_Reject") << u"Reject"_s << &WorkingSettings::Reject << true;
        QTest::newRow("ExtDelay") << u"ExitDelay"_s << &WorkingSettings::ExitDelay << true;
        QTest::newRow("EnableLog") << u"EnableLog"_s << &WorkingSettings::EnableLog << false;
    }

    void togglesOutliveARestart()
    {
        using Flag = bool WorkingSettings::*;
        QFETCH(QString, key);
        QFETCH(Flag, flag);
        QFETCH(bool, initially);
        const QString item = QString::fromLatin1(QTest::currentDataTag());
        QVERIFY(h->start());
        QCOMPARE(h->action(item)->isChecked(), initially);
        QCOMPARE(h->app->settings().*flag, initially);
        for (bool on : { !initially, initially, !initially }) {
            h->action(item)->trigger();
            QCOMPARE(h->action(item)->isChecked(), on);
            QCOMPARE(h->app->settings().*flag, on);
            QCOMPARE(h->ini(u"Settings"_s, key), boolText(on));
        }
        // Logging was off all along, yet its switching shows.
        const QStringList logged { u"Log Enabled"_s, u"Log Disabled"_s, u"Log Enabled"_s };
        QCOMPARE(h->dir.logMessages(), key == u"EnableLog"_s ? logged : QStringList());
        // A restart shows the same mark, and the main window where it was when it closed.
        const QRect placed(QPoint(20, 30), h->window()->size() + QSize(100, 50));
        h->window()->setGeometry(placed);
        QVERIFY(h->window()->close());
        QCOMPARE(h->ini(u"Windows"_s, u"frmCIDDisplay"_s), u"20,30,%1,%2"_s.arg(placed.width()).arg(placed.height()));
        h->app.reset();
        QtSerialPort port;
        Application again(h->dir.path(), AppServices { h->clock, h->boxes, h->sound, h->help, port });
        QCOMPARE(again.Main(), Application::StartResult::Running);
        QCOMPARE(again.mainWindow()->findChild<QAction*>(item)->isChecked(), !initially);
        QCOMPARE(again.mainWindow()->geometry(), placed);
    }

    void startAndSuspend()
    {
        QVERIFY(h->start(u"EnableLog=True"_s));
        h->pass(1100);
        auto run = [this](const QString& command) { // what the command adds to the log
            const qsizetype mark = h->dir.logMessages().size();
            h->action(command)->trigger();
            return h->dir.logMessages().mid(mark);
        };
        const QString notReady = u"CID Status = Not Ready"_s;
        QCOMPARE(run(u"Start"_s), QStringList()); // started already
        QCOMPARE(run(u"Suspend"_s), QStringList({ u"Program Suspended"_s, notReady }));
        QVERIFY(!h->port->isOpen());
        QCOMPARE(h->window()->statusText(), u"Not Ready: suspended"_s);
        QCOMPARE(h->window()->trayIcon()->toolTip(), u"Quillon CallerID\nNot Ready: suspended"_s);
        QCOMPARE(run(u"Suspend"_s), QStringList()); // suspended already: nothing from the menu,
        QCOMPARE(run(u"SpndBtn"_s), QStringList({ notReady })); // the status again from the toolbar
        QVERIFY(h->action(u"SpndBtn"_s)->isChecked() && !h->action(u"StrtBtn"_s)->isChecked());

        const QStringList started = run(u"StrtBtn"_s);
        QCOMPARE(started.first(), u"Program Started"_s);
        QCOMPARE(started.count(u"CID Status = Ready"_s), 2);
        QCOMPARE(h->window()->statusText(), u"Ready"_s);
        QVERIFY(h->action(u"StrtBtn"_s)->isChecked() && !h->action(u"SpndBtn"_s)->isChecked());
        h->pass(1100);
        QVERIFY(!h->app->modem().timer2Enabled() && h->port->isOpen()); // the modem answered
        QCOMPARE(run(u"SpndBtn"_s), QStringList({ u"Program Suspended"_s, notReady, notReady }));
        QCOMPARE(run(u"Start"_s).count(u"CID Status = Ready"_s), 1);

        // A port that cannot be opened: the toolbar's Start leaves the status at not ready.
        run(u"SpndBtn"_s);
        h->writeIni(u"[Comm]\nCnfg=True\nComPort=2\n[Settings]\nEnableLog=True"_s);
        QVERIFY(!run(u"StrtBtn"_s).contains(u"CID Status = Ready"_s));
        QCOMPARE(h->shownBoxes(), QStringList { u"Comm Port Error|Comm Port 2 could not be found!"_s });
        QCOMPARE(h->window()->statusText(), u"Not Ready: no modem on Comm 2"_s);
        QVERIFY(!h->action(u"StrtBtn"_s)->isChecked() && h->action(u"SpndBtn"_s)->isChecked());
    }

    // The modem unplugged and plugged back in at the same path; Suspend ends the waiting for it.
    void lostPortComesBack_data()
    {
        QTest::addColumn<bool>("suspend");
        QTest::newRow("replugged") << false;
        QTest::newRow("suspended while away") << true;
    }

    void lostPortComesBack()
    {
        QFETCH(bool, suspend);
        QVERIFY(h->prepare({}));
        const QString link = h->dir.file(u"modem"_s);
        QVERIFY(h->modem.createLink(link));
        h->dir.writeIni(u"[Comm]\nCnfg=True\n[Settings]\nEnableLog=True\n[Ports]\nComm1="_s + link);
        QCOMPARE(h->app->Main(), Application::StartResult::Running);
        h->pass(1100);
        h->modem.sendRaw("RING\r\n"); // heard just before the loss: still processed
        h->pass(200);
        h->modem.stop();
        h->pass(200);
        QCOMPARE(h->window()->statusText(), u"Not Ready: Comm 1 was disconnected; waiting for it to come back"_s);
        if (suspend)
            h->action(u"Suspend"_s)->trigger();
        h->pass(10000); // still away: tried quietly
        QCOMPARE(h->dir.logMessages().filter(u"Telco Info - RING"_s).size(), 1);
        QVERIFY(h->modem.start() && h->modem.createLink(link));
        h->pass(6100);
        QCOMPARE(h->window()->statusText(), suspend ? u"Not Ready: suspended"_s : u"Ready"_s);
        QCOMPARE(h->shownBoxes().size(), 1); // the loss, once, closed when the port is back
        QCOMPARE(h->boxes.dismissed, suspend ? QStringList() : QStringList { h->boxes.shown.first().text });
        QCOMPARE(h->dir.logMessages().filter(u"Comm Port 1 was"_s),
                 QStringList({ u"Comm Port 1 was disconnected!"_s, u"Comm Port 1 was reconnected."_s })
                     .mid(0, suspend ? 1 : 2));
        QCOMPARE(h->call(u"JOHN DOE"_s, u"5551234567"_s).isValid(), !suspend);
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
        if (!folder && ::geteuid() == 0)
            QSKIP("root reads any file");
        QVERIFY(h->prepare(u"[Comm]\nCnfg=True\n[Settings]\nRingIn=False"_s));
        const QString ini = h->dir.iniPath();
        const QByteArray before = h->dir.readFile(u"QuillonCID.ini"_s).toLatin1();
        if (folder)
            QVERIFY(QFile::remove(ini) && QDir().mkdir(ini));
        else
            QVERIFY(QFile::setPermissions(ini, QFile::WriteOwner));
        QCOMPARE(h->app->Main(), Application::StartResult::Running);
        QVERIFY(!h->app->pleaseWait()); // no modem detection that could store nothing
        QCOMPARE(h->shownBoxes().value(0),
                 u"Settings Error|The settings file %1 could not be read: %2.\rThe program runs with default "
                 u"settings and leaves the file as it is."_s.arg(
                     ini, folder ? u"it is a folder"_s : u"Permission denied"_s));
        QVERIFY(h->app->settings().RingIn);
        h->action(u"RingIn"_s)->trigger();
        QVERIFY(!h->app->settings().RingIn);
        QVERIFY(QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner) || folder);
        QCOMPARE(QFileInfo(ini).isDir(), folder);
        QCOMPARE(h->dir.readFile(u"QuillonCID.ini"_s).toLatin1(), folder ? QByteArray() : before);
    }

    void calls_data()
    {
        QTest::addColumn<bool>("on"); // Notify and RingIn, the window minimised
        QTest::newRow("minimised, notify, ring") << true;
        QTest::newRow("minimised, quiet") << false;
    }

    void calls()
    {
        QFETCH(bool, on);
        QVERIFY(h->start(u"Notify=%1\nRingIn=%1"_s.arg(boolText(on))));
        h->window()->showMinimized();
        QTRY_VERIFY(h->window()->isMinimized());
        h->pass(1100);
        // The last caller is rejected: marked in the list and the notice.
        QVERIFY(ListEntries(h->app->database()).add(RecordList::Reject, u"555-765-4322"_s, u"N/A"_s));
        QStringList rows;
        QDateTime lastCall;
        for (const QString& name : { u"JOHN DOE"_s, u"ANONYMOUS CALLER"_s, u"<b>MOM"_s }) {
            lastCall = h->call(name, u"555765432"_s + QString::number(rows.size()));
            QVERIFY(lastCall.isValid());
            rows.prepend(u"%1|555-765-432%2|%3%4"_s.arg(name)
                             .arg(rows.size())
                             // Listed once the line was answered and hung up (1.35 s).
                             .arg(dateTimeText(lastCall.addMSecs(rows.size() == 2 ? 1350 : 0)),
                                  rows.size() == 2 ? u"|Rejected"_s : QString()));
            QCOMPARE(h->window()->windowTitle(), name);
        }
        QStringList listed;
        for (int row = 0; row < h->list()->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = h->list()->topLevelItem(row);
            listed << item->text(0) + u'|' + item->text(1) + u'|' + item->text(2)
                    + (item->icon(0).isNull() ? QString() : u'|' + item->toolTip(0));
        }
        QCOMPARE(listed, rows);
        // The tray tells who called last (listed after the hang-up) and how many calls came unseen,
        // until the window is looked at.
        const QString lastLine
            = u"Quillon CallerID\nReady\nLast call: <b>MOM, 555-765-4322 at "_s + dateTimeText(lastCall.addMSecs(1350));
        QCOMPARE(h->window()->trayIcon()->toolTip(), lastLine + u"\n3 calls since you last looked"_s);
        // One ring per call, however many RING lines the modem sent.
        QCOMPARE(h->sound.played, QStringList(on ? 3 : 0, h->dir.path() + u"/RingIn.wav"_s));

        QCOMPARE(h->window()->splash() != nullptr, on);
        if (!h->window()->splash())
            return;
        const QLabel* name = h->window()->splash()->findChild<QLabel*>(u"lblTelcoName"_s);
        QCOMPARE(name->text(), u"<b>MOM"_s);
        QCOMPARE(name->textFormat(), Qt::PlainText); // shown as it came, never as bold markup
        QCOMPARE(h->window()->splash()->findChild<QLabel*>(u"lblTelcoNumber"_s)->text(), u"555-765-4322"_s);
        QVERIFY(h->window()->splash()->callerRejected());
        QCOMPARE(h->window()->splash()->findChild<QLabel*>(u"lblRejected"_s)->text(), u"Rejected"_s);
        while (h->window()->splash() && h->window()->splash()->isVisible() && lastCall.secsTo(h->clock.now()) < 60)
            h->pass(500);
        const qint64 shownFor = lastCall.secsTo(h->clock.now());
        QVERIFY2(shownFor >= 20 && shownFor <= 25, qPrintable(QString::number(shownFor)));
        h->window()->restoreFromTray();
        QVERIFY(QTest::qWaitForWindowActive(h->window()));
        QCOMPARE(h->window()->trayIcon()->toolTip(), lastLine);
    }

    void windowsAndHelpFromTheMenus()
    {
        QVERIFY(h->start(u"ExitDelay=False"_s));
        h->action(u"CIDHelp"_s)->trigger();
        const QStringList box { u"Error Finding Help File|Could not find QuillonCID.html"_s };
        QCOMPARE(h->shownBoxes(), box);
        QVERIFY(writeFile(h->dir.file(u"QuillonCID.html"_s)));
        h->action(u"hlpbtn"_s)->trigger();
        QCOMPARE(h->help.opened, QStringList { h->dir.file(u"QuillonCID.html"_s) });
        QCOMPARE(h->shownBoxes(), box);
        h->help.fails = true; // no browser: said so, naming the file to open by hand
        h->action(u"hlpbtn"_s)->trigger();
        QCOMPARE(h->shownBoxes().value(1),
                 u"Error Opening Help File|The help could not be opened: no web browser could be started.\r\n"
                 "Open this file in a web browser:\r\n"_s
                     + h->dir.file(u"QuillonCID.html"_s));
        h->action(u"About"_s)->trigger(); // the other windows: tests/windows
        QWidget* about = h->app->windows()->window(u"frmAbout"_s);
        QVERIFY(about && about->isVisible());
        QCOMPARE(about->windowTitle(), u"About Quillon CallerID"_s);
        QCOMPARE(about->findChild<QLabel*>(u"lblTitle"_s)->text(), u"Quillon CallerID"_s);
        QCOMPARE(about->findChild<QLabel*>(u"lblVersion"_s)->text(), u"Version 2.52.94"_s);
        // It goes when the main window goes.
        QVERIFY(h->window()->close());
        QTRY_VERIFY(!h->app->windows()->window(u"frmAbout"_s) || !about->isVisible());
    }

    void keyboardReachesEveryCommand()
    {
        QVERIFY(h->start(u"ExitDelay=False"_s));
        frmCIDDisplay* window = h->window();
        // Each menu's access keys are its own: no two items share one, and every item has one.
        QList<QWidget*> menus { window->menuBar() };
        for (QMenu* menu : window->findChildren<QMenu*>())
            menus << menu;
        QVERIFY(menus.size() >= 8); // the bar, its four, Import, Export, the tray's, the list's
        for (QWidget* menu : std::as_const(menus)) {
            QString keys;
            for (QAction* item : menu->actions()) {
                if (item->isSeparator() || !item->isVisible())
                    continue;
                const QString text = item->text();
                const qsizetype amp = text.indexOf(u'&');
                QVERIFY2(amp >= 0 && amp + 1 < text.size(), qPrintable(menu->objectName() + u": "_s + text));
                const QChar key = text.at(amp + 1).toLower();
                QVERIFY2(!keys.contains(key), qPrintable(menu->objectName() + u": "_s + text + u" and "_s + keys));
                keys += key;
            }
        }
        // A screen reader names the list, the toolbar and each of its buttons.
        QCOMPARE(h->list()->accessibleName(), u"Calls"_s);
        auto* toolbar = window->findChild<QToolBar*>(u"Toolbar1"_s);
        QCOMPARE(toolbar->windowTitle(), u"Main Toolbar"_s);
        for (QToolButton* button : toolbar->findChildren<QToolButton*>()) {
            if (!button->defaultAction() || button->defaultAction()->isSeparator())
                continue;
            QAccessibleInterface* named = QAccessible::queryAccessibleInterface(button);
            QVERIFY(named && !named->text(QAccessible::Name).isEmpty());
        }

        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, Qt::Key_F1);
        QCOMPARE(h->shownBoxes(), QStringList { u"Error Finding Help File|Could not find QuillonCID.html"_s });
        QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier);
        QWidget* search = h->app->windows()->window(u"frmSearch"_s);
        QVERIFY(search && search->isVisible());
        search->close();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        h->boxes.queueAnswer(MessageBoxes::Answer::No);
        QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(h->shownBoxes().value(1), u"Exit|Are you sure you want to quit?"_s);
    }

    void textIsNeverCutOff_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("lines"); // on the notice; "…" ends a line cut short
        QTest::newRow("short") << u"SMITH JOHN"_s << QStringList { u"SMITH JOHN"_s };
        QTest::newRow("broken at a blank")
            << u"BARTHOLOMEW WORTHINGTON"_s << QStringList { u"BARTHOLOMEW"_s, u"WORTHINGTON"_s };
        QTest::newRow("more than two lines") << u"MAXIMILIANO ALEJANDRO DE LA CRUZ VILLANUEVA"_s
                                             << QStringList { u"MAXIMILIANO"_s, u"ALEJANDRO DE LA…"_s };
        QTest::newRow("one long word") << u"SUPERCALIFRAGILISTICEXPIALIDOCIOUS"_s
                                       << QStringList { u"SUPERCALIFRAGI…"_s };
    }
    void textIsNeverCutOff()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, lines);
        QVERIFY(h->start());
        // A large font in the list: number and time still show whole.
        QFont large = h->list()->font();
        large.setPointSize(20);
        h->list()->setFont(large);
        QVERIFY(h->call(name, u"5558675309"_s).isValid());
        const QFontMetrics metrics(large);
        QTreeWidgetItem* row = h->list()->topLevelItem(0);
        for (int column : { 1, 2 })
            QVERIFY2(h->list()->columnWidth(column) > metrics.horizontalAdvance(row->text(column)),
                     qPrintable(row->text(column)));
        // The notice breaks the name between words; the start of a line cut short is the same for every font.
        frmSplash notice;
        notice.setCaller(name, u"555-867-5309"_s);
        const QStringList shown = notice.shownName().split(u'\n');
        QCOMPARE(shown.size(), lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (lines[i].endsWith(u'…'))
                QVERIFY2(shown[i].endsWith(u'…') && lines[i].startsWith(shown[i].chopped(1).left(5)),
                         qPrintable(shown[i]));
            else
                QCOMPARE(shown[i], lines[i]);
        }
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

    void transferFromTheMenu_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QByteArray>("file"); // imported; written by an export, none when no file is left
        QTest::addColumn<QString>("box"); // "caption|text", %1 the file; none: the file dialog is cancelled
        QTest::addColumn<QStringList>("rows"); // the list, or the number of calls, afterwards
        // Run on the shared connection while the transfer runs, until its progress shows; then Cancel is pressed
        // or the statement ends.
        QTest::addColumn<QString>("held");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("export reject") << u"ExportReject"_s
                                       << QByteArray("Number,Name\r\n800-555-0199,TELEMARKETER\r\n")
                                       << u"Export|Reject list exported to %1\r\n\r\nEntries written: 1"_s
                                       << QStringList { u"TELEMARKETER|800-555-0199"_s } << QString() << false;
        QTest::newRow("import translate, waiting for a reader")
            << u"ImportTranslate"_s << QByteArray("Number,Name\n212-555-0100,WILSON ANN\n555,\"NEW, ONE\"\n")
            << u"Import|Translate list imported from %1\r\n\r\nAdded: 1\r\nSkipped (already there): 1\r\nRefused: 0"
               "\r\nNumbers left as typed (their digits do not fit the number format, so they match no call): 1"_s
            << QStringList { u"NEW, ONE|555"_s, u"WILSON ANN|212-555-0100"_s } << u"SELECT Name FROM CID"_s << false;
        const QByteArray calls = "Name,Number,Date,Time,SysTime\nNEW,1,06/12,14:32,";
        QTest::newRow("import calls")
            << u"ImportCalls"_s << calls + "2026-01-02 03:04:05\n"
            << u"Import|Calls imported from %1\r\n\r\nAdded: 1\r\nSkipped (already there): 0\r\nRefused: 0"_s
            << QStringList { QString::number(kCalls.size() + 1) } << QString() << false;
        QTest::newRow("import calls with a bad row")
            << u"ImportCalls"_s << calls + "yesterday\n"
            << u"Import|Nothing was imported from %1\r\nrow 2: SysTime \"yesterday\" is not a time as"
               " YYYY-MM-DD HH:MM:SS"_s
            << QStringList { QString::number(kCalls.size()) } << QString() << false;
        QTest::newRow("cancelled") << u"ImportReject"_s << QByteArray("Number,Name\n1,A\n") << QString()
                                   << QStringList { u"TELEMARKETER|800-555-0199"_s } << QString() << false;
        QByteArray many = "Number,Name\n";
        for (int i = 0; i < 5000; ++i)
            many += QByteArray::number(2125550000LL + i) + ",CALLER " + QByteArray::number(i) + '\n';
        // Staged, then waiting for the write lock when Cancel is pressed.
        QTest::newRow("import cancelled")
            << u"ImportReject"_s << many << u"Import|Import cancelled"_s
            << QStringList { u"TELEMARKETER|800-555-0199"_s } << u"BEGIN IMMEDIATE"_s << true;
        QTest::newRow("export cancelled")
            << u"ExportReject"_s << QByteArray() << u"Export|Export cancelled"_s
            << QStringList { u"TELEMARKETER|800-555-0199"_s } << u"BEGIN EXCLUSIVE"_s << true;
        QTest::newRow("import waiting for another writer")
            << u"ImportReject"_s << many
            << u"Import|Reject list imported from %1\r\n\r\nAdded: 5000\r\nSkipped (already there): 0\r\nRefused: 0"_s
            << QStringList { u"5001"_s } << u"BEGIN IMMEDIATE"_s << false;
    }

    void transferFromTheMenu()
    {
        QFETCH(QString, item);
        QFETCH(QByteArray, file);
        QFETCH(QString, box);
        QFETCH(QStringList, rows);
        QFETCH(QString, held);
        QFETCH(bool, cancel);
        QVERIFY(startWithCalls());
        const bool exporting = item.startsWith(u"Export"_s);
        const QString list = item.mid(6);
        const QString path = h->dir.file(u"chosen.csv"_s);
        QVERIFY(exporting || writeFile(path, file));
        QSqlQuery holding(h->app->database().connection());
        // The file dialog is answered as a user would, once it is up.
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            QCOMPARE(dialog->acceptMode(), exporting ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
            if (box.isEmpty()) {
                answer.stop();
                return dialog->reject();
            }
            // Typed as a user would: selectFile() leaves a focused name box as it is. The dialog fills in its
            // default name once its folder has loaded, which may come after this tick: answer only when the
            // chosen name has stuck.
            dialog->findChild<QLineEdit*>(u"fileNameEdit"_s)->setText(path);
            if (dialog->selectedFiles().value(0) != path)
                return;
            answer.stop();
            QVERIFY(held.isEmpty() || holding.exec(held));
            QVERIFY(!held.startsWith(u"SELECT"_s) || holding.next());
            static_cast<QDialog*>(dialog)->accept(); // QFileDialog's own, which reads the chosen name
        });
        if (list == u"Calls"_s) { // an open search shows what was added
            QVERIFY(open(u"Search"_s));
            click(u"cmdSearch"_s);
        }
        answer.start(10);
        QMenu* menu = h->window()->findChild<QMenu*>(exporting ? u"ExportMenu"_s : u"ImportMenu"_s);
        QVERIFY(menu && menu->menuAction()->isVisible());
        QCOMPARE(h->window()->findChild<QMenu*>(u"QuillonCID"_s)->actions().indexOf(menu->menuAction()),
                 exporting ? 3 : 2); // between Suspend and Exit
        bool shown = false;
        QTimer progress; // the window goes on while the transfer waits
        connect(&progress, &QTimer::timeout, this, [&] {
            auto* dialog = h->window()->findChild<QProgressDialog*>(u"TransferProgress"_s);
            if (!dialog || !dialog->isVisible() || shown)
                return;
            shown = true;
            QCOMPARE(QApplication::activeModalWidget(), dialog);
            if (cancel)
                QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
            else if (held.startsWith(u"BEGIN"_s))
                QVERIFY(QSqlQuery(h->app->database().connection()).exec(u"ROLLBACK"_s));
            else
                holding.finish();
        });
        if (!held.isEmpty())
            progress.start(10);
        h->action(item)->trigger();
        QVERIFY(!answer.isActive());
        QCOMPARE(shown, !held.isEmpty());
        if (cancel)
            QVERIFY(QSqlQuery(h->app->database().connection()).exec(u"ROLLBACK"_s));

        QCOMPARE(h->shownBoxes(), box.isEmpty() ? QStringList() : QStringList { box.replace(u"%1"_s, path) });
        if (exporting)
            QCOMPARE(QFileInfo::exists(path) ? h->dir.readFile(u"chosen.csv"_s).toLatin1() : QByteArray(), file);
        if (list == u"Calls"_s)
            QCOMPARE(countLine(), rows.first() + u" Record(s) Displayed"_s);
        const bool counted = rows.size() == 1 && !rows.first().contains(u'|');
        QCOMPARE(h->rows(counted ? u"SELECT count(*) FROM %1"_s.arg(list == u"Calls"_s ? u"CID"_s : list)
                                 : u"SELECT Name, Number FROM %1 ORDER BY Name"_s.arg(list)),
                 rows);
    }
};

} // namespace Quillon::Test

QTEST_MAIN(Quillon::Test::TestApplication)
#include "tst_application.moc"

// SPDX-License-Identifier: GPL-2.0-or-later
// The whole program: start-up, the main window's commands, calls, the popup,
// the ways out, and the desktop services behind them.
#include "app/qtmessageboxes.h"
#include "app/qtsoundplayer.h"
#include "app/singleinstance.h"
#include "appharness.h"
#include "platform/appinfo.h"
#include "platform/datetimetext.h"
#include "reception/modemchannel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSysInfo>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

namespace Quillon::Test {

class TestApplication : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUpLogsInOrder()
    {
        Harness h;
        QVERIFY(h.start(u"EnableLog=True"_s));
        const QStringList log = h.dir.logMessages();
        const qsizetype started = log.indexOf(u"Program started in "_s + h.dir.path());
        const qsizetype database = log.indexOf(u"Database connection established."_s);
        QVERIFY2(started >= 0 && database > started, qPrintable(log.join(u'|')));
        QVERIFY(log.indexOf(u"CID Status = Ready"_s) > database);
        QVERIFY(h.window()->isVisible() && h.window()->trayIconAdded());
        QCOMPARE(h.window()->windowTitle(), u"Quillon CallerID"_s);
        QCOMPARE(h.app->modem().reinitTime(), h.clock.now().addSecs(1800));
        h.pass(1100); // the modem's answer is checked a second later
        QCOMPARE(h.modem.receivedCommands(), QStringList { u"AT#CID=1"_s });
        QVERIFY(!h.app->modem().timer2Enabled());
        QCOMPARE(h.window()->statusText(), u"Ready"_s);
        QVERIFY(h.boxes.shown.isEmpty());
    }

    void missingDatabaseEndsBeforeTheWindowShows()
    {
        Harness h;
        QVERIFY(h.prepare(u"[Comm]\nCnfg=True\n"_s, false));
        QCOMPARE(h.app->Main(), Application::StartResult::NoDatabase);
        QCOMPARE(h.boxes.shown.size(), 1);
        QCOMPARE(h.boxes.shown.first().icon, MessageBoxes::Icon::Stop);
        QVERIFY(!h.window()->windowHandle()); // never shown at all
        QVERIFY(!h.window()->trayIconAdded());
        QVERIFY(!QFileInfo::exists(h.dir.databasePath()));
    }

    void secondCopyEndsAtOnce()
    {
        Harness h;
        QVERIFY(h.start(u"EnableLog=True"_s));
        const QString logBefore = h.dir.readFile(u"CID.Log"_s);
        QtSerialPort secondPort(h.dir.path());
        Application second(h.dir.path(), AppServices { h.clock, h.boxes, h.sound, h.help, secondPort });
        QCOMPARE(second.Main(), Application::StartResult::AlreadyRunning);
        QVERIFY(!second.mainWindow()->isVisible());
        QVERIFY(h.boxes.shown.isEmpty());
        QCOMPARE(h.dir.readFile(u"CID.Log"_s), logBefore);
        QVERIFY(h.window()->isVisible() && h.port->isOpen());
        h.app.reset(); // once the first copy has gone, the next one runs
        QVERIFY(SingleInstance(h.dir.path()).tryToBecomeOnly());
        // So it does when a crashed copy left a lock naming a process that is gone.
        QFile lock(h.dir.file(u"QuillonCID.lock"_s));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("2147483646\n" + QCoreApplication::applicationName().toUtf8() + '\n'
                   + QSysInfo::machineHostName().toUtf8() + '\n');
        lock.close();
        QVERIFY(SingleInstance(h.dir.path()).tryToBecomeOnly());
        QVERIFY(SingleInstance(AppDir().path()).tryToBecomeOnly()); // one copy per directory
    }

    void firstRunFindsTheModemAndRecordsIt()
    {
        Harness h;
        QVERIFY(h.prepare({}));
        QString notice;
        h.clock.setWaitHook([&](int ms) {
            h.modem.advance(ms);
            if (h.app->pleaseWait() && h.app->pleaseWait()->isVisible() && h.window()->isVisible())
                notice = h.app->pleaseWait()->findChild<QLabel*>(u"lblSplash"_s)->text();
        });
        QCOMPARE(h.app->Main(), Application::StartResult::Running);
        QCOMPARE(notice, u"Please wait while we configure Quillon CallerID for your system"_s);
        QVERIFY(!h.app->pleaseWait() || !h.app->pleaseWait()->isVisible());
        QCOMPARE(h.ini(u"Comm"_s, u"Cnfg"_s) + u'|' + h.ini(u"Comm"_s, u"ComPort"_s) + u'|'
                     + h.ini(u"Modem"_s, u"ModemStrng"_s),
                 u"True|1|AT#CID=1"_s);
        QVERIFY(h.port->isOpen());
    }

    void quit_data()
    {
        QTest::addColumn<bool>("viaExit"); // else the close box
        QTest::addColumn<bool>("exitDelay");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("last"); // the log's last line; empty: the program runs on
        QTest::newRow("close, delay, yes") << false << true << true << true << u"Program Ending"_s;
        QTest::newRow("close, delay, no") << false << true << false << true << QString();
        QTest::newRow("close, no delay") << false << false << false << false << u"Program Ending"_s;
        QTest::newRow("exit, no delay, yes") << true << false << true << true << u"Program exiting"_s;
        QTest::newRow("exit, delay, no") << true << true << false << true << QString();
    }
    void quit()
    {
        QFETCH(bool, viaExit);
        QFETCH(bool, exitDelay);
        QFETCH(bool, yes);
        QFETCH(bool, asked);
        QFETCH(QString, last);
        Harness h;
        QVERIFY(h.start(u"EnableLog=True\nExitDelay="_s + boolText(exitDelay)));
        h.pass(1100);
        h.modem.clearReceivedCommands();
        QSignalSpy ended(h.app.get(), &Application::programEnded);
        h.boxes.queueAnswer(yes ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No);
        h.window()->showMinimized(); // a popup left open must not outlive the program
        QTRY_VERIFY(h.window()->isMinimized());
        h.window()->ShowCallNotify(u"JOHN DOE"_s, u"555-123-4567"_s);
        const QString logBefore = h.dir.readFile(u"CID.Log"_s);

        if (viaExit)
            h.action(u"Exit"_s)->trigger();
        else
            QCOMPARE(h.window()->close(), !last.isEmpty());
        QCOMPARE(h.boxes.shown.size(), asked ? 1 : 0);
        if (asked) {
            QCOMPARE(h.boxes.shown.first().text + u'|' + h.boxes.shown.first().caption,
                     u"Are you sure you want to quit?|Exit"_s);
            QCOMPARE(h.boxes.shown.first().buttons, MessageBoxes::Buttons::YesNo);
        }
        QCOMPARE(ended.count(), last.isEmpty() ? 0 : 1);
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

    void captions_data()
    {
        QTest::addColumn<QString>("captions"); // "-": a separator; the toolbar shows its tips
        QTest::newRow("menu bar") << u"&QuillonCID|Se&ttings|&Search|&Reject|&Phone Index|&Translate|&Help"_s;
        QTest::newRow("QuillonCID") << u"&Start|S&uspend|-|E&xit"_s;
        QTest::newRow("Settings") << u"&Communications|&Number Format|-|E&mulate Ring|&Enable Log|&Call Notify|"
                                     "Call &Reject|Exit &Delay"_s;
        QTest::newRow("Help") << u"Help Topics|About"_s;
        QTest::newRow("Toolbar1") << u"-|Start Quillon CallerID|Suspend Quillon CallerID|-|Communications Settings|-|"
                                     "Search|Reject List|Phone Index|Translate List|-|Help"_s;
    }
    void captions()
    {
        QFETCH(QString, captions);
        Harness h;
        QVERIFY(h.start());
        const QString owner = QString::fromLatin1(QTest::currentDataTag());
        QWidget* widget = owner == u"menu bar"_s ? h.window()->menuBar() : h.window()->findChild<QWidget*>(owner);
        QStringList shown;
        for (QAction* a : widget->actions()) {
            shown << (a->isSeparator() ? u"-"_s : owner == u"Toolbar1"_s ? a->toolTip() : a->text());
            QVERIFY(a->isSeparator() || owner != u"Toolbar1"_s || !a->icon().pixmap(22, 22).isNull());
        }
        QCOMPARE(shown.join(u'|'), captions);
    }

    void toggles_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("initially");
        QTest::newRow("RingIn") << u"RingIn"_s << true;
        QTest::newRow("Enable_Notify") << u"Notify"_s << true;
        QTest::newRow("Call_Reject") << u"Reject"_s << true;
        QTest::newRow("ExtDelay") << u"ExitDelay"_s << true;
        QTest::newRow("EnableLog") << u"EnableLog"_s << false;
    }
    void toggles()
    {
        QFETCH(QString, key);
        QFETCH(bool, initially);
        const QString item = QString::fromLatin1(QTest::currentDataTag());
        Harness h;
        QVERIFY(h.start());
        const WorkingSettings& s = h.app->settings();
        const QHash<QString, const bool*> flags { { u"RingIn"_s, &s.RingIn },
                                                  { u"Notify"_s, &s.Notify },
                                                  { u"Reject"_s, &s.Reject },
                                                  { u"ExitDelay"_s, &s.ExitDelay },
                                                  { u"EnableLog"_s, &s.EnableLog } };
        QAction* toggle = h.action(item);
        QCOMPARE(toggle->isChecked(), initially);
        QCOMPARE(*flags.value(key), initially);
        for (bool on : { !initially, initially, !initially }) {
            toggle->trigger();
            QCOMPARE(toggle->isChecked(), on);
            QCOMPARE(*flags.value(key), on);
            QCOMPARE(h.ini(u"Settings"_s, key), boolText(on));
        }
        // Logging was off all along, yet its switching shows.
        const QStringList logged { u"Log Enabled"_s, u"Log Disabled"_s, u"Log Enabled"_s };
        QCOMPARE(h.dir.logMessages(), key == u"EnableLog"_s ? logged : QStringList());
        h.app.reset(); // a restart shows the same mark
        QtSerialPort port(h.dir.path());
        Application again(h.dir.path(), AppServices { h.clock, h.boxes, h.sound, h.help, port });
        QCOMPARE(again.Main(), Application::StartResult::Running);
        QCOMPARE(again.mainWindow()->findChild<QAction*>(item)->isChecked(), !initially);
    }

    void startAndSuspend()
    {
        Harness h;
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
        QVERIFY(h.boxes.shown.isEmpty());
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
        Harness h;
        QVERIFY(h.start(u"Notify=%1\nRingIn=%2"_s.arg(boolText(notify), boolText(ring))));
        if (minimised) {
            h.window()->showMinimized();
            QTRY_VERIFY(h.window()->isMinimized());
        }
        h.pass(1100);
        QStringList rows;
        QDateTime lastCall;
        for (const QString& name : { u"JOHN DOE"_s, u"ANONYMOUS CALLER"_s, u"MOM"_s }) {
            lastCall = h.call(name, u"555765432"_s + QString::number(rows.size()));
            QVERIFY(lastCall.isValid());
            rows.prepend(u"%1|555-765-432%2|%3"_s.arg(name).arg(rows.size()).arg(dateTimeText(lastCall)));
            QCOMPARE(h.window()->windowTitle(), name);
        }
        QStringList shown;
        for (int row = 0; row < h.list()->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = h.list()->topLevelItem(row);
            shown << item->text(0) + u'|' + item->text(1) + u'|' + item->text(2);
        }
        QCOMPARE(shown, rows);
        QCOMPARE(h.list()->currentItem(), h.list()->topLevelItem(0));
        // One ring per call, however many RING lines the modem sent.
        QCOMPARE(h.sound.played, QStringList(ring ? 3 : 0, h.dir.path() + u"/RingIn.wav"_s));

        QCOMPARE(h.window()->splash() != nullptr, minimised && notify);
        if (!h.window()->splash())
            return;
        QCOMPARE(h.window()->splash()->findChild<QLabel*>(u"lblTelcoName"_s)->text(), u"MOM"_s);
        QCOMPARE(h.window()->splash()->findChild<QLabel*>(u"lblTelcoNumber"_s)->text(), u"555-765-4322"_s);
        while (h.window()->splash() && h.window()->splash()->isVisible() && lastCall.secsTo(h.clock.now()) < 60)
            h.pass(500);
        const qint64 shownFor = lastCall.secsTo(h.clock.now());
        QVERIFY2(shownFor >= 20 && shownFor <= 25, qPrintable(QString::number(shownFor)));
    }

    void minimiseHidesOnlyWithATray()
    {
        Harness h;
        QVERIFY(h.start());
        bool tray = false;
        h.window()->setTrayAvailableCheck([&tray] { return tray; });
        h.window()->showMinimized();
        QTRY_VERIFY(h.window()->isMinimized());
        QTest::qWait(20);
        QVERIFY(h.window()->isVisible()); // without a tray there would be no way back
        h.window()->ShowCallNotify(u"JOHN DOE"_s, u"555-123-4567"_s);
        QTest::mouseClick(h.window()->splash()->findChild<QPushButton*>(u"cmdClose"_s), Qt::LeftButton);
        QTRY_VERIFY(!h.window()->splash());

        h.window()->restoreFromTray();
        QTRY_VERIFY(!h.window()->isMinimized());
        tray = true;
        h.window()->showMinimized();
        QTRY_VERIFY(!h.window()->isVisible());
        Q_EMIT h.window()->trayIcon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!h.window()->isVisible());
        Q_EMIT h.window()->trayIcon()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(h.window()->isVisible() && !h.window()->isMinimized());
    }

    void help()
    {
        Harness h;
        QVERIFY(h.start());
        h.action(u"CIDHelp"_s)->trigger();
        QCOMPARE(h.boxes.shown.size(), 1);
        QCOMPARE(h.boxes.shown.first().text + u'|' + h.boxes.shown.first().caption,
                 u"Could not find QuillonCID.html|Error Finding Help File"_s);
        QVERIFY(h.help.opened.isEmpty());
        QVERIFY(QFile(h.dir.file(u"QuillonCID.html"_s)).open(QIODevice::WriteOnly));
        h.action(u"hlpbtn"_s)->trigger();
        QCOMPARE(h.help.opened, QStringList { h.dir.file(u"QuillonCID.html"_s) });
        QCOMPARE(h.boxes.shown.size(), 1);
    }

    void eachWindowOnce()
    {
        Harness h;
        QVERIFY(h.start(u"ExitDelay=False"_s));
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
                QCOMPARE(h.window()->findChildren<QWidget*>(QLatin1String(name)).size(), 1);
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

    void desktopMessageBoxes()
    {
        using B = MessageBoxes;
        QString seen; // title|icon|number of buttons
        QMessageBox::StandardButton press = QMessageBox::Ok;
        QTimer poll; // the box is modal: look at it and answer from inside its loop
        connect(&poll, &QTimer::timeout, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen = u"%1|%2|%3"_s.arg(box->windowTitle()).arg(box->icon()).arg(box->buttons().size());
                box->button(press)->click();
            }
        });
        poll.start(10);
        QtMessageBoxes boxes;
        QCOMPARE(boxes.show(u"Text"_s, {}, B::Icon::Stop, B::Buttons::Ok), B::Answer::Ok);
        QCOMPARE(seen, programTitle() + u"|3|1"_s);
        press = QMessageBox::No;
        QCOMPARE(boxes.show(u"Text"_s, u"Exit"_s, B::Icon::Exclamation, B::Buttons::YesNo), B::Answer::No);
        QCOMPARE(seen, u"Exit|2|2"_s);
        press = QMessageBox::Yes;
        QCOMPARE(boxes.show(u"Text"_s, u"Exit"_s, B::Icon::None, B::Buttons::YesNo), B::Answer::Yes);
        QCOMPARE(seen, u"Exit|0|2"_s);
    }

    void soundReturnsAtOnceAndMissingFilesAreSilent()
    {
        AppDir dir;
        const QString wav = dir.file(u"RingIn.wav"_s);
        QtSoundPlayer sound;
        QElapsedTimer clock;
        clock.start();
        sound.play(wav); // missing
        QVERIFY(QFile::copy(QStringLiteral(QUILLON_SOURCE_DIR "/src/app/RingIn.wav"), wav));
        sound.play(wav);
        sound.play(wav); // cuts off the first
        QVERIFY(clock.elapsed() < 500);
    }
};

} // namespace Quillon::Test

QTEST_MAIN(Quillon::Test::TestApplication)
#include "tst_application.moc"

// SPDX-License-Identifier: GPL-2.0-or-later
// Start-up, first-run configuration and the two ways out of the program.
#include "app/pleasewaitwindow.h"
#include "app/singleinstance.h"
#include "appharness.h"
#include "config/settingsstore.h"
#include "config/workingsettings.h"
#include "reception/modemchannel.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

namespace Quillon::Test {

class TestApplication : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startLogsInOrderAndOpensThePort();
    void missingDatabaseEndsBeforeTheWindowIsShown();
    void secondCopyEndsSilently();
    void settingsDefaultWithoutTheSettingsSection();
    void firstRunDetectsTheModemAndRecordsIt();
    void closeRequest_data();
    void closeRequest();
    void exitAlwaysAsks_data();
    void exitAlwaysAsks();
};

void TestApplication::startLogsInOrderAndOpensThePort()
{
    AppHarness h;
    QVERIFY(h.prepare(QStringLiteral("[Comm]\nCnfg=True\n[Settings]\nEnableLog=True\n")));
    QCOMPARE(h.app->Main(), Application::StartResult::Running);

    const QStringList log = h.dir.logMessages();
    const qsizetype started = log.indexOf(QStringLiteral("Program started in ") + h.dir.path());
    const qsizetype database = log.indexOf(QStringLiteral("Database connection established."));
    QVERIFY2(started >= 0, qPrintable(log.join(u'|')));
    QVERIFY(database > started);
    QVERIFY(log.indexOf(QStringLiteral("CID Status = Ready")) > database);

    QVERIFY(h.window()->isVisible());
    QVERIFY(h.window()->trayIconAdded());
    QCOMPARE(h.window()->statusText(), QStringLiteral("Ready"));
    QCOMPARE(h.window()->windowTitle(), QStringLiteral("Quillon CallerID"));
    QVERIFY(h.boxes.shown.isEmpty());
    QVERIFY(!h.window()->timer(1)->isActive());
    QVERIFY(h.window()->timer(2)->isActive());
    QCOMPARE(h.window()->timer(3)->interval(), 5000);
    QCOMPARE(h.app->modem().reinitTime(), h.clock.now().addSecs(1800));

    // The modem's answer is checked once a second has passed.
    QVERIFY(h.modemReceived(QStringLiteral("AT#CID=1")));
    h.pass(1100);
    QVERIFY(!h.app->modem().timer2Enabled());
    QCOMPARE(h.count(QStringLiteral("CID Status = Not Ready")), 0);
    QVERIFY(h.boxes.shown.isEmpty());
}

void TestApplication::missingDatabaseEndsBeforeTheWindowIsShown()
{
    AppHarness h;
    QVERIFY(h.prepare(QStringLiteral("[Comm]\nCnfg=True\n"), false));
    QCOMPARE(h.app->Main(), Application::StartResult::NoDatabase);
    QCOMPARE(h.boxes.shown.size(), 1);
    QCOMPARE(h.boxes.shown.first().icon, MessageBoxes::Icon::Stop);
    // Never shown at all: no native window was ever made for it.
    QVERIFY(!h.window()->isVisible());
    QVERIFY(!h.window()->windowHandle());
    QVERIFY(!h.window()->trayIconAdded());
    QVERIFY(!h.port->isOpen());
    QVERIFY(h.modem.receivedCommands().isEmpty());
    QVERIFY(!QFileInfo::exists(h.dir.databasePath()));
}

void TestApplication::secondCopyEndsSilently()
{
    AppHarness h;
    QVERIFY(h.prepare(QStringLiteral("[Comm]\nCnfg=True\n[Settings]\nEnableLog=True\n")));
    QCOMPARE(h.app->Main(), Application::StartResult::Running);
    const QString logBefore = h.dir.readFile(QStringLiteral("CID.Log"));

    QtSerialPort secondPort(h.dir.path());
    Application second(h.dir.path(), AppServices { h.clock, h.boxes, h.sound, h.help, secondPort });
    QCOMPARE(second.Main(), Application::StartResult::AlreadyRunning);
    QVERIFY(!second.mainWindow()->isVisible());
    QVERIFY(!second.mainWindow()->trayIconAdded());
    QVERIFY(h.boxes.shown.isEmpty());
    QCOMPARE(h.dir.readFile(QStringLiteral("CID.Log")), logBefore);
    QVERIFY(h.window()->isVisible());
    QVERIFY(h.port->isOpen());

    // Once the first copy has gone, the next start runs.
    h.app.reset();
    SingleInstance third(h.dir.path());
    QVERIFY(third.tryToBecomeOnly());
}

void TestApplication::settingsDefaultWithoutTheSettingsSection()
{
    AppHarness h;
    QVERIFY(h.prepare(QStringLiteral("[Comm]\nCnfg=True\n")));
    QCOMPARE(h.app->Main(), Application::StartResult::Running);
    const struct
    {
        const char* item;
        bool checked;
    } expected[] = { { "EnableLog", false },
                     { "Enable_Notify", true },
                     { "Call_Reject", true },
                     { "RingIn", true },
                     { "ExtDelay", true } };
    for (const auto& e : expected) {
        QAction* item = h.action(QLatin1String(e.item));
        QVERIFY2(item && item->isCheckable(), e.item);
        QVERIFY2(item->isChecked() == e.checked, e.item);
    }
    QCOMPARE(h.app->settings().Format, qint16(1));
    QCOMPARE(h.app->settings().NmbrLngth, qint16(10));
    QVERIFY(!QFileInfo::exists(h.dir.logPath()));
}

void TestApplication::firstRunDetectsTheModemAndRecordsIt()
{
    AppHarness h;
    QVERIFY(h.prepare(QStringLiteral("[Settings]\nEnableLog=True\n")));
    bool mainVisibleBehind = false;
    bool pleaseWaitShown = false;
    QString notice;
    h.clock.setWaitHook([&](int ms) {
        h.modem.advance(ms);
        if (h.app->pleaseWait() && h.app->pleaseWait()->isVisible()) {
            pleaseWaitShown = true;
            mainVisibleBehind = h.window()->isVisible();
            notice = h.app->pleaseWait()->findChild<QLabel*>(QStringLiteral("lblSplash"))->text();
        }
    });

    QCOMPARE(h.app->Main(), Application::StartResult::Running);
    QVERIFY(pleaseWaitShown);
    QVERIFY(mainVisibleBehind);
    QCOMPARE(notice, QStringLiteral("Please wait while we configure Quillon CallerID for your system"));
    QVERIFY(!h.app->pleaseWait() || !h.app->pleaseWait()->isVisible());
    QCOMPARE(GetIniValue(h.dir.iniPath(), QStringLiteral("Comm"), QStringLiteral("Cnfg"), {}), QStringLiteral("True"));
    QCOMPARE(GetIniValue(h.dir.iniPath(), QStringLiteral("Comm"), QStringLiteral("ComPort"), {}), QStringLiteral("1"));
    QCOMPARE(GetIniValue(h.dir.iniPath(), QStringLiteral("Modem"), QStringLiteral("ModemStrng"), {}),
             QStringLiteral("AT#CID=1"));
    QVERIFY(h.app->settings().Cnfg);
    QVERIFY(h.port->isOpen());
}

void TestApplication::closeRequest_data()
{
    QTest::addColumn<bool>("exitDelay");
    QTest::addColumn<bool>("answerYes");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("closes");
    QTest::newRow("confirm on, yes") << true << true << true << true;
    QTest::newRow("confirm on, no") << true << false << true << false;
    QTest::newRow("confirm off") << false << false << false << true;
}

void TestApplication::closeRequest()
{
    QFETCH(bool, exitDelay);
    QFETCH(bool, answerYes);
    QFETCH(bool, asked);
    QFETCH(bool, closes);

    AppHarness h;
    QVERIFY(h.prepare(QStringLiteral("[Comm]\nCnfg=True\n[Settings]\nEnableLog=True\nExitDelay=") + boolText(exitDelay)
                      + u'\n'));
    QCOMPARE(h.app->Main(), Application::StartResult::Running);
    QVERIFY(h.modemReceived(QStringLiteral("AT#CID=1")));
    h.modem.clearReceivedCommands();
    const QString logBefore = h.dir.readFile(QStringLiteral("CID.Log"));
    QSignalSpy ended(h.app.get(), &Application::programEnded);
    h.boxes.queueAnswer(answerYes ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No);
    // A popup left open must not outlive the window.
    h.window()->showMinimized();
    QTRY_VERIFY(h.window()->isMinimized());
    h.window()->ShowCallNotify(QStringLiteral("JOHN DOE"), QStringLiteral("555-123-4567"));
    QVERIFY(h.window()->splash());

    QCOMPARE(h.window()->close(), closes);

    QCOMPARE(h.boxes.shown.size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(h.boxes.shown.first().text, QStringLiteral("Are you sure you want to quit?"));
        QCOMPARE(h.boxes.shown.first().caption, QStringLiteral("Exit"));
        QCOMPARE(h.boxes.shown.first().buttons, MessageBoxes::Buttons::YesNo);
    }
    if (!closes) {
        QVERIFY(h.window()->isVisible());
        QVERIFY(h.window()->trayIconAdded());
        QCOMPARE(h.dir.readFile(QStringLiteral("CID.Log")), logBefore);
        QCOMPARE(ended.count(), 0);
        return;
    }
    QCOMPARE(ended.count(), 1);
    QVERIFY(h.app->ended());
    QVERIFY(!h.window()->trayIconAdded());
    QTRY_VERIFY(!h.window()->splash());
    QCOMPARE(h.dir.logMessages().last(), QStringLiteral("Program Ending"));
    QVERIFY(h.modemReceived(QStringLiteral("ATZ")));
}

void TestApplication::exitAlwaysAsks_data()
{
    QTest::addColumn<bool>("exitDelay");
    QTest::addColumn<bool>("answerYes");
    QTest::newRow("confirm off, yes") << false << true;
    QTest::newRow("confirm on, yes") << true << true;
    QTest::newRow("confirm off, no") << false << false;
}

void TestApplication::exitAlwaysAsks()
{
    QFETCH(bool, exitDelay);
    QFETCH(bool, answerYes);

    AppHarness h;
    QVERIFY(h.prepare(QStringLiteral("[Comm]\nCnfg=True\n[Settings]\nEnableLog=True\nExitDelay=") + boolText(exitDelay)
                      + u'\n'));
    QCOMPARE(h.app->Main(), Application::StartResult::Running);
    QVERIFY(h.modemReceived(QStringLiteral("AT#CID=1")));
    h.modem.clearReceivedCommands();
    const QString logBefore = h.dir.readFile(QStringLiteral("CID.Log"));
    QSignalSpy ended(h.app.get(), &Application::programEnded);
    h.boxes.queueAnswer(answerYes ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No);

    h.action(QStringLiteral("Exit"))->trigger();

    QCOMPARE(h.boxes.shown.size(), 1);
    QCOMPARE(h.boxes.shown.first().text, QStringLiteral("Are you sure you want to quit?"));
    QCOMPARE(h.boxes.shown.first().caption, QStringLiteral("Exit"));
    if (!answerYes) {
        QCOMPARE(ended.count(), 0);
        QCOMPARE(h.dir.readFile(QStringLiteral("CID.Log")), logBefore);
        QVERIFY(h.window()->trayIconAdded());
        return;
    }
    QCOMPARE(ended.count(), 1);
    QCOMPARE(h.dir.logMessages().last(), QStringLiteral("Program exiting"));
    QCOMPARE(h.count(QStringLiteral("Program Ending")), 0);
    QVERIFY(!h.window()->trayIconAdded());
    QTest::qWait(50);
    h.modem.pump();
    QVERIFY(!h.modem.receivedCommands().contains(QStringLiteral("ATZ")));
}

} // namespace Quillon::Test

QTEST_MAIN(Quillon::Test::TestApplication)
#include "tst_application.moc"

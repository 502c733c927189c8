// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/settingsstore.h"
#include "config/workingsettings.h"
#include "modemsimulator.h"
#include "platform/qtserialport.h"
#include "reception/modemchannel.h"
#include "records/activitylog.h"
#include "support/appdir.h"
#include "support/fakeclock.h"
#include "support/recordingboxes.h"
#include "support/recordingstatus.h"

#include <QSignalSpy>
#include <QTest>

using namespace Quillon;
using Quillon::Sim::ModemSimulator;
using Box = MessageBoxes;

namespace {

const QString InitFailedText
    = u"The modem did not initialize properly!\rCheck your configuration and modem connection!"_qs;

// The program's side (real port, fake clock, recorded boxes) and a pumped
// simulator behind [Ports] Comm1; Comm2 names a device that does not exist.
struct Rig
{
    Test::AppDir dir;
    WorkingSettings settings;
    Test::FakeClock clock;
    ActivityLog log { dir.path(), settings, clock };
    Test::RecordingBoxes boxes;
    Test::RecordingStatus status;
    QtSerialPort port { dir.path() };
    MdmCmd mdm { dir.path(), settings, port, clock, log, boxes, status };
    ModemSimulator sim;
    QDateTime started = clock.now();

    explicit Rig(const QString& comm = QString())
    {
        settings.EnableLog = true;
        // The pumped simulator answers within each wait; no real time is needed.
        clock.setRealSliceMs(0);
        sim.setAcceptedCidCommand(u"AT#CID=1"_qs);
        startSimulator();
        clock.setWaitHook([this](int ms) { sim.advance(ms); });
        dir.writeIni(u"[Ports]\r\nComm1=%1\r\nComm2=%2\r\n[Comm]\r\n%3"_qs.arg(link(), dir.file(u"absent"_qs), comm));
    }

    QString link() const { return dir.file(u"modem1"_qs); }
    bool startSimulator() { return sim.start() && sim.createLink(link()); }

    // Time passes with the event loop idle: the modem answers meanwhile.
    void pass(int ms)
    {
        sim.advance(ms);
        clock.advance(ms);
    }
    qint64 msSinceStart() const { return started.msecsTo(clock.now()); }
};

} // namespace

class TestModemChannel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void responseTest_data();
    void responseTest();
    void openSendsExactlyTheInitCommand_data();
    void openSendsExactlyTheInitCommand();
    void initialisationCheck_data();
    void initialisationCheck();
    void openFailure_data();
    void openFailure();
    void initCheckRunsOnceAfterASecond();
    void initCheckWithPortClosedOnlyLogs();
    void reinitialisesEvery1800Seconds();
    void reinitialisationWaitsForReportAndOpenPort();
    void reinitAfterReportMovesNextOne();
    void applySettingsStoresReopensAndChecks_data();
    void applySettingsStoresReopensAndChecks();
    void commandsToAClosedPortAreDropped();
    void unpluggedModem();
};

void TestModemChannel::responseTest_data()
{
    QTest::addColumn<QString>("response");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("verbal OK") << u"\r\nOK\r\n"_qs << true;
    QTest::newRow("numeric 0") << u"0\r"_qs << true;
    QTest::newRow("a 0 in an echo") << u"ATS40.2=1\r\r\nERROR\r\n"_qs << true;
    QTest::newRow("OK inside a word") << u"BROKEN"_qs << true;
    QTest::newRow("error") << u"\r\nERROR\r\n"_qs << false;
    QTest::newRow("numeric error") << u"4\r"_qs << false;
    QTest::newRow("lower-case ok") << u"ok"_qs << false;
    QTest::newRow("letter O") << u"O"_qs << false;
    QTest::newRow("empty") << QString() << false;
}

void TestModemChannel::responseTest()
{
    QFETCH(QString, response);
    QFETCH(bool, accepted);
    QCOMPARE(MdmCmd::isInitResponseAccepted(response), accepted);
}

void TestModemChannel::openSendsExactlyTheInitCommand_data()
{
    QTest::addColumn<QString>("modemLine");
    QTest::addColumn<QByteArray>("sent");

    QTest::newRow("default command") << QString() << QByteArray("AT#CID=1\r");
    QTest::newRow("stored command") << u"[Modem]\r\nModemStrng=AT#CC1\r\n"_qs << QByteArray("AT#CC1\r");
    QTest::newRow("other letter case sent unchanged")
        << u"[Modem]\r\nModemStrng=at#cid=1\r\n"_qs << QByteArray("at#cid=1\r");
    QTest::newRow("empty command: a lone CR") << u"[Modem]\r\nModemStrng=\r\n"_qs << QByteArray("\r");
}

void TestModemChannel::openSendsExactlyTheInitCommand()
{
    QFETCH(QString, modemLine);
    QFETCH(QByteArray, sent);
    Rig rig(u"ComPort=1\r\n"_qs + modemLine);
    rig.settings.ModemStrng = u"stale"_qs;
    rig.mdm.OpenCommPort();
    rig.sim.pump();
    QCOMPARE(rig.sim.receivedBytes(), sent);
    QVERIFY(rig.port.isOpen());
    QCOMPARE(rig.settings.ModemStrng, QString::fromLatin1(sent.chopped(1)));
    QCOMPARE(rig.status.shown, QList<bool> { true });
    QVERIFY(rig.boxes.shown.isEmpty());
    QCOMPARE(rig.dir.logMessages(),
             (QStringList { u"Comm Port = 1"_qs, u"Baud = 14400"_qs, u"CID Status = Ready"_qs }));
}

void TestModemChannel::initialisationCheck_data()
{
    QTest::addColumn<QString>("modemCommand");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<bool>("echo");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("logged");

    QTest::newRow("OK") << u"AT#CID=1"_qs << false << false << false << 0 << true << u"\r\nOK\r\n"_qs;
    QTest::newRow("numeric 0") << u"AT#CID=1"_qs << true << false << false << 0 << true << u"0\r"_qs;
    QTest::newRow("echo holding a 0") << u"ATS40.2=1"_qs << false << true << false << 0 << true
                                      << u"ATS40.2=1\r\r\nERROR\r\n"_qs;
    QTest::newRow("ERROR") << u"AT*ID1"_qs << false << false << false << 0 << false << u"\r\nERROR\r\n"_qs;
    QTest::newRow("numeric 4") << u"AT*ID1"_qs << true << false << false << 0 << false << u"4\r"_qs;
    QTest::newRow("echo without 0 and ERROR")
        << u"AT*ID1"_qs << false << true << false << 0 << false << u"AT*ID1\r\r\nERROR\r\n"_qs;
    QTest::newRow("silence") << u"AT#CID=1"_qs << false << false << true << 0 << false << u"Failed"_qs;
    QTest::newRow("answer after the check")
        << u"AT#CID=1"_qs << false << false << false << 1500 << false << u"Failed"_qs;
    QTest::newRow("empty command, no answer") << QString() << false << false << false << 0 << false << u"Failed"_qs;
}

void TestModemChannel::initialisationCheck()
{
    QFETCH(QString, modemCommand);
    QFETCH(bool, numeric);
    QFETCH(bool, echo);
    QFETCH(bool, silent);
    QFETCH(int, delayMs);
    QFETCH(bool, accepted);
    QFETCH(QString, logged);

    Rig rig(u"ComPort=1\r\n[Modem]\r\nModemStrng=%1\r\n"_qs.arg(modemCommand));
    rig.sim.setNumericResults(numeric);
    rig.sim.setEcho(echo);
    rig.sim.setRespondsToAt(!silent);
    rig.sim.setAnswerDelayMs(delayMs);
    rig.mdm.OpenCommPort();
    rig.mdm.armInitCheck();
    for (int i = 0; i < 12; ++i) {
        rig.pass(100);
        rig.mdm.timer2Tick();
    }
    QCOMPARE(rig.port.isOpen(), accepted);
    QCOMPARE(rig.status.shown, accepted ? QList<bool> { true } : (QList<bool> { true, false }));
    if (accepted) {
        QVERIFY(rig.boxes.shown.isEmpty());
    } else {
        QCOMPARE(rig.boxes.shown.size(), 1);
        QCOMPARE(rig.boxes.shown.first().text, InitFailedText);
        QCOMPARE(rig.boxes.shown.first().caption, u"Initialization Error"_qs);
        QCOMPARE(rig.boxes.shown.first().icon, Box::Icon::Stop);
        QCOMPARE(rig.boxes.shown.first().buttons, Box::Buttons::Ok);
    }
    const QStringList log = rig.dir.logMessages();
    QCOMPARE(log.last(), u"Modem Response = "_qs + logged);
    if (!accepted)
        QCOMPARE(log.at(log.size() - 2), u"CID Status = Not Ready"_qs);
}

void TestModemChannel::openFailure_data()
{
    QTest::addColumn<QString>("comm");
    QTest::addColumn<QString>("message");

    QTest::newRow("port 7 has no device") << u"ComPort=7\r\n"_qs << u"Comm Port 7 could not be found!"_qs;
    QTest::newRow("device missing") << u"ComPort=2\r\n"_qs << u"Comm Port 2 could not be found!"_qs;
    QTest::newRow("settings refused") << u"ComPort=1\r\nParity=X\r\n"_qs << u"Comm Port 1 could not be found!"_qs;
    QTest::newRow("speed refused") << u"ComPort=1\r\nBaud=fast\r\n"_qs << u"Comm Port 1 could not be found!"_qs;
}

void TestModemChannel::openFailure()
{
    QFETCH(QString, comm);
    QFETCH(QString, message);
    Rig rig(comm);
    rig.mdm.OpenCommPort();
    QVERIFY(!rig.port.isOpen());
    QCOMPARE(rig.status.shown, QList<bool> { false });
    QCOMPARE(rig.boxes.shown.size(), 1);
    QCOMPARE(rig.boxes.shown.first().text, message);
    QCOMPARE(rig.boxes.shown.first().caption, u"Comm Port Error"_qs);
    QCOMPARE(rig.boxes.shown.first().icon, Box::Icon::Exclamation);
    QCOMPARE(rig.boxes.shown.first().buttons, Box::Buttons::Ok);
    QCOMPARE(rig.dir.logMessages().mid(2), (QStringList { u"CID Status = Not Ready"_qs, message }));
    rig.sim.pump();
    QVERIFY(rig.sim.receivedBytes().isEmpty());

    // Without logging the box still comes, the log stays empty.
    Rig quiet(comm);
    quiet.settings.EnableLog = false;
    quiet.mdm.OpenCommPort();
    QCOMPARE(quiet.boxes.shown.size(), 1);
    QVERIFY(quiet.dir.logMessages().isEmpty());
}

void TestModemChannel::initCheckRunsOnceAfterASecond()
{
    Rig rig(u"ComPort=1\r\n"_qs);
    rig.mdm.OpenCommPort();
    rig.mdm.armInitCheck();
    QVERIFY(rig.mdm.timer2Enabled());
    int checkedAfterMs = -1;
    for (int ms = 100; ms <= 3000; ms += 100) {
        rig.pass(100);
        rig.mdm.timer2Tick();
        if (checkedAfterMs < 0 && !rig.mdm.timer2Enabled())
            checkedAfterMs = ms;
    }
    QCOMPARE(checkedAfterMs, 1000);
    QCOMPARE(rig.dir.logMessages().filter(u"Modem Response = "_qs).size(), 1);
    QVERIFY(rig.port.isOpen());
}

void TestModemChannel::initCheckWithPortClosedOnlyLogs()
{
    Rig rig(u"ComPort=1\r\n"_qs);
    rig.mdm.OpenCommPort();
    rig.port.close();
    rig.mdm.armInitCheck();
    rig.pass(1000);
    rig.mdm.timer2Tick();
    QVERIFY(!rig.mdm.timer2Enabled());
    QVERIFY(rig.boxes.shown.isEmpty());
    QCOMPARE(rig.status.shown, QList<bool> { true });
    QCOMPARE(rig.dir.logMessages().last(), u"Modem Response = "_qs);
}

void TestModemChannel::reinitialisesEvery1800Seconds()
{
    Rig rig(u"ComPort=1\r\n"_qs);
    rig.mdm.OpenCommPort();
    rig.sim.pump();
    rig.sim.clearReceivedCommands();
    QList<qint64> resetAt;
    connect(&rig.sim, &ModemSimulator::commandReceived, this, [&](const QString& command) {
        if (command == u"ATZ"_qs)
            resetAt.append(rig.msSinceStart());
    });
    for (int tick = 0; tick < 3700 / 5; ++tick) {
        rig.pass(5000);
        rig.mdm.timer3Tick();
    }
    // The next one counts from the end of the last, 600 ms of waits later.
    QCOMPARE(resetAt, (QList<qint64> { 1800 * 1000, 3600 * 1000 + 600 }));
    QCOMPARE(rig.sim.receivedCommands(), (QStringList { u"ATZ"_qs, u"AT#CID=1"_qs, u"ATZ"_qs, u"AT#CID=1"_qs }));
    // What the modem answered was cleared away.
    QCOMPARE(rig.port.readAll(), QString());
    QVERIFY(rig.port.isOpen());
}

void TestModemChannel::reinitialisationWaitsForReportAndOpenPort()
{
    Rig rig(u"ComPort=1\r\n"_qs);
    rig.mdm.OpenCommPort();
    rig.sim.pump();
    rig.sim.clearReceivedCommands();
    const QDateTime due = rig.mdm.reinitTime();
    QCOMPARE(due, rig.started.addSecs(1800));

    rig.pass(1795 * 1000);
    rig.mdm.setReportInProgress(true);
    for (int tick = 0; tick < 20; ++tick) {
        rig.pass(5000);
        rig.mdm.timer3Tick();
        rig.mdm.ReinitModem();
    }
    QVERIFY(rig.sim.receivedCommands().isEmpty());
    QCOMPARE(rig.mdm.reinitTime(), due);

    rig.mdm.setReportInProgress(false);
    rig.port.close();
    rig.pass(5000);
    rig.mdm.timer3Tick();
    QCOMPARE(rig.mdm.reinitTime(), due);

    QVERIFY(rig.port.open());
    const qint64 sleptBefore = rig.clock.totalSleptMs();
    rig.mdm.timer3Tick();
    QCOMPARE(rig.sim.receivedBytes(), QByteArray("ATZ\rAT#CID=1\r"));
    QCOMPARE(rig.clock.totalSleptMs() - sleptBefore, 600);
    QCOMPARE(rig.mdm.reinitTime(), rig.clock.now().addSecs(1800));
}

void TestModemChannel::reinitAfterReportMovesNextOne()
{
    Rig rig(u"ComPort=1\r\n"_qs);
    rig.mdm.OpenCommPort();
    rig.pass(600 * 1000);
    rig.mdm.ReinitModem(); // what the call pipeline does after a report
    const QDateTime next = rig.clock.now().addSecs(1800);
    QCOMPARE(rig.mdm.reinitTime(), next);
    rig.sim.clearReceivedCommands();
    for (int tick = 0; tick < 1900 / 5; ++tick) {
        rig.pass(5000);
        rig.mdm.timer3Tick();
        if (!rig.sim.receivedCommands().isEmpty())
            break;
    }
    QVERIFY(rig.clock.now() >= next);
    QVERIFY(rig.clock.now() < next.addSecs(5));
}

void TestModemChannel::applySettingsStoresReopensAndChecks_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("answer within 50 ms") << 20 << true;
    QTest::newRow("answer after 50 ms") << 100 << false;
}

void TestModemChannel::applySettingsStoresReopensAndChecks()
{
    QFETCH(int, delayMs);
    QFETCH(bool, accepted);
    Rig rig(u"ComPort=2\r\n"_qs);
    rig.sim.setAcceptedCidCommand(u"AT#CC1"_qs);
    rig.sim.setAnswerDelayMs(delayMs);
    rig.settings.ComPort = 1;
    rig.settings.Baud = u"9600"_qs;
    rig.settings.ModemStrng = u"AT#CC1"_qs;
    const qint64 sleptBefore = rig.clock.totalSleptMs();
    rig.mdm.ApplyCommSettings();
    QCOMPARE(rig.clock.totalSleptMs() - sleptBefore, 50);

    const QString ini = rig.dir.iniPath();
    QCOMPARE(GetIniValue(ini, u"Comm"_qs, u"ComPort"_qs, {}), u"1"_qs);
    QCOMPARE(GetIniValue(ini, u"Comm"_qs, u"Baud"_qs, {}), u"9600"_qs);
    QCOMPARE(GetIniValue(ini, u"Modem"_qs, u"ModemStrng"_qs, {}), u"AT#CC1"_qs);
    QCOMPARE(rig.sim.receivedCommands(), QStringList { u"AT#CC1"_qs });
    QCOMPARE(rig.port.isOpen(), accepted);
    QCOMPARE(rig.boxes.shown.size(), accepted ? 0 : 1);
    QCOMPARE(rig.dir.logMessages().first(), u"Comm Port = 1"_qs);
}

void TestModemChannel::commandsToAClosedPortAreDropped()
{
    Rig rig(u"ComPort=1\r\n"_qs);
    QVERIFY(!rig.mdm.AnswerCommand());
    QVERIFY(!rig.mdm.HangUpCommand());
    QVERIFY(!rig.mdm.ResetCommand());
    rig.mdm.OpenCommPort();
    QVERIFY(rig.mdm.AnswerCommand());
    QVERIFY(rig.mdm.HangUpCommand());
    rig.sim.pump();
    QCOMPARE(rig.sim.receivedBytes(), QByteArray("AT#CID=1\rATA\rATH0\r"));
}

void TestModemChannel::unpluggedModem()
{
    Rig rig(u"ComPort=1\r\n"_qs);
    QSignalSpy lost(&rig.port, &SerialPort::portLost);
    rig.mdm.OpenCommPort();
    rig.sim.stop();
    QVERIFY(lost.wait(2000));
    QTest::qWait(50); // anything further the dead line would raise
    QCOMPARE(lost.count(), 1);
    QVERIFY(!rig.port.isOpen());
    QCOMPARE(rig.status.shown, (QList<bool> { true, false }));
    QCOMPARE(rig.boxes.shown.size(), 1);
    QVERIFY(rig.boxes.shown.first().text.startsWith(u"Comm Port 1 was disconnected!"_qs));
    QCOMPARE(rig.boxes.shown.first().caption, u"Comm Port Error"_qs);
    QCOMPARE(rig.dir.logMessages().mid(3),
             (QStringList { u"CID Status = Not Ready"_qs, u"Comm Port 1 was disconnected!"_qs }));

    // Timers go on ticking harmlessly against the closed port.
    rig.mdm.armInitCheck();
    for (int tick = 0; tick < 400; ++tick) {
        rig.pass(5000);
        rig.mdm.timer2Tick();
        rig.mdm.timer3Tick();
    }
    QVERIFY(!rig.mdm.AnswerCommand());
    QCOMPARE(rig.boxes.shown.size(), 1);

    // Start with no modem back: the usual failure.
    rig.mdm.OpenCommPort();
    QCOMPARE(rig.boxes.shown.size(), 2);
    QCOMPARE(rig.boxes.shown.last().text, u"Comm Port 1 could not be found!"_qs);

    // A modem plugged in again (a fresh simulator at the same path): Start works.
    QVERIFY(rig.startSimulator());
    rig.mdm.OpenCommPort();
    QVERIFY(rig.port.isOpen());
    QCOMPARE(rig.status.shown.last(), true);
    rig.mdm.armInitCheck();
    rig.pass(1000);
    rig.mdm.timer2Tick();
    QVERIFY(rig.port.isOpen());
    QCOMPARE(rig.dir.logMessages().last(), u"Modem Response = \r\nOK\r\n"_qs);

    // A second loss is told again.
    rig.sim.stop();
    QVERIFY(lost.wait(2000));
    QCOMPARE(rig.boxes.shown.size(), 3);
    QCOMPARE(rig.status.shown.last(), false);
}

QTEST_GUILESS_MAIN(TestModemChannel)
#include "tst_modemchannel.moc"

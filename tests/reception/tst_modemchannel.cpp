// SPDX-License-Identifier: GPL-2.0-or-later
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

    explicit Rig(const QString& comm = u"ComPort=1\r\n"_qs)
    {
        settings.EnableLog = true;
        clock.setRealSliceMs(0); // the pumped simulator answers within each wait
        sim.setAcceptedCidCommand(u"AT#CID=1"_qs);
        startSimulator();
        clock.setWaitHook([this](int ms) { sim.advance(ms); });
        dir.writeIni(u"[Ports]\r\nComm1=%1\r\nComm2=%2\r\n[Comm]\r\n%3"_qs.arg(link(), dir.file(u"absent"_qs), comm));
    }
    QString link() const { return dir.file(u"modem1"_qs); }
    bool startSimulator() { return sim.start() && sim.createLink(link()); }
    // Time passes with the event loop idle: the modem answers meanwhile.
    void pass(int ms, int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            sim.advance(ms);
            clock.advance(ms);
            mdm.timer2Tick();
            mdm.timer3Tick();
        }
    }
};

} // namespace

class TestModemChannel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initialisation_data();
    void initialisation();
    void openFailure_data();
    void openFailure();
    void reinitialisation();
    void unpluggedModem();
};

void TestModemChannel::initialisation_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<bool>("echo");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("answer");

    const QString cid = u"AT#CID=1"_qs;
    const QString failed = u"Failed"_qs;
    QTest::newRow("OK") << cid << false << false << false << 0 << true << u"\r\nOK\r\n"_qs;
    QTest::newRow("numeric 0") << cid << true << false << false << 0 << true << u"0\r"_qs;
    QTest::newRow("echo holding a 0") << u"ATS40.2=1"_qs << false << true << false << 0 << true
                                      << u"ATS40.2=1\r\r\nERROR\r\n"_qs;
    QTest::newRow("ERROR") << u"AT#CC1"_qs << false << false << false << 0 << false << u"\r\nERROR\r\n"_qs;
    QTest::newRow("numeric 4") << u"AT*ID1"_qs << true << false << false << 0 << false << u"4\r"_qs;
    QTest::newRow("silence") << cid << false << false << true << 0 << false << failed;
    QTest::newRow("answer too late") << cid << false << false << false << 1500 << false << failed;
}

void TestModemChannel::initialisation()
{
    QFETCH(QString, command);
    QFETCH(bool, numeric);
    QFETCH(bool, echo);
    QFETCH(bool, silent);
    QFETCH(int, delayMs);
    QFETCH(bool, accepted);
    QFETCH(QString, answer);
    Rig rig(u"ComPort=1\r\n[Modem]\r\nModemStrng=%1\r\n"_qs.arg(command));
    rig.sim.setNumericResults(numeric);
    rig.sim.setEcho(echo);
    rig.sim.setRespondsToAt(!silent);
    rig.sim.setAnswerDelayMs(delayMs);
    rig.mdm.OpenCommPort();
    rig.sim.pump();
    QCOMPARE(rig.sim.receivedBytes(), command.toLatin1() + '\r');
    QCOMPARE(rig.dir.logMessages(),
             (QStringList { u"Comm Port = 1"_qs, u"Baud = 14400"_qs, u"CID Status = Ready"_qs }));
    rig.mdm.armInitCheck();
    for (int ms = 100; ms <= 1200; ms += 100) {
        rig.pass(100);
        QCOMPARE(rig.mdm.timer2Enabled(), ms < 1000); // checked once, after a second
    }
    QCOMPARE(rig.port.isOpen(), accepted);
    QCOMPARE(rig.status.shown, accepted ? QList<bool> { true } : (QList<bool> { true, false }));
    const QStringList log = rig.dir.logMessages();
    QCOMPARE(log.filter(u"Modem Response = "_qs), QStringList { u"Modem Response = "_qs + answer });
    QCOMPARE(log.last(), u"Modem Response = "_qs + answer);
    if (accepted) {
        QVERIFY(rig.boxes.shown.isEmpty());
        return;
    }
    QCOMPARE(rig.boxes.shown.size(), 1);
    const auto& box = rig.boxes.shown.first();
    QCOMPARE(box.text, u"The modem did not initialize properly!\rCheck your configuration and modem connection!"_qs);
    QCOMPARE(box.caption, u"Initialization Error"_qs);
    QCOMPARE(box.icon, Box::Icon::Stop);
    QCOMPARE(box.buttons, Box::Buttons::Ok);
    QCOMPARE(log.at(log.size() - 2), u"CID Status = Not Ready"_qs);
}

void TestModemChannel::openFailure_data()
{
    QTest::addColumn<QString>("comm");
    QTest::addColumn<QString>("message");

    QTest::newRow("port 7") << u"ComPort=7\r\n"_qs << u"Comm Port 7 could not be found!"_qs;
    QTest::newRow("device missing") << u"ComPort=2\r\n"_qs << u"Comm Port 2 could not be found!"_qs;
    QTest::newRow("settings refused") << u"ComPort=1\r\nParity=X\r\n"_qs << u"Comm Port 1 could not be found!"_qs;
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
    QCOMPARE(rig.dir.logMessages().mid(2), (QStringList { u"CID Status = Not Ready"_qs, message }));
    rig.sim.pump();
    QVERIFY(rig.sim.receivedBytes().isEmpty());
}

void TestModemChannel::reinitialisation()
{
    Rig rig;
    const QDateTime started = rig.clock.now();
    rig.mdm.OpenCommPort();
    rig.sim.pump();
    rig.sim.clearReceivedCommands();
    QList<qint64> resetAt;
    connect(&rig.sim, &ModemSimulator::commandReceived, this, [&](const QString& command) {
        if (command == u"ATZ"_qs)
            resetAt.append(started.secsTo(rig.clock.now()));
    });
    rig.pass(5000, 1800 / 5);
    QCOMPARE(resetAt, QList<qint64> { 1800 });
    QCOMPARE(rig.sim.receivedCommands(), (QStringList { u"ATZ"_qs, u"AT#CID=1"_qs }));
    QCOMPARE(rig.port.readAll(), QString()); // the modem's answers were cleared away

    // Due while a report is in progress: put off until it is over.
    rig.mdm.setReportInProgress(true);
    rig.pass(5000, 1900 / 5);
    QCOMPARE(resetAt.size(), 1);
    rig.mdm.setReportInProgress(false);
    rig.pass(5000);
    QCOMPARE(resetAt.size(), 2);
    QCOMPARE(resetAt.last(), 1800 + 1905);
    QCOMPARE(rig.mdm.reinitTime(), rig.clock.now().addSecs(1800));
    QVERIFY(rig.port.isOpen());
}

void TestModemChannel::unpluggedModem()
{
    Rig rig;
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
    rig.pass(5000, 400);
    QVERIFY(!rig.mdm.AnswerCommand());
    QCOMPARE(rig.boxes.shown.size(), 1);

    // Start with no modem back fails as usual; with one plugged in again it works.
    rig.mdm.OpenCommPort();
    QCOMPARE(rig.boxes.shown.last().text, u"Comm Port 1 could not be found!"_qs);
    QVERIFY(rig.startSimulator());
    rig.mdm.OpenCommPort();
    rig.mdm.armInitCheck();
    rig.pass(1000);
    QVERIFY(rig.port.isOpen());
    QCOMPARE(rig.status.shown.last(), true);
    QCOMPARE(rig.dir.logMessages().last(), u"Modem Response = \r\nOK\r\n"_qs);
    QCOMPARE(rig.boxes.shown.size(), 2);
}

QTEST_GUILESS_MAIN(TestModemChannel)
#include "tst_modemchannel.moc"

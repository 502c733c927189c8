// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/modemdetection.h"
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

#include <QFile>
#include <QTest>

#include <memory>

using namespace Quillon;
using Quillon::Sim::ModemSimulator;
using Answer = MessageBoxes::Answer;

namespace {

// Six ports, each described by a word: "-" no device, "silent" a device with
// no modem, "plain" a modem that takes no caller-ID command, "slow" a modem
// whose answers take 200 ms, "gone" a plain modem unplugged at its first
// command, or the one caller-ID command the modem accepts.
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
    std::unique_ptr<ModemSimulator> sims[6];
    int hooksRun = 0;

    explicit Rig(const QStringList& ports)
    {
        settings.EnableLog = true;
        clock.setRealSliceMs(0); // the pumped simulators answer within each wait
        QString ini = u"[Comm]\r\nComPort=1\r\nBaud=9600\r\n[Modem]\r\nModemStrng=AT#CID=1\r\n[Ports]\r\n"_qs;
        for (int i = 0; i < 6; ++i) {
            const QString kind = ports.value(i, u"-"_qs);
            QString path = dir.file(u"port%1"_qs.arg(i + 1));
            if (kind != u"-"_qs) {
                sims[i] = std::make_unique<ModemSimulator>();
                sims[i]->start();
                path = sims[i]->portPath();
                sims[i]->setRespondsToAt(kind != u"silent"_qs);
                const bool slow = kind == u"slow"_qs;
                sims[i]->setAnswerDelayMs(slow ? 200 : 0);
                sims[i]->setAcceptedCidCommand(kind.startsWith(u"AT"_qs) ? kind : slow ? u"AT#CID=1"_qs : QString());
            }
            ini += u"Comm%1=%2\r\n"_qs.arg(i + 1).arg(path);
        }
        dir.writeIni(ini);
        setCommSettings(settings, LoadCommSettings(dir.iniPath(), log));
        clock.setWaitHook([this, ports](int ms) {
            for (int i = 0; i < 6; ++i) {
                if (sims[i] && sims[i]->isRunning())
                    sims[i]->advance(ms);
                if (ms == 1000 && ports.value(i) == u"gone"_qs && sims[i]->isRunning()) {
                    sims[i]->stop();
                    QTest::qWait(20); // the port learns it is gone
                }
            }
            if (ms == 1000) { // timers coming due meanwhile must leave the port alone
                mdm.timer2Tick();
                mdm.timer3Tick();
            }
        });
        mdm.OpenCommPort();
        mdm.setReinitTime(clock.now());
        mdm.armInitCheck();
        boxes.shown.clear();
        status.shown.clear();
        QFile::remove(dir.logPath());
        for (auto& sim : sims) {
            if (sim) {
                sim->pump();
                sim->clearReceivedCommands();
            }
        }
    }
    QString stored(const QString& section, const QString& key) const
    {
        return GetIniValue(dir.iniPath(), section, key, u"(none)"_qs);
    }
};

} // namespace

class TestModemDetection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void detection_data();
    void detection();
};

void TestModemDetection::detection_data()
{
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QStringList>("probed"); // commands received per port; "*" any; empty list: not checked
    QTest::addColumn<QStringList>("boxes"); // caption|text
    QTest::addColumn<QString>("stored"); // port|command
    QTest::addColumn<QString>("logLine"); // empty: the chosen port is ready
    QTest::addColumn<int>("sleptMs");

    const QString found = u"Found Modem|A modem was found on Comm Port %1.\r\nDo you wish to use this modem?"_qs;
    const QString failed
        = u"Initialization Error|The modem did not initialize properly!\rCheck your configuration and modem connection!"_qs;
    const QString none = u"|No modem was detected on your system."_qs;
    const QString noVoice = u"|A modem was detected, but it is not a voice compatible modem."_qs;
    const QString missing = u"Comm Port Error|Comm Port 1 could not be found!"_qs;

    QTest::newRow("port 3 takes AT#CC1") << QStringList { u"silent"_qs, u"silent"_qs, u"AT#CC1"_qs, u"AT#CID=1"_qs }
                                         << Answer::Yes
                                         << QStringList { u"AT&F"_qs, u"AT&F"_qs,
                                                          u"AT&F AT#CID=1 AT*ID1 AT#CC1 AT#CC1"_qs, QString() }
                                         << QStringList { found.arg(3) } << u"3|AT#CC1"_qs << QString()
                                         << 3 * 150 + 3 * 1000 + 50;
    QTest::newRow("Yes on port 4") << QStringList { u"-"_qs,         u"-"_qs,        u"-"_qs,
                                                    u"AT%CCID=3"_qs, u"AT#CID=1"_qs, u"AT#CID=1"_qs }
                                   << Answer::Yes << QStringList { {}, {}, {}, u"*"_qs, {}, {} }
                                   << QStringList { found.arg(4) } << u"4|AT%CCID=3"_qs << QString() << -1;
    QTest::newRow("declined")
        << QStringList { u"-"_qs, u"AT#CID=1"_qs } << Answer::No << QStringList {}
        << QStringList { found.arg(2),
                         u"No Modem Selected|There was a voice compatible modem found,\r\n but you "
                         u"elected not to use it."_qs,
                         failed }
        << u"2|"_qs << u"A voice compatible modem was not selected."_qs << 6 * 150 + 1000 + 50;
    QTest::newRow("no modem") << QStringList {} << Answer::Yes << QStringList {} << QStringList { none, missing }
                              << u"1|AT#CID=1"_qs << u"No modem was detected on the system."_qs << 6 * 150 + 50;
    QTest::newRow("no command accepted") << QStringList { u"-"_qs, u"-"_qs, u"plain"_qs } << Answer::Yes
                                         << QStringList {} << QStringList { noVoice, missing } << u"1|AT#CID=1"_qs
                                         << u"No voice compatible modem was detected."_qs << -1;
    QTest::newRow("OK after 150 ms") << QStringList { u"slow"_qs } << Answer::Yes << QStringList {}
                                     << QStringList { none, failed } << u"1|AT#CID=1"_qs
                                     << u"No modem was detected on the system."_qs << 6 * 150 + 50;
    QTest::newRow("unplugged while tried")
        << QStringList { u"gone"_qs, u"AT#CID=1"_qs } << Answer::Yes << QStringList { u"AT&F AT#CID=1"_qs, u"*"_qs }
        << QStringList { found.arg(2) } << u"2|AT#CID=1"_qs << QString() << -1;
}

void TestModemDetection::detection()
{
    QFETCH(QStringList, ports);
    QFETCH(Answer, answer);
    QFETCH(QStringList, probed);
    QFETCH(QStringList, boxes);
    QFETCH(QString, stored);
    QFETCH(QString, logLine);
    QFETCH(int, sleptMs);

    Rig rig(ports);
    rig.boxes.queueAnswer(answer);
    const qint64 sleptBefore = rig.clock.totalSleptMs();
    DetectModem(rig.mdm, { [&rig] { ++rig.hooksRun; }, [&rig] { rig.hooksRun += 10; } });

    for (int i = 0; i < probed.size(); ++i) {
        const QString received = rig.sims[i] ? rig.sims[i]->receivedCommands().join(u' ') : QString();
        if (probed.at(i) == u"*"_qs)
            QVERIFY(!received.isEmpty());
        else
            QCOMPARE(received, probed.at(i));
    }
    QStringList shown;
    for (const auto& box : rig.boxes.shown)
        shown.append(box.caption + u'|' + box.text);
    QCOMPARE(shown, boxes);
    QCOMPARE(rig.boxes.shown.first().buttons,
             boxes.first().startsWith(u"Found"_qs) ? MessageBoxes::Buttons::YesNo : MessageBoxes::Buttons::Ok);
    QCOMPARE(rig.stored(u"Comm"_qs, u"ComPort"_qs) + u'|' + rig.stored(u"Modem"_qs, u"ModemStrng"_qs), stored);
    QCOMPARE(rig.stored(u"Comm"_qs, u"Baud"_qs), u"9600"_qs);
    QCOMPARE(rig.hooksRun, 11); // please-wait closed, settings window refreshed, once each
    if (sleptMs >= 0)
        QCOMPARE(rig.clock.totalSleptMs() - sleptBefore, sleptMs);
    const QStringList log = rig.dir.logMessages();
    QVERIFY(logLine.isEmpty() || log.contains(logLine));
    QCOMPARE(rig.port.isOpen(), logLine.isEmpty());
    QCOMPARE(rig.status.shown.last(), logLine.isEmpty());
    QVERIFY(!rig.mdm.timer2Enabled());
}

QTEST_GUILESS_MAIN(TestModemDetection)
#include "tst_modemdetection.moc"

// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/modemdetection.h"
#include "config/modemtypes.h"
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

const QString NotInitialised
    = u"The modem did not initialize properly!\rCheck your configuration and modem connection!"_qs;

QString foundText(int port)
{
    return u"A modem was found on Comm Port %1.\r\nDo you wish to use this modem?"_qs.arg(port);
}

// Six ports, each described by a word: "-" no device, "silent" a device with
// no modem, "plain" a modem that takes no caller-ID command, "slow" a modem
// whose answers take 200 ms, or the one caller-ID command the modem accepts.
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
    int pleaseWaitClosed = 0;
    int commWindowRefreshed = 0;
    DetectionHooks hooks { [this] { ++pleaseWaitClosed; }, [this] { ++commWindowRefreshed; } };

    explicit Rig(const QStringList& ports)
    {
        settings.EnableLog = true;
        // The pumped simulator answers within each wait; no real time is needed.
        clock.setRealSliceMs(0);
        QString ini = u"[Comm]\r\nComPort=1\r\nBaud=9600\r\n[Modem]\r\nModemStrng=AT#CID=1\r\n[Ports]\r\n"_qs;
        for (int i = 0; i < 6; ++i) {
            const QString kind = ports.value(i, u"-"_qs);
            QString path = dir.file(u"port%1"_qs.arg(i + 1));
            if (kind != u"-"_qs) {
                sims[i] = std::make_unique<ModemSimulator>();
                sims[i]->start();
                path = sims[i]->portPath();
                sims[i]->setRespondsToAt(kind != u"silent"_qs);
                if (kind == u"slow"_qs) {
                    sims[i]->setAnswerDelayMs(200);
                    sims[i]->setAcceptedCidCommand(u"AT#CID=1"_qs);
                } else if (kind.startsWith(u"AT"_qs)) {
                    sims[i]->setAcceptedCidCommand(kind);
                }
            }
            ini += u"Comm%1=%2\r\n"_qs.arg(i + 1).arg(path);
        }
        dir.writeIni(ini);
        // What the settings window or the first-run step has loaded.
        setCommSettings(settings, LoadCommSettings(dir.iniPath(), log));
        clock.setWaitHook([this](int ms) {
            for (auto& sim : sims) {
                if (sim)
                    sim->advance(ms);
            }
        });
        mdm.OpenCommPort();
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

    QStringList received(int port) const { return sims[port - 1] ? sims[port - 1]->receivedCommands() : QStringList(); }
    QStringList boxTexts() const
    {
        QStringList texts;
        for (const auto& box : boxes.shown)
            texts.append(box.text);
        return texts;
    }
    QString stored(const QString& section, const QString& key) const
    {
        return GetIniValue(dir.iniPath(), section, key, u"(none)"_qs);
    }
};

QStringList allCommandsAfterProbe()
{
    QStringList commands { u"AT&F"_qs };
    for (const ModemType& type : modemTypes())
        commands.append(type.initCommand);
    return commands;
}

} // namespace

class TestModemDetection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void voiceModemOnPort3();
    void yesOnPort4LeavesLaterPortsAlone();
    void closingOutcomes_data();
    void closingOutcomes();
    void modemThatVanishesWhileTried();
};

void TestModemDetection::voiceModemOnPort3()
{
    Rig rig({ u"silent"_qs, u"-"_qs, u"AT#CC1"_qs, u"AT#CID=1"_qs });
    QVERIFY(rig.port.isOpen()); // on port 1, as the settings say
    // Timers that come due while detection waits must leave the port alone.
    rig.mdm.setReinitTime(rig.clock.now());
    rig.mdm.armInitCheck();
    rig.clock.setWaitHook([&rig](int ms) {
        for (auto& sim : rig.sims) {
            if (sim)
                sim->advance(ms);
        }
        if (ms == 1000) {
            rig.mdm.timer2Tick();
            rig.mdm.timer3Tick();
        }
    });
    rig.boxes.queueAnswer(Answer::Yes);
    const qint64 sleptBefore = rig.clock.totalSleptMs();

    DetectModem(rig.mdm, rig.hooks);

    QCOMPARE(rig.received(1), QStringList { u"AT&F"_qs });
    QCOMPARE(rig.received(3), (QStringList { u"AT&F"_qs, u"AT#CID=1"_qs, u"AT*ID1"_qs, u"AT#CC1"_qs, u"AT#CC1"_qs }));
    QCOMPARE(rig.received(4), QStringList());
    QCOMPARE(rig.boxes.shown.size(), 1);
    QCOMPARE(rig.boxes.shown.first().text, foundText(3));
    QCOMPARE(rig.boxes.shown.first().caption, u"Found Modem"_qs);
    QCOMPARE(rig.boxes.shown.first().icon, MessageBoxes::Icon::None);
    QCOMPARE(rig.boxes.shown.first().buttons, MessageBoxes::Buttons::YesNo);
    QCOMPARE(rig.pleaseWaitClosed, 1);
    QCOMPARE(rig.commWindowRefreshed, 1);

    QCOMPARE(rig.settings.ComPort, 3);
    QCOMPARE(rig.settings.ModemStrng, u"AT#CC1"_qs);
    QCOMPARE(rig.stored(u"Comm"_qs, u"ComPort"_qs), u"3"_qs);
    QCOMPARE(rig.stored(u"Modem"_qs, u"ModemStrng"_qs), u"AT#CC1"_qs);
    QCOMPARE(rig.stored(u"Comm"_qs, u"Baud"_qs), u"9600"_qs);
    QVERIFY(rig.port.isOpen());
    QCOMPARE(rig.port.portNumber(), 3);
    QCOMPARE(rig.status.shown, QList<bool> { true });
    QVERIFY(!rig.mdm.timer2Enabled());
    // Three 150 ms probes, three commands of 1 s, the 50 ms before the check.
    QCOMPARE(rig.clock.totalSleptMs() - sleptBefore, 3 * 150 + 3 * 1000 + 50);
}

void TestModemDetection::yesOnPort4LeavesLaterPortsAlone()
{
    Rig rig({ u"-"_qs, u"-"_qs, u"-"_qs, u"AT%CCID=3"_qs, u"AT#CID=1"_qs, u"AT#CID=1"_qs });
    rig.boxes.queueAnswer(Answer::Yes);
    DetectModem(rig.mdm, rig.hooks);
    QCOMPARE(rig.boxTexts(), QStringList { foundText(4) });
    QVERIFY(rig.received(5).isEmpty());
    QVERIFY(rig.received(6).isEmpty());
    QCOMPARE(rig.received(4).mid(0, 8), allCommandsAfterProbe().mid(0, 8));
    QCOMPARE(rig.received(4).last(), u"AT%CCID=3"_qs);
    QCOMPARE(rig.stored(u"Comm"_qs, u"ComPort"_qs), u"4"_qs);
    QCOMPARE(rig.stored(u"Modem"_qs, u"ModemStrng"_qs), u"AT%CCID=3"_qs);
    QVERIFY(rig.port.isOpen());
}

void TestModemDetection::closingOutcomes_data()
{
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<QStringList>("boxTexts");
    QTest::addColumn<QString>("storedPort");
    QTest::addColumn<QString>("storedCommand");
    QTest::addColumn<QString>("logLine");

    const QString declined = u"There was a voice compatible modem found,\r\n but you elected not to use it."_qs;
    const QString noModem = u"No modem was detected on your system."_qs;
    const QString notVoice = u"A modem was detected, but it is not a voice compatible modem."_qs;

    QTest::newRow("only voice modem declined")
        << QStringList { u"-"_qs, u"AT#CID=1"_qs } << QList<Answer> { Answer::No }
        << QStringList { foundText(2), declined, NotInitialised } << u"2"_qs << QString()
        << u"A voice compatible modem was not selected."_qs;
    QTest::newRow("no modem at all") << QStringList {} << QList<Answer> {}
                                     << QStringList { noModem, u"Comm Port 1 could not be found!"_qs } << u"1"_qs
                                     << u"AT#CID=1"_qs << u"No modem was detected on the system."_qs;
    QTest::newRow("silent devices only") << QStringList { u"silent"_qs, u"silent"_qs } << QList<Answer> {}
                                         << QStringList { noModem, NotInitialised } << u"1"_qs << u"AT#CID=1"_qs
                                         << u"No modem was detected on the system."_qs;
    QTest::newRow("modem accepting no command")
        << QStringList { u"-"_qs, u"-"_qs, u"plain"_qs } << QList<Answer> {}
        << QStringList { notVoice, u"Comm Port 1 could not be found!"_qs } << u"1"_qs << u"AT#CID=1"_qs
        << u"No voice compatible modem was detected."_qs;
    QTest::newRow("voice declined, then a plain modem")
        << QStringList { u"AT#CC1"_qs, u"plain"_qs } << QList<Answer> { Answer::No }
        << QStringList { foundText(1), notVoice, NotInitialised } << u"1"_qs << QString()
        << u"No voice compatible modem was detected."_qs;
    QTest::newRow("OK after 150 ms is no modem")
        << QStringList { u"slow"_qs } << QList<Answer> {} << QStringList { noModem, NotInitialised } << u"1"_qs
        << u"AT#CID=1"_qs << u"No modem was detected on the system."_qs;
}

void TestModemDetection::closingOutcomes()
{
    QFETCH(QStringList, ports);
    QFETCH(QList<Answer>, answers);
    QFETCH(QStringList, boxTexts);
    QFETCH(QString, storedPort);
    QFETCH(QString, storedCommand);
    QFETCH(QString, logLine);

    Rig rig(ports);
    for (const Answer answer : answers)
        rig.boxes.queueAnswer(answer);
    DetectModem(rig.mdm, rig.hooks);

    QCOMPARE(rig.boxTexts(), boxTexts);
    // The closing messages have the program's title (an empty caption).
    for (const auto& box : rig.boxes.shown) {
        if (box.text.startsWith(u"No modem"_qs) || box.text.startsWith(u"A modem was detected"_qs))
            QCOMPARE(box.caption, QString());
        if (box.text.startsWith(u"There was"_qs))
            QCOMPARE(box.caption, u"No Modem Selected"_qs);
    }
    QCOMPARE(rig.stored(u"Comm"_qs, u"ComPort"_qs), storedPort);
    QCOMPARE(rig.stored(u"Modem"_qs, u"ModemStrng"_qs), storedCommand);
    QCOMPARE(rig.stored(u"Comm"_qs, u"Baud"_qs), u"9600"_qs);
    QVERIFY(rig.dir.logMessages().contains(logLine));
    QCOMPARE(rig.pleaseWaitClosed, 1);
    QCOMPARE(rig.commWindowRefreshed, 1);
    QCOMPARE(rig.status.shown.last(), false);
    QVERIFY(!rig.port.isOpen());
}

void TestModemDetection::modemThatVanishesWhileTried()
{
    // A modem that answers the probe and then goes away: no command can be
    // judged there, and detection goes on with the next port.
    Rig rig({ u"plain"_qs, u"AT#CID=1"_qs });
    rig.clock.setWaitHook([&rig](int ms) {
        for (auto& sim : rig.sims) {
            if (sim && sim->isRunning())
                sim->advance(ms);
        }
        if (ms == 1000 && rig.sims[0]->isRunning()) {
            rig.sims[0]->stop();
            QTest::qWait(20); // the port learns it is gone
        }
    });
    rig.boxes.queueAnswer(Answer::Yes);
    DetectModem(rig.mdm, rig.hooks);
    QCOMPARE(rig.received(1), (QStringList { u"AT&F"_qs, u"AT#CID=1"_qs }));
    QCOMPARE(rig.boxTexts(), QStringList { foundText(2) }); // nothing told per port
    QCOMPARE(rig.stored(u"Comm"_qs, u"ComPort"_qs), u"2"_qs);
    QVERIFY(rig.port.isOpen());
}

QTEST_GUILESS_MAIN(TestModemDetection)
#include "tst_modemdetection.moc"

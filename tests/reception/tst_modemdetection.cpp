// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/settingsstore.h"
#include "reception/modemdetection.h"
#include "reception/modemrig.h"

#include <QSignalSpy>
#include <QTest>

using namespace Quillon;

namespace {

// Six ports, a word each: "-" no device, "silent" no modem, "plain" a modem taking no caller-ID command, "slow" one
// answering after 200 ms, "gone" a plain one unplugged at its first command, or the caller-ID command accepted.
struct Rig : Test::ModemRig
{
    Sim::ModemSimulator sims[6];

    explicit Rig(const QStringList& ports)
    {
        QString ini = u"[Comm]\r\nComPort=1\r\nBaud=9600\r\n[Modem]\r\nModemStrng=AT#CID=1\r\n[Ports]\r\n"_qs;
        for (int i = 0; i < 6; ++i) {
            const QString kind = ports.value(i, u"-"_qs);
            sims[i].start();
            sims[i].setRespondsToAt(kind != u"silent"_qs);
            sims[i].setAnswerDelayMs(kind == u"slow"_qs ? 200 : 0);
            sims[i].setAcceptedCidCommand(kind == u"slow"_qs              ? u"AT#CID=1"_qs
                                              : kind.startsWith(u"AT"_qs) ? kind
                                                                          : QString());
            ini += u"Comm%1=%2\r\n"_qs.arg(i + 1).arg(kind == u"-"_qs ? dir.file(u"none"_qs) : sims[i].portPath());
        }
        dir.writeIni(ini);
        setCommSettings(settings, LoadCommSettings(dir.iniPath()));
        mdm.setReinitTime(clock.now());
        mdm.armInitCheck();
        clock.setWaitHook([this, ports](int ms) {
            for (int i = 0; i < 6; ++i) {
                sims[i].advance(ms);
                if (ms == 1000 && ports.value(i) == u"gone"_qs && sims[i].isRunning()) {
                    sims[i].stop();
                    QTest::qWait(20); // the port learns it is gone
                }
            }
            if (ms == 1000) { // timers coming due meanwhile must leave the port alone
                mdm.timer2Tick();
                mdm.timer3Tick();
            }
        });
    }
};

} // namespace

class TestModemDetection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void detection_data()
    {
        QTest::addColumn<QString>("ports"); // a word per port, see Rig; "Found Modem" is answered No in "declined"
        QTest::addColumn<QString>("probed"); // commands received, ';' between ports; empty: unchecked
        QTest::addColumn<QStringList>("boxes"); // caption|text
        QTest::addColumn<QString>("outcome"); // stored port|stored command|log line (none: the port is ready)
        QTest::addColumn<int>("sleptMs");

        const QString found = u"Found Modem|A modem was found on Comm Port %1.\r\nDo you wish to use this modem?"_qs;
        const QString failed = u"Initialization Error|The modem did not initialize properly!\r"
                               u"Check your configuration and modem connection!"_qs;
        const QString declined
            = u"No Modem Selected|There was a voice compatible modem found,\r\n but you elected not to use it."_qs;
        const QString none = u"|No modem was detected on your system."_qs;
        const QString missing = u"Comm Port Error|Comm Port 1 could not be found!"_qs;
        QTest::newRow("port 3") << u"silent silent AT#CC1 AT#CID=1"_qs
                                << u"AT&F;AT&F;AT&F AT#CID=1 AT*ID1 AT#CC1 AT#CC1;;;"_qs << QStringList { found.arg(3) }
                                << u"3|AT#CC1|"_qs << 3 * 150 + 3 * 1000 + 50;
        QTest::newRow("Yes on 4") << u"- - - AT*ID1 AT#CID=1 AT#CID=1"_qs << u";;;AT&F AT#CID=1 AT*ID1 AT*ID1;;"_qs
                                  << QStringList { found.arg(4) } << u"4|AT*ID1|"_qs << 4 * 150 + 2 * 1000 + 50;
        QTest::newRow("declined") << u"- AT#CID=1"_qs << QString() << QStringList { found.arg(2), declined, failed }
                                  << u"2||A voice compatible modem was not selected."_qs << 6 * 150 + 1000 + 50;
        QTest::newRow("no modem") << QString() << QString() << QStringList { none, missing }
                                  << u"1|AT#CID=1|No modem was detected on the system."_qs << 6 * 150 + 50;
        QTest::newRow("no command")
            << u"- - plain"_qs << QString()
            << QStringList { u"|A modem was detected, but it is not a voice compatible modem."_qs, missing }
            << u"1|AT#CID=1|No voice compatible modem was detected."_qs << 6 * 150 + 10 * 1000 + 50;
        QTest::newRow("OK after 150 ms") << u"slow"_qs << QString() << QStringList { none, failed }
                                         << u"1|AT#CID=1|No modem was detected on the system."_qs << 6 * 150 + 50;
        QTest::newRow("unplugged") << u"gone AT#CID=1"_qs << u"AT&F AT#CID=1;AT&F AT#CID=1 AT#CID=1;;;;"_qs
                                   << QStringList { found.arg(2) } << u"2|AT#CID=1|"_qs << 2 * 150 + 2 * 1000 + 50;
    }
    void detection()
    {
        QFETCH(QString, ports);
        QFETCH(QString, probed);
        QFETCH(QStringList, boxes);
        QFETCH(QString, outcome);
        QFETCH(int, sleptMs);

        Rig rig(ports.split(u' ', Qt::SkipEmptyParts));
        const bool declined = qstrcmp(QTest::currentDataTag(), "declined") == 0;
        rig.boxes.queueAnswer(declined ? MessageBoxes::Answer::No : MessageBoxes::Answer::Yes);
        ModemDetector detector(rig.dir.iniPath(), rig.settings, rig.port, rig.clock, rig.boxes, rig.log, rig.mdm);
        QSignalSpy pleaseWaitDone(&detector, &ModemDetector::pleaseWaitDone);
        QSignalSpy applied(&detector, &ModemDetector::settingsApplied);
        QVERIFY(detector.DetectModem());
        QCOMPARE(pleaseWaitDone.count(), 1);
        QCOMPARE(applied.count(), 1);

        QStringList received;
        for (const auto& sim : rig.sims)
            received.append(sim.receivedCommands().join(u' '));
        if (!probed.isEmpty())
            QCOMPARE(received.join(u';'), probed);
        QCOMPARE(rig.boxTexts(), boxes);
        QCOMPARE(rig.boxes.shown.first().buttons,
                 boxes.first().startsWith(u"Found"_qs) ? MessageBoxes::Buttons::YesNo : MessageBoxes::Buttons::Ok);
        const QString ini = rig.dir.iniPath();
        QCOMPARE(GetIniValue(ini, u"Comm"_qs, u"ComPort"_qs, {}), outcome.section(u'|', 0, 0));
        QCOMPARE(GetIniValue(ini, u"Modem"_qs, u"ModemStrng"_qs, {}), outcome.section(u'|', 1, 1));
        QCOMPARE(GetIniValue(ini, u"Comm"_qs, u"Baud"_qs, {}), u"9600"_qs);
        const QString logLine = outcome.section(u'|', 2);
        QVERIFY(logLine.isEmpty() || rig.dir.logMessages().contains(logLine));
        QCOMPARE(rig.port.isOpen(), logLine.isEmpty());
        QCOMPARE(rig.readyShown.last(), logLine.isEmpty());
        QCOMPARE(rig.clock.totalSleptMs(), sleptMs);
        QVERIFY(!rig.mdm.timer2Enabled());
    }
};

QTEST_GUILESS_MAIN(TestModemDetection)
#include "tst_modemdetection.moc"

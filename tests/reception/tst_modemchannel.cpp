// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/settingsstore.h"
#include "reception/modemrig.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <ctime>
#include <unistd.h>

using namespace Quillon;

using Rig = Test::ModemRig;

class TestModemChannel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void openAndCheck_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("modem"); // numeric, echo, silent, denied, in use; "port 7": ComPort names no device
        QTest::addColumn<QString>("log"); // after the port and speed lines
        QTest::addColumn<QString>("box"); // caption|text; empty: the modem is ready

        const QString cid = u"AT#CID=1"_qs;
        const QString ready = u"CID Status = Ready|Modem Response = "_qs;
        const QString notReady = u"CID Status = Ready|CID Status = Not Ready|Modem Response = "_qs;
        const QString failed = u"Initialization Error|The modem did not initialize properly!\rCheck your configuration "
                               u"and modem connection!"_qs;
        QTest::newRow("OK") << cid << QString() << ready + u"\r\nOK\r\n"_qs << QString();
        QTest::newRow("numeric 0") << cid << u"numeric"_qs << ready + u"0\r"_qs << QString();
        QTest::newRow("echo with 0") << u"ATS40.2=1"_qs << u"echo"_qs << ready + u"ATS40.2=1\r\r\nERROR\r\n"_qs
                                     << QString();
        QTest::newRow("ERROR") << u"AT#CC1"_qs << QString() << notReady + u"\r\nERROR\r\n"_qs << failed;
        QTest::newRow("numeric 4") << u"AT*ID1"_qs << u"numeric"_qs << notReady + u"4\r"_qs << failed;
        QTest::newRow("silence") << cid << u"silent"_qs << notReady + u"Failed"_qs << failed;
        // The answer check then finds the port closed: it only logs.
        QTest::newRow("port 7") << cid << u"port 7"_qs
                                << u"CID Status = Not Ready|Comm Port 7 could not be found!|Modem Response = "_qs
                                << u"Comm Port Error|Comm Port 7 could not be found!"_qs;
        // A port that is there but refused says why (<path>: the device).
        const QString refused = u"CID Status = Not Ready|Comm Port 1 could not be found!|Modem Response = "_qs;
        QTest::newRow("permission denied")
            << cid << u"denied"_qs << refused
            << u"Comm Port Error|Comm Port 1 could not be found!\r<path>: Permission denied\rTo use the port, add "
               u"yourself to the dialout group (sudo adduser $USER dialout), then log out and log in again."_qs;
        QTest::newRow("in use") << cid << u"in use"_qs << refused
                                << u"Comm Port Error|Comm Port 1 could not be found!\r<path> is in use by another "
                                   u"program"_qs;
    }
    void openAndCheck()
    {
        QFETCH(QString, command);
        QFETCH(QString, modem);
        QFETCH(QString, log);
        QFETCH(QString, box);
        const int port = modem == u"port 7"_qs ? 7 : 1;
        Rig rig(port, command);
        rig.sim.setNumericResults(modem == u"numeric"_qs);
        rig.sim.setEcho(modem == u"echo"_qs);
        rig.sim.setRespondsToAt(modem != u"silent"_qs);
        QString device = rig.dir.file(u"modem1"_qs);
        QtSerialPort holder; // another program's hold on the line
        if (modem == u"in use"_qs) {
            holder.setPort(1, device);
            QVERIFY(holder.open());
        } else if (modem == u"denied"_qs) {
            // Root passes permission bits; sysfs refuses writing even to root.
            device = geteuid() == 0 ? u"/sys/kernel/notes"_qs : rig.dir.file(u"locked"_qs);
            QFile locked(device);
            QVERIFY(geteuid() == 0 || (locked.open(QIODevice::WriteOnly) && locked.setPermissions({})));
            if (!QFileInfo::exists(device))
                QSKIP("no file here refuses root");
            QVERIFY(SetIniValue(rig.dir.iniPath(), u"Ports"_qs, u"Comm1"_qs, device));
        }
        box.replace(u"<path>"_qs, device);
        rig.mdm.OpenCommPort();
        rig.mdm.armInitCheck();
        rig.sim.pump();
        const bool reached = box.isEmpty() || box.startsWith(u"Initialization"_qs);
        QCOMPARE(rig.sim.receivedBytes(), reached ? command.toLatin1() + QByteArray("\r") : QByteArray());
        rig.pass(100, 9);
        QVERIFY(rig.mdm.timer2Enabled()); // the answer is checked once, after a second
        rig.pass(100, 3);
        QCOMPARE(rig.dir.logMessages().join(u'|'), u"Comm Port = %1|Baud = 14400|"_qs.arg(port) + log);
        QCOMPARE(rig.boxTexts(), box.isEmpty() ? QStringList() : QStringList { box });
        QCOMPARE(rig.port.isOpen(), box.isEmpty());
        QCOMPARE(rig.readyShown.last(), box.isEmpty());
    }

    // Half a day of running: re-initialisations, then the modem unplugged and plugged in again.
    void longRun()
    {
        Rig rig;
        QSignalSpy lost(&rig.port, &SerialPort::portLost);
        rig.mdm.OpenCommPort();
        rig.sim.pump();
        rig.sim.clearReceivedCommands();
        const QDateTime started = rig.clock.now();
        QList<qint64> resetAt;
        connect(&rig.sim, &Sim::ModemSimulator::commandReceived, this, [&](const QString& command) {
            if (command == u"ATZ"_qs)
                resetAt.append(started.secsTo(rig.clock.now()));
        });
        rig.pass(5000, 1800 / 5);
        QCOMPARE(rig.sim.receivedCommands(), (QStringList { u"ATZ"_qs, u"AT#CID=1"_qs }));
        QCOMPARE(rig.port.readAll(), QString()); // the modem's answers were cleared away
        rig.mdm.setReportInProgress(true); // due meanwhile: put off until the report is over
        rig.pass(5000, 1900 / 5);
        rig.mdm.setReportInProgress(false);
        rig.pass(5000);
        QCOMPARE(resetAt, (QList<qint64> { 1800, 1800 + 1905 }));

        rig.sim.stop();
        QVERIFY(lost.wait(2000));
        const std::clock_t cpuBefore = std::clock();
        QTest::qWait(300); // anything further the dead line would raise
        QVERIFY2((std::clock() - cpuBefore) * 1000 / CLOCKS_PER_SEC < 150, "the dead port still burns CPU");
        rig.mdm.armInitCheck();
        rig.pass(5000, 400); // timers go on ticking, each 5 s tick trying the port quietly
        QCOMPARE(lost.count(), 1);
        QVERIFY(!rig.port.isOpen() && !rig.mdm.AnswerCommand());
        QCOMPARE(rig.readyShown, (QList<bool> { true, false }));
        QCOMPARE(rig.boxTexts().size(), 1);
        QVERIFY(rig.boxTexts().first().startsWith(u"Comm Port Error|Comm Port 1 was disconnected!"_qs));
        const qsizetype logged = rig.dir.logMessages().size();
        QVERIFY(rig.dir.logMessages().join(u'|').endsWith(
            u"|CID Status = Not Ready|Comm Port 1 was disconnected!|Modem Response = "_qs));

        QVERIFY(rig.plugIn()); // a modem back at the same path: in use again by itself
        rig.sim.clearReceivedCommands();
        rig.pass(5000);
        QVERIFY(rig.port.isOpen());
        rig.pass(1000);
        QCOMPARE(rig.sim.receivedCommands(), QStringList { u"AT#CID=1"_qs });
        QCOMPARE(rig.dir.logMessages().mid(logged),
                 (QStringList { u"Comm Port 1 was reconnected."_qs, u"CID Status = Ready"_qs,
                                u"Modem Response = \r\nOK\r\n"_qs }));
        QCOMPARE(rig.readyShown.last(), true);
        QCOMPARE(rig.boxes.shown.size(), 1);
        rig.sim.stop(); // lost again: said again
        QTRY_COMPARE(lost.count(), 2);
        rig.pass(100);
        QCOMPARE(rig.boxes.shown.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestModemChannel)
#include "tst_modemchannel.moc"

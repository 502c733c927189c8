// SPDX-License-Identifier: GPL-2.0-or-later
// Starts the real QuillonCID program in a temporary application directory,
// with the modem simulator as its modem, and follows one call to the disk.
#include "modemsimulator.h"
#include "support/appdir.h"
#include "support/programfiles.h"
#include "support/sqlfile.h"

#include <QProcess>
#include <QTest>

using namespace Quillon;
using namespace Quillon::Test;
using namespace Qt::StringLiterals;

class TestBinary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void call_isStoredAndLogged_thenProgramEndsCleanly()
    {
        AppDir dir;
        QVERIFY(dir.createDatabase());
        const QString program = copyProgram(dir);
        QVERIFY(!program.isEmpty());

        Sim::ModemSimulator modem(Sim::ModemSimulator::Mode::EventDriven);
        modem.setAcceptedCidCommand(u"AT#CID=1"_s);
        QVERIFY(modem.start());
        dir.writeIni(u"[Comm]\r\nCnfg=True\r\nComPort=1\r\n[Settings]\r\nEnableLog=True\r\n"
                     "ExitDelay=True\r\nRingIn=False\r\n[Ports]\r\nComm1="_s
                     + modem.portPath() + u"\r\n"_s);

        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.setWorkingDirectory(dir.path());
        process.start(program, {});
        QVERIFY(process.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(modemAnswered(dir.logPath()), 20000);
        QVERIFY(modem.receivedCommands().contains(u"AT#CID=1"_s));
        modem.clearReceivedCommands();
        modem.sendCall({ u"0612"_s, u"1432"_s, u"5551234567"_s, u"JOHN DOE"_s });

        // 2.5 s of quiet after the last ring, then the call is stored and the
        // modem re-initialised.
        QTRY_COMPARE_WITH_TIMEOUT(SqlFile(dir.databasePath(), true).rows(u"SELECT Name, Number FROM CID"_s),
                                  QStringList { u"JOHN DOE|555-123-4567"_s }, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(modem.receivedCommands().contains(u"ATZ"_s), 10000);
        // The session ending the program closes it like the close box, unasked.
        QVERIFY(endsCleanly(process));

        const QStringList log = dir.logMessages();
        QVERIFY(!log.isEmpty());
        QCOMPARE(log.first(), u"Program started in "_s + dir.path());
        const auto telco = std::find_if(log.begin(), log.end(),
                                        [](const QString& line) { return line.startsWith(u"Telco Info - "_s); });
        QVERIFY(telco != log.end());
        QVERIFY(telco->contains(u"NMBR = 5551234567"_s));
        QVERIFY(std::find(telco, log.end(), u"Displayed name = JOHN DOE"_s) != log.end());
        QCOMPARE(log.last(), u"Program Ending"_s);
    }
};

QTEST_GUILESS_MAIN(TestBinary)
#include "tst_binary.moc"

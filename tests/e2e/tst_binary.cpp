// SPDX-License-Identifier: GPL-2.0-or-later
// Starts the real QuillonCID program in a temporary application directory,
// with the modem simulator as its modem, and follows one call to the disk.
#include "modemsimulator.h"
#include "support/appdir.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using namespace Quillon;
using namespace Quillon::Test;

class TestBinary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void call_isStoredAndLogged_thenProgramEndsCleanly();
};

namespace {

int storedCalls(const QString& databasePath, QString* name = nullptr, QString* number = nullptr)
{
    const QString connection = QStringLiteral("binary-check");
    int count = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(databasePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("SELECT Name, Number FROM CID")))
                while (query.next()) {
                    ++count;
                    if (name)
                        *name = query.value(0).toString();
                    if (number)
                        *number = query.value(1).toString();
                }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return count;
}

} // namespace

void TestBinary::call_isStoredAndLogged_thenProgramEndsCleanly()
{
    AppDir dir;
    QVERIFY(dir.createDatabase());
    // The program keeps its files beside itself, so it runs from a copy.
    const QString program = dir.file(QStringLiteral("QuillonCID"));
    QVERIFY(QFile::copy(QStringLiteral(QUILLON_BINARY_DIR "/src/QuillonCID"), program));

    Sim::ModemSimulator modem(Sim::ModemSimulator::Mode::EventDriven);
    modem.setAcceptedCidCommand(QStringLiteral("AT#CID=1"));
    QVERIFY(modem.start());
    dir.writeIni(QStringLiteral("[Comm]\r\nCnfg=True\r\nComPort=1\r\n[Settings]\r\nEnableLog=True\r\n"
                                "ExitDelay=True\r\nRingIn=False\r\n[Ports]\r\nComm1=")
                 + modem.portPath() + QStringLiteral("\r\n"));

    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setWorkingDirectory(dir.path());
    process.start(program, {});
    QVERIFY(process.waitForStarted(10000));

    // A call sent before the answer check would be read as the modem's answer.
    const auto answerChecked = [&dir] {
        const QStringList log = dir.logMessages();
        return std::any_of(log.begin(), log.end(),
                           [](const QString& line) { return line.startsWith(QStringLiteral("Modem Response = ")); });
    };
    QTRY_VERIFY_WITH_TIMEOUT(answerChecked(), 20000);
    QVERIFY(modem.receivedCommands().contains(QStringLiteral("AT#CID=1")));
    modem.clearReceivedCommands();
    modem.sendCall(
        { QStringLiteral("0612"), QStringLiteral("1432"), QStringLiteral("5551234567"), QStringLiteral("JOHN DOE") });

    // 2.5 s of quiet after the last ring, then the call is stored and the
    // modem re-initialised.
    QTRY_COMPARE_WITH_TIMEOUT(storedCalls(dir.databasePath()), 1, 20000);
    QString name, number;
    storedCalls(dir.databasePath(), &name, &number);
    QCOMPARE(name, QStringLiteral("JOHN DOE"));
    QCOMPARE(number, QStringLiteral("555-123-4567"));
    QTRY_VERIFY_WITH_TIMEOUT(modem.receivedCommands().contains(QStringLiteral("ATZ")), 10000);

    // The session ending the program closes it like the close box, unasked.
    process.terminate();
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);

    const QStringList log = dir.logMessages();
    QVERIFY(!log.isEmpty());
    QCOMPARE(log.first(), QStringLiteral("Program started in ") + dir.path());
    const auto telco = std::find_if(
        log.begin(), log.end(), [](const QString& line) { return line.startsWith(QStringLiteral("Telco Info - ")); });
    QVERIFY(telco != log.end());
    QVERIFY(telco->contains(QStringLiteral("NMBR = 5551234567")));
    QVERIFY(std::find(telco, log.end(), QStringLiteral("Displayed name = JOHN DOE")) != log.end());
    QCOMPARE(log.last(), QStringLiteral("Program Ending"));
}

QTEST_GUILESS_MAIN(TestBinary)
#include "tst_binary.moc"

// SPDX-License-Identifier: GPL-2.0-or-later
// A call from the modem to the database: the simulated modem on a
// pseudo-terminal, the real serial port, modem channel, pipeline, database
// and log, with time driven by the fake clock.
#include "config/settingsstore.h"
#include "config/workingsettings.h"
#include "modemsimulator.h"
#include "platform/qtserialport.h"
#include "reception/callpipeline.h"
#include "reception/callview.h"
#include "reception/modemchannel.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"
#include "support/appdir.h"
#include "support/fakeclock.h"
#include "support/recordingboxes.h"
#include "support/recordingstatus.h"

#include <QSqlQuery>
#include <QTest>

#include <memory>

using namespace Quillon;
using namespace Quillon::Test;
using Quillon::Sim::Caller;
using Quillon::Sim::ModemSimulator;

namespace {

// The window's part of each call, with the commands the modem had received
// by then.
class RecordingView final : public CallView
{
public:
    explicit RecordingView(const ModemSimulator& sim)
        : m_sim(sim)
    { }
    void PlayRingSound() override { ++rings; }
    void AddCallToList(const QString& name, const QString& number) override
    {
        listed.append(name + QLatin1Char('|') + number);
        commandsWhenListed = m_sim.receivedCommands();
    }
    void ShowCallNotify(const QString&, const QString&) override { }
    void SelectNewestCall() override { }

    int rings = 0;
    QStringList listed;
    QStringList commandsWhenListed;

private:
    const ModemSimulator& m_sim;
};

class Line
{
public:
    Line()
    {
        QVERIFY(app.createDatabase());
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        sim.setAcceptedCidCommand(QStringLiteral("AT#CID=1"));
        app.writeIni(QStringLiteral("[Ports]\r\nComm1=") + sim.portPath() + QStringLiteral("\r\n"));
        settings.EnableLog = true;
        clock.setRealSliceMs(5);
        clock.setWaitHook([this](int ms) { sim.advance(ms); });
        QObject::connect(&port, &SerialPort::dataArrived, &port, [this] { pipeline.OnComm(); });

        QVERIFY(database.OpenCallDatabase(boxes));
        modem.OpenCommPort();
        QVERIFY(port.isOpen());
        // Let the modem answer the initialisation before the call comes in.
        clock.sleep(100);
        port.readAll();
        sim.clearReceivedCommands();
        ok = true;
    }

    // Time passes in 100 ms timer ticks with the event loop running.
    void run(int ms)
    {
        for (int elapsed = 0; elapsed < ms; elapsed += 100) {
            clock.waitProcessingEvents(100);
            if (pipeline.timer1Enabled())
                pipeline.timer1Tick();
        }
    }

    void addRow(const QString& table, const QString& number, const QString& name)
    {
        QVERIFY(table == QStringLiteral("Reject") ? database.AddReject(number, name)
                                                  : database.AddTranslate(number, name));
    }

    QStringList stored() const
    {
        QStringList rows;
        QSqlQuery query(database.connection());
        query.exec(QStringLiteral("SELECT Name, Number, Date, Time FROM CID ORDER BY rowid"));
        while (query.next())
            rows.append(QStringList { query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                                      query.value(3).toString() }
                            .join(QLatin1Char('|')));
        return rows;
    }

    QStringList telcoInfo() const
    {
        QStringList lines;
        for (const QString& message : app.logMessages()) {
            if (message.startsWith(QStringLiteral("Telco Info - ")))
                lines.append(message);
        }
        return lines;
    }

    bool ok = false;
    AppDir app;
    ModemSimulator sim;
    WorkingSettings settings;
    FakeClock clock;
    QtSerialPort port { app.path() };
    ActivityLog log { app.path(), settings, clock };
    RecordingBoxes boxes;
    RecordingStatus status;
    MdmCmd modem { app.path(), settings, port, clock, log, boxes, status };
    CallDatabase database { app.path(), settings, log, clock, port };
    RecordingView view { sim };
    ProcessCid pipeline { settings, modem, database, log, clock, view };
};

Caller johnDoe()
{
    Caller caller;
    caller.number = QStringLiteral("5551234567");
    caller.name = QStringLiteral("JOHN DOE");
    return caller;
}

} // namespace

class TestCallFlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void call_isStoredAfterQuiet();
    void listedCaller_isRejectedBeforeListingAndStillStored();
    void translatedCaller_isRenamed();
    void ringOnly_storesNothing();
    void steadyCharacters_postponeProcessing();
};

void TestCallFlow::call_isStoredAfterQuiet()
{
    Line line;
    QVERIFY(line.ok);
    line.sim.sendCall(johnDoe());
    line.run(2400);
    QVERIFY(line.stored().isEmpty());
    QVERIFY(line.view.listed.isEmpty());

    line.run(200);
    QCOMPARE(line.stored(), QStringList { QStringLiteral("JOHN DOE|555-123-4567|06/12|14:32") });
    QCOMPARE(line.view.listed, QStringList { QStringLiteral("JOHN DOE|555-123-4567") });
    const QStringList log = line.app.logMessages();
    const qsizetype telco
        = log.indexOf(QStringLiteral("Telco Info - \r\nRING\r\n") + QString::fromLatin1(line.sim.callBlock(johnDoe()))
                      + QStringLiteral("\r\nRING\r\n"));
    QVERIFY2(telco >= 0, qPrintable(log.join(QLatin1Char('\n'))));
    QCOMPARE(log.indexOf(QStringLiteral("Displayed name = JOHN DOE")), telco + 1);
    QCOMPARE(line.sim.receivedCommands(), (QStringList { QStringLiteral("ATZ"), QStringLiteral("AT#CID=1") }));
    QVERIFY(!line.modem.reportInProgress());

    // The modem's answers to the re-initialisation were discarded: no second burst.
    line.run(5000);
    QCOMPARE(line.telcoInfo().size(), 1);
    QCOMPARE(line.stored().size(), 1);
}

void TestCallFlow::listedCaller_isRejectedBeforeListingAndStillStored()
{
    Line line;
    QVERIFY(line.ok);
    line.addRow(QStringLiteral("Reject"), QStringLiteral("555-123-4567"), QStringLiteral("SOMEONE ELSE"));
    line.sim.sendCall(johnDoe());
    line.run(2600);

    QCOMPARE(line.view.commandsWhenListed, (QStringList { QStringLiteral("ATA"), QStringLiteral("ATH0") }));
    QCOMPARE(line.sim.receivedCommands(),
             (QStringList { QStringLiteral("ATA"), QStringLiteral("ATH0"), QStringLiteral("ATZ"),
                            QStringLiteral("AT#CID=1") }));
    QCOMPARE(line.view.listed, QStringList { QStringLiteral("JOHN DOE|555-123-4567") });
    QCOMPARE(line.stored(), QStringList { QStringLiteral("JOHN DOE|555-123-4567|06/12|14:32") });
    const QStringList log = line.app.logMessages();
    const qsizetype rejected = log.indexOf(QStringLiteral("Call Rejected"));
    QVERIFY(rejected > 0);
    QCOMPARE(log.at(rejected + 1), QStringLiteral("Displayed name = JOHN DOE"));

    line.run(5000);
    QCOMPARE(line.telcoInfo().size(), 1);
}

void TestCallFlow::translatedCaller_isRenamed()
{
    Line line;
    QVERIFY(line.ok);
    line.addRow(QStringLiteral("Translate"), QStringLiteral("555-123-4567"), QStringLiteral("Mom"));
    line.sim.sendCall(johnDoe());
    line.run(2600);
    QCOMPARE(line.view.listed, QStringList { QStringLiteral("Mom|555-123-4567") });
    QCOMPARE(line.stored(), QStringList { QStringLiteral("Mom|555-123-4567|06/12|14:32") });
    QVERIFY(line.app.logMessages().contains(QStringLiteral("Displayed name = Mom")));
}

void TestCallFlow::ringOnly_storesNothing()
{
    Line line;
    QVERIFY(line.ok);
    line.sim.sendRing();
    line.run(3000);
    QCOMPARE(line.view.rings, 1);
    QVERIFY(line.view.listed.isEmpty());
    QVERIFY(line.stored().isEmpty());
    QCOMPARE(line.telcoInfo(), QStringList { QStringLiteral("Telco Info - \r\nRING\r\n") });
    QVERIFY(line.sim.receivedCommands().isEmpty());
    QVERIFY(!line.modem.reportInProgress());
}

void TestCallFlow::steadyCharacters_postponeProcessing()
{
    Line line;
    QVERIFY(line.ok);
    const QByteArray block = line.sim.callBlock(johnDoe());
    // One line every 2 s: never 2.5 s of quiet until the last one.
    const QList<QByteArray> lines = block.split('\n');
    QByteArray sent;
    for (const QByteArray& piece : lines) {
        if (piece.isEmpty())
            continue;
        line.sim.sendRaw(piece + '\n');
        sent += piece + '\n';
        line.run(2000);
        QVERIFY(line.telcoInfo().isEmpty());
    }
    line.run(400);
    QVERIFY(line.telcoInfo().isEmpty());
    line.run(200);
    QCOMPARE(line.telcoInfo(), QStringList { QStringLiteral("Telco Info - ") + QString::fromLatin1(sent) });
    QCOMPARE(line.stored(), QStringList { QStringLiteral("JOHN DOE|555-123-4567|06/12|14:32") });
}

QTEST_MAIN(TestCallFlow)
#include "tst_callflow.moc"

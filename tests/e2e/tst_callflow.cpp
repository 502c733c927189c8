// SPDX-License-Identifier: GPL-2.0-or-later
// A call from the modem to the database: the simulated modem on a
// pseudo-terminal, the real serial port, modem channel, pipeline, database
// and log, with time driven by the fake clock.
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

using namespace Quillon;
using namespace Quillon::Test;
using Quillon::Sim::ModemSimulator;

namespace {

// The window's part of each call, with the commands the modem had received by then.
struct RecordingView final : CallView
{
    explicit RecordingView(const ModemSimulator& sim)
        : sim(sim)
    { }
    void PlayRingSound() override { }
    void AddCallToList(const QString& name, const QString& number) override
    {
        listed.append(name + u'|' + number);
        commandsWhenListed = sim.receivedCommands();
    }
    void ShowCallNotify(const QString&, const QString&) override { }
    void SelectNewestCall() override { }
    QStringList listed;
    QStringList commandsWhenListed;
    const ModemSimulator& sim;
};

struct Line
{
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
    qsizetype logStart = 0;

    bool open()
    {
        sim.setAcceptedCidCommand(u"AT#CID=1"_qs);
        if (!app.createDatabase() || !sim.start())
            return false;
        app.writeIni(u"[Ports]\r\nComm1="_qs + sim.portPath() + u"\r\n"_qs);
        settings.EnableLog = true;
        clock.setRealSliceMs(5);
        clock.setWaitHook([this](int ms) { sim.advance(ms); });
        QObject::connect(&port, &SerialPort::dataArrived, &port, [this] { pipeline.OnComm(); });
        modem.OpenCommPort();
        clock.sleep(100); // the modem answers the initialisation before the call comes in
        port.readAll();
        sim.clearReceivedCommands();
        const bool ok = database.OpenCallDatabase(boxes) && port.isOpen();
        logStart = app.logMessages().size();
        return ok;
    }
    QStringList entries() const { return app.logMessages().mid(logStart); }
    // Time passes in 100 ms timer ticks with the event loop running.
    void run(int ms)
    {
        for (int elapsed = 0; elapsed < ms; elapsed += 100) {
            clock.waitProcessingEvents(100);
            if (pipeline.timer1Enabled())
                pipeline.timer1Tick();
        }
    }
    QStringList stored() const
    {
        QStringList rows;
        QSqlQuery query(u"SELECT Name, Number, Date, Time FROM CID ORDER BY rowid"_qs, database.connection());
        while (query.next())
            rows.append(QStringList { query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                                      query.value(3).toString() }
                            .join(u'|'));
        return rows;
    }
};

} // namespace

class TestCallFlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void callFlow_data();
    void callFlow();
};

void TestCallFlow::callFlow_data()
{
    QTest::addColumn<QStringList>("entry"); // table, number, name
    QTest::addColumn<QByteArrayList>("pieces"); // sent 2 s apart
    QTest::addColumn<QString>("stored"); // empty: nothing
    QTest::addColumn<QStringList>("logged"); // after "Telco Info - "
    QTest::addColumn<QStringList>("whenListed");
    QTest::addColumn<QStringList>("commands");

    const QByteArray ring = "\r\nRING\r\n";
    const QByteArray block = "\r\nDATE = 0612\r\nTIME = 1432\r\nNMBR = 5551234567\r\nNAME = JOHN DOE\r\n";
    const QString john = u"JOHN DOE|555-123-4567|06/12|14:32"_qs;
    const QStringList reinit { u"ATZ"_qs, u"AT#CID=1"_qs };
    const QStringList shown { u"Displayed name = JOHN DOE"_qs };

    QTest::newRow("call") << QStringList() << QByteArrayList { ring + block + ring } << john << shown << QStringList()
                          << reinit;
    QTest::newRow("rejected") << QStringList { u"Reject"_qs, u"555-123-4567"_qs, u"SOMEONE ELSE"_qs }
                              << QByteArrayList { ring + block + ring } << john
                              << QStringList { u"Call Rejected"_qs } + shown << QStringList { u"ATA"_qs, u"ATH0"_qs }
                              << QStringList { u"ATA"_qs, u"ATH0"_qs } + reinit;
    QTest::newRow("translated") << QStringList { u"Translate"_qs, u"555-123-4567"_qs, u"Mom"_qs }
                                << QByteArrayList { ring + block + ring } << u"Mom|555-123-4567|06/12|14:32"_qs
                                << QStringList { u"Displayed name = Mom"_qs } << QStringList() << reinit;
    QTest::newRow("ring only") << QStringList() << QByteArrayList { ring } << QString() << QStringList()
                               << QStringList() << QStringList();
    QTest::newRow("a line every 2 s") << QStringList() << block.split('\n').mid(0, 5) << john << shown << QStringList()
                                      << reinit;
}

void TestCallFlow::callFlow()
{
    QFETCH(QStringList, entry);
    QFETCH(QByteArrayList, pieces);
    QFETCH(QString, stored);
    QFETCH(QStringList, logged);
    QFETCH(QStringList, whenListed);
    QFETCH(QStringList, commands);

    Line line;
    QVERIFY(line.open());
    if (entry.value(0) == u"Reject"_qs)
        QVERIFY(line.database.AddReject(entry.at(1), entry.at(2)));
    else if (!entry.isEmpty())
        QVERIFY(line.database.AddTranslate(entry.at(1), entry.at(2)));
    QByteArray sent;
    for (const QByteArray& piece : pieces) {
        if (!sent.isEmpty())
            line.run(2000); // never 2.5 s of quiet
        const QByteArray bytes = pieces.size() > 1 ? piece + '\n' : piece;
        line.sim.sendRaw(bytes);
        sent += bytes;
    }
    line.run(2400);
    QCOMPARE(line.entries(), QStringList());
    QVERIFY(line.stored().isEmpty());
    line.run(200);
    QCOMPARE(line.stored(), stored.isEmpty() ? QStringList() : QStringList { stored });
    QCOMPARE(line.view.listed, stored.isEmpty() ? QStringList() : QStringList { stored.section(u'|', 0, 1) });
    QCOMPARE(line.view.commandsWhenListed, whenListed);
    QCOMPARE(line.sim.receivedCommands(), commands);
    const QStringList log = line.entries();
    QCOMPARE(log, QStringList { u"Telco Info - "_qs + QString::fromLatin1(sent) } + logged);

    // The modem's answers to the re-initialisation were discarded: no second burst.
    line.run(5000);
    QCOMPARE(line.entries(), log);
    QVERIFY(!line.modem.reportInProgress());
}

QTEST_MAIN(TestCallFlow)
#include "tst_callflow.moc"

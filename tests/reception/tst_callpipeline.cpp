// SPDX-License-Identifier: GPL-2.0-or-later
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

#include <QDir>
#include <QSqlQuery>
#include <QTest>

#include <functional>

using namespace Quillon;
using namespace Quillon::Test;
using namespace Qt::StringLiterals;

namespace {

// Each step the main window is asked to do, with what surrounded it.
class RecordingView final : public CallView
{
public:
    void PlayRingSound() override { events.append(u"ring"_s + state()); }
    void AddCallToList(const QString& name, const QString& number) override
    {
        events.append(u"list %1|%2"_s.arg(name, number) + state());
    }
    void ShowCallNotify(const QString& name, const QString& number) override
    {
        events.append(u"notify %1|%2"_s.arg(name, number) + state());
    }
    void SelectNewestCall() override { events.append(u"select"_s + state()); }

    std::function<QString()> state;
    QStringList events;
};

// The real port with the simulated modem on its other end.
struct Rig
{
    Rig()
    {
        settings.EnableLog = true;
        app.createDatabase();
        sim.start();
        app.writeIni(u"[Ports]\r\nComm1="_s + sim.portPath() + u"\r\n"_s);
        port.open();
        clock.setRealSliceMs(0);
        clock.setWaitHook([this](int ms) { sim.advance(ms); });
        // Stored calls, the report-in-progress flag, the commands the modem got.
        view.state = [this]() -> QString {
            QSqlQuery count(u"SELECT count(*) FROM CID"_s, database.connection());
            const QStringList sent = sim.receivedCommands();
            return u" stored=%1"_s.arg(count.next() ? count.value(0).toInt() : 0)
                + (modem.reportInProgress() ? u" busy"_s : QString())
                + (sent.isEmpty() ? QString() : u" sent="_s + sent.join(u','));
        };
    }

    AppDir app;
    Sim::ModemSimulator sim;
    WorkingSettings settings;
    FakeClock clock;
    QtSerialPort port { app.path() };
    ActivityLog log { app.path(), settings, clock };
    RecordingBoxes boxes;
    RecordingStatus status;
    MdmCmd modem { app.path(), settings, port, clock, log, boxes, status };
    CallDatabase database { app.path(), settings, log, clock, port };
    RecordingView view;
    ProcessCid pipeline { settings, modem, database, log, clock, view };
};

const QString report
    = u"RING\r\n\r\nDATE = 0612\r\nTIME = 1432\r\nNMBR = 5551234567\r\nNAME = JOHN DOE\r\n\r\nRING\r\n"_s;

} // namespace

class TestCallPipeline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void processCidReport_data();
    void processCidReport();
    void settle_closedPortSkipsTheRead();
};

void TestCallPipeline::processCidReport_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QStringList>("events"); // the last one once processing returned
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("log");

    const QString john = u"JOHN DOE|555-123-4567"_s;
    const QString opened = u"Database connection established."_s;
    const QStringList call { u"ring stored=0"_s, u"list "_s + john + u" stored=0 busy"_s,
                             u"notify "_s + john + u" stored=1 busy"_s, u"select stored=1 sent=ATZ,AT#CID=1"_s,
                             u"end stored=1 sent=ATZ,AT#CID=1"_s };
    const QString row = john + u"|06/12|14:32|2026-06-12 14:32:00"_s;
    const QStringList telco { opened, u"Telco Info - "_s + report };
    QTest::newRow("call") << report << QString() << call << row
                          << telco + QStringList { u"Displayed name = JOHN DOE"_s };
    QTest::newRow("ring off") << report << u"ring off"_s << call.mid(1) << row
                              << telco + QStringList { u"Displayed name = JOHN DOE"_s };
    QTest::newRow("ring only") << u"RING\r\n"_s << QString() << QStringList { u"ring stored=0"_s, u"end stored=0"_s }
                               << QString() << QStringList { opened, u"Telco Info - RING\r\n"_s };
    // The reject list is checked with the translated name.
    const QString tele = u"Telemarketer|555-123-4567"_s;
    QTest::newRow("translated, then rejected")
        << report << u"lists"_s
        << QStringList { u"ring stored=0"_s, u"list "_s + tele + u" stored=0 busy sent=ATA,ATH0"_s,
                         u"notify "_s + tele + u" stored=1 busy sent=ATA,ATH0"_s,
                         u"select stored=1 sent=ATA,ATH0,ATZ,AT#CID=1"_s, u"end stored=1 sent=ATA,ATH0,ATZ,AT#CID=1"_s }
        << tele + u"|06/12|14:32|2026-06-12 14:32:01"_s
        << telco + QStringList { u"Call Rejected"_s, u"Displayed name = Telemarketer"_s };
    // Lists, table and log gone under the open connection: the call is still shown.
    QStringList unstored = call;
    unstored.replaceInStrings(u"stored=1"_s, u"stored=0"_s);
    QTest::newRow("broken") << report << u"broken"_s << unstored << QString() << QStringList();
    QTest::newRow("no database") << report << u"no database"_s << unstored << QString()
                                 << QStringList { u"Database connection could not be established."_s,
                                                  u"Telco Info - "_s + report, u"Displayed name = JOHN DOE"_s };
}

void TestCallPipeline::processCidReport()
{
    QFETCH(QString, text);
    QFETCH(QString, setup);
    QFETCH(QStringList, events);
    QFETCH(QString, stored);
    QFETCH(QStringList, log);

    Rig rig;
    QVERIFY(rig.port.isOpen());
    rig.settings.RingIn = setup != u"ring off"_s;
    if (setup == u"no database"_s)
        QFile::remove(rig.app.databasePath());
    QCOMPARE(rig.database.OpenCallDatabase(rig.boxes), setup != u"no database"_s);
    if (setup == u"lists"_s) {
        QVERIFY(rig.database.AddTranslate(u"555-123-4567"_s, u"Telemarketer"_s));
        QVERIFY(rig.database.AddReject(u"800-555-0000"_s, u"Telemarketer"_s));
    } else if (setup == u"broken"_s) {
        QSqlQuery drop(rig.database.connection());
        for (const QString& table : { u"Translate"_s, u"Reject"_s, u"CID"_s })
            QVERIFY(drop.exec(u"DROP TABLE "_s + table));
        QVERIFY(QFile::remove(rig.app.logPath()) && QDir().mkdir(rig.app.logPath()));
    }

    rig.pipeline.ProcessCidReport(text);
    rig.view.events.append(u"end"_s + rig.view.state());

    QCOMPARE(rig.view.events, events);
    QSqlQuery query(u"SELECT Name, Number, Date, Time, SysTime FROM CID"_s, rig.database.connection());
    QStringList rows;
    while (query.next())
        rows.append(QStringList { query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                                  query.value(3).toString(), query.value(4).toString() }
                        .join(u'|'));
    QCOMPARE(rows, stored.isEmpty() ? QStringList() : QStringList { stored });
    QCOMPARE(rig.app.logMessages(), log);
}

// Suspended within the settle time: nothing is read, nothing is processed.
void TestCallPipeline::settle_closedPortSkipsTheRead()
{
    Rig rig;
    QVERIFY(rig.database.OpenCallDatabase(rig.boxes));
    rig.sim.sendRaw(report.toLatin1());
    rig.sim.advance(100);
    rig.pipeline.OnComm();
    rig.port.close();
    rig.clock.advance(2500);
    rig.pipeline.timer1Tick();
    QVERIFY(!rig.pipeline.timer1Enabled());
    QVERIFY(rig.view.events.isEmpty());
    QCOMPARE(rig.app.logMessages(), QStringList { u"Database connection established."_s });
}

QTEST_GUILESS_MAIN(TestCallPipeline)
#include "tst_callpipeline.moc"

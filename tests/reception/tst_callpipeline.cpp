// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/workingsettings.h"
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
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using namespace Quillon;
using namespace Quillon::Test;

namespace {

// What the main window was asked to do, in order; "busy" marks steps that ran
// while the report-in-progress flag was set.
class RecordingView final : public CallView
{
public:
    explicit RecordingView(const MdmCmd& modem)
        : m_modem(modem)
    { }
    void PlayRingSound() override { record(QStringLiteral("ring")); }
    void AddCallToList(const QString& name, const QString& number) override
    {
        record(QStringLiteral("list ") + name + QLatin1Char('|') + number);
    }
    void ShowCallNotify(const QString& name, const QString& number) override
    {
        record(QStringLiteral("notify ") + name + QLatin1Char('|') + number);
    }
    void SelectNewestCall() override { record(QStringLiteral("select")); }

    QStringList events;
    QList<bool> busy;

private:
    void record(const QString& event)
    {
        events.append(event);
        busy.append(m_modem.reportInProgress());
    }
    const MdmCmd& m_modem;
};

struct Rig
{
    Rig()
    {
        settings.EnableLog = true;
        app.createDatabase();
    }

    QStringList storedCalls() const
    {
        QStringList rows;
        QSqlQuery query(database.connection());
        query.exec(QStringLiteral("SELECT Name, Number, Date, Time, SysTime FROM CID ORDER BY rowid"));
        while (query.next()) {
            QStringList fields;
            for (int i = 0; i < 5; ++i)
                fields.append(query.value(i).toString());
            rows.append(fields.join(QLatin1Char('|')));
        }
        return rows;
    }
    void addRow(const QString& table, const QString& number, const QString& name)
    {
        QSqlQuery query(database.connection());
        query.prepare(QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (Number, Name) VALUES (?, ?)"));
        query.addBindValue(number);
        query.addBindValue(name);
        QVERIFY(query.exec());
    }

    AppDir app;
    WorkingSettings settings;
    FakeClock clock;
    QtSerialPort port { app.path() };
    ActivityLog log { app.path(), settings, clock };
    RecordingBoxes boxes;
    RecordingStatus status;
    MdmCmd modem { app.path(), settings, port, clock, log, boxes, status };
    CallDatabase database { app.path(), settings, log, clock, port };
    RecordingView view { modem };
    ProcessCid pipeline { settings, modem, database, log, clock, view };
};

const QString report = QStringLiteral("RING\r\n\r\nDATE = 0612\r\nTIME = 1432\r\nNMBR = 5551234567\r\n"
                                      "NAME = JOHN DOE\r\n\r\nRING\r\n");

} // namespace

class TestCallPipeline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void processCidReport_data();
    void processCidReport();
    void translatedAndRejectedCall_isStillShownAndStored();
    void failingSteps_leaveTheOthersRunning();
    void closedDatabase_callIsStillShown();
    void settle_closedPortSkipsTheRead();
};

void TestCallPipeline::processCidReport_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ring");
    QTest::addColumn<bool>("logging");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QStringList>("stored");

    const QStringList call { QStringLiteral("ring"), QStringLiteral("list JOHN DOE|555-123-4567"),
                             QStringLiteral("notify JOHN DOE|555-123-4567"), QStringLiteral("select") };
    const QStringList row { QStringLiteral("JOHN DOE|555-123-4567|06/12|14:32|2026-06-12 14:32:00") };
    QTest::newRow("report") << report << true << true << call << row;
    QTest::newRow("report, ring off, log off") << report << false << false << call.mid(1) << row;
    QTest::newRow("unspaced report") << QStringLiteral("DATE=0612\r\nNMBR=5551234567\r\nNAME=JOHN DOE\r\n") << true
                                     << true << call
                                     << QStringList { QStringLiteral(
                                            "JOHN DOE|555-123-4567|06/12|NONE|2026-06-12 14:32:00") };
    QTest::newRow("blocked")
        << QStringLiteral("DATE = 0612\r\nTIME = 1432\r\nNMBR = O\r\nNAME = O\r\n") << true << true
        << QStringList { QStringLiteral("ring"), QStringLiteral("list ANONYMOUS CALLER|ID BLOCKED"),
                         QStringLiteral("notify ANONYMOUS CALLER|ID BLOCKED"), QStringLiteral("select") }
        << QStringList { QStringLiteral("ANONYMOUS CALLER|ID BLOCKED|06/12|14:32|2026-06-12 14:32:00") };
    QTest::newRow("ring only") << QStringLiteral("RING\r\n") << true << true << QStringList { QStringLiteral("ring") }
                               << QStringList {};
    QTest::newRow("nothing") << QString() << true << true << QStringList { QStringLiteral("ring") } << QStringList {};
    QTest::newRow("lower-case tags") << QStringLiteral("date = 0612\r\nnmbr = 5551234567\r\n") << false << true
                                     << QStringList {} << QStringList {};
}

void TestCallPipeline::processCidReport()
{
    QFETCH(QString, text);
    QFETCH(bool, ring);
    QFETCH(bool, logging);
    QFETCH(QStringList, events);
    QFETCH(QStringList, stored);

    Rig rig;
    rig.settings.RingIn = ring;
    rig.settings.EnableLog = logging;
    QVERIFY(rig.database.OpenCallDatabase(rig.boxes));
    rig.pipeline.ProcessCidReport(text);

    QCOMPARE(rig.view.events, events);
    QCOMPARE(rig.storedCalls(), stored);
    QVERIFY(!rig.modem.reportInProgress());
    QStringList expectedLog;
    if (logging) {
        expectedLog = QStringList { QStringLiteral("Database connection established."),
                                    QStringLiteral("Telco Info - ") + text };
        if (!stored.isEmpty())
            expectedLog.append(QStringLiteral("Displayed name = ") + stored[0].section(QLatin1Char('|'), 0, 0));
    }
    QCOMPARE(rig.app.logMessages(), expectedLog);
    if (!stored.isEmpty()) // busy from the list until the popup; cleared before selecting
        QCOMPARE(rig.view.busy.mid(rig.view.busy.size() - 3), (QList<bool> { true, true, false }));
}

void TestCallPipeline::translatedAndRejectedCall_isStillShownAndStored()
{
    Rig rig;
    QVERIFY(rig.database.OpenCallDatabase(rig.boxes));
    rig.addRow(QStringLiteral("Translate"), QStringLiteral("555-123-4567"), QStringLiteral("Telemarketer"));
    // Rejected by the translated name: the check runs after translation.
    rig.addRow(QStringLiteral("Reject"), QStringLiteral("800-555-0000"), QStringLiteral("Telemarketer"));

    rig.pipeline.ProcessCidReport(report);

    QCOMPARE(rig.view.events,
             (QStringList { QStringLiteral("ring"), QStringLiteral("list Telemarketer|555-123-4567"),
                            QStringLiteral("notify Telemarketer|555-123-4567"), QStringLiteral("select") }));
    QCOMPARE(rig.storedCalls(),
             QStringList { QStringLiteral("Telemarketer|555-123-4567|06/12|14:32|2026-06-12 14:32:01") });
    QCOMPARE(rig.app.logMessages().mid(1),
             (QStringList { QStringLiteral("Telco Info - ") + report, QStringLiteral("Call Rejected"),
                            QStringLiteral("Displayed name = Telemarketer") }));
    QCOMPARE(rig.clock.totalSleptMs(), qint64(1350));
}

void TestCallPipeline::failingSteps_leaveTheOthersRunning()
{
    Rig rig;
    QVERIFY(rig.database.OpenCallDatabase(rig.boxes));
    // The lists and the table vanish under the open connection, and the log
    // cannot be written.
    QSqlQuery drop(rig.database.connection());
    for (const QString& table : { QStringLiteral("Translate"), QStringLiteral("Reject"), QStringLiteral("CID") })
        QVERIFY(drop.exec(QStringLiteral("DROP TABLE ") + table));
    QFile::remove(rig.app.logPath());
    QVERIFY(QDir().mkdir(rig.app.logPath()));

    rig.pipeline.ProcessCidReport(report);

    QCOMPARE(rig.view.events,
             (QStringList { QStringLiteral("ring"), QStringLiteral("list JOHN DOE|555-123-4567"),
                            QStringLiteral("notify JOHN DOE|555-123-4567"), QStringLiteral("select") }));
    QVERIFY(!rig.modem.reportInProgress());
    QCOMPARE(rig.pipeline.currentCall().Number, QStringLiteral("555-123-4567"));
}

void TestCallPipeline::closedDatabase_callIsStillShown()
{
    Rig rig;
    QFile::remove(rig.app.databasePath());
    QVERIFY(!rig.database.OpenCallDatabase(rig.boxes));
    rig.pipeline.ProcessCidReport(report);
    QCOMPARE(rig.view.events.size(), 4);
    QCOMPARE(rig.app.logMessages().last(), QStringLiteral("Displayed name = JOHN DOE"));
    QVERIFY(!QFile::exists(rig.app.databasePath()));
}

// Suspended within the settle time: nothing is read, nothing is processed.
void TestCallPipeline::settle_closedPortSkipsTheRead()
{
    Rig rig;
    QVERIFY(rig.database.OpenCallDatabase(rig.boxes));
    rig.pipeline.OnComm();
    rig.clock.advance(2500);
    rig.pipeline.timer1Tick();
    QVERIFY(!rig.pipeline.timer1Enabled());
    QVERIFY(rig.view.events.isEmpty());
    QCOMPARE(rig.app.logMessages(), QStringList { QStringLiteral("Database connection established.") });
}

QTEST_GUILESS_MAIN(TestCallPipeline)
#include "tst_callpipeline.moc"

// SPDX-License-Identifier: GPL-2.0-or-later
#include "reception/callpipeline.h"
#include "reception/callview.h"
#include "reception/modemrig.h"
#include "records/calldatabase.h"

#include <QDir>
#include <QSqlQuery>
#include <QTest>

using namespace Quillon;
using namespace Quillon::Test;
using namespace Qt::StringLiterals;

namespace {

// Records each step as "<step> <calls stored>[ busy][ commands the modem got]".
struct Rig final : ModemRig, CallView
{
    Rig()
    {
        dir.createDatabase();
        sim.start();
        port.setPort(1, sim.portPath());
        port.open();
    }
    void PlayRingSound() override { record(u"ring"_s); }
    void AddCallToList(const QString& a, const QString& b) override { record(u"list "_s + a + u'|' + b); }
    void ShowCallNotify(const QString& a, const QString& b) override { record(u"notify "_s + a + u'|' + b); }
    void SelectNewestCall() override { record(u"select"_s); }
    void record(const QString& step)
    {
        QSqlQuery count(u"SELECT count(*) FROM CID"_s, database.connection());
        const QStringList sent = sim.receivedCommands();
        events.append(step + u' ' + QString::number(count.next() ? count.value(0).toInt() : 0)
                      + (mdm.reportInProgress() ? u" busy"_s : QString())
                      + (sent.isEmpty() ? QString() : u' ' + sent.join(u' ')));
    }

    QStringList events;
    CallDatabase database { dir.path(), settings, log, clock };
    ProcessCid pipeline { settings, mdm, database, log, clock, *this };
};

const char* const report
    = "RING\r\n\r\nDATE = 0612\r\nTIME = 1432\r\nNMBR = 5551234567\r\nNAME = JOHN DOE\r\n\r\nRING\r\n";

void row(const char* tag, const char* events, const char* log)
{
    QTest::newRow(tag) << QString::fromLatin1(events) << QString::fromLatin1(log);
}

} // namespace

class TestCallPipeline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void processCidReport_data();
    void processCidReport();
};

void TestCallPipeline::processCidReport_data()
{
    QTest::addColumn<QString>("events"); // "end": once processing returned
    QTest::addColumn<QString>("log"); // %1: the text

    row("call",
        "ring 0; list JOHN DOE|555-123-4567 0 busy; notify JOHN DOE|555-123-4567 1 busy; select 1 ATZ AT#CID=1; "
        "end 1 ATZ AT#CID=1",
        "Database connection established. / Telco Info - %1 / Displayed name = JOHN DOE");
    row("ring only", "ring 0; end 0", "Database connection established. / Telco Info - %1");
    // Rejected by the name it was translated to; no ring sound.
    row("translated, then rejected",
        "list Telemarketer|555-123-4567 0 busy ATA ATH0; notify Telemarketer|555-123-4567 1 busy ATA ATH0; "
        "select 1 ATA ATH0 ATZ AT#CID=1; end 1 ATA ATH0 ATZ AT#CID=1",
        "Database connection established. / Telco Info - %1 / Call Rejected / Displayed name = Telemarketer");
    // Lists, table and log gone under the open connection: the call is still shown.
    row("broken",
        "ring 0; list JOHN DOE|555-123-4567 0 busy; notify JOHN DOE|555-123-4567 0 busy; select 0 ATZ AT#CID=1; "
        "end 0 ATZ AT#CID=1",
        "");
    // What the modem says to the program's own commands is no call: no ring, no line.
    row("answers only", "end 0", "Database connection established.");
    row("numeric answers only", "end 0", "Database connection established.");
    // Suspended within the settle time: nothing is read, nothing is processed.
    row("port closed while settling", "end 0", "Database connection established.");
}

void TestCallPipeline::processCidReport()
{
    QFETCH(QString, events);
    QFETCH(QString, log);
    const QString setup = QString::fromLatin1(QTest::currentDataTag());
    QString text = QString::fromLatin1(setup == u"ring only"_s ? "RING\r\n" : report);
    if (setup == u"answers only"_s)
        text = u"AT#CID=1\r\r\nOK\r\nATZ\r\r\nERROR\r\n"_s;
    else if (setup == u"numeric answers only"_s)
        text = u"0\r4\r0\r"_s;

    Rig rig;
    QVERIFY(rig.port.isOpen() && rig.database.OpenCallDatabase(rig.boxes));
    rig.settings.RingIn = setup != u"translated, then rejected"_s;
    if (setup == u"translated, then rejected"_s) {
        QVERIFY(rig.database.AddTranslate(u"555-123-4567"_s, u"Telemarketer"_s));
        QVERIFY(rig.database.AddReject(u"800-555-0000"_s, u"Telemarketer"_s));
    } else if (setup == u"broken"_s) {
        QSqlQuery drop(rig.database.connection());
        for (const QString& table : { u"Translate"_s, u"Reject"_s, u"CID"_s })
            QVERIFY(drop.exec(u"DROP TABLE "_s + table));
        QVERIFY(QFile::remove(rig.dir.logPath()) && QDir().mkdir(rig.dir.logPath()));
    }

    rig.sim.sendRaw(text.toLatin1());
    rig.sim.advance(100);
    rig.pipeline.OnComm();
    if (setup == u"port closed while settling"_s)
        rig.port.close();
    rig.clock.advance(2500);
    rig.pipeline.timer1Tick();
    QVERIFY(!rig.pipeline.timer1Enabled());
    rig.record(u"end"_s);
    QCOMPARE(rig.events.join(u"; "_s), events);
    QCOMPARE(rig.dir.logMessages().join(u" / "_s), QString(log).replace(u"%1"_s, text));
}

QTEST_GUILESS_MAIN(TestCallPipeline)
#include "tst_callpipeline.moc"

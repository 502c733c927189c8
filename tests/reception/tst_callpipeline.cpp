// SPDX-License-Identifier: GPL-2.0-or-later
#include "network/ncidcall.h"
#include "reception/callpipeline.h"
#include "reception/modemrig.h"
#include "records/calldatabase.h"
#include "records/callstore.h"
#include "records/listentries.h"
#include "support/programfiles.h"
#include "support/sqlfile.h"

#include <QDir>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

using namespace Quillon;
using namespace Quillon::Test;
using namespace Qt::StringLiterals;

namespace {

// Records each step as "<step> <calls stored>[ busy][ commands the modem got]".
struct Rig final : ModemRig
{
    Rig()
    {
        dir.createDatabase();
        sim.start();
        port.setPort(1, sim.portPath());
        port.open();
        QObject::connect(&pipeline, &ProcessCid::ringRequested, [this] { record(u"ring"_s); });
        QObject::connect(&pipeline, &ProcessCid::callListed,
                         [this](const CidCall& c) { record(u"list "_s + c.Name + u'|' + c.Number); });
        QObject::connect(&pipeline, &ProcessCid::noticeRequested,
                         [this](const CidCall& c) { record(u"notify "_s + c.Name + u'|' + c.Number); });
        QObject::connect(&pipeline, &ProcessCid::reportDone, [this] { record(u"select"_s); });
    }
    void record(const QString& step)
    {
        database.store().waitUntilIdle(); // what was handed to the storage thread by now is in the file
        QSqlQuery count(u"SELECT count(*) FROM CID"_s, database.connection());
        const QStringList sent = sim.receivedCommands();
        events.append(step + u' ' + QString::number(count.next() ? count.value(0).toInt() : 0)
                      + (mdm.reportInProgress() ? u" busy"_s : QString())
                      + (sent.isEmpty() ? QString() : u' ' + sent.join(u' ')));
    }

    QStringList events;
    CallDatabase database { dir.path(), settings, log, clock };
    ProcessCid pipeline { settings, mdm, database, log, clock };
};

const char* const report
    = "RING\r\n\r\nDATE = 0612\r\nTIME = 1432\r\nNMBR = 5551234567\r\nNAME = JOHN DOE\r\n\r\nRING\r\n";

void row(const char* tag, const char* events, const char* log, const char* text = report)
{
    QTest::newRow(tag) << QString::fromLatin1(events) << QString::fromLatin1(log) << QString::fromLatin1(text);
}

} // namespace

class TestCallPipeline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void processCidReport_data();
    void processCidReport();
    void refusedCalls_data();
    void refusedCalls();
    void blocking_data();
    void blocking();
};

void TestCallPipeline::processCidReport_data()
{
    QTest::addColumn<QString>("events"); // "end": once processing returned
    QTest::addColumn<QString>("log"); // %1: the text
    QTest::addColumn<QString>("text"); // from the modem; from a network server: the tag after "network: "

    row("call",
        "ring 0; list JOHN DOE|555-123-4567 0 busy; notify JOHN DOE|555-123-4567 1 busy; select 1 ATZ AT#CID=1; "
        "end 1 ATZ AT#CID=1",
        "Database connection established. / Telco Info - %1 / Displayed name = JOHN DOE");
    row("ring only", "ring 0; end 0", "Database connection established. / Telco Info - %1", "RING\r\n");
    // Rejected by the name it was translated to; no ring sound.
    row("translated, then rejected",
        "list Telemarketer|555-123-4567 0 busy ATA ATH0; notify Telemarketer|555-123-4567 1 busy ATA ATH0; "
        "select 1 ATA ATH0 ATZ AT#CID=1; end 1 ATA ATH0 ATZ AT#CID=1",
        "Database connection established. / Telco Info - %1 / Call Rejected (reject list: Telemarketer) / Displayed "
        "name = Telemarketer");
    // Lists, table and log gone under the open connection: the call is still shown.
    row("broken",
        "ring 0; list JOHN DOE|555-123-4567 0 busy; notify JOHN DOE|555-123-4567 0 busy; select 0 ATZ AT#CID=1; "
        "end 0 ATZ AT#CID=1",
        "");
    // What the modem says to the program's own commands is no call: no ring, no line.
    row("answers only", "end 0", "Database connection established.", "AT#CID=1\r\r\nOK\r\nATZ\r\r\nERROR\r\n");
    row("numeric answers only", "end 0", "Database connection established.", "0\r4\r0\r");
    // Suspended within the settle time: nothing is read, nothing is processed.
    row("port closed while settling", "end 0", "Database connection established.");
    // From a network server: the same steps, and the modem is never spoken to.
    row("network: CID: *NMBR*5551234567*DATE*12062026*TIME*0815*NAME*JOHN DOE*",
        "ring 0; list JOHN DOE|555-123-4567 0; notify JOHN DOE|555-123-4567 1; select 1; end 1",
        "Database connection established. / Telco Info - %1 / Displayed name = JOHN DOE");
    // A listed caller cannot be hung up from here; a number that is no run of digits is shown as it came.
    row("network: CID: *NAME*ACME*NMBR*+1 555 1234*",
        "ring 0; list ACME|+1 555 1234 0; notify ACME|+1 555 1234 1; select 1; end 1",
        "Database connection established. / Telco Info - %1 / Call Rejected (not hung up: calls come from the "
        "network) / Displayed name = ACME");
    row("network: HUP: *NAME*ACME*NMBR*-*", "ring 0; list ACME|UNKNOWN 0; notify ACME|UNKNOWN 1; select 1; end 1",
        "Database connection established. / Telco Info - %1 / Call Rejected by the server / Displayed name = ACME");
}

void TestCallPipeline::processCidReport()
{
    QFETCH(QString, events);
    QFETCH(QString, log);
    QFETCH(QString, text);
    const QString setup = QString::fromLatin1(QTest::currentDataTag());
    const bool network = setup.startsWith(u"network: "_s);
    if (network)
        text = setup.mid(9);

    Rig rig;
    QVERIFY(rig.port.isOpen() && rig.database.OpenCallDatabase());
    rig.settings.RingIn = setup != u"translated, then rejected"_s;
    if (setup == u"translated, then rejected"_s) {
        QVERIFY(ListEntries(rig.database).add(RecordList::Translate, u"555-123-4567"_s, u"Telemarketer"_s));
        QVERIFY(ListEntries(rig.database).add(RecordList::Reject, u"800-555-0000"_s, u"Telemarketer"_s));
    } else if (setup == u"broken"_s) {
        QSqlQuery drop(rig.database.connection());
        for (const QString& table : { u"Translate"_s, u"Reject"_s, u"CID"_s })
            QVERIFY(drop.exec(u"DROP TABLE "_s + table));
        QVERIFY(QFile::remove(rig.dir.logPath()) && QDir().mkdir(rig.dir.logPath()));
    }
    if (network) {
        QVERIFY(ListEntries(rig.database).add(RecordList::Reject, u"000"_s, u"ACME"_s));
        const NcidLine line = decodeNcidLine(text.toUtf8());
        rig.pipeline.ProcessNetworkCall(text, cidCallFromNcid(line), line.kind == NcidLine::Kind::HungUp);
    } else {
        rig.sim.sendRaw(text.toLatin1());
        rig.sim.advance(100);
        rig.pipeline.OnComm();
        if (setup == u"port closed while settling"_s)
            rig.port.close();
        rig.clock.advance(2500);
        rig.pipeline.timer1Tick();
        QVERIFY(!rig.pipeline.timer1Enabled());
    }
    rig.record(u"end"_s);
    QCOMPARE(rig.events.join(u"; "_s), events);
    QCOMPARE(rig.dir.logMessages().join(u" / "_s), QString(log).replace(u"%1"_s, text));
    QVERIFY(!network || rig.sim.receivedCommands().isEmpty());
}

void TestCallPipeline::refusedCalls_data()
{
    // What keeps calls out, the tag's first word: "locked" (another connection holds an exclusive write transaction),
    // "write-locked" (it holds a write transaction that still lets readers in), "full" (the file may not grow),
    // "damaged" (an index page spoilt). JOHN DOE calls at 0 s, JANE ROE at 6 s, the store retries every 5 s.
    QTest::addColumn<int>("releaseMs"); // when the obstacle goes; -1: never
    QTest::addColumn<QString>("waiting"); // calls waiting after the first call, 5 s, the second call, 10 s, 15 s
    QTest::addColumn<QString>("stored"); // in CID at the end, in rowid order
    QTest::addColumn<QString>("log");
    const QString locked = u"Telco Info - * / Translate list skipped (the database is locked by another program) / "
                           "Reject list skipped (the database is locked by another program) / Displayed name = %1 / "
                           "Call not stored (the database is locked by another program); calls waiting to be stored: "
                           "%2"_s;
    const QString lockedBoth = locked.arg(u"JOHN DOE"_s, u"1"_s) + u" / "_s + locked.arg(u"JANE ROE"_s, u"2"_s)
        + u" / Calls that waited are stored now: 2"_s;
    // Calls are read 2.5 s after they come in: a lock gone at 3 s only holds the first one up for 0.5 s.
    QTest::newRow("locked until 3 s")
        << 3000 << u"0 0 0 0 0"_s << u"Mom JANE ROE"_s
        << u"Telco Info - * / Displayed name = Mom / Telco Info - * / Displayed name = JANE ROE"_s;
    // JANE ROE's report comes in while the program waits on the lock for JOHN DOE: kept for the next burst.
    QTest::newRow("locked 12 s, a call during the wait")
        << 12000 << u"1 1 2 2 0"_s << u"JOHN DOE JANE ROE"_s << lockedBoth;
    QTest::newRow("write-locked 7 s")
        << 7000 << u"1 1 0 0 0"_s << u"Mom JANE ROE"_s
        << u"Telco Info - * / Displayed name = Mom / Call not stored (the database is locked by another program); "
           "calls waiting to be stored: 1 / Telco Info - * / Displayed name = JANE ROE / Calls that waited are stored "
           "now: 2"_s;
    QTest::newRow("full until 12 s")
        << 12000 << u"1 1 2 2 0"_s << u"Mom JANE ROE"_s
        << u"Telco Info - * / Displayed name = Mom / Call not stored (the disk is full); calls waiting to be stored: 1 "
           "/ Telco Info - * / Displayed name = JANE ROE / Call not stored (the disk is full); calls waiting to be "
           "stored: 2 / Calls that waited are stored now: 2"_s;
    QTest::newRow("damaged")
        << -1 << u"1 1 2 2 2"_s << QString()
        << u"Telco Info - * / Displayed name = Mom / CallerID.mdb is damaged and is not written to any more: database "
           "disk image is malformed Unable to fetch row / Call not stored (the database file is damaged); calls "
           "waiting "
           "to be stored: 1 / Telco Info - * / Displayed name = JANE ROE / Call not stored (the database file is "
           "damaged); calls waiting to be stored: 2"_s;
}

void TestCallPipeline::refusedCalls()
{
    QFETCH(int, releaseMs);
    QFETCH(QString, waiting);
    QFETCH(QString, stored);
    QFETCH(QString, log);

    const QString obstacle = QString::fromLatin1(QTest::currentDataTag()).section(u' ', 0, 0);
    Rig rig;
    rig.settings.RingIn = false;
    const QString path = rig.dir.databasePath();
    QVERIFY(obstacle != u"damaged"_s || spoilPage(path, u"idx_cid_systime"_s));
    QVERIFY(rig.database.OpenCallDatabase());
    QVERIFY(ListEntries(rig.database).add(RecordList::Translate, u"555-123-4567"_s, u"Mom"_s));
    SqlFile locker(path);
    if (obstacle == u"locked"_s)
        QVERIFY(locker.run(u"BEGIN EXCLUSIVE"_s));
    else if (obstacle == u"write-locked"_s)
        QVERIFY(locker.run(u"BEGIN IMMEDIATE"_s) && locker.run(u"INSERT INTO Reject (Number) VALUES ('1')"_s));
    QSqlQuery program(rig.database.connection());
    if (obstacle == u"full"_s) { // the file may not grow (a limit below its size is that size) and is filled up
        QVERIFY(program.exec(u"PRAGMA max_page_count = 1"_s) && program.exec(u"PRAGMA synchronous = OFF"_s));
        int filler = 0;
        QString error;
        while (filler < 5000 && rig.database.InsertCall(u"FILLER"_s, u"1"_s, u"06/12"_s, u"14:32"_s, &error))
            ++filler;
        QCOMPARE(error, CallDatabase::problemText(DbProblem::DiskFull));
        QVERIFY(program.exec(u"PRAGMA synchronous = FULL"_s));
        rig.database.store().runOnStorageConnection(u"PRAGMA max_page_count = 1"_s); // where calls are written
    }
    const QByteArray before = fileBytes(path);
    QFile::remove(rig.dir.logPath());

    const QDateTime start = rig.clock.now();
    auto release = [&] {
        if (releaseMs < 0 || start.msecsTo(rig.clock.now()) < releaseMs)
            return;
        if (obstacle == u"full"_s) {
            QSqlQuery(rig.database.connection()).exec(u"PRAGMA max_page_count = 1000000"_s);
            rig.database.store().runOnStorageConnection(u"PRAGMA max_page_count = 1000000"_s);
        } else {
            locker.db().rollback();
        }
    };
    const bool during = QByteArray(QTest::currentDataTag()).contains("during");
    bool sentDuring = false;
    bool keptUsed = false;
    rig.clock.setWaitHook([&](int ms) {
        if (during && !sentDuring && start.msecsTo(rig.clock.now()) >= 3000) {
            rig.sim.sendCall({ .number = u"5559876543"_s, .name = u"JANE ROE"_s });
            sentDuring = true;
        }
        rig.sim.advance(ms);
        release();
    });
    QSignalSpy notStored(&rig.database.store(), &CallStore::notStored);
    QSignalSpy damaged(&rig.database.store(), &CallStore::damaged);
    QStringList counts;
    qint64 longestWait = 0;
    auto until = [&](int ms) {
        rig.clock.setNow(start.addMSecs(ms));
        release();
    };
    auto call = [&](const char* name, const char* number) {
        const bool kept = sentDuring && rig.mdm.hasKeptInput();
        keptUsed = keptUsed || kept;
        if (!kept)
            rig.sim.sendCall({ .number = QString::fromLatin1(number), .name = QString::fromLatin1(name) });
        rig.sim.advance(3000);
        rig.pipeline.OnComm();
        rig.clock.advance(2500);
        release(); // whether or not anything waits on it meanwhile
        const QDateTime before = rig.clock.now();
        rig.pipeline.timer1Tick();
        longestWait = qMax(longestWait, before.msecsTo(rig.clock.now()) - 600); // less the modem's re-initialisation
        QVERIFY(rig.database.store().waitUntilIdle());
        counts << QString::number(rig.database.store().waitingCount());
    };
    auto retry = [&](int ms) {
        until(ms);
        rig.database.store().retry();
        QVERIFY(rig.database.store().waitUntilIdle());
        counts << QString::number(rig.database.store().waitingCount());
    };
    call("JOHN DOE", "5551234567");
    retry(5000);
    until(6000);
    call("JANE ROE", "5559876543");
    retry(10000);
    retry(15000);

    QCOMPARE(counts.join(u' '), waiting);
    QCOMPARE(sentDuring && keptUsed, during);
    // Only look-ups wait for a lock, and never longer; writes never hold the window up.
    QVERIFY2(longestWait <= (obstacle == u"locked"_s ? 1000 : 0), qPrintable(QString::number(longestWait)));
    QCOMPARE(SqlFile(path).rows(u"SELECT Name FROM CID WHERE Name <> 'FILLER' ORDER BY rowid"_s).join(u' '), stored);
    const QRegularExpression telco(u"^Telco Info - .*"_s, QRegularExpression::DotMatchesEverythingOption);
    QCOMPARE(rig.dir.logMessages().replaceInStrings(telco, u"Telco Info - *"_s).join(u" / "_s), log);
    QCOMPARE(notStored.size(), int(releaseMs > 3000));
    QCOMPARE(damaged.size(), int(obstacle == u"damaged"_s));
    if (obstacle == u"damaged"_s)
        QCOMPARE(fileBytes(path), before);
}

void TestCallPipeline::blocking_data()
{
    // setup: "Off" (Call Reject off), "Hidden", "AllowListOnly", "Quiet=<span>", "Fax", "reject:<number entry>",
    // "rejectName:<name entry>", "allow:<number>" (on the translate list as Mom). The call comes in at time.
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("number"); // NMBR as the modem sends it
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason"); // in the log line; empty: not rejected
    QTest::addColumn<QString>("commands"); // before the re-initialisation
    QTest::addColumn<int>("ms"); // the call held the window for
    const auto row = [](const char* tag, const char* setup, const char* time, const char* number, const char* reason,
                        const char* commands, int ms, const char* name = "JOHN DOE") {
        QTest::newRow(tag) << QString::fromLatin1(setup) << QString::fromLatin1(time) << QString::fromLatin1(number)
                           << QString::fromLatin1(name) << QString::fromLatin1(reason) << QString::fromLatin1(commands)
                           << ms;
    };
    const int answered = 1350 + 600; // answered, hung up, then re-initialised
    const int rang = 600;
    row("pattern", "reject:555-12?-*", "14:32", "5551234567", "reject list: 555-12?-*", "ATA ATH0", answered);
    row("pattern, another number", "reject:555-12?-*", "14:32", "5552234567", "", "", rang);
    row("name pattern", "rejectName:*WIRELESS*", "14:32", "5551234567", "reject list: *WIRELESS*", "ATA ATH0", answered,
        "WIRELESS CALLER");
    row("pattern, allowed", "reject:555-* allow:5551234567", "14:32", "5551234567", "", "", rang);
    row("number missing (UNKNOWN)", "Hidden", "14:32", "P", "number withheld", "ATA ATH0", answered);
    row("number withheld (ID BLOCKED)", "Hidden", "14:32", "O", "number withheld", "ATA ATH0", answered);
    row("withheld, Hidden off", "", "14:32", "P", "", "", rang);
    row("Hidden, number given", "Hidden", "14:32", "5551234567", "", "", rang);
    row("allow list only", "AllowListOnly", "14:32", "5551234567", "not on the allow list", "ATA ATH0", answered);
    row("allow list only, allowed", "AllowListOnly allow:5551234567", "14:32", "5551234567", "", "", rang);
    row("quiet hours", "Quiet=22:00-07:00", "23:30", "5551234567", "quiet hours", "ATA ATH0", answered);
    row("quiet hours, after midnight", "Quiet=22:00-07:00", "06:59", "5551234567", "quiet hours", "ATA ATH0", answered);
    row("quiet hours, ended", "Quiet=22:00-07:00", "07:00", "5551234567", "", "", rang);
    row("quiet hours, not yet", "Quiet=22:00-07:00", "21:59", "5551234567", "", "", rang);
    row("quiet hours, within a day", "Quiet=12:00-13:00", "12:00", "5551234567", "quiet hours", "ATA ATH0", answered);
    row("quiet hours, allowed", "Quiet=22:00-07:00 allow:5551234567", "23:30", "5551234567", "", "", rang);
    row("quiet hours, unreadable", "Quiet=late", "23:30", "5551234567", "", "", rang);
    row("Call Reject off", "Off Hidden AllowListOnly Quiet=00:00-23:59 reject:*", "14:32", "P", "", "", rang);
    row("fax", "Fax AllowListOnly", "14:32", "5551234567", "not on the allow list",
        "AT+FCLASS=1 ATA ATH0 AT+FCLASS=0 AT#CID=1", 100 + 100 + 5000 + 250 + 200 + 600);
}

void TestCallPipeline::blocking()
{
    QFETCH(QString, setup);
    QFETCH(QString, time);
    QFETCH(QString, number);
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QFETCH(QString, commands);
    QFETCH(int, ms);

    Rig rig;
    QVERIFY(rig.database.OpenCallDatabase());
    rig.settings.RingIn = false;
    ListEntries entries(rig.database);
    for (const QString& item : setup.split(u' ', Qt::SkipEmptyParts)) {
        const QString value = item.section(u':', 1);
        rig.settings.Reject = rig.settings.Reject && item != u"Off"_s;
        rig.settings.Hidden = rig.settings.Hidden || item == u"Hidden"_s;
        rig.settings.AllowListOnly = rig.settings.AllowListOnly || item == u"AllowListOnly"_s;
        rig.settings.HangUpFax = rig.settings.HangUpFax || item == u"Fax"_s;
        if (item.startsWith(u"Quiet="_s))
            rig.settings.QuietHours = item.mid(6);
        else if (item.startsWith(u"reject:"_s))
            QVERIFY(entries.add(RecordList::Reject, value, u"N/A"_s));
        else if (item.startsWith(u"rejectName:"_s))
            QVERIFY(entries.add(RecordList::Reject, u"000-000-0000"_s, value));
        else if (item.startsWith(u"allow:"_s))
            QVERIFY(entries.add(RecordList::Translate, value.left(3) + u'-' + value.mid(3, 3) + u'-' + value.mid(6),
                                u"Mom"_s));
    }
    rig.clock.setNow(QDateTime(rig.clock.now().date(), QTime::fromString(time, u"HH:mm"_s)));
    QList<bool> marks;
    QObject::connect(&rig.pipeline, &ProcessCid::callListed, [&](const CidCall& c) { marks.append(c.Rejected); });
    QObject::connect(&rig.pipeline, &ProcessCid::noticeRequested, [&](const CidCall& c) { marks.append(c.Rejected); });
    QFile::remove(rig.dir.logPath());
    rig.sim.sendCall({ .number = number, .name = name });
    rig.sim.advance(100);
    rig.pipeline.OnComm();
    rig.clock.advance(2500);
    const QDateTime before = rig.clock.now();
    rig.pipeline.timer1Tick();

    const bool rejected = !reason.isEmpty();
    const QStringList rejectLines = rig.dir.logMessages().filter(u"Call Rejected"_s);
    QCOMPARE(rejectLines.join(u'|'), rejected ? u"Call Rejected (%1)"_s.arg(reason) : QString());
    QCOMPARE(rig.sim.receivedCommands().join(u' '),
             (commands.isEmpty() ? QString() : commands + u' ') + u"ATZ AT#CID=1"_s);
    QCOMPARE(before.msecsTo(rig.clock.now()), ms);
    QCOMPARE(marks, QList<bool>(2, rejected));
    QCOMPARE(SqlFile(rig.dir.databasePath()).rows(u"SELECT Rejected FROM CID"_s),
             QStringList { rejected ? u"1"_s : u"0"_s });
}

QTEST_GUILESS_MAIN(TestCallPipeline)
#include "tst_callpipeline.moc"

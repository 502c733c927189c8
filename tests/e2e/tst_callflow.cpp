// SPDX-License-Identifier: GPL-2.0-or-later
// A call from the simulated modem through the real serial port, modem
// channel, pipeline, database and log, with time driven by the fake clock.
#include "reception/callpipeline.h"
#include "reception/callview.h"
#include "reception/modemrig.h"
#include "records/calldatabase.h"

#include <QSqlQuery>
#include <QTest>

using namespace Quillon;

namespace {

// The window's part: each call listed, with the commands the modem had by then.
struct RecordingView final : CallView
{
    void PlayRingSound() override { }
    void AddCallToList(const QString& name, const QString& number) override
    {
        listed.append(name + u'|' + number);
        commandsWhenListed = sim->receivedCommands();
    }
    void ShowCallNotify(const QString&, const QString&) override { }
    void SelectNewestCall() override { }
    const Sim::ModemSimulator* sim = nullptr;
    QStringList listed;
    QStringList commandsWhenListed;
};

struct Line : Test::ModemRig
{
    CallDatabase database { dir.path(), settings, log, clock, port };
    RecordingView view;
    ProcessCid pipeline { settings, mdm, database, log, clock, view };
    qsizetype logStart = 0;

    bool open()
    {
        view.sim = &sim;
        sim.setAcceptedCidCommand(u"AT#CID=1"_qs);
        if (!dir.createDatabase() || !sim.start())
            return false;
        dir.writeIni(u"[Ports]\r\nComm1="_qs + sim.portPath() + u"\r\n"_qs);
        clock.setRealSliceMs(5); // the port's arrivals come through the event loop
        QObject::connect(&port, &SerialPort::dataArrived, &port, [this] { pipeline.OnComm(); });
        mdm.OpenCommPort();
        clock.sleep(100); // the modem answers the initialisation before the call comes in
        port.readAll();
        sim.clearReceivedCommands();
        const bool ok = database.OpenCallDatabase(boxes) && port.isOpen();
        logStart = dir.logMessages().size();
        return ok;
    }
    QStringList entries() const { return dir.logMessages().mid(logStart); }
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
        QSqlQuery query(u"SELECT Name || '|' || Number || '|' || Date || '|' || Time FROM CID ORDER BY rowid"_qs,
                        database.connection());
        while (query.next())
            rows.append(query.value(0).toString());
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
    QTest::addColumn<QString>("entry"); // table|number|name stored beforehand
    QTest::addColumn<QByteArrayList>("pieces"); // sent 2 s apart
    QTest::addColumn<QString>("name"); // stored and listed; empty: no call
    QTest::addColumn<QString>("logged"); // entries after the Telco Info one
    QTest::addColumn<QString>("commands"); // received by the listing | in all

    const QByteArray ring = "\r\nRING\r\n";
    const QByteArray block = "\r\nDATE = 0612\r\nTIME = 1432\r\nNMBR = 5551234567\r\nNAME = JOHN DOE\r\n";
    const QByteArrayList call { ring + block + ring };
    const QString john = u"JOHN DOE"_qs;
    const QString shown = u"Displayed name = JOHN DOE"_qs;
    QTest::newRow("call") << QString() << call << john << shown << u"| ATZ AT#CID=1"_qs;
    QTest::newRow("rejected") << u"Reject|555-123-4567|SOMEONE ELSE"_qs << call << john << u"Call Rejected|"_qs + shown
                              << u"ATA ATH0 | ATA ATH0 ATZ AT#CID=1"_qs;
    QTest::newRow("translated") << u"Translate|555-123-4567|Mom"_qs << call << u"Mom"_qs << u"Displayed name = Mom"_qs
                                << u"| ATZ AT#CID=1"_qs;
    QTest::newRow("ring only") << QString() << QByteArrayList { ring } << QString() << QString() << u"|"_qs;
    QTest::newRow("a line every 2 s") << QString() << block.split('\n').mid(0, 5) << john << shown
                                      << u"| ATZ AT#CID=1"_qs;
}

void TestCallFlow::callFlow()
{
    QFETCH(QString, entry);
    QFETCH(QByteArrayList, pieces);
    QFETCH(QString, name);
    QFETCH(QString, logged);
    QFETCH(QString, commands);
    const auto list = [](const QString& text, QChar by) { return text.split(by, Qt::SkipEmptyParts); };

    Line line;
    QVERIFY(line.open());
    const QStringList row = entry.split(u'|');
    if (!entry.isEmpty())
        QVERIFY(row.at(0) == u"Reject"_qs ? line.database.AddReject(row.at(1), row.at(2))
                                          : line.database.AddTranslate(row.at(1), row.at(2)));
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
    const QString listed = name + u"|555-123-4567"_qs;
    QCOMPARE(line.stored(), name.isEmpty() ? QStringList() : QStringList { listed + u"|06/12|14:32"_qs });
    QCOMPARE(line.view.listed, name.isEmpty() ? QStringList() : QStringList { listed });
    QCOMPARE(line.view.commandsWhenListed, list(commands.section(u'|', 0, 0), u' '));
    QCOMPARE(line.sim.receivedCommands(), list(commands.section(u'|', 1), u' '));
    const QStringList log = line.entries();
    QCOMPARE(log, QStringList { u"Telco Info - "_qs + QString::fromLatin1(sent) } + list(logged, u'|'));

    // The modem's answers to the re-initialisation were discarded: no second burst.
    line.run(5000);
    QCOMPARE(line.entries(), log);
    QVERIFY(!line.mdm.reportInProgress());
}

QTEST_MAIN(TestCallFlow)
#include "tst_callflow.moc"

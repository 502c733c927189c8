// SPDX-License-Identifier: GPL-2.0-or-later
// A call from the simulated modem through the real serial port, modem
// channel, pipeline, database and log, with time driven by the fake clock.
#include "reception/callpipeline.h"
#include "reception/callview.h"
#include "reception/modemrig.h"
#include "records/calldatabase.h"

#include <QFile>
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
        listed.append(name + u'|' + number + u" after "_qs + sim->receivedCommands().join(u' '));
    }
    void ShowCallNotify(const QString&, const QString&) override { }
    void SelectNewestCall() override { }
    const Sim::ModemSimulator* sim = nullptr;
    QStringList listed;
};

struct Line : Test::ModemRig
{
    CallDatabase database { dir.path(), settings, log, clock };
    RecordingView view;
    ProcessCid pipeline { settings, mdm, database, log, clock, view };

    bool open()
    {
        view.sim = &sim;
        clock.setRealSliceMs(5); // the port's arrivals come through the event loop
        QObject::connect(&port, &SerialPort::dataArrived, &port, [this] { pipeline.OnComm(); });
        onTick = [this] { pipeline.timer1Tick(); };
        if (!dir.createDatabase() || !database.OpenCallDatabase(boxes))
            return false;
        mdm.OpenCommPort();
        clock.sleep(100); // the modem answers the initialisation before the call comes in
        port.readAll();
        sim.clearReceivedCommands();
        QFile::remove(dir.logPath()); // the call's entries only
        return port.isOpen();
    }
    QString stored() const
    {
        QSqlQuery query(u"SELECT group_concat(Name || '|' || Number || '|' || Date || '|' || Time, ';') "
                        u"FROM (SELECT * FROM CID ORDER BY rowid)"_qs,
                        database.connection());
        return query.next() ? query.value(0).toString() : u"(failed)"_qs;
    }
};

} // namespace

class TestCallFlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void callFlow_data()
    {
        QTest::addColumn<QString>("entries"); // number|reject list name|translate list name
        QTest::addColumn<QByteArrayList>("pieces"); // sent 2 s apart
        QTest::addColumn<QString>("listed"); // and the commands the modem had by then; empty: no call
        QTest::addColumn<QString>("logged"); // entries after the Telco Info one, each after a |
        QTest::addColumn<QString>("commands"); // received in all

        const QByteArray ring = "\r\nRING\r\n";
        const QByteArray block = "\r\nDATE = 0612\r\nTIME = 1432\r\nNMBR = 5551234567\r\nNAME = JOHN DOE\r\n";
        const QByteArrayList call { ring + block + ring };
        const QString john = u"JOHN DOE|555-123-4567 after "_qs;
        const QString shown = u"|Displayed name = JOHN DOE"_qs;
        const QString reinit = u"ATZ AT#CID=1"_qs;
        QTest::newRow("call") << QString() << call << john << shown << reinit;
        QTest::newRow("rejected, renamed")
            << u"555-123-4567|SOMEONE ELSE|Mom"_qs << call << u"Mom|555-123-4567 after ATA ATH0"_qs
            << u"|Call Rejected|Displayed name = Mom"_qs << u"ATA ATH0 "_qs + reinit;
        QTest::newRow("ring only") << QString() << QByteArrayList { ring } << QString() << QString() << QString();
        QTest::newRow("a line every 2 s")
            << QString() << QByteArray(block).replace('\n', "\n|").split('|').mid(0, 5) << john << shown << reinit;
    }
    void callFlow()
    {
        QFETCH(QString, entries);
        QFETCH(QByteArrayList, pieces);
        QFETCH(QString, listed);
        QFETCH(QString, logged);
        QFETCH(QString, commands);

        Line line;
        QVERIFY(line.open());
        const QStringList entry = entries.split(u'|');
        QVERIFY(entries.isEmpty() || line.database.AddReject(entry.at(0), entry.at(1)));
        QVERIFY(entries.isEmpty() || line.database.AddTranslate(entry.at(0), entry.at(2)));
        QByteArray sent;
        for (const QByteArray& piece : pieces) {
            if (!sent.isEmpty())
                line.pass(100, 20); // never 2.5 s of quiet
            line.sim.sendRaw(piece);
            sent += piece;
        }
        line.pass(100, 24);
        QCOMPARE(line.dir.logMessages(), QStringList());
        line.pass(100, 2);
        QCOMPARE(line.view.listed.join(u';'), listed);
        const QString call = listed.section(u" after "_qs, 0, 0);
        QCOMPARE(line.stored(), call.isEmpty() ? QString() : call + u"|06/12|14:32"_qs);
        QCOMPARE(line.sim.receivedCommands().join(u' '), commands);
        const QStringList log = line.dir.logMessages();
        QCOMPARE(log.join(u'|'), u"Telco Info - "_qs + QString::fromLatin1(sent) + logged);

        // The modem's answers to the re-initialisation were discarded: no second burst.
        line.pass(100, 50);
        QCOMPARE(line.dir.logMessages(), log);
    }
};

QTEST_MAIN(TestCallFlow)
#include "tst_callflow.moc"

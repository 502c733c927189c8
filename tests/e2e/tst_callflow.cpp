// SPDX-License-Identifier: GPL-2.0-or-later
// A call from the simulated modem through the real serial port, modem
// channel, pipeline, database and log, with time driven by the fake clock.
#include "reception/callpipeline.h"
#include "reception/modemrig.h"
#include "records/calldatabase.h"
#include "records/callstore.h"
#include "records/listentries.h"

#include <QFile>
#include <QSqlQuery>
#include <QTest>

using namespace Quillon;

namespace {

struct Line : Test::ModemRig
{
    CallDatabase database { dir.path(), settings, log, clock };
    ProcessCid pipeline { settings, mdm, database, log, clock };
    QStringList listed; // each call, with the commands the modem had by then

    bool open()
    {
        clock.setRealSliceMs(5); // the port's arrivals come through the event loop
        QObject::connect(&pipeline, &ProcessCid::callListed, [this](const CidCall& call) {
            listed.append(call.Name + u'|' + call.Number + u" after "_qs + sim.receivedCommands().join(u' '));
        });
        onTick = [this] { pipeline.timer1Tick(); };
        if (!dir.createDatabase() || !database.OpenCallDatabase())
            return false;
        mdm.OpenCommPort();
        clock.sleep(100); // the modem answers the initialisation before the call comes in
        port.readAll();
        sim.clearReceivedCommands();
        QFile::remove(dir.logPath()); // the call's entries only
        return port.isOpen();
    }
    QString stored()
    {
        database.store().waitUntilIdle(); // the storage thread has written what it was handed
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
        QTest::addColumn<bool>("atOnce"); // read once the report is whole, not after 2.5 s of quiet

        const QByteArray ring = "\r\nRING\r\n";
        const QByteArray block = "\r\nDATE = 0612\r\nTIME = 1432\r\nNMBR = 5551234567\r\nNAME = JOHN DOE\r\n";
        const QByteArrayList call { ring + block + ring };
        const QString john = u"JOHN DOE|555-123-4567 after "_qs;
        const QString shown = u"|Displayed name = JOHN DOE"_qs;
        const QString reinit = u"ATZ AT#CID=1"_qs;
        QTest::newRow("call") << QString() << call << john << shown << reinit << true;
        QTest::newRow("rejected, renamed")
            << u"555-123-4567|SOMEONE ELSE|Mom"_qs << call << u"Mom|555-123-4567 after ATA ATH0"_qs
            << u"|Call Rejected (reject list: 555-123-4567)|Displayed name = Mom"_qs << u"ATA ATH0 "_qs + reinit
            << true;
        QTest::newRow("ring only") << QString() << QByteArrayList { ring } << QString() << QString() << QString()
                                   << false;
        // Each line postpones the read until the name line's end makes the report whole.
        QTest::newRow("a line every 2 s") << QString() << QByteArray(block).replace('\n', "\n|").split('|').mid(1, 4)
                                          << john << shown << reinit << true;
    }
    void callFlow()
    {
        QFETCH(QString, entries);
        QFETCH(QByteArrayList, pieces);
        QFETCH(QString, listed);
        QFETCH(QString, logged);
        QFETCH(QString, commands);
        QFETCH(bool, atOnce);

        Line line;
        QVERIFY(line.open());
        const QStringList entry = entries.split(u'|');
        QVERIFY(entries.isEmpty() || ListEntries(line.database).add(RecordList::Reject, entry.at(0), entry.at(1)));
        QVERIFY(entries.isEmpty() || ListEntries(line.database).add(RecordList::Translate, entry.at(0), entry.at(2)));
        QByteArray sent;
        for (const QByteArray& piece : pieces) {
            if (!sent.isEmpty())
                line.pass(100, 20); // never 2.5 s of quiet
            line.sim.sendRaw(piece);
            sent += piece;
        }
        line.pass(100, atOnce ? 1 : 24);
        QCOMPARE(line.dir.logMessages().isEmpty(), !atOnce);
        line.pass(100, 2);
        QCOMPARE(line.listed.join(u';'), listed);
        const QString call = listed.section(u" after "_qs, 0, 0);
        QCOMPARE(line.stored(), call.isEmpty() ? QString() : call + u"|06/12|14:32"_qs);
        QCOMPARE(line.sim.receivedCommands().join(u' '), commands);
        const QStringList log = line.dir.logMessages();
        QCOMPARE(log.join(u'|'), u"Telco Info - "_qs + QString::fromLatin1(sent) + logged);

        // The modem's answers to the re-initialisation were discarded: no second burst.
        line.pass(100, 50);
        QCOMPARE(line.dir.logMessages(), log);
    }

    // Reports that are not whole at once: the quiet after them decides.
    void splitReports_data()
    {
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<int>("gapMs"); // between the pieces
        QTest::addColumn<int>("readAtMs"); // the first call listed, from the first piece on
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("bursts"); // Telco Info entries
        const QByteArray ring = "\r\nRING\r\n";
        const QByteArray head = "\r\nDATE = 0612\r\nTIME = 1432\r\n";
        const QByteArray tail = "NMBR = 5551234567\r\nNAME = JOHN DOE\r\n";
        const QString john = u"JOHN DOE|555-123-4567|06/12|14:32"_qs;
        QTest::newRow("number only") << QByteArrayList { ring + head + "NMBR = 5551234567\r\n" + ring } << 0 << 2500
                                     << u"UNKNOWN|555-123-4567|06/12|14:32"_qs << 1;
        QTest::newRow("split by 1 s") << QByteArrayList { ring + head, tail } << 1000 << 1000 << john << 1;
        QTest::newRow("split by 4 s") << QByteArrayList { ring + head, tail } << 4000 << 2500
                                      << u"UNKNOWN|UNKNOWN|06/12|14:32"_qs << 2;
        QTest::newRow("a RING right after") << QByteArrayList { ring + head + tail, ring } << 500 << 0 << john << 2;
    }
    void splitReports()
    {
        QFETCH(QByteArrayList, pieces);
        QFETCH(int, gapMs);
        QFETCH(int, readAtMs);
        QFETCH(QString, stored);
        QFETCH(int, bursts);
        Line line;
        QVERIFY(line.open());
        const QDateTime start = line.clock.now();
        qint64 readAt = -1;
        QObject::connect(&line.pipeline, &ProcessCid::callListed, [&] {
            if (readAt < 0)
                readAt = start.msecsTo(line.clock.now());
        });
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            line.pass(100, i > 0 ? gapMs / 100 : 0);
            line.sim.sendRaw(pieces.at(i));
        }
        line.pass(100, 60);
        QVERIFY2(readAt >= readAtMs && readAt <= readAtMs + 200, qPrintable(QString::number(readAt)));
        QCOMPARE(line.stored(), stored);
        QCOMPARE(line.dir.logMessages().filter(u"Telco Info - "_qs).size(), bursts);
    }

    // A call that comes in while the modem is reset or its answer awaited is still a call.
    void resetWindow_data()
    {
        QTest::addColumn<int>("after"); // simulated seconds before the window opens
        QTest::addColumn<QString>("stored");
        const QString john = u"JOHN DOE|555-123-4567|06/12|14:32"_qs;
        const QString jane = u"JANE ROE|555-765-4321|06/12|14:32"_qs;
        QTest::newRow("re-initialisation after a call") << 0 << john + u';' + jane;
        QTest::newRow("periodic re-initialisation") << 1800 << jane;
        QTest::newRow("first second after opening") << -1 << jane;
    }
    void resetWindow()
    {
        QFETCH(int, after);
        QFETCH(QString, stored);
        Line line;
        QVERIFY(line.open());
        const Sim::Caller jane { .number = u"5557654321"_qs, .name = u"JANE ROE"_qs };
        bool sent = false;
        QObject::connect(&line.sim, &Sim::ModemSimulator::commandReceived, [&](const QString& command) {
            if (!sent && command == u"ATZ"_qs && (sent = true))
                line.sim.sendCall(jane);
        });
        if (after == 0)
            line.sim.sendCall({ .number = u"5551234567"_qs, .name = u"JOHN DOE"_qs });
        else if (after > 0)
            line.pass(5000, after / 5);
        else {
            line.port.close();
            line.mdm.OpenCommPort();
            line.mdm.armInitCheck();
            line.sim.sendCall(jane);
            sent = true;
        }
        line.pass(100, 100);
        QVERIFY(sent);
        QCOMPARE(line.stored(), stored);
        const QStringList log = line.dir.logMessages();
        QCOMPARE(log.filter(u"Displayed name = "_qs).size(), stored.count(u';') + 1);
        if (after < 0)
            QVERIFY(log.filter(u"Modem Response = "_qs).value(0).contains(u"RING"_qs));
    }

    // A line that never goes quiet for 2.5 s: read every 10 s with what it holds.
    void flood_data()
    {
        QTest::addColumn<QByteArray>("filler"); // sent every 100 ms
        QTest::addColumn<int>("callAt"); // the call is sent after this many ms; -1: none
        QTest::addColumn<int>("seconds"); // the flood lasts
        QTest::addColumn<int>("bursts"); // read in all; -1: not counted
        QByteArray noise(576, '\0'); // 57600 baud, all the line takes
        quint32 seed = 14;
        for (char& c : noise)
            c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
        QTest::newRow("RING every 100 ms") << QByteArray("RING\r\n") << 3000 << 30 << -1;
        QTest::newRow("noise at 57600 baud") << noise << 3000 << 30 << -1;
        QTest::newRow("a ring every 2 s") << QByteArray() << -1 << 12 << 2; // at 10 s, then 2.5 s after the last
    }
    void flood()
    {
        QFETCH(QByteArray, filler);
        QFETCH(int, callAt);
        QFETCH(int, seconds);
        QFETCH(int, bursts);
        Line line;
        QVERIFY(line.open());
        int firstRead = -1;
        QObject::connect(&line.sim, &Sim::ModemSimulator::commandReceived, [&](const QString& command) {
            if (firstRead < 0 && command == u"ATZ"_qs)
                firstRead = static_cast<int>(line.sim.elapsedMs());
        });
        const qint64 start = line.sim.elapsedMs();
        for (int ms = 0; ms < seconds * 1000; ms += 100) {
            if (ms == callAt)
                line.sim.sendRaw(line.sim.callBlock({ .number = u"5551234567"_qs, .name = u"JOHN DOE"_qs }));
            line.sim.sendRaw(filler.isEmpty() ? (ms % 2000 ? QByteArray() : QByteArray("RING\r\n")) : filler);
            line.pass(100);
        }
        line.pass(100, 30);
        const QStringList log = line.dir.logMessages();
        QCOMPARE(line.stored(), callAt < 0 ? QString() : u"JOHN DOE|555-123-4567|06/12|14:32"_qs);
        if (callAt >= 0) // read with the burst at 10 s, not after the flood
            QVERIFY2(firstRead - start <= 11000, qPrintable(QString::number(firstRead - start)));
        if (bursts >= 0)
            QCOMPARE(log.size(), bursts);
        for (const QString& entry : log)
            QVERIFY2(entry.size() < 4300, qPrintable(entry.left(100)));
    }
};

QTEST_MAIN(TestCallFlow)
#include "tst_callflow.moc"

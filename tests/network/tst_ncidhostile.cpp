// SPDX-License-Identifier: GPL-2.0-or-later
// The server and client against peers that misbehave or race it, over real
// loopback sockets: displays that reset mid-write, connect during a call,
// flood messages; each peer written here from the protocol's facts.
#include "network/ncidcall.h"
#include "network/ncidclient.h"
#include "network/ncidpeer.h"
#include "network/ncidserver.h"
#include "network/networkservice.h"
#include "reception/callpipeline.h"
#include "reception/modemrig.h"
#include "records/calldatabase.h"
#include "records/callstore.h"
#include "records/listentries.h"
#include "records/storedcalls.h"
#include "support/appdir.h"
#include "support/fakeclock.h"
#include "support/sqlfile.h"

#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <sys/socket.h>

using namespace Quillon;
using namespace Quillon::Test;
using namespace Qt::StringLiterals;

namespace {

// The program's server and client around a pipeline and a database, on the rig's modem line.
struct Station : ModemRig
{
    bool made = dir.createDatabase();
    CallDatabase database { dir.path(), settings, log, clock };
    ProcessCid pipeline { settings, mdm, database, log, clock };
    NetworkService service { dir.iniPath(), pipeline, database, mdm, log, clock, boxes };
    QTcpServer peer; // the server the client is sent to

    // Shares on a port free a moment ago; the start-up waits for no HELLO lines.
    void share()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        service.settings().Share = true;
        service.settings().SharePort = probe.serverPort();
        probe.close();
        service.server().setHelloWaitMs(0);
    }
    // Receives from peer.
    bool receive()
    {
        if (!peer.listen(QHostAddress::LocalHost, 0))
            return false;
        service.settings().Receive = true;
        service.settings().ServerHost = u"127.0.0.1"_s;
        service.settings().ServerPort = peer.serverPort();
        return true;
    }
};

} // namespace

class TestNcidHostile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A display that resets while the server writes to it is dropped, and
    // the server goes on serving the others.
    void resetWhileWritten_data()
    {
        QTest::addColumn<int>("helloWaitMs");
        QTest::addColumn<bool>("accepted"); // before the reset
        QTest::addColumn<QByteArray>("sent"); // just before the reset

        QTest::newRow("reset before accept, greeting written") << 0 << false << QByteArray();
        QTest::newRow("reset after HELLO, start-up written") << 3600000 << true << "HELLO: CMD: no_log\n"_ba;
        QTest::newRow("reset after MSG, relay written") << 0 << true << "MSG: bye\n"_ba;
    }

    void resetWhileWritten()
    {
        QFETCH(int, helloWaitMs);
        QFETCH(bool, accepted);
        QFETCH(QByteArray, sent);

        Sharing sharing(0, helloWaitMs);
        Display odd(sharing.server.serverPort());
        QVERIFY(odd.socket.waitForConnected(5000)); // the server has not accepted it yet
        if (accepted)
            QTRY_COMPARE(sharing.server.clientCount(), 1);
        odd.send(sent);
        odd.reset();

        Display display(sharing.server.serverPort());
        QVERIFY(display.waitFor(u"210"_s));
        display.send("HELLO: CMD: no_log\n");
        QVERIFY(display.waitFor(u"300"_s));
        QTRY_COMPARE(sharing.server.clientCount(), 1);
        sharing.call(u"5551234567"_s);
        QVERIFY(display.waitFor(u"CID:"_s));
    }

    // Displays still in their start-up while calls come: each call reaches
    // each display once, from the log or held back until the log is out.
    void connectDuringCall_data()
    {
        QTest::addColumn<int>("logCount");
        QTest::addColumn<QByteArray>("hello"); // ends the start-up
        QTest::addColumn<int>("calls"); // during the start-up
        QTest::addColumn<int>("count"); // of displays

        QTest::newRow("in the log") << 100 << "HELLO: IDENT: display\n\n"_ba << 1 << NcidServer::maxClients;
        QTest::newRow("no_log: held back") << 100 << "HELLO: CMD: no_log\n"_ba << 1 << 10;
        QTest::newRow("log of one, two calls") << 1 << "\n"_ba << 2 << 10;
    }

    void connectDuringCall()
    {
        QFETCH(int, logCount);
        QFETCH(QByteArray, hello);
        QFETCH(int, calls);
        QFETCH(int, count);

        Sharing sharing(logCount, 3600000);
        std::vector<std::unique_ptr<Display>> displays;
        for (int i = 0; i < count; ++i)
            displays.push_back(std::make_unique<Display>(sharing.server.serverPort()));
        QTRY_COMPARE_WITH_TIMEOUT(sharing.server.clientCount(), count, 20000);
        for (int i = 1; i <= calls; ++i)
            sharing.call(u"555000000%1"_s.arg(i));
        for (const auto& display : displays)
            display->send(hello);
        for (const auto& display : displays)
            QVERIFY(display->waitFor(u"300"_s));
        sharing.call(u"5559999999"_s);
        for (const auto& display : displays) {
            QVERIFY(display->waitFor(u"CID: .*5559999999"_s));
            for (int i = 1; i <= calls; ++i)
                QCOMPARE(display->count(u".*555000000%1"_s.arg(i)), 1);
        }
    }

    // A display flooding messages: the others get five a second and every
    // call; the flood is reported once, and each text at most once a minute.
    void messageFlood()
    {
        Sharing sharing(0, 0);
        QSignalSpy reported(&sharing.server, &NcidServer::messageRelayed);
        QSignalSpy dropped(&sharing.server, &NcidServer::messagesDropped);
        Display display(sharing.server.serverPort());
        Display flooder(sharing.server.serverPort());
        QTRY_COMPARE(sharing.server.clientCount(), 2);
        const auto flood = [&](const QString& text, int count, int seen) {
            QByteArray lines;
            for (int i = 0; i < count; ++i)
                lines += u"MSG: %1\n"_s.arg(text).arg(i).toUtf8();
            flooder.send(lines);
            QVERIFY(display.waitFor(u"MSG:"_s, seen));
            sharing.call(u"5551234567"_s);
            QVERIFY(display.waitFor(u"CID:"_s, sharing.stored));
            QCOMPARE(display.count(u"MSG:"_s), seen);
        };

        flood(u"flood %1"_s, 200, 5);
        sharing.clock.advance(1000); // the same burst goes on
        flood(u"more %1"_s, 200, 10);
        QCOMPARE(reported.size(), 10);
        QCOMPARE(dropped.size(), 1);
        sharing.clock.advance(1000); // a quiet second ends it
        flood(u"same text"_s, 3, 13);
        sharing.clock.advance(59000);
        flood(u"same text"_s, 1, 14);
        QCOMPARE(reported.size(), 11);
        sharing.clock.advance(1000);
        flood(u"same text"_s, 6, 19);
        QCOMPARE(reported.size(), 12);
        QCOMPARE(dropped.size(), 2);
    }

    // A log far larger than a display's backlog goes out whole, as the
    // display takes it; a call that comes meanwhile follows the log, once.
    void largeLog()
    {
        constexpr int calls = 20000;
        Sharing sharing(calls, 0);
        QVERIFY(sharing.history->run(
            u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO CID (Name, Number, Date, Time, SysTime) SELECT 'CALLER ' || i, i, '06/12', '14:32', "
            "'2026-06-12 14:32:00' FROM n"_s.arg(calls)));
        sharing.stored = calls;
        Display display(sharing.server.serverPort());
        QVERIFY(display.waitFor(u"CIDLOG:"_s));
        sharing.call(u"5551234567"_s);
        QVERIFY(display.waitFor(u"CID:"_s));
        QCOMPARE(display.count(u"CIDLOG:"_s), calls);
        QCOMPARE(display.lines.at(2), u"CIDLOG: *DATE*06122026*TIME*1432*LINE*-*NMBR*1*MESG*NONE*NAME*CALLER 1*"_s);
        QCOMPARE(display.lines.mid(calls + 1).join(u" / "_s),
                 u"CIDLOG: *DATE*06122026*TIME*1432*LINE*-*NMBR*20000*MESG*NONE*NAME*CALLER 20000* / "
                 "250 End of call log / 300 End of connection startup / "
                 "CID: *DATE*0612*TIME*1432*LINE*-*NMBR*5551234567*MESG*NONE*NAME*CALLER*"_s);
        QCOMPARE(sharing.server.clientCount(), 1);
    }

    // A server that vanishes without a word sends nothing that could tell:
    // the connection's own probes must end it within a minute, and the
    // display says Not Ready. The loopback link is taken down inside a
    // network namespace of the test's own, with short probes.
    void vanishedServerNoticed()
    {
        if (qEnvironmentVariableIsEmpty("QUILLON_TEST_NETNS")) {
            NcidClient client;
            QTcpServer peer;
            QVERIFY(peer.listen(QHostAddress::LocalHost, 0));
            QSignalSpy connected(&client, &NcidClient::connected);
            client.start(u"127.0.0.1"_s, peer.serverPort());
            QTRY_COMPARE(connected.size(), 1);
            const int fd = int(client.findChild<QTcpSocket*>()->socketDescriptor());
            const auto option = [fd](int level, int name) {
                int value = 0;
                socklen_t size = sizeof value;
                return ::getsockopt(fd, level, name, &value, &size) == 0 ? value : -1;
            };
            QCOMPARE(option(SOL_SOCKET, SO_KEEPALIVE), 1);
            const int probing = option(IPPROTO_TCP, TCP_KEEPIDLE)
                + option(IPPROTO_TCP, TCP_KEEPINTVL) * option(IPPROTO_TCP, TCP_KEEPCNT);
            QVERIFY2(probing > 0 && probing <= 60, QByteArray::number(probing).constData());
            const int unacknowledged = option(IPPROTO_TCP, TCP_USER_TIMEOUT);
            QVERIFY(unacknowledged > 0 && unacknowledged <= 60000);

            if (QProcess::execute(u"unshare"_s, { u"-rn"_s, u"ip"_s, u"link"_s, u"set"_s, u"lo"_s, u"up"_s }) != 0)
                QSKIP("no network namespace for this user (unshare -rn, ip)");
            QProcess inside;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"QUILLON_TEST_NETNS"_s, u"1"_s);
            inside.setProcessEnvironment(env);
            inside.setProcessChannelMode(QProcess::MergedChannels);
            inside.start(u"unshare"_s,
                         { u"-rn"_s, QCoreApplication::applicationFilePath(), u"vanishedServerNoticed"_s });
            QVERIFY(inside.waitForFinished(60000));
            QVERIFY2(inside.exitStatus() == QProcess::NormalExit && inside.exitCode() == 0,
                     inside.readAll().constData());
            return;
        }
        QCOMPARE(QProcess::execute(u"ip"_s, { u"link"_s, u"set"_s, u"lo"_s, u"up"_s }), 0);
        Station rig;
        QVERIFY(rig.made && rig.receive());
        rig.service.client().setLiveness({ 1, 1, 2, 3000 });
        rig.service.apply();
        QTRY_VERIFY(!rig.readyShown.isEmpty() && rig.readyShown.last());
        QTRY_VERIFY(rig.peer.hasPendingConnections());
        const std::unique_ptr<QTcpSocket> far(rig.peer.nextPendingConnection()); // kept open, then unreachable
        QCOMPARE(QProcess::execute(u"ip"_s, { u"link"_s, u"set"_s, u"lo"_s, u"down"_s }), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!rig.readyShown.last(), 20000);
    }

    // What the modem and the pipeline hear goes to the displays: each RING
    // counted within the call and RING 0 once ringing stopped, numbers as
    // they were sent (stored ones as their digits), so that each display
    // lays them out its own way.
    void modemToDisplays()
    {
        Station rig;
        QVERIFY(rig.database.OpenCallDatabase());
        auto [database, pipeline, service] = std::tie(rig.database, rig.pipeline, rig.service);
        rig.share();
        service.server().setRingEndMs(50);
        service.apply();
        Display live(service.server().serverPort());
        QVERIFY(live.waitFor(u"300"_s));

        pipeline.ProcessCidReport(u"RING\r\n"_s);
        rig.clock.advance(6000);
        pipeline.ProcessCidReport(u"RING\r\n\r\nDATE = 0612\r\nTIME = 1432\r\nNMBR = 5551234567\r\nNAME = JOHN\r\n"_s);
        QVERIFY(live.waitFor(u"CIDINFO: .*RING\\*0"_s));
        CidCall relayed;
        relayed.Number = u"+1 555 1234"_s;
        relayed.Name = u"ACME"_s;
        pipeline.ProcessNetworkCall(u"CID: *NMBR*+1 555 1234*NAME*ACME*"_s, relayed, false);
        pipeline.ProcessCidReport(u"OK\r\n"_s); // the modem's answer: no ring
        pipeline.ProcessCidReport(u"RING\r\n"_s); // the next call
        QVERIFY(live.waitFor(u"CIDINFO:"_s, 4));
        QCOMPARE(live.lines.mid(live.lines.indexOf(u"300 End of connection startup"_s) + 1).join(u" / "_s),
                 u"CIDINFO: *LINE*-*RING*1*TIME*14:32:00* / CIDINFO: *LINE*-*RING*2*TIME*14:32:06* / "
                 "CID: *DATE*06122026*TIME*1432*LINE*-*NMBR*5551234567*MESG*NONE*NAME*JOHN* / "
                 "CIDINFO: *LINE*-*RING*0*TIME*14:32:06* / "
                 "CID: *DATE*06122026*TIME*1432*LINE*-*NMBR*+1 555 1234*MESG*NONE*NAME*ACME* / "
                 "CIDINFO: *LINE*-*RING*1*TIME*14:32:06*"_s);
        QVERIFY(database.store().waitUntilIdle()); // the log is read from the file
        Display later(service.server().serverPort());
        QVERIFY(later.waitFor(u"300"_s));
        QCOMPARE(later.count(u"CIDLOG: .*NMBR\\*5551234567\\*"_s), 1);
        QCOMPARE(later.count(u"CIDLOG: .*NMBR\\*\\+1 555 1234\\*"_s), 1);

        // A rejected call goes out as HUP; its mark is stored, so every display connecting afterwards, also to
        // a restarted program, is sent it as HUPLOG.
        QVERIFY(ListEntries(database).add(RecordList::Reject, u"555-999-*"_s, u"N/A"_s));
        pipeline.ProcessCidReport(u"RING\r\n\r\nDATE = 0612\r\nTIME = 1433\r\nNMBR = 5559990000\r\nNAME = ROBO\r\n"_s);
        QVERIFY(live.waitFor(u"HUP: .*NMBR\\*5559990000\\*"_s));
        QVERIFY(database.store().waitUntilIdle());
        Display third(service.server().serverPort());
        QVERIFY(third.waitFor(u"300"_s));
        QCOMPARE(third.count(u"HUPLOG: .*NMBR\\*5559990000\\*"_s), 1);
        QCOMPARE(third.count(u"CIDLOG: .*NMBR\\*5559990000\\*"_s), 0);
        QCOMPARE(third.count(u"CIDLOG: .*NMBR\\*5551234567\\*"_s), 1);
    }

    // Past calls a server sends at connect fill in the history: the same
    // call is the same moment, year included, and number (and name, for a
    // number without digits); identical lines are as many calls, and the
    // same log sent again stores nothing. Each keeps its own time as SysTime.
    void pastCallsFillIn_data()
    {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QStringList>("stored"); // before the connect
        QTest::addColumn<QStringList>("added"); // by the first connect; the second adds nothing

        const auto line = [](const char* date, const char* time, const char* number, const char* name) -> QByteArray {
            return "CIDLOG: *DATE*"_ba + date + "*TIME*" + time + "*LINE*-*NMBR*" + number + "*MESG*NONE*NAME*" + name
                + "*\r\n";
        };
        const QByteArray june26 = line("06122026", "1432", "5551234567", "JOHN");
        QTest::newRow("same minute in two years")
            << line("06122025", "1432", "5551234567", "JOHN") + june26 << QStringList()
            << QStringList { u"JOHN|555-123-4567|06/12|14:32|2025-06-12 14:32:00"_s,
                             u"JOHN|555-123-4567|06/12|14:32|2026-06-12 14:32:00"_s };
        QTest::newRow("redial within the minute") << june26
                + june26 << QStringList() << QStringList(2, u"JOHN|555-123-4567|06/12|14:32|2026-06-12 14:32:00"_s);
        // Another program writing: the first log's calls wait, and the second finds them waiting.
        QTest::newRow("redial within the minute, file write-locked") << june26
                + june26 << QStringList() << QStringList(2, u"JOHN|555-123-4567|06/12|14:32|2026-06-12 14:32:00"_s);
        QTest::newRow("received live, then twice in the log")
            << june26 + june26 << QStringList { u"JOHN|555-123-4567|06/12|14:32|2026-06-12 14:32:41"_s }
            << QStringList { u"JOHN|555-123-4567|06/12|14:32|2026-06-12 14:32:00"_s };
        QTest::newRow("31 December, stored after midnight")
            << line("12312026", "2359", "5551234567", "JOHN")
            << QStringList { u"JOHN|555-123-4567|12/31|23:59|2027-01-01 00:00:02"_s } << QStringList();
        QTest::newRow("no number: the name tells calls apart")
            << line("06122026", "1432", "-", "A") + line("06122026", "1432", "-", "B")
            << QStringList { u"A|UNKNOWN|06/12|14:32|2026-06-12 14:32:09"_s }
            << QStringList { u"B|UNKNOWN|06/12|14:32|2026-06-12 14:32:00"_s };
    }

    void pastCallsFillIn()
    {
        QFETCH(QByteArray, log);
        QFETCH(QStringList, stored);
        QFETCH(QStringList, added);

        Station rig;
        QVERIFY(rig.database.OpenCallDatabase() && rig.receive());
        auto [database, service, peer] = std::tie(rig.database, rig.service, rig.peer);
        for (const QString& row : std::as_const(stored)) {
            QSqlQuery insert(database.connection());
            insert.prepare(u"INSERT INTO CID (Name, Number, Date, Time, SysTime) VALUES (?, ?, ?, ?, ?)"_s);
            for (const QString& value : row.split(u'|'))
                insert.addBindValue(value);
            QVERIFY(insert.exec());
        }
        std::optional<SqlFile> locker;
        if (QByteArray(QTest::currentDataTag()).contains("write-locked")) {
            locker.emplace(rig.dir.databasePath());
            QVERIFY(locker->run(u"BEGIN IMMEDIATE"_s) && locker->run(u"INSERT INTO Reject (Number) VALUES ('1')"_s));
        }
        const QString rows = u"SELECT Name, Number, Date, Time, SysTime FROM CID ORDER BY rowid"_s;
        bool startedUp = false; // the server's start-up, log and all, has been taken in
        connect(&service.client(), &NcidClient::lineReceived, this,
                [&startedUp](const NcidLine&, const QString& text) { startedUp = text.startsWith(u"300"_s); });
        service.apply();
        for (int connect = 0; connect < 2; ++connect) {
            if (connect > 0)
                service.client().retryNow();
            QVERIFY(peer.waitForNewConnection(10000));
            std::unique_ptr<QTcpSocket> server(peer.nextPendingConnection());
            startedUp = false;
            server->write("200 Server: peer\n210 API 1.0 Feature Set 1\n" + log
                          + "250 End of call log\n300 End of connection startup\n");
            QTRY_VERIFY(startedUp && service.pastCallsPending() == 0); // stored a part at a time
            QVERIFY(database.store().waitUntilIdle());
            if (locker)
                QCOMPARE(database.store().waitingCount(), added.size());
            else
                QCOMPARE(queryRows(database.connection(), rows), stored + added);
            server->close();
            QTRY_VERIFY(!service.client().isConnected());
        }
        service.stopReceiving();
        if (!locker)
            return;
        locker.reset();
        database.store().retry();
        QVERIFY(database.store().waitUntilIdle());
        QCOMPARE(queryRows(database.connection(), rows), stored + added);
    }

    // A display that connects while another program holds the file locked
    // goes without its log rather than hold the window for the lock's wait.
    void displayWhileLocked()
    {
        Station rig;
        QVERIFY(rig.database.OpenCallDatabase());
        rig.share();
        rig.service.apply();
        SqlFile locker(rig.dir.databasePath());
        QVERIFY(locker.run(u"BEGIN EXCLUSIVE"_s));
        const QDateTime before = rig.clock.now();
        Display display(rig.service.server().serverPort());
        QVERIFY(display.waitFor(u"300"_s));
        QVERIFY(display.lines.contains(u"253 No call log"_s));
        QVERIFY2(before.msecsTo(rig.clock.now()) <= 100, qPrintable(QString::number(before.msecsTo(rig.clock.now()))));
    }
};

QTEST_GUILESS_MAIN(TestNcidHostile)
#include "tst_ncidhostile.moc"

// SPDX-License-Identifier: GPL-2.0-or-later
// The program's server and client over real loopback sockets, each against a peer written here from the protocol's
// facts: a display on a plain socket, and a server on a plain listening socket.
#include "network/ncidcall.h"
#include "network/ncidclient.h"
#include "network/ncidpeer.h"
#include "network/ncidserver.h"
#include "platform/appinfo.h"
#include "records/storedcalls.h"
#include "support/appdir.h"
#include "support/fakeclock.h"
#include "support/sqlfile.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using namespace Quillon;
using namespace Quillon::Test;
using namespace Qt::StringLiterals;

namespace {

// The lines after the start-up, runs of one type collapsed: "CID x3".
QString live(const Display& display)
{
    QStringList shown, summary;
    for (const QString& line : display.lines.mid(display.lines.indexOf(u"300 End of connection startup"_s) + 1))
        shown.append(line.startsWith(u"MSG:"_s) ? line.left(line.indexOf(u" ***"_s)) : line.left(3));
    for (qsizetype i = 0, run = 1; i < shown.size(); i += run) {
        for (run = 1; i + run < shown.size() && shown[i + run] == shown[i];)
            ++run;
        summary.append(run > 1 ? shown[i] + u" x"_s + QString::number(run) : shown[i]);
    }
    return summary.join(u" / "_s);
}

const NcidFields call = ncidCallFields(u"06/12"_s, u"14:32"_s, u"555-123-4567"_s, u"JOHN DOE"_s, QDateTime());

} // namespace

class TestNcidPeers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The start-up is quick, HELLO lines or none: sent before the greeting is read or right after it, they are
    // honoured; without them the log follows the default short wait.
    void startup_data()
    {
        QTest::addColumn<int>("logCount");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QByteArray>("before"); // sent at once, before the server has accepted
        QTest::addColumn<QByteArray>("after"); // sent on reading 200
        QTest::addColumn<int>("helloWaitMs");
        QTest::addColumn<QString>("expected"); // before the end of the start-up

        const auto log = [](int first, int last) -> QString {
            QStringList lines;
            for (int i = first; i <= last; ++i)
                lines.append(
                    u"CIDLOG: *DATE*06122026*TIME*140%1*LINE*-*NMBR*555000000%1*MESG*NONE*NAME*CALLER %1*"_s.arg(i));
            return lines.join(u" / "_s) + u" / 250 End of call log"_s;
        };
        const int quick = NcidServer::defaultHelloWaitMs;
        const QByteArray none;
        const QByteArray noLog = "HELLO: IDENT: test display\nHELLO: CMD: no_log\n"_ba;
        QTest::newRow("ShareLog 3 of 5 stored") << 3 << 5 << none << none << quick << log(3, 5);
        QTest::newRow("ShareLog 0") << 0 << 5 << none << none << quick << u"251 Call log not sent"_s;
        QTest::newRow("no_log before 200") << 100 << 5 << noLog << none << quick << u"251 Call log not sent"_s;
        QTest::newRow("no_log after 200")
            << 100 << 5 << none << "HELLO: CMD: no_log\n"_ba << quick << u"251 Call log not sent"_s;
        QTest::newRow("IDENT alone") << 1 << 5 << "HELLO: IDENT: test display\n"_ba << none << quick << log(5, 5);
        // Any line but HELLO ends the greeting, a keep-alive too; only their end decides, never a timer.
        QTest::newRow("ident, then keep-alive")
            << 1 << 5 << none << "HELLO: IDENT: test display\n\n"_ba << 60 * 60 * 1000 << log(5, 5);
        QTest::newRow("nothing stored") << 100 << 0 << none << none << quick << u"252 Call log empty"_s;
        QTest::newRow("no call table") << 100 << -1 << none << none << quick << u"253 No call log"_s;
    }

    void startup()
    {
        QFETCH(int, logCount);
        QFETCH(int, stored);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(int, helloWaitMs);
        QFETCH(QString, expected);

        Sharing sharing(logCount, helloWaitMs);
        QVERIFY(stored >= 0 || sharing.history->run(u"DROP TABLE CID"_s)); // -1: no CID table
        for (int i = 1; i <= stored; ++i)
            QVERIFY(sharing.history->run(u"INSERT INTO CID (Name, Number, Date, Time, SysTime) VALUES ('CALLER %1', "
                                         u"'555-000-000%1', '06/12', '14:0%1', '2026-06-12 14:0%1:00')"_s.arg(i)));
        NcidServer& server = sharing.server;
        QElapsedTimer elapsed;
        elapsed.start();
        Display display(server.serverPort());
        QVERIFY(display.socket.waitForConnected(5000)); // not yet accepted: no 200 yet
        display.send(before);
        QObject::connect(&display.socket, &QIODevice::readyRead, &display.socket, [&] {
            if (!after.isEmpty() && display.count(u"200"_s) == 1)
                display.send(std::exchange(after, QByteArray()));
        });
        QVERIFY(display.waitFor(u"300"_s));
        // Within a tenth of a second on an idle machine; the bound leaves room for a loaded one but not
        // for the half second the greeting used to be waited for.
        QVERIFY2(elapsed.elapsed() < 450, QByteArray::number(elapsed.elapsed()).constData());
        server.sendCall(call, false);
        QVERIFY(display.waitFor(u"CID:"_s));
        QCOMPARE(display.lines.join(u" / "_s),
                 u"200 Server: %1 %2 / 210 API 1.0 Feature Set 1 / "_s.arg(programTitle(), versionText()) + expected
                     + u" / 300 End of connection startup / "
                       "CID: *DATE*0612*TIME*1432*LINE*-*NMBR*555-123-4567*MESG*NONE*NAME*JOHN DOE*"_s);
    }

    void misbehavingDisplays_data()
    {
        QTest::addColumn<QByteArray>("sent"); // by the odd display, then "MSG: sync", relayed as it came
        QTest::addColumn<int>("others"); // well-behaved displays connected before it
        QTest::addColumn<int>("calls");
        QTest::addColumn<QString>("seen"); // by a well-behaved display
        QTest::addColumn<int>("clients"); // at the end

        QTest::newRow("1 MiB line") << QByteArray(1024 * 1024, 'x') + "\n" << 1 << 1 << u"MSG: sync / CID"_s << 2;
        QByteArray garbage;
        for (int i = 0; i < 1024; ++i)
            garbage += char(i * 37 % 256);
        QTest::newRow("garbage bytes") << garbage + "\n\xff\xfe\r\n" << 1 << 1 << u"MSG: sync / CID"_s << 2;
        QTest::newRow("calls from a display are not taken")
            << "CID: *DATE*12062026*TIME*0815*NMBR*666*NAME*FAKE*\nHUP: *NMBR*666*\n+CID: *NMBR*666*\n"_ba << 1 << 1
            << u"MSG: sync / CID"_s << 2;
        // Lines of some 330 bytes: about 3 MiB for a display that stopped reading.
        QTest::newRow("a display that never reads") << QByteArray() << 1 << 10000 << u"CID x10000"_s << 1;
        QTest::newRow("101st display refused") << QByteArray() << 100 << 1 << u"CID"_s << 100;
    }

    void misbehavingDisplays()
    {
        QFETCH(QByteArray, sent);
        QFETCH(int, others);
        QFETCH(int, calls);
        QFETCH(QString, seen);
        QFETCH(int, clients);
        const bool neverReads = QTest::currentDataTag() == "a display that never reads"_ba;

        Sharing sharing(0, 0);
        NcidServer& server = sharing.server;
        std::vector<std::unique_ptr<Display>> displays;
        for (int i = 0; i < others; ++i)
            displays.push_back(std::make_unique<Display>(server.serverPort()));
        QTRY_COMPARE_WITH_TIMEOUT(server.clientCount(), others, 20000);
        Display odd(server.serverPort(), neverReads ? 1024 : 0);
        if (others == NcidServer::maxClients) {
            QVERIFY(odd.waitFor(u"MSG: Too many displays"_s));
            QTRY_COMPARE(odd.socket.state(), QAbstractSocket::UnconnectedState);
        } else {
            QTRY_COMPARE(server.clientCount(), others + 1);
        }
        Display& display = *displays.front();
        QVERIFY(display.waitFor(u"300"_s));

        if (!sent.isEmpty()) {
            odd.socket.write(sent + "MSG: sync\n");
            QVERIFY(display.waitFor(u"MSG: sync"_s));
        }
        const NcidFields big
            = ncidCallFields(u"06/12"_s, u"14:32"_s, u"555-123-4567"_s, QString(256, u'N'), QDateTime());
        for (int i = 0; i < calls; ++i) {
            server.sendCall(calls > 1 ? big : call, false);
            if (i % 100 == 99)
                QCoreApplication::processEvents();
        }
        QVERIFY(display.waitFor(u"CID:"_s, calls));
        QCOMPARE(live(display), seen);
        QCOMPARE(server.clientCount(), clients);
    }

    void clientTakesLinesAndReconnects()
    {
        // A port nobody listens on, for now.
        QTcpServer peer;
        QVERIFY(peer.listen(QHostAddress::LocalHost, 0));
        const quint16 port = peer.serverPort();
        peer.close();

        NcidClient client;
        QSignalSpy connected(&client, &NcidClient::connected);
        QSignalSpy disconnected(&client, &NcidClient::disconnected);
        QStringList received;
        connect(&client, &NcidClient::lineReceived, this, [&](const NcidLine& line, const QString& text) {
            received.append(QString::number(int(line.kind)) + u' ' + text);
        });
        client.start(u"127.0.0.1"_s, port);
        QList<int> waits;
        for (int i = 0; i < 9; ++i) {
            if (i > 0)
                client.retryNow();
            QTRY_VERIFY(client.retryWaitMs() > 0);
            waits.append(client.retryWaitMs() / 1000);
        }
        QCOMPARE(waits, (QList<int> { 1, 2, 4, 8, 16, 32, 60, 60, 60 }));

        // The server comes up: the next attempt connects and says hello after 210.
        QVERIFY(peer.listen(QHostAddress::LocalHost, port));
        client.retryNow();
        QVERIFY(peer.waitForNewConnection(20000));
        QTcpSocket* server = peer.nextPendingConnection();
        QTRY_COMPARE(connected.size(), 1);
        server->write("200 Server: peer\n210 API 1.0 Feature Set 1\n");
        QTRY_VERIFY(server->bytesAvailable() > 0 && server->canReadLine());
        QVERIFY(server->readLine().startsWith("HELLO: IDENT: "));
        server->write("CIDLOG: *NMBR*1*\r\n250 End of call log\n300 End of connection startup\n+CID: *NMBR*2*\n"
                      "OPT: x\nCID: *NMBR*3*\n");
        QTRY_COMPARE(received.size(), 8);
        QCOMPARE(received.join(u" / "_s),
                 u"9 200 Server: peer / 9 210 API 1.0 Feature Set 1 / 3 CIDLOG: *NMBR*1* / 9 250 End of call log / "
                 "9 300 End of connection startup / 10 +CID: *NMBR*2* / 11 OPT: x / 1 CID: *NMBR*3*"_s);

        // A server that went through its start-up resets the wait to 1 s.
        server->close();
        QTRY_COMPARE(disconnected.size(), 1);
        QTRY_COMPARE(client.retryWaitMs(), 1000);
        client.stop();
        QCOMPARE(client.retryWaitMs(), 0);
        QCOMPARE(disconnected.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestNcidPeers)
#include "tst_ncidpeers.moc"

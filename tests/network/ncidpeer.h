// SPDX-License-Identifier: GPL-2.0-or-later
// A display on loopback, as the protocol's clients behave: connects, collects
// the lines it is sent, sends what it is told.
#pragma once

#include "network/ncidcall.h"
#include "network/ncidserver.h"
#include "support/appdir.h"
#include "support/fakeclock.h"
#include "support/sqlfile.h"

#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

#include <memory>
#include <sys/socket.h>

namespace Quillon::Test {

struct Display
{
    QTcpSocket socket;
    QStringList lines;
    QByteArray partial;

    // readBuffer other than 0: a display that never reads.
    explicit Display(quint16 port, qint64 readBuffer = 0)
    {
        socket.setReadBufferSize(readBuffer);
        QObject::connect(&socket, &QIODevice::readyRead, &socket, [this] {
            if (socket.readBufferSize() != 0)
                return;
            partial += socket.readAll();
            for (qsizetype lf = partial.indexOf('\n'); lf >= 0; lf = partial.indexOf('\n')) {
                lines.append(QString::fromUtf8(partial.left(lf)).remove(u'\r'));
                partial.remove(0, lf + 1);
            }
        });
        socket.connectToHost(QHostAddress::LocalHost, port);
    }
    void send(const QByteArray& bytes)
    {
        socket.write(bytes);
        socket.flush();
    }
    // Gone with a reset, as a display does that is switched off mid-call:
    // the server learns of it only when it next writes or reads.
    void reset()
    {
        const linger now { 1, 0 };
        ::setsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
        socket.abort();
    }
    int count(const QString& prefix) const { return lines.filter(QRegularExpression(u'^' + prefix)).size(); }
    bool waitFor(const QString& prefix, int n = 1)
    {
        return QTest::qWaitFor([&] { return count(prefix) >= n; }, 20000);
    }
};

// The program's server on loopback with calls stored in a database of its own.
struct Sharing
{
    AppDir dir;
    std::unique_ptr<SqlFile> history;
    FakeClock clock;
    NcidServer server { clock };
    int stored = 0;

    explicit Sharing(int logCount, int helloWaitMs = NcidServer::defaultHelloWaitMs)
    {
        dir.createDatabase();
        history = std::make_unique<SqlFile>(dir.databasePath());
        server.setHistory(NcidServer::databaseHistory([this] { return std::optional(history->db()); }));
        server.setLogCount(logCount);
        server.setHelloWaitMs(helloWaitMs);
        server.listen(QHostAddress::LocalHost, 0);
    }
    // Stored, then shared: the order in which the pipeline does both.
    void call(const QString& number)
    {
        ++stored;
        history->run(u"INSERT INTO CID (Name, Number, Date, Time, SysTime) VALUES ('CALLER %1', '%2', '06/12', "
                     u"'14:32', '2026-06-12 14:32:00')"_qs.arg(stored)
                         .arg(number));
        server.sendCall(ncidCallFields(u"06/12"_qs, u"14:32"_qs, number, u"CALLER"_qs, QDateTime()), false);
    }
};

} // namespace Quillon::Test

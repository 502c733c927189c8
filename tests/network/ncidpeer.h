// SPDX-License-Identifier: GPL-2.0-or-later
// A display on loopback, as the protocol's clients behave: connects, collects
// the lines it is sent, sends what it is told.
#pragma once

#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

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

} // namespace Quillon::Test

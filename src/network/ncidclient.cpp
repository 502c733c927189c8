// SPDX-License-Identifier: GPL-2.0-or-later
#include "network/ncidclient.h"

#include "platform/appinfo.h"

#include <QTcpSocket>
#include <QTimer>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace Quillon {

namespace {

constexpr int firstWaitMs = 1000;
constexpr int longestWaitMs = 60 * 1000;
// A server that neither accepts nor refuses (a host gone from the network)
// would otherwise hold an attempt for minutes.
constexpr int connectTimeoutMs = 10 * 1000;
constexpr qint64 socketReadBuffer = 64 * 1024;

void detectVanishedServer(qintptr descriptor, const NcidClient::Liveness& liveness)
{
    const int fd = static_cast<int>(descriptor);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &liveness.idleS, sizeof liveness.idleS);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &liveness.intervalS, sizeof liveness.intervalS);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &liveness.probes, sizeof liveness.probes);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &liveness.unacknowledgedMs, sizeof liveness.unacknowledgedMs);
}

} // namespace

NcidClient::NcidClient(QObject* parent)
    : QObject(parent)
    , m_socket(new QTcpSocket(this))
    , m_retry(new QTimer(this))
    , m_connectTimeout(new QTimer(this))
{
    m_socket->setReadBufferSize(socketReadBuffer);
    m_retry->setSingleShot(true);
    m_connectTimeout->setSingleShot(true);
    m_connectTimeout->setInterval(connectTimeoutMs);
    connect(m_retry, &QTimer::timeout, this, &NcidClient::attempt);
    connect(m_connectTimeout, &QTimer::timeout, this, [this] {
        m_socket->abort();
        scheduleRetry();
    });
    connect(m_socket, &QAbstractSocket::connected, this, [this] {
        m_connectTimeout->stop();
        m_wasConnected = true;
        detectVanishedServer(m_socket->socketDescriptor(), m_liveness);
        Q_EMIT connected();
    });
    connect(m_socket, &QAbstractSocket::disconnected, this, &NcidClient::onDisconnected);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, [this] {
        // A failed attempt ends here; a live connection that fails ends in
        // disconnected() as well, which onDisconnected handles once.
        if (m_socket->state() == QAbstractSocket::UnconnectedState)
            onDisconnected();
    });
    connect(m_socket, &QIODevice::readyRead, this, &NcidClient::readLines);
}

NcidClient::~NcidClient()
{
    m_running = false;
    m_socket->disconnect(this);
    m_socket->abort();
}

void NcidClient::start(const QString& host, quint16 port)
{
    stop();
    m_host = host;
    m_port = port;
    m_running = true;
    m_nextWaitMs = firstWaitMs;
    attempt();
}

void NcidClient::stop()
{
    const bool wasRunning = m_running;
    m_running = false;
    m_retry->stop();
    m_connectTimeout->stop();
    m_socket->abort();
    if (wasRunning && m_wasConnected) {
        m_wasConnected = false;
        Q_EMIT disconnected();
    }
    m_wasConnected = false;
}

bool NcidClient::isConnected() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

int NcidClient::retryWaitMs() const
{
    return m_retry->isActive() ? m_retry->interval() : 0;
}

void NcidClient::retryNow()
{
    if (!m_retry->isActive())
        return;
    m_retry->stop();
    attempt();
}

void NcidClient::attempt()
{
    if (!m_running)
        return;
    m_reader = NcidLineReader();
    m_socket->abort();
    m_connectTimeout->start();
    m_socket->connectToHost(m_host, m_port);
}

void NcidClient::scheduleRetry()
{
    if (!m_running || m_retry->isActive())
        return;
    m_retry->start(m_nextWaitMs);
    m_nextWaitMs = qMin(m_nextWaitMs * 2, longestWaitMs);
}

void NcidClient::onDisconnected()
{
    m_connectTimeout->stop();
    if (m_wasConnected) {
        m_wasConnected = false;
        Q_EMIT disconnected();
    }
    scheduleRetry();
}

void NcidClient::readLines()
{
    m_reader.append(m_socket->readAll());
    QByteArray bytes;
    while (m_running && m_reader.next(bytes)) {
        const NcidLine line = decodeNcidLine(bytes);
        if (line.kind == NcidLine::Kind::Status && line.status == 210) {
            m_socket->write(QByteArrayLiteral("HELLO: IDENT: ") + programTitle().toUtf8() + ' ' + versionText().toUtf8()
                            + '\n');
        } else if (line.kind == NcidLine::Kind::Status && line.status == 300) {
            // A server that got this far is a working one.
            m_nextWaitMs = firstWaitMs;
        }
        Q_EMIT lineReceived(line, ncidText(bytes));
    }
}

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
#include "network/ncidserver.h"

#include "network/ncidcall.h"
#include "platform/appinfo.h"
#include "platform/clock.h"

#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <utility>

namespace Quillon {

namespace {

// Kernel buffers of their own would hide a display that stopped reading for
// several megabytes; kept small, the backlog bound means what it says.
constexpr int socketSendBuffer = 64 * 1024;
// Bytes taken from one display per read, so that a flood cannot hold the
// event loop.
constexpr qint64 socketReadBuffer = 64 * 1024;
// The log goes out a page of calls at a time, whenever less than this waits
// for the display.
constexpr qint64 logLowWaterBytes = 32 * 1024;
constexpr int logPageCalls = 100;

QDateTime storedTime(const StoredCall& call, const QDateTime& fallback)
{
    const QDateTime when = QDateTime::fromString(call.SysTime, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return when.isValid() ? when : fallback;
}

} // namespace

struct NcidServer::Client
{
    QTcpSocket* socket = nullptr;
    NcidLineReader reader;
    QTimer* helloTimer = nullptr;
    bool starting = true; // before the 300 line
    bool noLog = false;
    // Dropped: nothing more goes to it, and it is deleted from the event
    // loop, never inside a call that may still be using it.
    bool closing = false;
    // Messages relayed in the current second, and whether the burst that
    // goes past the limit has been reported.
    QDateTime relayWindow;
    int relayed = 0;
    bool dropping = false;
    bool droppedThisWindow = false;
    // The log being written as the display takes it: row ids after logAfter
    // up to logLast are still to go.
    bool logging = false;
    bool inSendLog = false;
    qint64 logAfter = 0;
    qint64 logLast = 0;
    // Lines that came while it was starting, calls marked as such.
    QList<std::pair<QByteArray, bool>> heldBack;
    qint64 heldBackBytes = 0;
};

NcidServer::NcidServer(Clock& clock, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
{
    connect(&m_listener, &QTcpServer::newConnection, this, &NcidServer::acceptClients);
    // Real servers say ringing stopped some 6 to 12 s after the last ring.
    m_ringEnd = new QTimer(this);
    m_ringEnd->setSingleShot(true);
    m_ringEnd->setInterval(8000);
    connect(m_ringEnd, &QTimer::timeout, this, [this] {
        m_rings = 0;
        sendRing(0);
    });
}

NcidServer::~NcidServer()
{
    close();
}

bool NcidServer::listen(const QHostAddress& address, quint16 port)
{
    close();
    return m_listener.listen(address, port);
}

void NcidServer::close()
{
    m_listener.close();
    std::vector<std::unique_ptr<Client>> clients;
    clients.swap(m_clients);
    for (const auto& client : clients) {
        client->socket->disconnect(this);
        client->socket->abort();
        client->socket->deleteLater();
    }
}

int NcidServer::clientCount() const
{
    return static_cast<int>(
        std::count_if(m_clients.begin(), m_clients.end(), [](const auto& client) { return !client->closing; }));
}

NcidServer::Client* NcidServer::find(QTcpSocket* socket)
{
    const auto it = std::find_if(m_clients.begin(), m_clients.end(),
                                 [socket](const auto& client) { return client->socket == socket; });
    return it == m_clients.end() ? nullptr : it->get();
}

void NcidServer::acceptClients()
{
    while (QTcpSocket* socket = m_listener.nextPendingConnection()) {
        socket->setParent(this);
        if (clientCount() >= maxClients) {
            // Told why, so that its user does not suspect the network.
            const QDateTime now = m_clock.now();
            socket->write(encodeNcidMessage(QStringLiteral("Too many displays connected to this server (%1); "
                                                           "this one was refused.")
                                                .arg(maxClients),
                                            now.toString(QStringLiteral("MMddyyyy")),
                                            now.toString(QStringLiteral("HHmm"))));
            connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
            socket->disconnectFromHost();
            continue;
        }
        socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, socketSendBuffer);
        socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
        socket->setReadBufferSize(socketReadBuffer);

        auto client = std::make_unique<Client>();
        client->socket = socket;
        Client& added = *client;
        m_clients.push_back(std::move(client));
        const auto dropIt = [this, socket] {
            if (Client* c = find(socket))
                drop(*c);
        };
        connect(socket, &QAbstractSocket::disconnected, this, dropIt);
        connect(socket, &QAbstractSocket::errorOccurred, this, dropIt);
        connect(socket, &QIODevice::readyRead, this, [this, socket] {
            if (Client* c = find(socket))
                readFrom(*c);
        });

        if (!queue(added,
                   encodeNcidStatus(200, QString(QStringLiteral("Server: ") + programTitle() + u' ' + versionText()))
                       + encodeNcidStatus(210, u"API 1.0 Feature Set 1")))
            continue;
        if (m_helloWaitMs <= 0) {
            endStartup(added);
            continue;
        }
        added.helloTimer = new QTimer(socket);
        added.helloTimer->setSingleShot(true);
        connect(added.helloTimer, &QTimer::timeout, this, [this, socket] {
            if (Client* c = find(socket))
                endStartup(*c);
        });
        added.helloTimer->start(m_helloWaitMs);
    }
}

void NcidServer::readFrom(Client& client)
{
    client.reader.append(client.socket->readAll());
    QByteArray line;
    // A line may drop this very display (a message it cannot take back).
    while (!client.closing && client.reader.next(line))
        handleLine(client, line);
}

void NcidServer::handleLine(Client& client, const QByteArray& bytes)
{
    const NcidLine line = decodeNcidLine(bytes);
    if (line.kind == NcidLine::Kind::Hello) {
        if (!client.starting)
            return;
        if (line.text.startsWith(u"CMD:")) {
            client.noLog = line.text.mid(4).trimmed() == u"no_log";
            endStartup(client);
        }
        return;
    }
    // Whatever else it sends first, it is done saying hello.
    if (client.starting) {
        endStartup(client);
        if (client.closing)
            return;
    }
    // Only messages are taken from a display. Calls are never: this server
    // accepts none from gateways, so a CID line from a peer is ignored.
    if (line.kind == NcidLine::Kind::Message && !line.text.trimmed().isEmpty())
        relay(client, line.text);
}

void NcidServer::relay(Client& client, const QString& text)
{
    const QDateTime now = m_clock.now();
    const qint64 sinceWindow = client.relayWindow.isValid() ? client.relayWindow.msecsTo(now) : -1;
    if (sinceWindow < 0 || sinceWindow >= 1000) {
        // A whole second without drops ends a burst.
        client.dropping = client.dropping && client.droppedThisWindow && sinceWindow < 2000;
        client.relayWindow = now;
        client.relayed = 0;
        client.droppedThisWindow = false;
    }
    if (client.relayed >= maxMessagesPerSecond) {
        client.droppedThisWindow = true;
        if (!std::exchange(client.dropping, true))
            Q_EMIT messagesDropped(client.socket->peerAddress().toString() + u':'
                                   + QString::number(client.socket->peerPort()));
        return;
    }
    ++client.relayed;
    broadcast(encodeNcidMessage(text, now.toString(QStringLiteral("MMddyyyy")), now.toString(QStringLiteral("HHmm"))),
              false);

    // The same text again within a minute is relayed but not reported, so
    // that repeats cannot fill the activity log.
    if (!m_reportedSince.isValid() || m_reportedSince.secsTo(now) >= 60 || m_reportedSince.secsTo(now) < 0) {
        for (auto it = m_reported.begin(); it != m_reported.end();)
            it = std::abs(it.value().secsTo(now)) >= 60 ? m_reported.erase(it) : std::next(it);
        m_reportedSince = now;
    }
    const auto seen = m_reported.constFind(text);
    if (seen != m_reported.cend() && std::abs(seen.value().secsTo(now)) < 60)
        return;
    m_reported.insert(text, now);
    Q_EMIT messageRelayed(text);
}

void NcidServer::endStartup(Client& client)
{
    if (!client.starting || client.closing || client.logging)
        return;
    if (client.helloTimer)
        client.helloTimer->stop();

    if (client.noLog || m_logCount <= 0) {
        finishStartup(client, encodeNcidStatus(251, u"Call log not sent"));
        return;
    }
    const std::optional<std::pair<qint64, qint64>> rows
        = m_history.range ? m_history.range(m_logCount) : std::optional<std::pair<qint64, qint64>>();
    if (!rows || !m_history.page) {
        finishStartup(client, encodeNcidStatus(253, u"No call log"));
        return;
    }
    if (rows->second <= 0) {
        finishStartup(client, encodeNcidStatus(252, u"Call log empty"));
        return;
    }
    // Calls are stored before they are shared: the newest held back are in
    // the log already, and are not sent twice. Those that come from now on
    // are not in it, and wait for its end.
    int inLog = m_logCount;
    for (qsizetype i = client.heldBack.size() - 1; i >= 0 && inLog > 0; --i) {
        if (client.heldBack.at(i).second) {
            client.heldBackBytes -= client.heldBack.at(i).first.size();
            client.heldBack.removeAt(i);
            --inLog;
        }
    }
    client.logging = true;
    client.logAfter = rows->first - 1;
    client.logLast = rows->second;
    QTcpSocket* socket = client.socket;
    connect(socket, &QIODevice::bytesWritten, this, [this, socket] {
        if (Client* c = find(socket))
            sendLog(*c);
    });
    sendLog(client);
}

void NcidServer::sendLog(Client& client)
{
    // Written a page at a time as the display takes it, so that neither
    // memory nor its backlog grows with the size of the log.
    if (!client.logging || client.closing || client.inSendLog)
        return;
    client.inSendLog = true;
    const QDateTime now = m_clock.now();
    while (!client.closing && client.socket->bytesToWrite() < logLowWaterBytes) {
        const std::optional<QList<StoredCall>> calls = client.logAfter < client.logLast
            ? m_history.page(client.logAfter, client.logLast, logPageCalls)
            : std::optional<QList<StoredCall>>(QList<StoredCall>());
        // A log that cannot be read further ends where it is.
        if (!calls || calls->isEmpty()) {
            client.logging = false;
            finishStartup(client, encodeNcidStatus(250, u"End of call log"));
            break;
        }
        QByteArray lines;
        for (const StoredCall& call : *calls) {
            lines += encodeNcidLine(
                call.Rejected ? u"HUPLOG" : u"CIDLOG",
                ncidCallFields(call.Date, call.Time, ncidNumber(call.Number), call.Name, storedTime(call, now)));
        }
        client.logAfter = calls->last().RowId;
        queue(client, lines);
    }
    client.inSendLog = false;
}

void NcidServer::finishStartup(Client& client, const QByteArray& log)
{
    client.starting = false;
    QByteArray startup = log + encodeNcidStatus(300, u"End of connection startup");
    for (const auto& [line, isCall] : std::exchange(client.heldBack, {}))
        startup += line;
    client.heldBackBytes = 0;
    queue(client, startup);
}

NcidServer::History NcidServer::databaseHistory(std::function<std::optional<QSqlDatabase>()> connection)
{
    History history;
    history.range = [connection](int count) -> std::optional<std::pair<qint64, qint64>> {
        const std::optional<QSqlDatabase> db = connection();
        if (!db)
            return std::nullopt;
        QString error;
        const std::pair<qint64, qint64> rows = newestCallRows(*db, count, &error);
        return error.isEmpty() ? std::optional(rows) : std::nullopt;
    };
    history.page = [connection](qint64 after, qint64 last, int count) -> std::optional<QList<StoredCall>> {
        const std::optional<QSqlDatabase> db = connection();
        if (!db)
            return std::nullopt;
        QString error;
        QList<StoredCall> calls = storedCallsAfter(*db, after, last, count, &error);
        return error.isEmpty() ? std::optional(calls) : std::nullopt;
    };
    return history;
}

bool NcidServer::queue(Client& client, const QByteArray& bytes)
{
    if (client.closing)
        return false;
    QTcpSocket* socket = client.socket;
    socket->write(bytes);
    // Handed to the kernel now, without waiting: the event loop may not run
    // again before the modem's re-initialisation is over. What still waits
    // is this display's own doing. A write error drops the display right
    // here, through errorOccurred.
    socket->flush();
    if (!client.closing && socket->bytesToWrite() > maxBacklogBytes)
        drop(client);
    return !client.closing;
}

void NcidServer::broadcast(const QByteArray& bytes, bool isCall)
{
    // Dropping only marks a display, so the list holds still meanwhile.
    for (const auto& client : m_clients) {
        if (client->closing)
            continue;
        if (client->starting) {
            client->heldBack.append({ bytes, isCall });
            client->heldBackBytes += bytes.size();
            if (client->heldBackBytes > maxBacklogBytes)
                drop(*client);
            continue;
        }
        queue(*client, bytes);
    }
}

void NcidServer::sendCall(const NcidFields& fields, bool hungUp)
{
    if (clientCount() == 0)
        return;
    broadcast(encodeNcidLine(hungUp ? u"HUP" : u"CID", fields), true);
}

void NcidServer::ringHeard()
{
    sendRing(++m_rings);
    m_ringEnd->start();
}

void NcidServer::setRingEndMs(int ms)
{
    m_ringEnd->setInterval(ms);
}

void NcidServer::sendRing(int ring)
{
    if (clientCount() == 0)
        return;
    broadcast(encodeNcidLine(u"CIDINFO",
                             { { QStringLiteral("LINE"), QStringLiteral("-") },
                               { QStringLiteral("RING"), QString::number(ring) },
                               { QStringLiteral("TIME"), m_clock.now().toString(QStringLiteral("HH:mm:ss")) } }),
              false);
}

void NcidServer::drop(Client& client)
{
    if (client.closing)
        return;
    client.closing = true;
    client.socket->disconnect(this);
    if (client.helloTimer)
        client.helloTimer->stop();
    if (!m_reapPending) {
        m_reapPending = true;
        QMetaObject::invokeMethod(this, &NcidServer::reap, Qt::QueuedConnection);
    }
}

void NcidServer::reap()
{
    m_reapPending = false;
    std::vector<std::unique_ptr<Client>> closed;
    const auto kept = std::stable_partition(m_clients.begin(), m_clients.end(),
                                            [](const auto& client) { return !client->closing; });
    std::move(kept, m_clients.end(), std::back_inserter(closed));
    m_clients.erase(kept, m_clients.end());
    for (const auto& client : closed) {
        client->socket->abort();
        client->socket->deleteLater();
    }
}

} // namespace Quillon

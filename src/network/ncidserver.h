// SPDX-License-Identifier: GPL-2.0-or-later
// Shares calls with displays on the network: a caller-ID server speaking the
// line protocol (Feature Set 1) on the UI thread's event loop. Nothing here
// ever waits for a peer: a display that falls behind is dropped instead.
#pragma once

#include "network/ncidline.h"
#include "records/storedcalls.h"

#include <QDateTime>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTcpSocket;
class QTimer;

namespace Quillon {

class Clock;

class NcidServer final : public QObject
{
    Q_OBJECT

public:
    // The stored calls sent at connect, read a page at a time; each gives
    // nothing when the calls cannot be read.
    struct History
    {
        // Row ids of the oldest and newest of the newest count calls; both 0
        // when none is stored.
        std::function<std::optional<std::pair<qint64, qint64>>(int count)> range;
        // Calls with row ids above after and at most last, oldest first.
        std::function<std::optional<QList<StoredCall>>(qint64 after, qint64 last, int count)> page;
    };
    // A history read from a database; connection() gives nothing while it
    // is closed.
    static History databaseHistory(std::function<std::optional<QSqlDatabase>()> connection);

    static constexpr int maxClients = 100;
    // Output waiting for one display beyond which it is dropped.
    static constexpr qint64 maxBacklogBytes = 1024 * 1024;
    // Messages relayed from one display per second; more are dropped.
    static constexpr int maxMessagesPerSecond = 5;

    explicit NcidServer(Clock& clock, QObject* parent = nullptr);
    ~NcidServer() override;
    Q_DISABLE_COPY_MOVE(NcidServer)

    // Stops any earlier listening (dropping its displays) and listens anew.
    // False when the port cannot be had; errorString() says why.
    bool listen(const QHostAddress& address, quint16 port);
    void close();
    bool isListening() const { return m_listener.isListening(); }
    quint16 serverPort() const { return m_listener.serverPort(); }
    QString errorString() const { return m_listener.errorString(); }

    void setHistory(History history) { m_history = std::move(history); }
    // Calls sent at connect; 0 sends none.
    void setLogCount(int count) { m_logCount = count; }
    // How long a new display has for its HELLO lines before the log goes
    // out; 0 sends the log at once. Displays send them as soon as they are
    // connected, so the default is short: one that sends none is never held
    // up noticeably.
    void setHelloWaitMs(int ms) { m_helloWaitMs = ms; }
    static constexpr int defaultHelloWaitMs = 50;

    // A processed call to every display: CID, or HUP when it was hung up on.
    void sendCall(const NcidFields& fields, bool hungUp);
    // Displays connected and not being dropped.
    int clientCount() const;
    // A ring to every display: CIDINFO with its number in the call, and
    // RING 0 once no ring came for ringEndMs.
    void ringHeard();
    void setRingEndMs(int ms);

Q_SIGNALS:
    // A display sent a message; it has been relayed to every display. Not
    // sent again for the same text within a minute.
    void messageRelayed(const QString& text);
    // A display sends messages faster than they are relayed; once per burst.
    void messagesDropped(const QString& peer);

private:
    struct Client;

    void acceptClients();
    void readFrom(Client& client);
    void handleLine(Client& client, const QByteArray& bytes);
    void relay(Client& client, const QString& text);
    void sendRing(int ring);
    // Ends the HELLO wait: the log starts, or its status goes out at once.
    void endStartup(Client& client);
    void sendLog(Client& client);
    // The log's last status line, 300, and what was held back meanwhile.
    void finishStartup(Client& client, const QByteArray& log);
    // Queues bytes for one display; false when it fell too far behind.
    bool queue(Client& client, const QByteArray& bytes);
    // Queues bytes for every display that is past its start-up, and holds
    // them back for the others.
    void broadcast(const QByteArray& bytes, bool isCall);
    // Marks a display as closing; reap() deletes it from the event loop.
    void drop(Client& client);
    void reap();
    Client* find(QTcpSocket* socket);

    Clock& m_clock;
    QTcpServer m_listener;
    std::vector<std::unique_ptr<Client>> m_clients;
    History m_history;
    int m_logCount = 100;
    int m_helloWaitMs = defaultHelloWaitMs;
    bool m_reapPending = false;
    QTimer* m_ringEnd = nullptr;
    int m_rings = 0;
    QHash<QString, QDateTime> m_reported; // message texts and when last reported
    QDateTime m_reportedSince; // when m_reported was last pruned
};

} // namespace Quillon

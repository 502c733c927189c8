// SPDX-License-Identifier: GPL-2.0-or-later
// Receives calls from a caller-ID server on the network: one connection,
// kept up by itself with a growing wait between attempts.
#pragma once

#include "network/ncidline.h"

#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;

namespace Quillon {

class NcidClient final : public QObject
{
    Q_OBJECT

public:
    // A server that vanished without closing (power cut, cable) sends
    // nothing, and a display sends nothing either: the kernel's keep-alive
    // probes find out, after idleS of silence, one every intervalS, probes
    // unanswered. The user timeout covers data of ours that nobody
    // acknowledges. Both well within a minute.
    struct Liveness
    {
        int idleS = 15;
        int intervalS = 10;
        int probes = 4;
        unsigned unacknowledgedMs = 55 * 1000;
    };

    explicit NcidClient(QObject* parent = nullptr);
    ~NcidClient() override;
    Q_DISABLE_COPY_MOVE(NcidClient)

    // Connects now and again whenever the connection drops, until stop().
    void start(const QString& host, quint16 port);
    void stop();
    bool isRunning() const { return m_running; }
    bool isConnected() const;
    QString host() const { return m_host; }
    quint16 port() const { return m_port; }

    // The wait before the next attempt in ms, 0 when none is pending. It
    // doubles from 1 s with every failed attempt, up to 60 s, and starts
    // again at 1 s once a server has completed its start-up.
    int retryWaitMs() const;
    // Makes the pending attempt now.
    void retryNow();
    // For connections made after the call.
    void setLiveness(const Liveness& liveness) { m_liveness = liveness; }

Q_SIGNALS:
    void connected();
    // A connection that was up went down; not sent for failed attempts.
    void disconnected();
    // Every line from the server; text is the line as received.
    void lineReceived(const Quillon::NcidLine& line, const QString& text);

private:
    void attempt();
    void scheduleRetry();
    void readLines();
    void onDisconnected();

    QTcpSocket* m_socket = nullptr;
    QTimer* m_retry = nullptr;
    QTimer* m_connectTimeout = nullptr;
    NcidLineReader m_reader;
    Liveness m_liveness;
    QString m_host;
    quint16 m_port = 0;
    bool m_running = false;
    bool m_wasConnected = false;
    int m_nextWaitMs = 1000;
};

} // namespace Quillon

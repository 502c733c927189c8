// SPDX-License-Identifier: GPL-2.0-or-later
// The program's place on the network: shares every processed call with the
// displays in the house, and, when chosen, takes calls from a caller-ID
// server instead of the modem.
#pragma once

#include "config/networksettings.h"
#include "network/ncidclient.h"
#include "network/ncidserver.h"
#include "reception/callpipeline.h"
#include "reception/reportparser.h"

#include <QHash>
#include <QObject>

namespace Quillon {

class ActivityLog;
class CallDatabase;
class Clock;
class MdmCmd;
class MessageBoxes;

class NetworkService final : public QObject
{
    Q_OBJECT

public:
    NetworkService(const QString& iniPath, ProcessCid& pipeline, CallDatabase& database, MdmCmd& modem,
                   ActivityLog& log, Clock& clock, MessageBoxes& boxes, QObject* parent = nullptr);
    ~NetworkService() override;
    Q_DISABLE_COPY_MOVE(NetworkService)

    // Reads [Network] and applies it: the start-up of sharing and receiving.
    void load();
    // The working values, as the Network window edits them.
    NetworkSettings& settings() { return m_settings; }
    // Stores the working values and applies them at once: the server is
    // started, stopped or moved, the call source switched.
    void save();
    void apply();

    // Calls come from the network server rather than the modem.
    bool receiving() const { return m_settings.Receive; }
    // Start and Suspend while receiving: the connection to the server.
    void startReceiving();
    void stopReceiving();

    NcidServer& server() { return m_server; }
    NcidClient& client() { return m_client; }

    // Past calls from the server's log not stored yet.
    qsizetype pastCallsPending() const { return m_pastCalls.size(); }

    // Every processed call goes to the displays.
    void callProcessed(const CidCall& call, bool hungUp);

private:
    void applySharing();
    void applySource();
    void onLine(const NcidLine& line, const QString& text);
    QString serverName() const;
    QString connectingText() const;

    QString m_iniPath;
    ProcessCid& m_pipeline;
    CallDatabase& m_database;
    MdmCmd& m_modem;
    ActivityLog& m_log;
    Clock& m_clock;
    MessageBoxes& m_boxes;
    NcidServer m_server;
    NcidClient m_client;
    NetworkSettings m_settings;
    NetworkSettings m_applied; // what the server and the source run with
    bool m_sourceApplied = false;
    void storePastCalls();

    int m_pastCallsStored = 0;
    // The server's log as it comes, stored a part at each turn of the event
    // loop, so that a long log does not hold the window.
    QList<ProcessCid::MissedCall> m_pastCalls;
    QHash<QString, qint64> m_pastCallsKnown; // see StoreMissedCalls
    // The count asked for on this connection (0: none yet), and whether its
    // answer is in m_pastCallsKnown.
    quint64 m_pastCallsCount = 0;
    bool m_pastCallsCounted = false;
    bool m_pastCallsQueued = false;
    bool m_pastCallsAwaitStore = false; // the next part waits for the storage thread
    bool m_pastCallsLogEnded = false; // the log line waits until they are stored
    // How often each past call came in the server's log since connecting:
    // two identical lines are two calls.
    QHash<QString, int> m_pastCallsSeen;
};

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
#include "network/networkservice.h"

#include "network/ncidcall.h"
#include "platform/clock.h"
#include "platform/messageboxes.h"
#include "reception/callpipeline.h"
#include "reception/modemchannel.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"
#include "records/callstore.h"
#include "records/storedcalls.h"

#include <QTimer>

#include <utility>

namespace Quillon {

namespace {

// Past calls stored at one turn of the event loop: a few tens of ms.
constexpr qsizetype pastCallsPerTurn = 200;
// The longest a display's log waits for a lock, each page.
constexpr int historyBudgetMs = 50;

} // namespace

NetworkService::NetworkService(const QString& iniPath, ProcessCid& pipeline, CallDatabase& database, MdmCmd& modem,
                               ActivityLog& log, Clock& clock, MessageBoxes& boxes, QObject* parent)
    : QObject(parent)
    , m_iniPath(iniPath)
    , m_pipeline(pipeline)
    , m_database(database)
    , m_modem(modem)
    , m_log(log)
    , m_clock(clock)
    , m_boxes(boxes)
    , m_server(clock)
{
    const NcidServer::History history = NcidServer::databaseHistory([this]() -> std::optional<QSqlDatabase> {
        if (!m_database.isOpen())
            return std::nullopt;
        return m_database.connection();
    });
    // A file another program holds locked makes a display go without its
    // log (or the rest of it) rather than freeze the window.
    m_server.setHistory({ [this, range = history.range](int count) {
                             CallDatabase::BusyBudget budget(m_database, historyBudgetMs);
                             return range(count);
                         },
                          [this, page = history.page](qint64 after, qint64 last, int count) {
                              CallDatabase::BusyBudget budget(m_database, historyBudgetMs);
                              return page(after, last, count);
                          } });
    connect(&m_server, &NcidServer::messageRelayed, this,
            [this](const QString& text) { m_log.log(QStringLiteral("Network message - ") + text); });
    connect(&m_server, &NcidServer::messagesDropped, this, [this](const QString& peer) {
        m_log.log(QStringLiteral("Network messages from ") + peer
                  + QStringLiteral(" dropped: more than %1 a second").arg(NcidServer::maxMessagesPerSecond));
    });
    connect(&m_database.store(), &CallStore::idle, this, [this] {
        if (std::exchange(m_pastCallsAwaitStore, false))
            QTimer::singleShot(1, this, &NetworkService::storePastCalls);
    });
    connect(&m_database.store(), &CallStore::sameCallsCounted, this,
            [this](quint64 token, const QHash<QString, qint64>& counts, const QString& error) {
                // An answer for an earlier connection misses what it stored since.
                if (token != m_pastCallsCount || m_pastCallsCounted)
                    return;
                if (error.isEmpty()) {
                    m_pastCallsCounted = true;
                    m_pastCallsKnown = counts;
                } else {
                    // Unreadable now: the next connect sends them again.
                    m_pastCalls.clear();
                    m_pastCallsCount = 0;
                }
                storePastCalls();
            });
    connect(&m_client, &NcidClient::connected, this, [this] {
        m_pastCallsStored = 0;
        m_pastCallsSeen.clear();
        // The server sends its whole log again: what is left of the last
        // one is in it.
        m_pastCalls.clear();
        m_pastCallsQueued = false;
        m_pastCallsKnown.clear();
        m_pastCallsCount = 0;
        m_pastCallsCounted = false;
        m_pastCallsLogEnded = false;
        m_log.log(QStringLiteral("Connected to caller-ID server ") + serverName());
        m_modem.SetCidStatus(true);
    });
    connect(&m_client, &NcidClient::disconnected, this, [this] {
        m_log.log(QStringLiteral("Disconnected from caller-ID server ") + serverName());
        m_modem.SetCidStatus(false, connectingText());
    });
    connect(&m_client, &NcidClient::lineReceived, this, &NetworkService::onLine);
    connect(&m_pipeline, &ProcessCid::callProcessed, this, &NetworkService::callProcessed);
    connect(&m_pipeline, &ProcessCid::ringHeard, this, [this] {
        if (m_server.isListening())
            m_server.ringHeard();
    });
}

NetworkService::~NetworkService() = default;

QString NetworkService::serverName() const
{
    return m_client.host() + u':' + QString::number(m_client.port());
}

// The client tries again by itself until it is suspended.
QString NetworkService::connectingText() const
{
    return QStringLiteral("connecting to server ") + serverName() + QStringLiteral(" ...");
}

void NetworkService::load()
{
    m_settings = LoadNetworkSettings(m_iniPath);
    apply();
}

void NetworkService::save()
{
    SaveNetworkSettings(m_iniPath, m_settings);
    apply();
}

void NetworkService::apply()
{
    applySharing();
    applySource();
    m_applied = m_settings;
}

void NetworkService::applySharing()
{
    m_server.setLogCount(m_settings.ShareLog);
    if (!m_settings.Share) {
        if (m_server.isListening()) {
            m_server.close();
            m_log.log(QStringLiteral("Calls are no longer shared"));
        }
        return;
    }
    const bool moved = m_settings.SharePort != m_applied.SharePort
        || m_settings.ShareAllHosts != m_applied.ShareAllHosts || !m_applied.Share;
    if (m_server.isListening() && !moved)
        return;
    const QHostAddress address = m_settings.ShareAllHosts ? QHostAddress::Any : QHostAddress::LocalHost;
    if (m_server.listen(address, static_cast<quint16>(m_settings.SharePort))) {
        m_log.log(QStringLiteral("Sharing calls on port ") + QString::number(m_settings.SharePort)
                  + (m_settings.ShareAllHosts ? QStringLiteral(" (every address)")
                                              : QStringLiteral(" (this computer only)")));
        return;
    }
    const QString message = QStringLiteral("Share Port ") + QString::number(m_settings.SharePort)
        + QStringLiteral(" could not be opened!");
    m_log.log(message + QStringLiteral(" ") + m_server.errorString());
    m_boxes.show(message + QStringLiteral("\r") + m_server.errorString()
                     + QStringLiteral("\rCalls are not shared; choose another port in Settings, Network."),
                 QStringLiteral("Network Error"), MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::Ok);
}

void NetworkService::applySource()
{
    const bool switched = !m_sourceApplied || m_settings.Receive != m_applied.Receive;
    m_sourceApplied = true;
    if (!m_settings.Receive) {
        if (!switched)
            return;
        m_client.stop();
        if (!m_modem.modemInUse()) {
            m_modem.setModemInUse(true);
            m_modem.OpenCommPort();
            m_modem.armInitCheck();
        }
        return;
    }
    const bool moved = m_settings.ServerHost != m_applied.ServerHost || m_settings.ServerPort != m_applied.ServerPort;
    if (!switched && !moved && m_client.isRunning())
        return;
    m_modem.setModemInUse(false);
    m_modem.SetCidStatus(
        false, QStringLiteral("connecting to server %1:%2 ...").arg(m_settings.ServerHost).arg(m_settings.ServerPort));
    startReceiving();
}

void NetworkService::startReceiving()
{
    m_client.start(m_settings.ServerHost, static_cast<quint16>(m_settings.ServerPort));
}

void NetworkService::stopReceiving()
{
    m_client.stop();
}

void NetworkService::callProcessed(const CidCall& call, bool hungUp)
{
    if (m_server.isListening())
        m_server.sendCall(ncidCallFields(call.Date, call.Time,
                                         call.Digits.isEmpty() ? ncidNumber(call.Number) : call.Digits, call.Name,
                                         m_clock.now()),
                          hungUp);
}

void NetworkService::storePastCalls()
{
    m_pastCallsQueued = false;
    // The storage thread counts the calls stored already; the parts wait
    // for its answer.
    if (!m_pastCallsCounted && !m_pastCalls.isEmpty()) {
        if (m_pastCallsCount == 0)
            m_pastCallsCount = m_database.store().countSameCalls();
        m_pastCallsQueued = true;
        return;
    }
    const QList<ProcessCid::MissedCall> part = m_pastCalls.mid(0, pastCallsPerTurn);
    m_pastCalls.remove(0, part.size());
    m_pastCallsStored += m_pipeline.StoreMissedCalls(part, m_pastCallsKnown);
    if (!m_pastCalls.isEmpty()) {
        m_pastCallsQueued = true;
        // The next part once the storage thread has written this one: its
        // look-ups then never wait for a commit. A timer rather than a
        // queued call, so that the window's own timers get their turn.
        if (m_database.store().isIdle())
            QTimer::singleShot(1, this, &NetworkService::storePastCalls);
        else
            m_pastCallsAwaitStore = true;
        return;
    }
    if (std::exchange(m_pastCallsLogEnded, false) && m_pastCallsStored > 0)
        m_log.log(QStringLiteral("Past calls from the server stored: ") + QString::number(m_pastCallsStored));
}

void NetworkService::onLine(const NcidLine& line, const QString& text)
{
    switch (line.kind) {
    case NcidLine::Kind::Call:
    case NcidLine::Kind::HungUp:
        m_pipeline.ProcessNetworkCall(text, cidCallFromNcid(line), line.kind == NcidLine::Kind::HungUp);
        break;
    case NcidLine::Kind::CallLog:
    case NcidLine::Kind::HungUpLog: {
        // Past calls: the history catches up, nobody is called to the phone.
        // One the server hung up on keeps that mark here too.
        CidCall past = cidCallFromNcid(line);
        past.Rejected = line.kind == NcidLine::Kind::HungUpLog;
        const QString same = past.Date + u'\t' + past.Time + u'\t' + past.Number + u'\t'
            + callNameKey(past.Number, past.Name) + u'\t'
            + (past.When.isValid() ? QString::number(past.When.date().year()) : QString());
        m_pastCalls.append({ past, ++m_pastCallsSeen[same] });
        if (!m_pastCallsQueued) {
            m_pastCallsQueued = true;
            QMetaObject::invokeMethod(this, &NetworkService::storePastCalls, Qt::QueuedConnection);
        }
        break;
    }
    case NcidLine::Kind::Status:
        if (line.status == 250) {
            m_pastCallsLogEnded = true;
            if (!m_pastCallsQueued)
                storePastCalls();
        }
        break;
    case NcidLine::Kind::Message:
        m_log.log(QStringLiteral("Network message - ") + line.text);
        break;
    default:
        // Gateway lines, ring information and anything newer: not for us.
        break;
    }
}

} // namespace Quillon

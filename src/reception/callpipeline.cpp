// SPDX-License-Identifier: GPL-2.0-or-later
#include "reception/callpipeline.h"

#include "config/blockingsettings.h"
#include "config/numberformat.h"
#include "config/workingsettings.h"
#include "platform/clock.h"
#include "reception/modemchannel.h"
#include "reception/modemtext.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"
#include "records/callstore.h"
#include "records/storedcalls.h"
#include "records/transaction.h"

#include <algorithm>
#include <utility>

namespace Quillon {

namespace {

// The modem sends a report line by line between the rings; 2.5 s without a
// character means the burst is complete.
constexpr int settleMs = 2500;
// A line that never goes quiet (noise, or rings every 100 ms) is read all
// the same, at the latest this long after the burst began.
constexpr int maxBurstMs = 10000;
// The longest the window may wait on a database another program holds, for
// all of one call's statements together.
constexpr int databaseBudgetMs = 1000;

// Network servers pass numbers on as the telco sent them: only a run of
// digits takes the display format; anything else is shown as it came.
void formatNetworkNumber(QString& number, qint16 format)
{
    if (!number.isEmpty() && std::all_of(number.begin(), number.end(), [](QChar c) { return c.isDigit(); }))
        FormatCidNumber(number, format);
}

// The parser's values for a number the caller withheld or the line did not
// give; a network server may send none at all.
bool isWithheldNumber(const QString& number)
{
    return number.isEmpty() || number == u"ID BLOCKED" || number == u"UNKNOWN";
}

} // namespace

ProcessCid::ProcessCid(WorkingSettings& settings, MdmCmd& modem, CallDatabase& database, ActivityLog& log, Clock& clock,
                       QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_modem(modem)
    , m_database(database)
    , m_log(log)
    , m_clock(clock)
{
    connect(&m_modem, &MdmCmd::textArrived, this, &ProcessCid::OnComm);
}

void ProcessCid::setTimer1Enabled(bool enabled)
{
    if (m_timer1Enabled == enabled)
        return;
    m_timer1Enabled = enabled;
    Q_EMIT timer1Changed(enabled);
}

void ProcessCid::OnComm()
{
    const QDateTime now = m_clock.now();
    if (!m_timer1Enabled)
        m_burstStart = now;
    m_receiveSettleTime = qMin(now.addMSecs(settleMs), m_burstStart.addMSecs(maxBurstMs));
    setTimer1Enabled(true);
    readSoonIfComplete();
}

// Queued rather than run here: this may be inside the port's own report of
// new text, or inside a burst being processed.
void ProcessCid::readSoonIfComplete()
{
    if (m_readSoon || !holdsCompleteReport(m_modem.peekReceivedText()))
        return;
    m_readSoon = true;
    QMetaObject::invokeMethod(this, &ProcessCid::readIfComplete, Qt::QueuedConnection);
}

void ProcessCid::readIfComplete()
{
    m_readSoon = false;
    // A burst in hand, detection owning the port, or the modem's answer to
    // its initialisation still awaited (the answer check takes the call's
    // text along, and would find no answer left): the settle time decides.
    if (!m_timer1Enabled || m_reading || m_modem.detectionInProgress() || m_modem.timer2Enabled())
        return;
    if (holdsCompleteReport(m_modem.peekReceivedText()))
        readBurst();
}

void ProcessCid::timer1Tick()
{
    if (!m_timer1Enabled || m_clock.now() < m_receiveSettleTime)
        return;
    // Detection reads the modem's answers itself during its waits; a burst
    // read here would take them away from it.
    if (m_modem.detectionInProgress() || m_reading)
        return;
    readBurst();
}

void ProcessCid::finishBurst()
{
    if (!m_timer1Enabled || m_reading || m_modem.detectionInProgress())
        return;
    // Rings and the answers to the program's last commands are no call: they
    // would only be logged after the program said it was ending.
    CidCall call;
    if (ParseCidReport(m_modem.peekReceivedText(), m_settings.NmbrLngth, call))
        readBurst();
}

void ProcessCid::readBurst()
{
    // Off before processing: call text kept while it runs starts a new burst.
    setTimer1Enabled(false);
    // Suspended within the settle time, with no call text kept: nothing to read.
    const bool portOpen = m_modem.isPortOpen();
    qint64 dropped = 0;
    const QString text = m_modem.takeReceivedText(&dropped);
    if (!portOpen && text.isEmpty())
        return;
    m_droppedBeforeBurst = dropped;
    m_reading = true;
    ProcessCidReport(text);
    m_reading = false;
    // A whole report that came in meanwhile is not kept waiting either.
    if (m_timer1Enabled)
        readSoonIfComplete();
}

/*!
 * Handles one burst of received text. Every step runs whatever became of the
 * one before: a call that could not be translated, checked or stored is still
 * shown, and the modem is re-initialised in every case.
 */
void ProcessCid::ProcessCidReport(const QString& text)
{
    // The modem answering the program's own commands is no call: no ring.
    if (holdsOnlyModemAnswers(text))
        return;
    const QStringList lines = QString(text).replace(u'\r', u'\n').split(u'\n');
    for (const QString& line : lines) {
        if (line.trimmed() == u"RING")
            Q_EMIT ringHeard();
    }
    if (m_settings.RingIn)
        Q_EMIT ringRequested();
    m_modem.setReportInProgress(true);
    const qint64 dropped = std::exchange(m_droppedBeforeBurst, 0);
    m_log.log(QStringLiteral("Telco Info - ")
              + (dropped > 0 ? QStringLiteral("[... %1 earlier characters dropped ...]").arg(dropped) : QString())
              + ActivityLog::excerpt(text));

    if (!ParseCidReport(text, m_settings.NmbrLngth, m_call)) {
        m_modem.ClearModemInput();
        m_modem.setReportInProgress(false);
        return;
    }

    m_call.Digits = m_call.Number;
    FormatCidNumber(m_call.Number, m_settings.Format);
    CallDatabase::BusyBudget budget(m_database, databaseBudgetMs);
    bool allowed = false;
    const bool allowListRead = translate(m_call, &allowed);
    const QString reason = rejectReason(m_call, allowListRead ? std::optional<bool>(allowed) : std::nullopt);
    const bool rejected = !reason.isEmpty();
    // Hanging up is the call source's job; the database only knows the list.
    if (rejected)
        m_modem.RejectCall(reason);
    showAndStore(rejected);
    m_modem.setReportInProgress(false);
    m_modem.ReinitModem();
    Q_EMIT reportDone();
}

void ProcessCid::ProcessNetworkCall(const QString& text, const CidCall& call, bool blockedByServer)
{
    if (m_settings.RingIn)
        Q_EMIT ringRequested();
    m_log.log(QStringLiteral("Telco Info - ") + ActivityLog::excerpt(text));
    m_call = call;
    m_call.Digits = m_call.Number;
    formatNetworkNumber(m_call.Number, m_settings.Format);
    CallDatabase::BusyBudget budget(m_database, databaseBudgetMs);
    bool allowed = false;
    translate(m_call, &allowed);
    QString entry;
    const bool listed = isListed(m_call, allowed, &entry);
    if (blockedByServer)
        m_log.log(QStringLiteral("Call Rejected by the server"));
    else if (listed)
        m_log.log(QStringLiteral("Call Rejected (not hung up: calls come from the network)"));
    showAndStore(blockedByServer);
    Q_EMIT reportDone();
}

int ProcessCid::StoreMissedCalls(const QList<MissedCall>& calls, QHash<QString, qint64>& stored)
{
    if (calls.isEmpty() || !m_database.isOpen())
        return 0;
    CallDatabase::BusyBudget budget(m_database, databaseBudgetMs);
    // One read for the part's look-ups: a commit of the storage thread holds
    // up the first of them at most, not each.
    const Transaction lookups(m_database.connection());
    QList<NewCall> added;
    for (const MissedCall& missed : calls) {
        CidCall call = missed.call;
        formatNetworkNumber(call.Number, m_settings.Format);
        // Stored under the name shown for it, so it is compared under that name.
        translate(call);
        const QDateTime when = call.When.isValid() ? call.When : m_clock.now();
        const int year = callYear(call.Date, when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        qint64& same = stored[sameCallKey(call.Date, call.Time, call.Number, call.Name, year)];
        if (same >= missed.occurrence)
            continue;
        ++same;
        added.append({ call.Name, call.Number, call.Date, call.Time, when, call.Rejected });
    }
    m_database.store().StoreCalls(added);
    return static_cast<int>(added.size());
}

bool ProcessCid::translate(CidCall& call, bool* allowed)
{
    QString error;
    call.Name = m_database.TranslateCaller(call.Name, call.Number, &error, allowed);
    if (!error.isEmpty())
        m_log.log(QStringLiteral("Translate list skipped (") + error + QStringLiteral(")"));
    return error.isEmpty();
}

bool ProcessCid::isListed(const CidCall& call, bool allowed, QString* entry)
{
    QString error;
    const bool listed = m_database.CheckReject(call.Name, call.Number, &error, entry, allowed);
    if (!error.isEmpty())
        m_log.log(QStringLiteral("Reject list skipped (") + error + QStringLiteral(")"));
    return listed;
}

QString ProcessCid::rejectReason(const CidCall& call, std::optional<bool> allowed)
{
    // Unknown whether the caller is allowed: only what the user listed
    // exactly may reject them.
    QString entry;
    if (isListed(call, allowed.value_or(true), &entry))
        return QStringLiteral("reject list: ") + entry;
    if (!m_settings.Reject || allowed.value_or(true))
        return {};
    if (m_settings.Hidden && isWithheldNumber(call.Number))
        return QStringLiteral("number withheld");
    if (m_settings.AllowListOnly)
        return QStringLiteral("not on the allow list");
    if (inQuietHours(m_settings.QuietHours, m_clock.now().time()))
        return QStringLiteral("quiet hours");
    return {};
}

void ProcessCid::showAndStore(bool rejected)
{
    m_call.Rejected = rejected;
    m_log.log(QStringLiteral("Displayed name = ") + m_call.Name);
    Q_EMIT callListed(m_call);
    // Handed to the storage thread; a call the database refuses waits and is
    // stored later.
    m_database.store().StoreCall({ m_call.Name, m_call.Number, m_call.Date, m_call.Time, {}, rejected });
    Q_EMIT noticeRequested(m_call);
    Q_EMIT callProcessed(m_call, rejected);
}

} // namespace Quillon

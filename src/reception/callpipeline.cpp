// SPDX-License-Identifier: GPL-2.0-or-later
#include "reception/callpipeline.h"

#include "config/numberformat.h"
#include "config/workingsettings.h"
#include "platform/clock.h"
#include "platform/serialport.h"
#include "reception/calllistener.h"
#include "reception/callview.h"
#include "reception/modemchannel.h"
#include "reception/modemtext.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"
#include "records/callstore.h"
#include "records/storedcalls.h"

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

} // namespace

ProcessCid::ProcessCid(WorkingSettings& settings, MdmCmd& modem, CallDatabase& database, ActivityLog& log, Clock& clock,
                       CallView& view)
    : m_settings(settings)
    , m_modem(modem)
    , m_database(database)
    , m_log(log)
    , m_clock(clock)
    , m_view(view)
{ }

void ProcessCid::OnComm()
{
    const QDateTime now = m_clock.now();
    if (!m_timer1Enabled)
        m_burstStart = now;
    m_receiveSettleTime = qMin(now.addMSecs(settleMs), m_burstStart.addMSecs(maxBurstMs));
    m_timer1Enabled = true;
}

void ProcessCid::timer1Tick()
{
    if (!m_timer1Enabled || m_clock.now() < m_receiveSettleTime)
        return;
    // Detection reads the modem's answers itself during its waits; a burst
    // read here would take them away from it.
    if (m_modem.detectionInProgress())
        return;
    // Off before processing: call text kept while it runs starts a new burst.
    m_timer1Enabled = false;
    SerialPort& port = m_modem.port();
    QString text = m_modem.takeKeptInput();
    // Suspended within the settle time: there is nothing left to read.
    if (port.isOpen())
        text += port.readAll();
    else if (text.isEmpty())
        return;
    qint64 dropped = port.takeDroppedInput();
    if (text.size() > MdmCmd::MaxInputBytes) {
        dropped += text.size() - MdmCmd::MaxInputBytes;
        text.remove(0, text.size() - MdmCmd::MaxInputBytes);
    }
    m_droppedBeforeBurst = dropped;
    ProcessCidReport(text);
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
    if (m_settings.RingIn)
        m_view.PlayRingSound();
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

    FormatCidNumber(m_call.Number, m_settings.Format);
    CallDatabase::BusyBudget budget(m_database, databaseBudgetMs);
    translate(m_call);
    const bool rejected = isListed(m_call);
    // Hanging up is the call source's job; the database only knows the list.
    if (rejected)
        m_modem.RejectCall();
    showAndStore(rejected);
    m_modem.setReportInProgress(false);
    m_modem.ReinitModem();
    m_view.SelectNewestCall();
}

void ProcessCid::ProcessNetworkCall(const QString& text, const CidCall& call, bool blockedByServer)
{
    if (m_settings.RingIn)
        m_view.PlayRingSound();
    m_log.log(QStringLiteral("Telco Info - ") + ActivityLog::excerpt(text));
    m_call = call;
    formatNetworkNumber(m_call.Number, m_settings.Format);
    CallDatabase::BusyBudget budget(m_database, databaseBudgetMs);
    translate(m_call);
    const bool listed = isListed(m_call);
    if (blockedByServer)
        m_log.log(QStringLiteral("Call Rejected by the server"));
    else if (listed)
        m_log.log(QStringLiteral("Call Rejected (not hung up: calls come from the network)"));
    showAndStore(blockedByServer);
    m_view.SelectNewestCall();
}

bool ProcessCid::StoreMissedCall(const CidCall& call)
{
    CidCall missed = call;
    formatNetworkNumber(missed.Number, m_settings.Format);
    if (!m_database.isOpen())
        return false;
    CallDatabase::BusyBudget budget(m_database, databaseBudgetMs);
    // Unreadable now: the next connect sends it again.
    QString error;
    if (isCallStored(m_database.connection(), missed.Date, missed.Time, missed.Number, &error) || !error.isEmpty())
        return false;
    translate(missed);
    m_database.store().StoreCall(missed.Name, missed.Number, missed.Date, missed.Time);
    return true;
}

void ProcessCid::translate(CidCall& call)
{
    QString error;
    call.Name = m_database.TranslateCaller(call.Name, call.Number, &error);
    if (!error.isEmpty())
        m_log.log(QStringLiteral("Translate list skipped (") + error + QStringLiteral(")"));
}

bool ProcessCid::isListed(const CidCall& call)
{
    QString error;
    const bool listed = m_database.CheckReject(call.Name, call.Number, &error);
    if (!error.isEmpty())
        m_log.log(QStringLiteral("Reject list skipped (") + error + QStringLiteral(")"));
    return listed;
}

void ProcessCid::showAndStore(bool rejected)
{
    m_log.log(QStringLiteral("Displayed name = ") + m_call.Name);
    m_view.AddCallToList(m_call.Name, m_call.Number);
    // A call the database refuses waits and is stored later.
    m_database.store().StoreCall(m_call.Name, m_call.Number, m_call.Date, m_call.Time);
    m_view.ShowCallNotify(m_call.Name, m_call.Number);
    if (m_listener)
        m_listener->callProcessed(m_call, rejected);
}

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
// Turns the modem's output into handled calls: waits for 2.5 s of quiet on
// the line, reads the burst and processes it. Calls from a caller-ID server
// on the network take the same steps.
#pragma once

#include "reception/reportparser.h"

#include <QDateTime>
#include <QString>

namespace Quillon {

class ActivityLog;
class CallDatabase;
class CallListener;
class CallView;
class Clock;
class MdmCmd;
struct WorkingSettings;

class ProcessCid
{
public:
    ProcessCid(WorkingSettings& settings, MdmCmd& modem, CallDatabase& database, ActivityLog& log, Clock& clock,
               CallView& view);

    // Serial-port event: pushes ReceiveSettleTime 2.5 s ahead, but never past
    // 10 s after the burst's first event; enables Timer1.
    void OnComm();
    bool timer1Enabled() const { return m_timer1Enabled; }
    // Timer1 tick: after the settle time reads everything buffered (with the
    // call text the modem channel kept), processes it, and disables Timer1.
    // A closed port skips the read.
    void timer1Tick();
    void ProcessCidReport(const QString& text);
    // A call a network server reported as it happened (text: its line). A
    // listed caller cannot be hung up from here; blockedByServer says the
    // server did so itself.
    void ProcessNetworkCall(const QString& text, const CidCall& call, bool blockedByServer);
    // A past call a network server sent at connect: stored, unless a call
    // with its Date, Time and Number is, without list, popup or ring. True
    // when it was stored.
    bool StoreMissedCall(const CidCall& call);
    void setCallListener(CallListener* listener) { m_listener = listener; }

    const Quillon::CidCall& currentCall() const { return m_call; }
    QDateTime receiveSettleTime() const { return m_receiveSettleTime; }

private:
    // The look-ups every call goes through, whatever its source; a look-up
    // the database cannot answer in time is skipped and said so in the log.
    void translate(CidCall& call);
    bool isListed(const CidCall& call);
    // Lists, stores, notifies and shares the current call.
    void showAndStore(bool rejected);

    WorkingSettings& m_settings;
    MdmCmd& m_modem;
    CallDatabase& m_database;
    ActivityLog& m_log;
    Clock& m_clock;
    CallView& m_view;
    CallListener* m_listener = nullptr;

    Quillon::CidCall m_call;
    QDateTime m_receiveSettleTime;
    QDateTime m_burstStart;
    qint64 m_droppedBeforeBurst = 0; // for the burst's log line
    bool m_timer1Enabled = false;
};

} // namespace Quillon

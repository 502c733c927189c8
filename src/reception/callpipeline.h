// SPDX-License-Identifier: GPL-2.0-or-later
// Turns the modem's output into handled calls: reads a burst as soon as it
// holds a whole report, or else after 2.5 s of quiet on the line, and
// processes it. Calls from a caller-ID server on the network take the same
// steps.
#pragma once

#include "reception/reportparser.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

namespace Quillon {

class ActivityLog;
class CallDatabase;
class Clock;
class MdmCmd;
struct WorkingSettings;

// Each call's steps are reported as they happen, in order, through direct
// connections: ring, listed, notice, processed, done.
class ProcessCid final : public QObject
{
    Q_OBJECT

public:
    // Received text reaches it from the modem channel alone.
    ProcessCid(WorkingSettings& settings, MdmCmd& modem, CallDatabase& database, ActivityLog& log, Clock& clock,
               QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ProcessCid)

    // Serial-port event: pushes ReceiveSettleTime 2.5 s ahead, but never past
    // 10 s after the burst's first event; enables Timer1. Once the text holds
    // a whole report, the burst is read at once (from the event loop).
    void OnComm();
    bool timer1Enabled() const { return m_timer1Enabled; }
    // Timer1 tick: after the settle time reads everything received, processes
    // it, and disables Timer1.
    void timer1Tick();
    void ProcessCidReport(const QString& text);
    // The program ends: a call report received and not yet read is
    // processed now rather than lost with the settle time.
    void finishBurst();
    // A call a network server reported as it happened (text: its line). A
    // listed caller cannot be hung up from here; blockedByServer says the
    // server did so itself.
    void ProcessNetworkCall(const QString& text, const CidCall& call, bool blockedByServer);
    // Past calls a network server sent at connect, without list, popup or
    // ring, each with the time it came as its SysTime. occurrence: the call
    // is the n-th line of the same call (same moment and number) in the
    // server's log; stored unless n of them are already. All go to the file
    // in batches; returns how many were new.
    struct MissedCall
    {
        CidCall call;
        int occurrence = 1;
    };
    // same: how often each call is stored or waiting, by sameCallKey(), as
    // CallStore::countSameCalls() counted them; kept up to date with the
    // calls stored here, so that a log stored in parts counts them once.
    int StoreMissedCalls(const QList<MissedCall>& calls, QHash<QString, qint64>& same);

    const Quillon::CidCall& currentCall() const { return m_call; }
    QDateTime receiveSettleTime() const { return m_receiveSettleTime; }

Q_SIGNALS:
    // Timer1 follows this; the pipeline alone decides.
    void timer1Changed(bool enabled);
    // The ring sound, when Emulate Ring is on.
    void ringRequested();
    // The modem said RING: once for each, whatever the settings.
    void ringHeard();
    // A new row on top of the call list, before the call is stored.
    void callListed(const Quillon::CidCall& call);
    // Stored (or waiting to be): the notice, if the window wants one.
    void noticeRequested(const Quillon::CidCall& call);
    // Listed and stored, whatever its source; hungUp: answered and dropped.
    void callProcessed(const Quillon::CidCall& call, bool hungUp);
    // The call is handled and the modem ready again: select the newest row.
    void reportDone();

private:
    void setTimer1Enabled(bool enabled);
    void readSoonIfComplete();
    void readIfComplete();
    void readBurst();
    // The look-ups every call goes through, whatever its source; a look-up
    // the database cannot answer in time is skipped and said so in the log.
    // allowed: the number is on the translate list, which the blocking
    // rules and the reject patterns never reject.
    // False when the list could not be read.
    bool translate(CidCall& call, bool* allowed = nullptr);
    bool isListed(const CidCall& call, bool allowed, QString* entry);
    // Why the call is to be rejected, as the log says it; empty: it rings.
    // allowed: none when the translate list could not be read.
    QString rejectReason(const CidCall& call, std::optional<bool> allowed);
    // Lists, stores, notifies and shares the current call.
    void showAndStore(bool rejected);

    WorkingSettings& m_settings;
    MdmCmd& m_modem;
    CallDatabase& m_database;
    ActivityLog& m_log;
    Clock& m_clock;

    Quillon::CidCall m_call;
    QDateTime m_receiveSettleTime;
    QDateTime m_burstStart;
    qint64 m_droppedBeforeBurst = 0; // for the burst's log line
    bool m_timer1Enabled = false;
    bool m_readSoon = false; // a read of a whole report is queued
    bool m_reading = false; // a burst is being processed
};

} // namespace Quillon

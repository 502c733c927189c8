// SPDX-License-Identifier: GPL-2.0-or-later
// Everything the program says to the modem outside detection: opening the
// port, the initialisation and its answer check, periodic re-initialisation,
// answering and hanging up on a rejected caller, and applying new port
// settings.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

namespace Quillon {

class ActivityLog;
class Clock;
class MessageBoxes;
class SerialPort;
struct WorkingSettings;

class MdmCmd : public QObject
{
    Q_OBJECT

public:
    // iniPath: QuillonCID.ini, which holds the port settings and maps port
    // numbers to devices.
    MdmCmd(const QString& iniPath, WorkingSettings& settings, SerialPort& port, Clock& clock, ActivityLog& log,
           MessageBoxes& boxes, QObject* parent = nullptr);
    ~MdmCmd() override;
    Q_DISABLE_COPY_MOVE(MdmCmd)

    void OpenCommPort();
    void CheckModemInit();
    void ClearModemInput();
    void ReinitModem();
    void ApplyCommSettings();
    // Announces the ready status with its log line, even when unchanged.
    // why says what keeps it from being ready ("suspended", "no modem on
    // Comm 1"); when empty the reason given last stands.
    void SetCidStatus(bool ready, const QString& why = {});
    QString notReadyReason() const { return m_notReadyReason; }
    bool isPortOpen() const;
    // Suspend: the port is closed until Start opens it again.
    void closePort();

    // A burst of received text is bounded: a report is a few hundred bytes,
    // and a line full of noise must not fill the memory.
    static constexpr qsizetype MaxInputBytes = 64 * 1024;
    // Everything received since the last call, for the call pipeline: the
    // call text that ClearModemInput or the answer check took off the line,
    // then what the port holds (nothing once it is closed). dropped counts
    // the characters lost to the input bound, which keeps the newest.
    QString takeReceivedText(qint64* dropped = nullptr);
    // The same text, left where it is.
    QString peekReceivedText();
    bool hasKeptInput() const { return !m_keptInput.isEmpty(); }

    // While a port that was lost (not suspended) is away, each Timer3 tick
    // tries to open it again; Suspend ends the tries.
    bool reconnecting() const { return m_reconnecting; }
    void stopReconnecting() { m_reconnecting = false; }

    // While no modem is there, each Timer3 tick looks whether a device has
    // appeared at the path of one of the ports; deviceAppeared tells, once.
    void watchForNewDevices();
    void stopWatchingForDevices() { m_watchingForDevices = false; }
    bool watchingForDevices() const { return m_watchingForDevices; }

    // Each sends its text and a carriage return; false when dropped.
    bool ResetCommand();
    bool InitCommand();
    bool AnswerCommand();
    bool HangUpCommand();
    // Answers and hangs up on the call in progress, then logs "Call
    // Rejected" with the reason in brackets.
    void RejectCall(const QString& reason);

    // Response test of the initialisation answer: "OK" or "0" anywhere.
    static bool isInitResponseAccepted(const QString& response);

    // Timer2: armInitCheck() sets InitCheckTime to now + 1 s and enables it;
    // the first tick at or after that time runs CheckModemInit and disables it.
    void armInitCheck();
    void disarmInitCheck() { setTimer2Enabled(false); }
    bool timer2Enabled() const { return m_timer2Enabled; }
    void timer2Tick();
    // Timer3 (re-initialisation half): ReinitModem once ReinitTime has passed
    // and no report is in progress.
    void timer3Tick();

    // While modem detection probes the ports, the timers leave the port
    // alone: no answer check, no re-initialisation.
    bool detectionInProgress() const { return m_detectionInProgress; }
    void setDetectionInProgress(bool inProgress);

    // The program is ending: a running detection stops at its next wait.
    bool programEnding() const { return m_programEnding; }
    void setProgramEnding() { m_programEnding = true; }

    // While calls come from a network server the modem is left alone: no
    // port is opened, no command or answer check runs.
    bool modemInUse() const { return m_modemInUse; }
    void setModemInUse(bool inUse);

    bool reportInProgress() const { return m_reportInProgress; }
    void setReportInProgress(bool inProgress) { m_reportInProgress = inProgress; }
    QDateTime reinitTime() const { return m_reinitTime; }
    void setReinitTime(const QDateTime& when) { m_reinitTime = when; }
    QDateTime initCheckTime() const { return m_initCheckTime; }

Q_SIGNALS:
    // Text arrived on the port, or call text was kept off it: the pipeline's
    // settle time starts or goes on (see takeReceivedText).
    void textArrived();
    // Ready or not, as SetCidStatus announced it, and why not.
    void cidStatusChanged(bool ready, const QString& why);
    // Timer2 follows this: on while an answer check is armed.
    void timer2Changed(bool enabled);
    // Detection began or ended; meanwhile nothing else may use the port.
    void detectionRunningChanged(bool running);
    // A device is now at the path of this port, where there was none.
    void deviceAppeared(int port, const QString& device);

private:
    void setTimer2Enabled(bool enabled);
    void onPortLost(const QString& reason);
    void keepIfCallText(const QString& text);
    void reconnectLostPort();
    void lookForNewDevices();
    QList<bool> devicesThere() const;
    QString openFailureDetail(bool opened, const QString& reason) const;
    QString openFailureReason(bool opened, int portNumber) const;

    QString m_iniPath;
    QString m_notReadyReason;
    QList<bool> m_devicesThere; // per port, when the watch began or last looked
    bool m_watchingForDevices = false;
    WorkingSettings& m_settings;
    SerialPort& m_port;
    Clock& m_clock;
    ActivityLog& m_log;
    MessageBoxes& m_boxes;

    bool m_reportInProgress = false;
    bool m_detectionInProgress = false;
    bool m_programEnding = false;
    bool m_modemInUse = true;
    bool m_timer2Enabled = false;
    QDateTime m_initCheckTime;
    QDateTime m_reinitTime;
    bool m_portLostReported = false;
    bool m_reconnecting = false;
    QString m_keptInput;
};

} // namespace Quillon

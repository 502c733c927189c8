// SPDX-License-Identifier: GPL-2.0-or-later
// Finds the port with a caller-ID capable modem and the command it accepts.
#pragma once

#include "platform/serialport.h"

#include <QList>
#include <QObject>
#include <QString>

namespace Quillon {

class ActivityLog;
class Clock;
class MdmCmd;
class MessageBoxes;
struct WorkingSettings;

// What detection met on one port.
struct PortFinding
{
    qint16 port = 0;
    QString device;
    SerialPort::OpenFailure failure = SerialPort::OpenFailure::None;
    bool answered = false; // a modem said OK
    bool voice = false; // and took a caller-ID command
};

class MdmCnFg final : public QObject
{
    Q_OBJECT

public:
    // iniPath maps the port numbers tried to devices; once the modem channel
    // says the program is ending, detection stops at its next wait.
    MdmCnFg(const QString& iniPath, SerialPort& port, Clock& clock, MessageBoxes& boxes, ActivityLog& log,
            const MdmCmd& modem);

    void FindCommPort(qint16& nSerialPort, QString& sModemInit);
    void ProbeModemType(qint16 port);
    bool TryInitCommand(qint16 port, const QString& command);

    QString sFoundInit;
    qint16 nVoicePort = 0;
    bool bVoiceFound = false;
    // Every port tried, in order.
    QList<PortFinding> findings;
    // A modem was found and the user took it.
    bool modemTaken = false;
    // The closing boxes (no modem, not voice, not chosen) are left to a
    // window that shows the findings instead.
    bool quiet = false;

    // Stopped because the program is ending: the results mean nothing and
    // no further box was shown.
    bool stopped() const { return m_stopped; }

Q_SIGNALS:
    void tryingPort(int port);
    // Past the point where the please-wait window helps.
    void pleaseWaitDone();

private:
    void selectPort(qint16 port);
    bool stopNow();

    QString m_iniPath;
    SerialPort& m_port;
    Clock& m_clock;
    MessageBoxes& m_boxes;
    ActivityLog& m_log;
    const MdmCmd& m_modem;
    // Set by TryInitCommand when the port itself failed (could not be
    // opened or written, or went away): no further command is tried there.
    bool m_portFailed = false;
    bool m_stopped = false;
};

// Detection as the program runs it: the first start and the Communications
// window's Reset. The port is lent to it while it runs (the modem channel's
// detectionInProgress).
class ModemDetector final : public QObject
{
    Q_OBJECT

public:
    ModemDetector(const QString& iniPath, WorkingSettings& settings, SerialPort& port, Clock& clock,
                  MessageBoxes& boxes, ActivityLog& log, MdmCmd& modem, QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ModemDetector)

    // Runs a fresh MdmCnFg over the working port and command, then applies
    // the result with ApplyCommSettings. False, with nothing stored, when a
    // detection already runs or the program ended meanwhile. quiet: when no
    // modem is taken nothing is applied and no box is shown; lastFindings()
    // tell the caller what there was.
    bool DetectModem(bool quiet = false);
    const QList<PortFinding>& lastFindings() const { return m_findings; }
    bool lastFoundModem() const { return m_foundModem; }

Q_SIGNALS:
    void tryingPort(int port);
    void pleaseWaitDone();
    // The working port settings hold the result: the communications
    // options should show it.
    void settingsApplied();

private:
    QString m_iniPath;
    WorkingSettings& m_settings;
    SerialPort& m_port;
    Clock& m_clock;
    MessageBoxes& m_boxes;
    ActivityLog& m_log;
    MdmCmd& m_modem;
    QList<PortFinding> m_findings;
    bool m_foundModem = false;
};

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
// Finds the port with a caller-ID capable modem and the command it accepts.
#pragma once

#include <QString>

#include <functional>

namespace Quillon {

class ActivityLog;
class Clock;
class MdmCmd;
class MessageBoxes;
class SerialPort;

// What detection reaches of the windows, which live in the GUI library.
struct DetectionHooks
{
    // Closes the first-run please-wait window when it is shown.
    std::function<void()> closePleaseWait;
    // Refreshes the communications window's options from the working settings.
    std::function<void()> refreshCommSettings;
    // Told the port about to be tried.
    std::function<void(int port)> tryingPort;
    // True once the program is ending: detection stops at its next wait.
    std::function<bool()> stopRequested;
};

class MdmCnFg
{
public:
    // iniPath maps the port numbers tried to devices.
    MdmCnFg(const QString& iniPath, SerialPort& port, Clock& clock, MessageBoxes& boxes, ActivityLog& log,
            DetectionHooks hooks);

    void FindCommPort(qint16& nSerialPort, QString& sModemInit);
    void ProbeModemType(qint16 port);
    bool TryInitCommand(qint16 port, const QString& command);

    QString sFoundInit;
    qint16 nVoicePort = 0;
    bool bVoiceFound = false;

    // Stopped because the program is ending: the results mean nothing and
    // no further box was shown.
    bool stopped() const { return m_stopped; }

private:
    void selectPort(qint16 port);
    bool stopNow();

    QString m_iniPath;
    SerialPort& m_port;
    Clock& m_clock;
    MessageBoxes& m_boxes;
    ActivityLog& m_log;
    DetectionHooks m_hooks;
    // Set by TryInitCommand when the port itself failed (could not be
    // opened or written, or went away): no further command is tried there.
    bool m_portFailed = false;
    bool m_stopped = false;
};

// Runs a fresh MdmCnFg over the working port and command, then applies the
// result with ApplyCommSettings and refreshes the communications window.
// False, with nothing stored, when a detection already runs or the program
// ended meanwhile.
bool DetectModem(MdmCmd& modem, const DetectionHooks& hooks);

} // namespace Quillon

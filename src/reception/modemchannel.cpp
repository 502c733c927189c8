// SPDX-License-Identifier: GPL-2.0-or-later
#include "modemchannel.h"

#include "config/portmap.h"
#include "config/settingsstore.h"
#include "config/workingsettings.h"
#include "platform/clock.h"
#include "platform/messageboxes.h"
#include "platform/serialport.h"
#include "reception/modemtext.h"
#include "records/activitylog.h"

#include <QFileInfo>

#include <utility>

namespace Quillon {

namespace {

const QString CommPortErrorCaption = QStringLiteral("Comm Port Error");
constexpr int ReinitIntervalSecs = 1800;
constexpr int ReinitWaitMs = 300;
constexpr int ApplyWaitMs = 50;
// The modem needs a moment between the report and the answer, and the line
// must be picked up for a while before hanging up ends the call.
constexpr int RejectAnswerDelayMs = 100;
constexpr int RejectHoldMs = 1000;
constexpr int RejectSettleMs = 250;
// Answered as a fax machine, the line carries the calling tone long enough
// for an autodialer to note the number as a fax.
constexpr int FaxToneMs = 5000;

QString lostPortText(const QString& message)
{
    return message + QStringLiteral("\rIt is opened again as soon as the modem is back.");
}

} // namespace

MdmCmd::MdmCmd(const QString& iniPath, WorkingSettings& settings, SerialPort& port, Clock& clock, ActivityLog& log,
               MessageBoxes& boxes, QObject* parent)
    : QObject(parent)
    , m_iniPath(iniPath)
    , m_settings(settings)
    , m_port(port)
    , m_clock(clock)
    , m_log(log)
    , m_boxes(boxes)
    , m_initCheckTime(clock.now().addSecs(1))
    , m_reinitTime(clock.now().addSecs(ReinitIntervalSecs))
{
    connect(&m_port, &SerialPort::portLost, this, &MdmCmd::onPortLost);
    connect(&m_port, &SerialPort::dataArrived, this, &MdmCmd::textArrived);
    m_port.setInputLimit(MaxInputBytes);
}

MdmCmd::~MdmCmd() = default;

void MdmCmd::setModemInUse(bool inUse)
{
    m_modemInUse = inUse;
    if (!inUse) {
        setTimer2Enabled(false);
        m_reconnecting = false;
        m_watchingForDevices = false;
        if (m_port.isOpen())
            m_port.close();
    }
}

void MdmCmd::OpenCommPort()
{
    if (!m_modemInUse)
        return;
    const CommSettings comm = LoadCommSettings(m_iniPath);
    m_log.logCommSettings(comm);
    m_settings.ModemStrng = comm.ModemStrng;
    if (m_port.isOpen())
        m_port.close();

    m_port.setPort(comm.ComPort, commPortDevice(m_iniPath, comm.ComPort));
    m_port.setSettingsText(comm.Baud + QLatin1Char(',') + comm.Parity + QLatin1Char(',') + comm.DataBit
                           + QLatin1Char(',') + comm.StopBit);
    m_port.setReadAllBuffered();
    QString reason;
    const bool opened = m_port.open(&reason);
    if (!opened || !InitCommand()) {
        SetCidStatus(false, openFailureReason(opened, comm.ComPort));
        if (!opened && m_port.lastOpenFailure() == SerialPort::OpenFailure::NoDevice)
            watchForNewDevices();
        const QString message
            = QStringLiteral("Comm Port ") + QString::number(comm.ComPort) + QStringLiteral(" could not be found!");
        m_log.log(message);
        m_boxes.show(message + openFailureDetail(opened, reason), CommPortErrorCaption, MessageBoxes::Icon::Exclamation,
                     MessageBoxes::Buttons::Ok);
        return;
    }
    m_portLostReported = false;
    m_reconnecting = false;
    SetCidStatus(true);
}

// A port that is there but refused tells the user why, and how to mend the
// most common cause; a missing one needs no more than the first line.
QString MdmCmd::openFailureDetail(bool opened, const QString& reason) const
{
    if (opened)
        return {};
    switch (m_port.lastOpenFailure()) {
    case SerialPort::OpenFailure::None:
    case SerialPort::OpenFailure::NoDevice:
        return {};
    case SerialPort::OpenFailure::PermissionDenied:
        return QLatin1Char('\r') + reason
            + QStringLiteral("\rTo use the port, add yourself to the dialout group (sudo adduser $USER dialout), "
                             "then log out and log in again.");
    case SerialPort::OpenFailure::InUse:
    case SerialPort::OpenFailure::Other:
        break;
    }
    return QLatin1Char('\r') + reason;
}

// The status bar's short form of what the box says.
QString MdmCmd::openFailureReason(bool opened, int portNumber) const
{
    const QString port = QStringLiteral("Comm %1").arg(portNumber);
    if (opened)
        return QStringLiteral("the modem on %1 takes no command").arg(port);
    switch (m_port.lastOpenFailure()) {
    case SerialPort::OpenFailure::NoDevice:
        return QStringLiteral("no modem on %1").arg(port);
    case SerialPort::OpenFailure::PermissionDenied:
        return QStringLiteral("permission denied on %1").arg(port);
    case SerialPort::OpenFailure::InUse:
        return QStringLiteral("%1 is in use by another program").arg(port);
    case SerialPort::OpenFailure::None:
    case SerialPort::OpenFailure::Other:
        break;
    }
    return QStringLiteral("%1 could not be opened").arg(port);
}

bool MdmCmd::isInitResponseAccepted(const QString& response)
{
    return response.contains(QLatin1String("OK")) || response.contains(QLatin1Char('0'));
}

void MdmCmd::CheckModemInit()
{
    if (!m_modemInUse)
        return;
    QString response;
    if (m_port.isOpen()) {
        response = m_port.readAll();
        // A call that came in within the first second is no answer to judge.
        keepIfCallText(response);
        if (!isInitResponseAccepted(response)) {
            m_port.close();
            SetCidStatus(false, QStringLiteral("the modem on Comm %1 did not answer").arg(m_port.portNumber()));
            m_boxes.show(QStringLiteral("The modem did not initialize properly!\r"
                                        "Check your configuration and modem connection!"),
                         QStringLiteral("Initialization Error"), MessageBoxes::Icon::Stop, MessageBoxes::Buttons::Ok);
            if (response.isEmpty())
                response = QStringLiteral("Failed");
        }
    }
    m_log.log(QStringLiteral("Modem Response = ") + ActivityLog::excerpt(response));
}

void MdmCmd::ClearModemInput()
{
    // Only the modem's answers are thrown away; a ring or a report that came
    // in meanwhile is a call.
    keepIfCallText(m_port.readAll());
}

void MdmCmd::keepIfCallText(const QString& text)
{
    if (!holdsCallText(text))
        return;
    m_keptInput += text;
    if (m_keptInput.size() > MaxInputBytes)
        m_keptInput.remove(0, m_keptInput.size() - MaxInputBytes);
    Q_EMIT textArrived();
}

QString MdmCmd::peekReceivedText()
{
    return m_port.isOpen() ? m_keptInput + m_port.peekAll() : m_keptInput;
}

QString MdmCmd::takeReceivedText(qint64* dropped)
{
    QString text = std::exchange(m_keptInput, QString());
    if (m_port.isOpen())
        text += m_port.readAll();
    qint64 lost = m_port.takeDroppedInput();
    if (text.size() > MaxInputBytes) {
        lost += text.size() - MaxInputBytes;
        text.remove(0, text.size() - MaxInputBytes);
    }
    if (dropped)
        *dropped = lost;
    return text;
}

void MdmCmd::ReinitModem()
{
    if (m_reportInProgress || m_detectionInProgress || !m_port.isOpen())
        return;
    ResetCommand();
    m_clock.sleep(ReinitWaitMs);
    InitCommand();
    m_clock.sleep(ReinitWaitMs);
    ClearModemInput();
    m_reinitTime = m_clock.now().addSecs(ReinitIntervalSecs);
}

void MdmCmd::ApplyCommSettings()
{
    SaveCommSettings(m_iniPath, commSettingsOf(m_settings));
    OpenCommPort();
    m_clock.sleep(ApplyWaitMs);
    CheckModemInit();
}

void MdmCmd::SetCidStatus(bool ready, const QString& why)
{
    if (ready) {
        m_notReadyReason.clear();
        m_watchingForDevices = false;
    } else if (!why.isEmpty())
        m_notReadyReason = why;
    Q_EMIT cidStatusChanged(ready, m_notReadyReason);
    m_log.log(ready ? QStringLiteral("CID Status = Ready") : QStringLiteral("CID Status = Not Ready"));
}

bool MdmCmd::isPortOpen() const
{
    return m_port.isOpen();
}

void MdmCmd::closePort()
{
    m_port.close();
}

bool MdmCmd::ResetCommand()
{
    return m_port.write(QStringLiteral("ATZ\r"));
}

bool MdmCmd::InitCommand()
{
    return m_port.write(m_settings.ModemStrng + QLatin1Char('\r'));
}

bool MdmCmd::AnswerCommand()
{
    return m_port.write(QStringLiteral("ATA\r"));
}

bool MdmCmd::HangUpCommand()
{
    return m_port.write(QStringLiteral("ATH0\r"));
}

// The modem's answers stay in the receive buffer; the re-initialisation that
// ends call processing discards them.
void MdmCmd::RejectCall(const QString& reason)
{
    m_clock.sleep(RejectAnswerDelayMs);
    if (m_settings.HangUpFax) {
        m_port.write(QStringLiteral("AT+FCLASS=1\r"));
        m_clock.sleep(RejectAnswerDelayMs);
    }
    AnswerCommand();
    m_clock.sleep(m_settings.HangUpFax ? FaxToneMs : RejectHoldMs);
    HangUpCommand();
    m_clock.sleep(RejectSettleMs);
    if (m_settings.HangUpFax) {
        // Back to data class, where caller-ID reports come; the
        // initialisation that ends call processing follows as always.
        m_port.write(QStringLiteral("AT+FCLASS=0\r"));
        m_clock.sleep(RejectAnswerDelayMs);
        InitCommand();
        m_clock.sleep(RejectAnswerDelayMs);
    }
    m_log.log(QStringLiteral("Call Rejected (") + reason + QLatin1Char(')'));
}

void MdmCmd::setDetectionInProgress(bool inProgress)
{
    if (m_detectionInProgress == inProgress)
        return;
    m_detectionInProgress = inProgress;
    Q_EMIT detectionRunningChanged(inProgress);
}

void MdmCmd::armInitCheck()
{
    m_initCheckTime = m_clock.now().addSecs(1);
    setTimer2Enabled(true);
}

void MdmCmd::setTimer2Enabled(bool enabled)
{
    if (m_timer2Enabled == enabled)
        return;
    m_timer2Enabled = enabled;
    Q_EMIT timer2Changed(enabled);
}

void MdmCmd::timer2Tick()
{
    if (!m_timer2Enabled || m_detectionInProgress || m_clock.now() < m_initCheckTime)
        return;
    // Off before the check: its message box runs an event loop in which
    // this timer would tick again and check a second time.
    setTimer2Enabled(false);
    CheckModemInit();
}

void MdmCmd::timer3Tick()
{
    if (m_reconnecting && !m_detectionInProgress)
        reconnectLostPort();
    if (m_watchingForDevices && !m_detectionInProgress && m_modemInUse)
        lookForNewDevices();
    if (m_clock.now() >= m_reinitTime && !m_reportInProgress && !m_detectionInProgress)
        ReinitModem();
}

void MdmCmd::onPortLost(const QString& reason)
{
    Q_UNUSED(reason)
    if (m_detectionInProgress)
        return; // detection treats it as a silent port and reports nothing per port
    // A report the modem sent just before it went is still a call.
    keepIfCallText(m_port.readAll());
    const QString message
        = QStringLiteral("Comm Port ") + QString::number(m_port.portNumber()) + QStringLiteral(" was disconnected!");
    SetCidStatus(false,
                 QStringLiteral("Comm %1 was disconnected; waiting for it to come back").arg(m_port.portNumber()));
    m_log.log(message);
    m_reconnecting = true;
    // One box per loss. Shown from the event loop, not from inside the
    // port's own error report: the tries to reopen run while it is up.
    if (m_portLostReported)
        return;
    m_portLostReported = true;
    QMetaObject::invokeMethod(
        this,
        [this, message] {
            m_boxes.show(lostPortText(message), CommPortErrorCaption, MessageBoxes::Icon::Exclamation,
                         MessageBoxes::Buttons::Ok);
        },
        Qt::QueuedConnection);
}

QList<bool> MdmCmd::devicesThere() const
{
    QList<bool> there;
    for (int port = 1; port <= 6; ++port) {
        const QString device = commPortDevice(m_iniPath, port);
        there.append(!device.isEmpty() && QFileInfo::exists(device));
    }
    return there;
}

void MdmCmd::watchForNewDevices()
{
    m_devicesThere = devicesThere();
    m_watchingForDevices = true;
}

// A USB modem plugged in after the start shows up as a new device: offered
// then, so that nobody has to know about Reset.
void MdmCmd::lookForNewDevices()
{
    const QList<bool> there = devicesThere();
    for (int i = 0; i < there.size(); ++i) {
        if (there[i] && !m_devicesThere.value(i)) {
            m_watchingForDevices = false;
            Q_EMIT deviceAppeared(i + 1, commPortDevice(m_iniPath, i + 1));
            return;
        }
    }
    m_devicesThere = there;
}

// The same device and line settings as before the loss: a modem plugged
// back in comes back at the same path.
void MdmCmd::reconnectLostPort()
{
    if (m_port.isOpen() || !m_port.open())
        return; // still away; no message, the next tick tries again
    m_reconnecting = false;
    m_portLostReported = false;
    m_log.log(QStringLiteral("Comm Port ") + QString::number(m_port.portNumber())
              + QStringLiteral(" was reconnected."));
    // The box saying it was lost would now contradict the Ready beside it.
    m_boxes.dismiss(lostPortText(QStringLiteral("Comm Port ") + QString::number(m_port.portNumber())
                                 + QStringLiteral(" was disconnected!")));
    if (!InitCommand()) {
        m_port.close();
        m_reconnecting = true;
        return;
    }
    SetCidStatus(true);
    armInitCheck();
    // Just initialised: a re-initialisation now would take the answer away
    // from the check.
    m_reinitTime = m_clock.now().addSecs(ReinitIntervalSecs);
}

} // namespace Quillon

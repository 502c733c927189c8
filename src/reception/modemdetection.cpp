// SPDX-License-Identifier: GPL-2.0-or-later
#include "modemdetection.h"

#include "config/modemtypes.h"
#include "config/portmap.h"
#include "config/workingsettings.h"
#include "platform/clock.h"
#include "platform/messageboxes.h"
#include "platform/serialport.h"
#include "reception/modemchannel.h"
#include "records/activitylog.h"

namespace Quillon {

namespace {

const QString ProbeSettings = QStringLiteral("14400,N,8,1");
const QString ProbeCommand = QStringLiteral("AT&F\r");
constexpr qint16 FirstPort = 1;
constexpr qint16 LastPort = 6;
constexpr int ProbeWaitMs = 150;
constexpr int InitWaitMs = 1000;

bool answeredOk(const QString& response)
{
    return response.contains(QLatin1String("OK"));
}

} // namespace

MdmCnFg::MdmCnFg(const QString& iniPath, SerialPort& port, Clock& clock, MessageBoxes& boxes, ActivityLog& log,
                 const MdmCmd& modem)
    : m_iniPath(iniPath)
    , m_port(port)
    , m_clock(clock)
    , m_boxes(boxes)
    , m_log(log)
    , m_modem(modem)
{ }

void MdmCnFg::selectPort(qint16 port)
{
    m_port.setPort(port, commPortDevice(m_iniPath, port));
}

bool MdmCnFg::stopNow()
{
    if (!m_stopped && m_modem.programEnding())
        m_stopped = true;
    return m_stopped;
}

void MdmCnFg::FindCommPort(qint16& nSerialPort, QString& sModemInit)
{
    bool modemFound = false;
    bool modemChosen = false;

    for (qint16 port = FirstPort; port <= LastPort; ++port) {
        if (stopNow())
            return;
        Q_EMIT tryingPort(port);
        // A port that cannot be opened, written or read is simply silent.
        selectPort(port);
        m_port.setSettingsText(ProbeSettings);
        m_port.setReadAllBuffered();
        const bool opened = m_port.open();
        findings.append({ port, commPortDevice(m_iniPath, port),
                          opened ? SerialPort::OpenFailure::None : m_port.lastOpenFailure(), false, false });
        m_port.write(ProbeCommand);
        m_clock.sleep(ProbeWaitMs);
        const QString response = m_port.readAll();
        m_port.close();
        if (!answeredOk(response))
            continue;

        modemFound = true;
        findings.last().answered = true;
        ProbeModemType(port);
        findings.last().voice = bVoiceFound;
        if (stopNow()) {
            m_port.close();
            return;
        }
        if (!bVoiceFound)
            continue;
        nSerialPort = port;
        m_port.close();
        const MessageBoxes::Answer answer
            = m_boxes.show(QStringLiteral("A modem was found on Comm Port ") + QString::number(port)
                               + QStringLiteral(".\r\nDo you wish to use this modem?"),
                           QStringLiteral("Found Modem"), MessageBoxes::Icon::None, MessageBoxes::Buttons::YesNo);
        // A box closed because the program is ending gave no answer at all.
        if (answer == MessageBoxes::Answer::NoAnswer)
            m_stopped = true;
        if (stopNow())
            return;
        if (answer == MessageBoxes::Answer::Yes) {
            Q_EMIT pleaseWaitDone();
            sModemInit = sFoundInit;
            modemChosen = modemTaken = true;
            return;
        }
        sModemInit.clear();
    }
    Q_EMIT pleaseWaitDone();
    if (stopNow())
        return;

    if (bVoiceFound && !modemChosen) {
        if (!quiet)
            m_boxes.show(QStringLiteral("There was a voice compatible modem found,\r\n but you elected not to use it."),
                         QStringLiteral("No Modem Selected"), MessageBoxes::Icon::None, MessageBoxes::Buttons::Ok);
        m_log.log(QStringLiteral("A voice compatible modem was not selected."));
    }
    if (!modemFound && nVoicePort == 0) {
        if (!quiet)
            m_boxes.show(QStringLiteral("No modem was detected on your system."), QString(), MessageBoxes::Icon::None,
                         MessageBoxes::Buttons::Ok);
        m_log.log(QStringLiteral("No modem was detected on the system."));
    }
    if (modemFound && !bVoiceFound) {
        if (!quiet)
            m_boxes.show(QStringLiteral("A modem was detected, but it is not a voice compatible modem."), QString(),
                         MessageBoxes::Icon::None, MessageBoxes::Buttons::Ok);
        m_log.log(QStringLiteral("No voice compatible modem was detected."));
    }
}

void MdmCnFg::ProbeModemType(qint16 port)
{
    const QList<ModemType>& types = modemTypes();
    for (qsizetype row = 0; row < types.size(); ++row) {
        if (row > 0)
            m_port.close();
        bVoiceFound = TryInitCommand(port, types.at(row).initCommand);
        sFoundInit = types.at(row).initCommand;
        if (bVoiceFound)
            return; // left open; FindCommPort closes it
        if (m_portFailed || stopNow())
            break; // the port itself failed: no command can be judged there
    }
    m_port.close();
}

bool MdmCnFg::TryInitCommand(qint16 port, const QString& command)
{
    m_portFailed = false;
    if (m_port.isOpen())
        m_port.close();
    selectPort(port);
    if (!m_port.open() || !m_port.write(command + QLatin1Char('\r'))) {
        m_portFailed = true;
        return false;
    }
    m_clock.waitProcessingEvents(InitWaitMs);
    if (stopNow())
        return false;
    if (!m_port.isOpen()) {
        m_portFailed = true; // went away during the wait
        return false;
    }
    const bool accepted = answeredOk(m_port.readAll());
    if (accepted)
        nVoicePort = port;
    return accepted;
}

ModemDetector::ModemDetector(const QString& iniPath, WorkingSettings& settings, SerialPort& port, Clock& clock,
                             MessageBoxes& boxes, ActivityLog& log, MdmCmd& modem, QObject* parent)
    : QObject(parent)
    , m_iniPath(iniPath)
    , m_settings(settings)
    , m_port(port)
    , m_clock(clock)
    , m_boxes(boxes)
    , m_log(log)
    , m_modem(modem)
{ }

bool ModemDetector::DetectModem(bool quiet)
{
    // One run at a time: a second would probe over the first and send every
    // command to a modem that has already answered.
    if (m_modem.detectionInProgress())
        return false;
    MdmCnFg detector(m_iniPath, m_port, m_clock, m_boxes, m_log, m_modem);
    detector.quiet = quiet;
    connect(&detector, &MdmCnFg::tryingPort, this, &ModemDetector::tryingPort);
    connect(&detector, &MdmCnFg::pleaseWaitDone, this, &ModemDetector::pleaseWaitDone);
    m_modem.setDetectionInProgress(true);
    if (m_port.isOpen())
        m_port.close();
    // Worked on copies: a run cut short leaves the working settings alone.
    qint16 port = m_settings.ComPort;
    QString command = m_settings.ModemStrng;
    detector.FindCommPort(port, command);
    m_findings = detector.findings;
    m_foundModem = detector.modemTaken;
    if (detector.stopped()) {
        m_modem.setDetectionInProgress(false);
        Q_EMIT pleaseWaitDone();
        return false;
    }
    if (quiet && !detector.modemTaken) {
        // Opening a port known to hold no modem would only add boxes to what
        // the caller shows; the settings stay as they were.
        m_modem.setDetectionInProgress(false);
        QString why = QStringLiteral("no modem found");
        for (const PortFinding& finding : std::as_const(m_findings)) {
            if (finding.failure == SerialPort::OpenFailure::PermissionDenied) {
                why = QStringLiteral("permission denied on Comm %1").arg(finding.port);
                break;
            }
        }
        m_modem.SetCidStatus(false, why);
        return true;
    }
    m_settings.ComPort = port;
    m_settings.ModemStrng = command;
    // Still running while the result is applied: its boxes keep events
    // flowing, and Start or Reset must not cut in.
    m_modem.ApplyCommSettings();
    // ApplyCommSettings has just judged the answer; an earlier armed check
    // would only find the buffer it emptied.
    m_modem.disarmInitCheck();
    m_modem.setDetectionInProgress(false);
    Q_EMIT settingsApplied();
    return true;
}

} // namespace Quillon

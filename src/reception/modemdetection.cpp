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
                 DetectionHooks hooks)
    : m_iniPath(iniPath)
    , m_port(port)
    , m_clock(clock)
    , m_boxes(boxes)
    , m_log(log)
    , m_hooks(std::move(hooks))
{ }

void MdmCnFg::selectPort(qint16 port)
{
    m_port.setPort(port, commPortDevice(m_iniPath, port));
}

void MdmCnFg::FindCommPort(qint16& nSerialPort, QString& sModemInit)
{
    bool modemFound = false;
    bool modemChosen = false;
    const auto closePleaseWait = [this] {
        if (m_hooks.closePleaseWait)
            m_hooks.closePleaseWait();
    };

    for (qint16 port = FirstPort; port <= LastPort; ++port) {
        // A port that cannot be opened, written or read is simply silent.
        selectPort(port);
        m_port.setSettingsText(ProbeSettings);
        m_port.setReadAllBuffered();
        m_port.open();
        m_port.write(ProbeCommand);
        m_clock.sleep(ProbeWaitMs);
        const QString response = m_port.readAll();
        m_port.close();
        if (!answeredOk(response))
            continue;

        modemFound = true;
        ProbeModemType(port);
        if (!bVoiceFound)
            continue;
        nSerialPort = port;
        m_port.close();
        const MessageBoxes::Answer answer
            = m_boxes.show(QStringLiteral("A modem was found on Comm Port ") + QString::number(port)
                               + QStringLiteral(".\r\nDo you wish to use this modem?"),
                           QStringLiteral("Found Modem"), MessageBoxes::Icon::None, MessageBoxes::Buttons::YesNo);
        if (answer == MessageBoxes::Answer::Yes) {
            closePleaseWait();
            sModemInit = sFoundInit;
            modemChosen = true;
            return;
        }
        sModemInit.clear();
    }
    closePleaseWait();

    if (bVoiceFound && !modemChosen) {
        m_boxes.show(QStringLiteral("There was a voice compatible modem found,\r\n but you elected not to use it."),
                     QStringLiteral("No Modem Selected"), MessageBoxes::Icon::None, MessageBoxes::Buttons::Ok);
        m_log.log(QStringLiteral("A voice compatible modem was not selected."));
    }
    if (!modemFound && nVoicePort == 0) {
        m_boxes.show(QStringLiteral("No modem was detected on your system."), QString(), MessageBoxes::Icon::None,
                     MessageBoxes::Buttons::Ok);
        m_log.log(QStringLiteral("No modem was detected on the system."));
    }
    if (modemFound && !bVoiceFound) {
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
        if (m_portFailed)
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
    if (!m_port.isOpen()) {
        m_portFailed = true; // went away during the wait
        return false;
    }
    const bool accepted = answeredOk(m_port.readAll());
    if (accepted)
        nVoicePort = port;
    return accepted;
}

void DetectModem(MdmCmd& modem, const DetectionHooks& hooks)
{
    MdmCnFg detector(modem.iniPath(), modem.port(), modem.clock(), modem.boxes(), modem.log(), hooks);
    modem.setDetectionInProgress(true);
    if (modem.port().isOpen())
        modem.port().close();
    WorkingSettings& settings = modem.settings();
    detector.FindCommPort(settings.ComPort, settings.ModemStrng);
    modem.setDetectionInProgress(false);
    modem.ApplyCommSettings();
    // ApplyCommSettings has just judged the answer; an earlier armed check
    // would only find the buffer it emptied.
    modem.setTimer2Enabled(false);
    if (hooks.refreshCommSettings)
        hooks.refreshCommSettings();
}

} // namespace Quillon

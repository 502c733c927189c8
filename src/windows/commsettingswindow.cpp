// SPDX-License-Identifier: GPL-2.0-or-later
#include "commsettingswindow.h"

#include "config/modemtypes.h"
#include "config/portmap.h"
#include "config/settingsstore.h"
#include "config/workingsettings.h"
#include "platform/serialport.h"
#include "reception/modemchannel.h"
#include "reception/modemdetection.h"
#include "records/activitylog.h"
#include "windows/centerform.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace Quillon {

namespace {

struct PortOption
{
    const char* name;
    int port;
};

// Option numbers follow the order the options were added, not the screen.
constexpr PortOption portOptions[] = {
    { "Option4", 1 }, { "Option5", 2 }, { "Option6", 3 }, { "Option7", 4 }, { "Option1", 5 }, { "Option2", 6 },
};
constexpr const char* speedOptions[] = { "Option3", "Option18", "Option19" };
constexpr const char* speedTexts[] = { "14400", "28800", "57600" };

void selectNone(QButtonGroup* group)
{
    // An exclusive group keeps one button checked; lift that to clear it.
    group->setExclusive(false);
    const QList<QAbstractButton*> buttons = group->buttons();
    for (QAbstractButton* button : buttons)
        button->setChecked(false);
    group->setExclusive(true);
}

void select(QButtonGroup* group, int id)
{
    if (QAbstractButton* button = group->button(id))
        button->setChecked(true);
    else
        selectNone(group);
}

QRadioButton* addOption(QGroupBox* frame, QButtonGroup* group, const QString& name, const QString& caption, int id)
{
    auto* option = new QRadioButton(caption, frame);
    option->setObjectName(name);
    // Each button is its own option: the group, not the parent, decides.
    option->setAutoExclusive(false);
    frame->layout()->addWidget(option);
    group->addButton(option, id);
    return option;
}

} // namespace

CommSettingsWindow::CommSettingsWindow(QWidget* owner, const QString& iniPath, WorkingSettings& settings,
                                       ActivityLog& log, MdmCmd& modem, ModemDetector& detector)
    : QWidget(owner, Qt::Window)
    , m_iniPath(iniPath)
    , m_settings(settings)
    , m_log(log)
    , m_modem(modem)
    , m_detector(detector)
    , m_ports(new QButtonGroup(this))
    , m_speeds(new QButtonGroup(this))
    , m_modems(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("frmCommSettings"));
    setWindowTitle(QStringLiteral("Communications"));

    auto* frmPort = new QGroupBox(QStringLiteral("Comm Port"), this);
    frmPort->setObjectName(QStringLiteral("frmPort"));
    new QVBoxLayout(frmPort);
    for (const PortOption& option : portOptions)
        addOption(frmPort, m_ports, QLatin1String(option.name), QStringLiteral("Comm %1").arg(option.port),
                  option.port);

    auto* frmPrtSpd = new QGroupBox(QStringLiteral("Port Speed"), this);
    frmPrtSpd->setObjectName(QStringLiteral("frmPrtSpd"));
    new QVBoxLayout(frmPrtSpd);
    for (int i = 0; i < 3; ++i)
        addOption(frmPrtSpd, m_speeds, QLatin1String(speedOptions[i]), QLatin1String(speedTexts[i]), i);

    auto* frmModem = new QGroupBox(QStringLiteral("Modem Type"), this);
    frmModem->setObjectName(QStringLiteral("frmModem"));
    new QVBoxLayout(frmModem);
    const QList<ModemType>& types = modemTypes();
    for (int i = 0; i < types.size(); ++i)
        addOption(frmModem, m_modems, types.at(i).optionName, types.at(i).caption, i);
    static_cast<QVBoxLayout*>(frmModem->layout())->addStretch();

    connect(m_ports, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            onPortChosen(id);
    });
    connect(m_speeds, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            onSpeedChosen(id);
    });
    connect(m_modems, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            onModemChosen(id);
    });

    auto* cmdSave = new QPushButton(QStringLiteral("&Save"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    connect(cmdSave, &QPushButton::clicked, this, &CommSettingsWindow::cmdSave_Click);
    auto* cmdReset = new QPushButton(QStringLiteral("&Reset"), this);
    cmdReset->setObjectName(QStringLiteral("cmdReset"));
    cmdReset->setToolTip(QStringLiteral("Look for the modem on every port again"));
    connect(cmdReset, &QPushButton::clicked, this, &CommSettingsWindow::cmdReset_Click);
    auto* cmdCancel = new QPushButton(QStringLiteral("E&xit"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    for (QPushButton* button : { cmdSave, cmdReset, cmdCancel })
        button->setAutoDefault(true);

    auto* left = new QVBoxLayout;
    left->addWidget(frmPort);
    left->addWidget(frmPrtSpd);
    left->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addWidget(frmModem);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdReset);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // While detection probes, nothing here may change or reopen the port.
    const auto showDetection = [this](bool running) {
        for (QWidget* part : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            part->setEnabled(!running);
    };
    connect(&m_modem, &MdmCmd::detectionRunningChanged, this, showDetection);
    showDetection(m_modem.detectionInProgress());

    Form_Load();
}

CommSettingsWindow::~CommSettingsWindow() = default;

void CommSettingsWindow::Form_Load()
{
    const CommSettings comm = LoadCommSettings(m_iniPath);
    m_log.logCommSettings(comm);
    setCommSettings(m_settings, comm);
    // Port numbers stand for devices; the hint names the one each maps to.
    for (const PortOption& option : portOptions)
        m_ports->button(option.port)->setToolTip(commPortDevice(m_iniPath, option.port));
    adjustSize();
    CenterForm(this);
    CommParameters();
}

void CommSettingsWindow::CommParameters()
{
    // Read all three first: selecting an option writes its working value.
    const int port = m_settings.ComPort;
    const QString speed = m_settings.Baud;
    const int modemType = modemTypeIndexForCommand(m_settings.ModemStrng);

    int speedIndex = -1;
    for (int i = 0; i < 3; ++i) {
        if (speed == QLatin1String(speedTexts[i]))
            speedIndex = i;
    }
    select(m_speeds, speedIndex);
    select(m_ports, port);
    select(m_modems, modemType);
}

void CommSettingsWindow::onPortChosen(int port)
{
    m_settings.ComPort = qint16(port);
}

void CommSettingsWindow::onSpeedChosen(int index)
{
    m_settings.Baud = QLatin1String(speedTexts[index]);
}

void CommSettingsWindow::onModemChosen(int index)
{
    m_settings.ModemStrng = modemTypes().at(index).initCommand;
}

void CommSettingsWindow::cmdSave_Click()
{
    if (m_modem.detectionInProgress())
        return;
    m_modem.ApplyCommSettings();
}

void CommSettingsWindow::cmdReset_Click()
{
    // Detection keeps window events flowing while it waits, so the window
    // may be closed and gone before it returns; while it is open, the
    // window set shows the result as soon as it is applied.
    QPointer<CommSettingsWindow> self(this);
    m_detector.DetectModem();
    if (self)
        CommParameters();
}

} // namespace Quillon

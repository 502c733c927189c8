// SPDX-License-Identifier: GPL-2.0-or-later
#include "networkwindow.h"

#include "network/networkservice.h"
#include "windows/centerform.h"
#include "windows/recordgrid.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace Quillon {

namespace {

template<typename Widget> Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QSpinBox* portBox(QWidget* parent, const char* name)
{
    auto* box = named(new QSpinBox(parent), name);
    box->setRange(1, 65535);
    return box;
}

} // namespace

NetworkWindow::NetworkWindow(QWidget* owner, NetworkService& network)
    : QWidget(owner, Qt::Window)
    , m_network(network)
{
    setObjectName(QStringLiteral("frmNetwork"));
    setWindowTitle(QStringLiteral("Network"));

    auto* frmShare = named(new QGroupBox(QStringLiteral("Share Calls"), this), "frmShare");
    m_share = named(new QCheckBox(QStringLiteral("&Share calls with displays on the network"), frmShare), "chkShare");
    m_sharePort = portBox(frmShare, "txtSharePort");
    m_shareAllHosts
        = named(new QCheckBox(QStringLiteral("Accept displays on &other computers"), frmShare), "chkShareAllHosts");
    m_shareLog = named(new QSpinBox(frmShare), "txtShareLog");
    m_shareLog->setRange(0, 1000000);
    auto* shareLayout = new QFormLayout(frmShare);
    shareLayout->addRow(m_share);
    shareLayout->addRow(QStringLiteral("&Port:"), m_sharePort);
    shareLayout->addRow(m_shareAllHosts);
    shareLayout->addRow(QStringLiteral("&Calls sent at connect:"), m_shareLog);

    auto* frmSource = named(new QGroupBox(QStringLiteral("Call Source"), this), "frmSource");
    m_fromModem
        = named(new QRadioButton(QStringLiteral("The &modem (Communications settings)"), frmSource), "optModem");
    m_fromServer
        = named(new QRadioButton(QStringLiteral("A caller-ID &server on the network"), frmSource), "optServer");
    m_serverHost = named(new QLineEdit(frmSource), "txtServerHost");
    m_serverPort = portBox(frmSource, "txtServerPort");
    auto* sourceLayout = new QFormLayout(frmSource);
    sourceLayout->addRow(m_fromModem);
    sourceLayout->addRow(m_fromServer);
    sourceLayout->addRow(QStringLiteral("&Host:"), m_serverHost);
    sourceLayout->addRow(QStringLiteral("Po&rt:"), m_serverPort);

    auto* cmdSave = named(new QPushButton(QStringLiteral("Sa&ve"), this), "cmdSave");
    auto* cmdExit = named(new QPushButton(QStringLiteral("E&xit"), this), "cmdExit");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdSave);
    buttons->addStretch();
    buttons->addWidget(cmdExit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frmShare);
    layout->addWidget(frmSource);
    layout->addLayout(buttons);

    connect(m_share, &QCheckBox::toggled, this, &NetworkWindow::enableFields);
    connect(m_fromServer, &QRadioButton::toggled, this, &NetworkWindow::enableFields);
    connect(cmdSave, &QPushButton::clicked, this, &NetworkWindow::cmdSave_Click);
    connect(cmdExit, &QPushButton::clicked, this, &QWidget::close);

    showSettings();
    fixMinimumSize(this);
    CenterForm(this);
}

NetworkWindow::~NetworkWindow() = default;

void NetworkWindow::showSettings()
{
    const NetworkSettings& settings = m_network.settings();
    m_share->setChecked(settings.Share);
    m_sharePort->setValue(settings.SharePort);
    m_shareAllHosts->setChecked(settings.ShareAllHosts);
    m_shareLog->setValue(settings.ShareLog);
    (settings.Receive ? m_fromServer : m_fromModem)->setChecked(true);
    m_serverHost->setText(settings.ServerHost);
    m_serverPort->setValue(settings.ServerPort);
    enableFields();
}

void NetworkWindow::enableFields()
{
    for (QWidget* field : { static_cast<QWidget*>(m_sharePort), static_cast<QWidget*>(m_shareAllHosts),
                            static_cast<QWidget*>(m_shareLog) })
        field->setEnabled(m_share->isChecked());
    m_serverHost->setEnabled(m_fromServer->isChecked());
    m_serverPort->setEnabled(m_fromServer->isChecked());
}

void NetworkWindow::cmdSave_Click()
{
    NetworkSettings& settings = m_network.settings();
    settings.Share = m_share->isChecked();
    settings.SharePort = m_sharePort->value();
    settings.ShareAllHosts = m_shareAllHosts->isChecked();
    settings.ShareLog = m_shareLog->value();
    settings.Receive = m_fromServer->isChecked();
    const QString host = m_serverHost->text().trimmed();
    if (!host.isEmpty())
        settings.ServerHost = host;
    settings.ServerPort = m_serverPort->value();
    m_network.save();
    showSettings();
}

} // namespace Quillon

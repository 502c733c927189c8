// SPDX-License-Identifier: GPL-2.0-or-later
#include "firstrunwindow.h"

#include "platform/appinfo.h"
#include "windows/centerform.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace Quillon {

namespace {

QString portText(const PortFinding& finding)
{
    if (finding.voice)
        return QStringLiteral("a caller-ID modem, not chosen");
    if (finding.answered)
        return QStringLiteral("a modem that cannot report caller ID");
    switch (finding.failure) {
    case SerialPort::OpenFailure::None:
        return QStringLiteral("no answer");
    case SerialPort::OpenFailure::NoDevice:
        return QStringLiteral("nothing there");
    case SerialPort::OpenFailure::PermissionDenied:
        return QStringLiteral("permission denied");
    case SerialPort::OpenFailure::InUse:
        return QStringLiteral("in use by another program");
    case SerialPort::OpenFailure::Other:
        break;
    }
    return QStringLiteral("could not be opened");
}

} // namespace

QString frmFirstRun::findingsText(const QList<PortFinding>& findings)
{
    QStringList lines;
    for (const PortFinding& finding : findings) {
        const QString device = finding.device.isEmpty() ? QStringLiteral("no device set") : finding.device;
        lines << QStringLiteral("Comm %1 (%2): ").arg(finding.port).arg(device) + portText(finding);
    }
    return lines.join(QLatin1Char('\n'));
}

QString frmFirstRun::whyText(const QList<PortFinding>& findings)
{
    for (const PortFinding& finding : findings) {
        if (finding.failure == SerialPort::OpenFailure::PermissionDenied)
            return QStringLiteral("You may not use the serial ports yet. To be allowed, run\n"
                                  "    sudo adduser $USER dialout\n"
                                  "then log out and log in again, and choose Look Again.");
    }
    for (const PortFinding& finding : findings) {
        if (finding.voice)
            return QStringLiteral("A caller-ID modem was found but not chosen. Look Again offers it once more.");
    }
    return QStringLiteral("Plug in a voice modem and choose Look Again (a modem plugged in later is offered "
                          "by itself), or receive calls from a caller-ID server on the network.");
}

frmFirstRun::frmFirstRun(const QList<PortFinding>& findings, bool simulatorInstalled, QWidget* owner)
    : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("frmFirstRun"));
    setWindowTitle(QStringLiteral("Set Up ") + programTitle());
    setAttribute(Qt::WA_DeleteOnClose);

    auto* lblFound = new QLabel(QStringLiteral("No caller-ID modem was found."), this);
    lblFound->setObjectName(QStringLiteral("lblFound"));
    QFont heading = lblFound->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.2);
    lblFound->setFont(heading);
    auto* lblPorts = new QLabel(findingsText(findings), this);
    lblPorts->setObjectName(QStringLiteral("lblPorts"));
    lblPorts->setTextFormat(Qt::PlainText);
    lblPorts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* lblWhy = new QLabel(whyText(findings), this);
    lblWhy->setObjectName(QStringLiteral("lblWhy"));
    lblWhy->setTextFormat(Qt::PlainText);
    lblWhy->setWordWrap(true);
    lblWhy->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto button = [this](const char* name, const QString& caption, void (frmFirstRun::*signal)()) {
        auto* pushButton = new QPushButton(caption, this);
        pushButton->setObjectName(QLatin1String(name));
        pushButton->setAutoDefault(true);
        connect(pushButton, &QPushButton::clicked, this, signal);
        return pushButton;
    };
    QPushButton* cmdLookAgain = button("cmdLookAgain", QStringLiteral("&Look Again"), &frmFirstRun::lookAgain);
    QPushButton* cmdServer
        = button("cmdServer", QStringLiteral("Use a &Server on the Network..."), &frmFirstRun::useServer);
    QPushButton* cmdSimulator
        = button("cmdSimulator", QStringLiteral("Try the Si&mulated Modem..."), &frmFirstRun::trySimulator);
    cmdSimulator->setVisible(simulatorInstalled);
    QPushButton* cmdComm
        = button("cmdComm", QStringLiteral("Open &Communications..."), &frmFirstRun::openCommunications);
    auto* cmdClose = new QPushButton(QStringLiteral("Cl&ose"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    // Each step leads elsewhere; this window has done its part.
    for (QPushButton* onward : { cmdServer, cmdComm })
        connect(onward, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* each : { cmdLookAgain, cmdServer, cmdSimulator, cmdComm })
        buttons->addWidget(each);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* text = new QVBoxLayout;
    text->addWidget(lblFound);
    text->addWidget(lblPorts);
    text->addSpacing(8);
    text->addWidget(lblWhy);
    text->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(text, 1);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    lblWhy->setMinimumWidth(360);
    cmdLookAgain->setFocus();
    adjustSize();
    CenterForm(this);
}

} // namespace Quillon

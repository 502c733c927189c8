// SPDX-License-Identifier: GPL-2.0-or-later
// What a start without a modem found, and the ways on from there, in one window.
#pragma once

#include "reception/modemdetection.h"

#include <QWidget>

class QLabel;

namespace Quillon {

class frmFirstRun final : public QWidget
{
    Q_OBJECT

public:
    // simulatorInstalled: the modem simulator can be offered.
    frmFirstRun(const QList<PortFinding>& findings, bool simulatorInstalled, QWidget* owner = nullptr);

    // One line per port tried: "Comm 5 (/dev/ttyACM0): permission denied".
    static QString findingsText(const QList<PortFinding>& findings);
    // Why nothing could be used, with the fix when it is the serial ports' permissions.
    static QString whyText(const QList<PortFinding>& findings);

Q_SIGNALS:
    void lookAgain();
    void useServer();
    void trySimulator();
    void openCommunications();
};

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QWidget>

namespace Quillon {

// Shown in front of the main window while detection looks for the modem.
class frmCnfg final : public QWidget
{
    Q_OBJECT

public:
    frmCnfg();

    // Names the port being tried.
    void showPort(int port, const QString& devicePath);
};

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
// frmNetwork: sharing calls with displays on the network, and where calls
// come from (the modem, or a caller-ID server). Save stores and applies the
// choices at once; Exit leaves without storing.
#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace Quillon {

class NetworkService;

class NetworkWindow : public QWidget
{
    Q_OBJECT

public:
    NetworkWindow(QWidget* owner, NetworkService& network);
    ~NetworkWindow() override;
    Q_DISABLE_COPY_MOVE(NetworkWindow)

    // Shows the working settings.
    void showSettings();
    void cmdSave_Click();

private:
    void enableFields();

    NetworkService& m_network;
    QCheckBox* m_share;
    QSpinBox* m_sharePort;
    QCheckBox* m_shareAllHosts;
    QSpinBox* m_shareLog;
    QRadioButton* m_fromModem;
    QRadioButton* m_fromServer;
    QLineEdit* m_serverHost;
    QSpinBox* m_serverPort;
};

} // namespace Quillon

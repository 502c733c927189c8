// SPDX-License-Identifier: GPL-2.0-or-later
// frmCommSettings: serial port, port speed and modem type. A choice takes
// effect in the working settings at once; Save stores it and reopens the
// port, Reset reruns modem detection.
#pragma once

#include <QWidget>

class QButtonGroup;

namespace Quillon {

class ActivityLog;
class MdmCmd;
class ModemDetector;
struct WorkingSettings;

class CommSettingsWindow : public QWidget
{
    Q_OBJECT

public:
    // The choices go into settings; iniPath holds the stored ones.
    CommSettingsWindow(QWidget* owner, const QString& iniPath, WorkingSettings& settings, ActivityLog& log,
                       MdmCmd& modem, ModemDetector& detector);
    ~CommSettingsWindow() override;
    Q_DISABLE_COPY_MOVE(CommSettingsWindow)

    // Reads the stored serial-port group into the working settings, centres
    // the window and shows the settings.
    void Form_Load();
    // Selects the options that match the working settings; none in a group
    // whose working value has no option.
    void CommParameters();
    void cmdSave_Click();
    void cmdReset_Click();

private:
    void onPortChosen(int port);
    void onSpeedChosen(int index);
    void onModemChosen(int index);

    QString m_iniPath;
    WorkingSettings& m_settings;
    ActivityLog& m_log;
    MdmCmd& m_modem;
    ModemDetector& m_detector;
    QButtonGroup* m_ports;
    QButtonGroup* m_speeds;
    QButtonGroup* m_modems;
};

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
// The program's start-up: builds every part around the injected platform
// services, loads and shows the main window, then starts reception.
#pragma once

#include "app/filelocations.h"
#include "app/firstrunwindow.h"
#include "app/maindisplaywindow.h"
#include "app/pleasewaitwindow.h"
#include "config/workingsettings.h"
#include "network/networkservice.h"
#include "reception/callpipeline.h"
#include "reception/modemchannel.h"
#include "reception/modemdetection.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

namespace Quillon {

class Clock;
class HelpViewer;
class MessageBoxes;
class SerialPort;
class SingleInstance;
class SoundPlayer;
class WindowSet;

struct AppServices
{
    Clock& clock;
    MessageBoxes& boxes;
    SoundPlayer& sound;
    HelpViewer& help;
    SerialPort& port;
};

class Application final : public QObject
{
    Q_OBJECT

public:
    enum class StartResult
    {
        Running, // the window is up; the event loop takes over
        AlreadyRunning, // another copy runs in this directory: end silently
        NoDatabase, // the database could not be opened: its box was shown
    };

    Application(const FileLocations& files, const AppServices& services, QObject* parent = nullptr);
    // Every file in appDir.
    Application(const QString& appDir, const AppServices& services, QObject* parent = nullptr);
    ~Application() override;
    Q_DISABLE_COPY_MOVE(Application)

    // minimized: start hidden in the tray, when there is a tray to come back from.
    StartResult Main(bool minimized = false);

    // True once the user has ended the program (Exit, or closing the window).
    bool ended() const { return m_ended; }

    const FileLocations& files() const { return m_files; }
    QString iniPath() const { return m_files.iniPath(); }
    WorkingSettings& settings() { return m_settings; }
    ActivityLog& log() { return m_log; }
    CallDatabase& database() { return m_database; }
    MdmCmd& modem() { return m_modem; }
    ModemDetector& detector() { return m_detector; }
    ProcessCid& pipeline() { return m_pipeline; }
    NetworkService& network() { return m_network; }
    frmCIDDisplay* mainWindow() { return &m_window; }
    WindowSet* windows() const { return &m_window.windows(); }
    // The please-wait window while the first start looks for the modem.
    frmCnfg* pleaseWait() const { return m_pleaseWait; }
    frmFirstRun* firstRunWindow() const { return m_firstRun; }

Q_SIGNALS:
    void programEnded();

private:
    bool Form_Load();
    void firstRunConfiguration();
    // Quiet detection; the window with what it found when no modem was taken.
    bool lookForModem();
    void showFirstRun();
    void finishWaitingCalls();
    void closePleaseWait();

    // Built in this order, each from those before it; the window last, so
    // it goes first and nothing reports to it once it is gone.
    FileLocations m_files;
    AppServices m_services;
    WorkingSettings m_settings;
    std::unique_ptr<SingleInstance> m_instance; // once Main() has it
    ActivityLog m_log;
    CallDatabase m_database;
    MdmCmd m_modem;
    ModemDetector m_detector;
    ProcessCid m_pipeline;
    NetworkService m_network;
    frmCIDDisplay m_window;
    QPointer<frmCnfg> m_pleaseWait;
    QPointer<frmFirstRun> m_firstRun;
    bool m_ended = false;
    bool m_windowShown = false;
    bool m_ending = false; // the program's end has begun

    bool m_iniUnreadable = false;
};

} // namespace Quillon

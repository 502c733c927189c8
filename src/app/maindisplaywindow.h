// SPDX-License-Identifier: GPL-2.0-or-later
// The main window: menus, toolbar, call list, status bar, tray icon and the
// three timers that drive reception.
#pragma once

#include "app/autostart.h"
#include "app/callnotifywindow.h"
#include "app/filelocations.h"
#include "platform/statusdisplay.h"
#include "reception/callview.h"

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>

#include <functional>

class QAction;
class QLabel;
class QSystemTrayIcon;
class QTimer;
class QToolBar;
class QTreeWidget;

namespace Quillon {

class ActivityLog;
class CallStore;
class Clock;
class HelpViewer;
class MdmCmd;
class MessageBoxes;
class NetworkService;
class ProcessCid;
class SerialPort;
class SoundPlayer;
class WindowSet;
struct WorkingSettings;

// What the main window works with; every member outlives the window.
struct MainWindowServices
{
    FileLocations files;
    WorkingSettings& settings;
    ActivityLog& log;
    Clock& clock;
    MessageBoxes& boxes;
    SoundPlayer& sound;
    HelpViewer& help;
    SerialPort& port;
};

class frmCIDDisplay final : public QMainWindow, public StatusDisplay, public CallView
{
    Q_OBJECT

public:
    explicit frmCIDDisplay(const MainWindowServices& services);
    ~frmCIDDisplay() override;

    // Reception parts are built after the window, which they report to.
    void attachReception(MdmCmd* modem, ProcessCid* pipeline);
    // With calls from a network server, Start and Suspend act on its connection.
    void attachNetwork(NetworkService* network) { m_network = network; }
    void setWindowSet(WindowSet* windows);
    // Calls waiting to be stored: counted in the status bar, retried by
    // Timer3, their troubles told in a box.
    void attachCallStore(CallStore* store);

    // Load steps that belong to the window itself.
    void addTrayIcon();
    void removeTrayIcon();
    void setCheckMarks();
    void prepareCallList();
    void startTimers(); // Timer1 off, Timer2 and Timer3 on
    // Shows the window, or with minimized keeps it in the tray when there is one.
    void showAtStart(bool minimized);

    // StatusDisplay
    void showReady(bool ready) override;

    // CallView
    void PlayRingSound() override;
    void AddCallToList(const QString& name, const QString& number) override;
    void ShowCallNotify(const QString& name, const QString& number) override;
    void SelectNewestCall() override;

    // Commands, as the menus and the toolbar run them.
    void Start_Click();
    void Suspend_Click();
    void Exit_Click();
    void CIDHelp_Click();
    void Toolbar1_ButtonClick(const QString& key);

    // Received text (or call text kept by the modem channel): the pipeline's
    // settle period starts or goes on.
    void MSComm1_OnComm();

    // Timer handlers.
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();

    // Tray icon double-click: back to a normal, visible window.
    void restoreFromTray();
    // Logout, shutdown or Ctrl+C: close without the exit question, which
    // nobody may be there to answer while the session waits to end.
    void closeWithoutAsking();

    // The popup, while it is loaded; for tests.
    frmSplash* splash() const { return m_splash; }
    QDateTime splashCloseTime() const { return m_splashCloseTime; }
    QSystemTrayIcon* trayIcon() const { return m_tray; }
    bool trayIconAdded() const { return m_trayAdded; }
    QString statusText() const;
    // "N calls waiting to be stored", or empty while none waits.
    QString waitingText() const;
    bool closingWithoutAsking() const { return m_closeWithoutAsking; }
    QTimer* timer(int number) const;

    // Whether minimising may hide the window; a tray is needed to get it back.
    void setTrayAvailableCheck(std::function<bool()> check) { m_trayAvailable = std::move(check); }

Q_SIGNALS:
    // The program should end now (Exit, or the window was closed).
    void programEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The toggles run when their item is triggered, its mark already flipped.
    void RingIn_Click();
    void EnableLog_Click();
    void Enable_Notify_Click();
    void Call_Reject_Click();
    void ExtDelay_Click();
    void StartWithDesktop_Click();

    bool receivingFromNetwork() const;
    bool Form_QueryUnload();
    void Form_Unload();
    void buildMenus();
    enum class Window
    {
        Communications,
        Format,
        Network,
        Search,
        Reject,
        PhoneIndex,
        Translate,
        About
    };
    QAction* addOpener(QWidget* menu, const QString& name, const QString& caption, Window which);
    void openWindow(Window which);
    void buildToolbar();
    void buildCallList();
    QAction* toolbarButton(const QString& key, const QString& tooltip, const QString& themeIcon,
                           const QString& fallback);
    bool toggle(QAction* item, const QString& key);
    void setColumnWidths();
    void closeSplash();
    QAction* action(const QString& name) const;

    FileLocations m_files;
    QString m_iniPath;
    Autostart m_autostart;
    WorkingSettings& m_settings;
    ActivityLog& m_log;
    Clock& m_clock;
    MessageBoxes& m_boxes;
    SoundPlayer& m_sound;
    HelpViewer& m_help;
    SerialPort& m_port;
    MdmCmd* m_modem = nullptr;
    ProcessCid* m_pipeline = nullptr;
    NetworkService* m_network = nullptr;
    WindowSet* m_windows = nullptr; // outlives the window's use of it

    QToolBar* m_toolbar = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_statusPanel = nullptr;
    QLabel* m_waitingPanel = nullptr;
    CallStore* m_store = nullptr;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
    QTimer* m_timer3 = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    bool m_trayAdded = false;
    std::function<bool()> m_trayAvailable;

    QPointer<frmSplash> m_splash;
    QDateTime m_splashCloseTime; // invalid = long past
    bool m_closeWithoutAsking = false;
};

} // namespace Quillon

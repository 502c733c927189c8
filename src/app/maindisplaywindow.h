// SPDX-License-Identifier: GPL-2.0-or-later
// The main window: menus, toolbar, call list, status bar, tray icon and the
// three timers that drive reception.
#pragma once

#include "app/autostart.h"
#include "app/callnotifywindow.h"
#include "app/desktopnotifier.h"
#include "app/filelocations.h"

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
class CallDatabase;
class CallStore;
class Clock;
class HelpViewer;
class MdmCmd;
class MessageBoxes;
class ModemDetector;
class NetworkService;
class ProcessCid;
class SoundPlayer;
class WindowSet;
struct CidCall;
struct WorkingSettings;

// What the main window works with; every part is built before the window
// and outlives it.
struct MainWindowParts
{
    FileLocations files;
    WorkingSettings& settings;
    ActivityLog& log;
    Clock& clock;
    MessageBoxes& boxes;
    SoundPlayer& sound;
    HelpViewer& help;
    CallDatabase& database;
    MdmCmd& modem;
    ModemDetector& detector;
    ProcessCid& pipeline;
    // With calls from a network server, Start and Suspend act on its connection.
    NetworkService& network;
};

// Listens to the core: the ready status, each call's steps and the timers'
// states come as signals; menus and toolbar call back into it.
class frmCIDDisplay final : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmCIDDisplay(const MainWindowParts& parts);
    ~frmCIDDisplay() override;

    // Load steps that belong to the window itself.
    void addTrayIcon();
    void removeTrayIcon();
    void setCheckMarks();
    void prepareCallList();
    void startTimers(); // Timer1 off, Timer2 and Timer3 on
    // Shows the window, or with minimized keeps it in the tray when there is one.
    void showAtStart(bool minimized);

    // "Not Ready: " and why, when a reason is known.
    void showReady(bool ready, const QString& why = {});

    // The call steps that belong to the window.
    void PlayRingSound();
    // New row on top of the call list; the window title becomes the name.
    // rejected: the row is marked (an icon, and "Rejected" as its tip).
    void AddCallToList(const QString& name, const QString& number, bool rejected = false);
    // With notify on, a notice when the window is minimised, or (a switch of
    // its own) open but not the active window: the desktop's, else the popup.
    void ShowCallNotify(const QString& name, const QString& number, bool rejected = false);
    void SelectNewestCall();

    // Commands, as the menus and the toolbar run them.
    void Start_Click();
    void Suspend_Click();
    void Exit_Click();
    void CIDHelp_Click();
    void Toolbar1_ButtonClick(const QString& key);

    // Timer handlers; the core decides whether Timer1 and Timer2 run.
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
    DesktopNotifier* notifier() const { return m_notifier; }
    bool trayIconAdded() const { return m_trayAdded; }
    QString statusText() const;
    // "N calls waiting to be stored", or empty while none waits.
    QString waitingText() const;
    bool closingWithoutAsking() const { return m_closeWithoutAsking; }
    QTimer* timer(int number) const;
    WindowSet& windows() const { return *m_windows; }

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
    void NotifyInactive_Click();
    void Call_Reject_Click();
    void ExtDelay_Click();
    void StartWithDesktop_Click();

    bool receivingFromNetwork() const;
    void connectCore(CallStore& store);
    bool Form_QueryUnload();
    void Form_Unload();
    void buildMenus();
    enum class Window
    {
        Communications,
        Format,
        Network,
        Blocking,
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
    void showSplash(const CallNotice& notice);
    bool isListed(const QString& number) const;
    void updateTrayToolTip();
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
    CallDatabase& m_database;
    CallStore& m_store;
    MdmCmd& m_modem;
    ProcessCid& m_pipeline;
    NetworkService& m_network;
    WindowSet* m_windows = nullptr; // a child: closed and gone with the window

    QToolBar* m_toolbar = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_statusPanel = nullptr;
    QLabel* m_waitingPanel = nullptr;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
    QTimer* m_timer3 = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    DesktopNotifier* m_notifier = nullptr;
    bool m_trayAdded = false;
    std::function<bool()> m_trayAvailable;

    QString m_lastCall; // "name, number at time"
    int m_widestNumber = 0; // of the numbers listed, in pixels
    int m_unseenCalls = 0; // listed while the window was not the active one
    QPointer<frmSplash> m_splash;
    QDateTime m_splashCloseTime; // invalid = long past
    bool m_closeWithoutAsking = false;
};

} // namespace Quillon

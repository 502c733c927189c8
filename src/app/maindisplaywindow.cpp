// SPDX-License-Identifier: GPL-2.0-or-later
#include "maindisplaywindow.h"

#include "app/callnotifywindow.h"
#include "app/transfermenu.h"
#include "config/settingsstore.h"
#include "config/workingsettings.h"
#include "network/networkservice.h"
#include "platform/appinfo.h"
#include "platform/clock.h"
#include "platform/datetimetext.h"
#include "platform/helpviewer.h"
#include "platform/messageboxes.h"
#include "platform/soundplayer.h"
#include "reception/callpipeline.h"
#include "reception/modemchannel.h"
#include "reception/modemdetection.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"
#include "records/callstore.h"
#include "windows/calleractions.h"
#include "windows/windowset.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

// The icons live in the static GUI library, whose resource initialiser the
// linker would drop; it must be named from the global namespace.
static void initIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace Quillon {

namespace {

// The call list's margins inside the area between toolbar and status bar,
// in pixels (15 twips each): left 240, right 255, bottom 240 twips.
constexpr int kListLeft = 16;
constexpr int kListTop = 4;
constexpr int kListRight = 17;
constexpr int kListBottom = 16;
// Inner area as laid out: 7470 by 3270 twips.
constexpr int kInnerWidth = 498;
constexpr int kInnerHeight = 218;

QString exitQuestion()
{
    return QStringLiteral("Are you sure you want to quit?");
}

QString suspendedText()
{
    return QStringLiteral("suspended");
}

} // namespace

frmCIDDisplay::frmCIDDisplay(const MainWindowParts& parts)
    : m_files(parts.files)
    , m_iniPath(parts.files.iniPath())
    , m_autostart(parts.files.autostartDir, QCoreApplication::applicationFilePath())
    , m_settings(parts.settings)
    , m_log(parts.log)
    , m_clock(parts.clock)
    , m_boxes(parts.boxes)
    , m_sound(parts.sound)
    , m_help(parts.help)
    , m_database(parts.database)
    , m_store(parts.database.store())
    , m_modem(parts.modem)
    , m_pipeline(parts.pipeline)
    , m_network(parts.network)
    , m_trayAvailable([] { return QSystemTrayIcon::isSystemTrayAvailable(); })
{
    initIconResources();
    setObjectName(QStringLiteral("frmCIDDisplay"));
    setWindowTitle(programTitle());
    setWindowIcon(QIcon(QStringLiteral(":/icons/quilloncid.png")));

    buildMenus();
    buildToolbar();
    buildCallList();

    auto* statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("StatusBar1"));
    statusBar->setSizeGripEnabled(true);
    m_statusPanel = new QLabel(statusBar);
    m_statusPanel->setObjectName(QStringLiteral("Panel1"));
    statusBar->addWidget(m_statusPanel, 1);
    m_waitingPanel = new QLabel(statusBar);
    m_waitingPanel->setObjectName(QStringLiteral("WaitingPanel"));
    m_waitingPanel->hide();
    statusBar->addPermanentWidget(m_waitingPanel);
    setStatusBar(statusBar);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(100);
    connect(m_timer1, &QTimer::timeout, this, &frmCIDDisplay::Timer1_Timer);
    m_timer2 = new QTimer(this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_timer2->setInterval(100);
    connect(m_timer2, &QTimer::timeout, this, &frmCIDDisplay::Timer2_Timer);
    m_timer3 = new QTimer(this);
    m_timer3->setObjectName(QStringLiteral("Timer3"));
    m_timer3->setInterval(5000);
    connect(m_timer3, &QTimer::timeout, this, &frmCIDDisplay::Timer3_Timer);

    m_tray = new QSystemTrayIcon(windowIcon(), this);
    m_tray->setObjectName(QStringLiteral("TrayIcon"));
    m_tray->setToolTip(programTitle());
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // Today's trays send a click as Trigger and never a double-click;
        // old ones send both. Either brings the window back.
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            restoreFromTray();
    });
    auto* trayMenu = new QMenu(this);
    trayMenu->setObjectName(QStringLiteral("TrayMenu"));
    trayMenu->addAction(QStringLiteral("&Restore"), this, &frmCIDDisplay::restoreFromTray)
        ->setObjectName(QStringLiteral("TrayRestore"));
    trayMenu->addAction(QStringLiteral("E&xit"), this, &frmCIDDisplay::Exit_Click)
        ->setObjectName(QStringLiteral("TrayExit"));
    m_tray->setContextMenu(trayMenu);

    m_notifier = new DesktopNotifier(QDBusConnection::sessionBus(), this);
    m_notifier->setObjectName(QStringLiteral("DesktopNotifier"));
    connect(m_notifier, &DesktopNotifier::failed, this, &frmCIDDisplay::showSplash);
    connect(m_notifier, &DesktopNotifier::showRequested, this, &frmCIDDisplay::restoreFromTray);
    connect(m_notifier, &DesktopNotifier::rejectRequested, this, [this](const QString& name, const QString& number) {
        restoreFromTray();
        m_windows->rejectCaller(name, number);
    });
    connect(m_notifier, &DesktopNotifier::translateRequested, this, [this](const QString& name, const QString& number) {
        restoreFromTray();
        m_windows->translateCaller(name, number);
    });

    resize(kInnerWidth, kInnerHeight + menuBar()->sizeHint().height());

    m_windows = new WindowSet(
        this,
        WindowParts { m_iniPath, m_settings, m_log, m_modem, parts.detector, parts.database, m_network, m_boxes });
    // Owned by the window, whose menu it extends.
    new TransferMenu(this, parts.database, m_settings, m_boxes, m_windows);
    connectCore(m_store);
}

frmCIDDisplay::~frmCIDDisplay()
{
    // The popup has no owner; it must not outlive the window that shows it.
    delete m_splash.data();
}

// Direct connections: each step shows before the pipeline takes the next.
void frmCIDDisplay::connectCore(CallStore& store)
{
    connect(&m_modem, &MdmCmd::cidStatusChanged, this, &frmCIDDisplay::showReady);
    // The core decides; the timers follow.
    const auto follow = [](QTimer* timer) {
        return [timer](bool enabled) {
            if (!enabled)
                timer->stop();
            else if (!timer->isActive())
                timer->start();
        };
    };
    connect(&m_pipeline, &ProcessCid::timer1Changed, m_timer1, follow(m_timer1));
    connect(&m_modem, &MdmCmd::timer2Changed, m_timer2, follow(m_timer2));
    connect(&m_pipeline, &ProcessCid::ringRequested, this, &frmCIDDisplay::PlayRingSound);
    connect(&m_pipeline, &ProcessCid::callListed, this,
            [this](const CidCall& call) { AddCallToList(call.Name, call.Number, call.Rejected); });
    connect(&m_pipeline, &ProcessCid::noticeRequested, this,
            [this](const CidCall& call) { ShowCallNotify(call.Name, call.Number, call.Rejected); });
    connect(&m_pipeline, &ProcessCid::reportDone, this, &frmCIDDisplay::SelectNewestCall);
    // Detection has the port to itself: Start and Suspend wait until it is done.
    connect(&m_modem, &MdmCmd::detectionRunningChanged, this, [this](bool running) {
        for (const char* name : { "Start", "Suspend", "StrtBtn", "SpndBtn" })
            action(QLatin1String(name))->setEnabled(!running);
    });

    // Calls waiting to be stored: counted in the status bar, retried by
    // Timer3, their troubles told in a box.
    connect(&store, &CallStore::waitingChanged, this, [this](qsizetype count) {
        m_waitingPanel->setText(count == 1 ? QStringLiteral("1 call waiting to be stored")
                                           : QStringLiteral("%1 calls waiting to be stored").arg(count));
        m_waitingPanel->setVisible(count > 0);
    });
    // Open lists of stored calls show them once they are in the file, calls
    // that waited among them.
    connect(&store, &CallStore::callsStored, this, [this] { m_windows->callStored(); });
    // Queued: the call in hand is shown and the modem re-initialised before
    // a box holds anything up.
    connect(
        &store, &CallStore::notStored, this,
        [this](const QString& reason) {
            m_boxes.show(QStringLiteral("A call could not be stored in CallerID.mdb: ") + reason
                             + QStringLiteral(".\r\nIt is kept and stored as soon as the database takes it again; "
                                              "the status bar counts the calls waiting."),
                         QStringLiteral("Call Not Stored"), MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::Ok);
        },
        Qt::QueuedConnection);
    connect(
        &store, &CallStore::damaged, this,
        [this](const QString& detail) {
            m_boxes.show(QStringLiteral("CallerID.mdb is damaged (") + detail.left(200)
                             + QStringLiteral(").\r\nCalls are still shown, but nothing more is written to the file; "
                                              "calls waiting to be stored are kept in CallsNotStored.txt beside "
                                              "CID.Log.\r\nHelp Topics tells how to recover the file."),
                         QStringLiteral("Database Damaged"), MessageBoxes::Icon::Stop, MessageBoxes::Buttons::Ok);
        },
        Qt::QueuedConnection);
}

QAction* frmCIDDisplay::addOpener(QWidget* menu, const QString& name, const QString& caption, Window which)
{
    auto* item = new QAction(caption, this);
    item->setObjectName(name);
    menu->addAction(item);
    connect(item, &QAction::triggered, this, [this, which] { openWindow(which); });
    return item;
}

void frmCIDDisplay::openWindow(Window which)
{
    switch (which) {
    case Window::Communications:
        m_windows->openCommunications();
        break;
    case Window::Format:
        m_windows->openFormat();
        break;
    case Window::Network:
        m_windows->openNetwork();
        break;
    case Window::Blocking:
        m_windows->openBlocking();
        break;
    case Window::Search:
        m_windows->openSearch();
        break;
    case Window::Reject:
        m_windows->openReject();
        break;
    case Window::PhoneIndex:
        m_windows->openPhoneIndex();
        break;
    case Window::Translate:
        m_windows->openTranslate();
        break;
    case Window::About:
        m_windows->openAbout();
        break;
    }
}

void frmCIDDisplay::buildMenus()
{
    QMenuBar* bar = menuBar();
    auto addItem = [this](QWidget* menu, const QString& name, const QString& caption, void (frmCIDDisplay::*slot)(),
                          bool checkable = false) {
        auto* item = new QAction(caption, this);
        item->setObjectName(name);
        item->setCheckable(checkable);
        menu->addAction(item);
        connect(item, &QAction::triggered, this, slot);
        return item;
    };
    auto addSeparator = [](QMenu* menu, const QString& name) { menu->addSeparator()->setObjectName(name); };
    QMenu* program = bar->addMenu(QStringLiteral("&QuillonCID"));
    program->setObjectName(QStringLiteral("QuillonCID"));
    addItem(program, QStringLiteral("Start"), QStringLiteral("&Start"), &frmCIDDisplay::Start_Click);
    addItem(program, QStringLiteral("Suspend"), QStringLiteral("S&uspend"), &frmCIDDisplay::Suspend_Click);
    addSeparator(program, QStringLiteral("Space1"));
    addItem(program, QStringLiteral("Exit"), QStringLiteral("E&xit"), &frmCIDDisplay::Exit_Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q)); // not every desktop's standard Quit has a key

    QMenu* settings = bar->addMenu(QStringLiteral("Se&ttings"));
    settings->setObjectName(QStringLiteral("Settings"));
    addOpener(settings, QStringLiteral("Communications"), QStringLiteral("&Communications"), Window::Communications);
    addOpener(settings, QStringLiteral("Format"), QStringLiteral("&Number Format"), Window::Format);
    addOpener(settings, QStringLiteral("Network"), QStringLiteral("Net&work"), Window::Network);
    addOpener(settings, QStringLiteral("Blocking"), QStringLiteral("&Blocking"), Window::Blocking);
    addSeparator(settings, QStringLiteral("space3"));
    addItem(settings, QStringLiteral("RingIn"), QStringLiteral("E&mulate Ring"), &frmCIDDisplay::RingIn_Click, true);
    addItem(settings, QStringLiteral("EnableLog"), QStringLiteral("&Enable Log"), &frmCIDDisplay::EnableLog_Click,
            true);
    addItem(settings, QStringLiteral("Enable_Notify"), QStringLiteral("Call N&otify"),
            &frmCIDDisplay::Enable_Notify_Click, true);
    addItem(settings, QStringLiteral("NotifyInactive"), QStringLiteral("Notify When &Inactive"),
            &frmCIDDisplay::NotifyInactive_Click, true);
    addItem(settings, QStringLiteral("Call_Reject"), QStringLiteral("Call &Reject"), &frmCIDDisplay::Call_Reject_Click,
            true);
    addItem(settings, QStringLiteral("ExtDelay"), QStringLiteral("Exit &Delay"), &frmCIDDisplay::ExtDelay_Click, true);
    addSeparator(settings, QStringLiteral("space4"));
    addItem(settings, QStringLiteral("StartWithDesktop"), QStringLiteral("&Start with Desktop"),
            &frmCIDDisplay::StartWithDesktop_Click, true);

    addOpener(bar, QStringLiteral("Search"), QStringLiteral("&Search"), Window::Search)
        ->setShortcut(QKeySequence::Find);
    addOpener(bar, QStringLiteral("Reject"), QStringLiteral("&Reject"), Window::Reject);
    addOpener(bar, QStringLiteral("PhoneBook"), QStringLiteral("&Phone Index"), Window::PhoneIndex);
    // Alt+T is Settings.
    addOpener(bar, QStringLiteral("Translate"), QStringLiteral("Tra&nslate"), Window::Translate);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help"));
    addItem(help, QStringLiteral("CIDHelp"), QStringLiteral("&Help Topics"), &frmCIDDisplay::CIDHelp_Click)
        ->setShortcut(QKeySequence::HelpContents);
    addOpener(help, QStringLiteral("About"), QStringLiteral("&About"), Window::About);
}

QAction* frmCIDDisplay::toolbarButton(const QString& key, const QString& tooltip, const QString& themeIcon,
                                      const QString& fallback)
{
    // The desktop's own icon where its theme has one; ours otherwise, so
    // that no button is ever blank.
    const QIcon icon = QIcon::fromTheme(themeIcon, QIcon(QStringLiteral(":/icons/") + fallback));
    QAction* button = m_toolbar->addAction(icon, tooltip);
    button->setObjectName(key);
    button->setToolTip(tooltip);
    connect(button, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
    return button;
}

void frmCIDDisplay::buildToolbar()
{
    // The title is what screen readers and the toolbar's own menu say.
    m_toolbar = addToolBar(QStringLiteral("Main Toolbar"));
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar->setAccessibleName(QStringLiteral("Main Toolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setIconSize(QSize(22, 22));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolbar->toggleViewAction()->setVisible(false);

    m_toolbar->addSeparator();
    toolbarButton(QStringLiteral("StrtBtn"), QStringLiteral("Start Quillon CallerID"),
                  QStringLiteral("media-playback-start"), QStringLiteral("start.png"))
        ->setCheckable(true);
    toolbarButton(QStringLiteral("SpndBtn"), QStringLiteral("Suspend Quillon CallerID"),
                  QStringLiteral("media-playback-pause"), QStringLiteral("suspend.png"))
        ->setCheckable(true);
    m_toolbar->addSeparator();
    toolbarButton(QStringLiteral("CommSet"), QStringLiteral("Communications Settings"),
                  QStringLiteral("preferences-system"), QStringLiteral("comm.png"));
    m_toolbar->addSeparator();
    toolbarButton(QStringLiteral("Srch"), QStringLiteral("Search"), QStringLiteral("edit-find"),
                  QStringLiteral("search.png"));
    toolbarButton(QStringLiteral("RjctLst"), QStringLiteral("Reject List"), QStringLiteral("call-stop"),
                  QStringLiteral("reject.png"));
    toolbarButton(QStringLiteral("PhnIndx"), QStringLiteral("Phone Index"), QStringLiteral("x-office-address-book"),
                  QStringLiteral("phonebook.png"));
    toolbarButton(QStringLiteral("trnslate"), QStringLiteral("Translate List"),
                  QStringLiteral("accessories-dictionary"), QStringLiteral("translate.png"));
    m_toolbar->addSeparator();
    toolbarButton(QStringLiteral("hlpbtn"), QStringLiteral("Help"), QStringLiteral("help-browser"),
                  QStringLiteral("help.png"));
}

void frmCIDDisplay::buildCallList()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("CentralArea"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(kListLeft, kListTop, kListRight, kListBottom);

    m_list = new QTreeWidget(central);
    m_list->setObjectName(QStringLiteral("ListView1"));
    m_list->setAccessibleName(QStringLiteral("Calls"));
    m_list->setAccessibleDescription(QStringLiteral("The calls received, newest first"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSortingEnabled(false);
    m_list->header()->setStretchLastSection(false);
    m_list->installEventFilter(this);
    auto* callerActions = new CallerActions(m_list, [this]() -> QList<ListedCaller> {
        const QTreeWidgetItem* row = m_list->currentItem();
        if (!row || !row->isSelected())
            return {};
        return { { row->text(0), row->text(1) } };
    });
    connect(callerActions, &CallerActions::rejectCaller, this,
            [this](const QString& name, const QString& number) { m_windows->rejectCaller(name, number); });
    connect(callerActions, &CallerActions::translateCaller, this,
            [this](const QString& name, const QString& number) { m_windows->translateCaller(name, number); });
    layout->addWidget(m_list);
    setCentralWidget(central);
}

void frmCIDDisplay::prepareCallList()
{
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({ QStringLiteral("Name"), QStringLiteral("Number"), QStringLiteral("Date/Time") });
    setColumnWidths();
}

void frmCIDDisplay::setColumnWidths()
{
    // Thirds and a quarter, a twelfth of the width free; but number and time
    // are never cut off, whatever the font: the name gives up the room first.
    const int width = m_list->viewport()->width();
    const int padding = 2 * m_list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 12;
    const int widestTime
        = m_list->fontMetrics().horizontalAdvance(dateTimeText(QDateTime(QDate(2026, 12, 28), QTime(23, 58, 58))))
        + padding;
    const int numberWidth = qMax(width / 4, qMax(m_widestNumber + padding, m_list->header()->sectionSizeHint(1)));
    const int timeWidth = qMax(width / 3, widestTime);
    const int nameRoom = width - numberWidth - timeWidth;
    m_list->setColumnWidth(0, qMax(qMin(width / 3, nameRoom), m_list->header()->sectionSizeHint(0)));
    m_list->setColumnWidth(1, numberWidth);
    m_list->setColumnWidth(2, timeWidth);
}

bool frmCIDDisplay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::Resize)
        setColumnWidths();
    return QMainWindow::eventFilter(watched, event);
}

void frmCIDDisplay::addTrayIcon()
{
    m_tray->show();
    m_trayAdded = true;
}

void frmCIDDisplay::showAtStart(bool minimized)
{
    // Minimised and never shown: the tray icon brings it back like any
    // window minimised to the tray, and call notices pop up meanwhile.
    if (minimized && m_trayAdded && m_trayAvailable()) {
        setWindowState(windowState() | Qt::WindowMinimized);
        return;
    }
    show();
}

void frmCIDDisplay::removeTrayIcon()
{
    m_tray->hide();
    m_trayAdded = false;
}

void frmCIDDisplay::setCheckMarks()
{
    action(QStringLiteral("EnableLog"))->setChecked(m_settings.EnableLog);
    action(QStringLiteral("Enable_Notify"))->setChecked(m_settings.Notify);
    action(QStringLiteral("Call_Reject"))->setChecked(m_settings.Reject);
    action(QStringLiteral("RingIn"))->setChecked(m_settings.RingIn);
    action(QStringLiteral("ExtDelay"))->setChecked(m_settings.ExitDelay);
    action(QStringLiteral("NotifyInactive"))->setChecked(m_settings.NotifyInactive);
    // The entry itself is the setting: the user may also remove it elsewhere.
    action(QStringLiteral("StartWithDesktop"))->setChecked(m_autostart.isEnabled());
}

void frmCIDDisplay::startTimers()
{
    // Timer1 and Timer2 follow the pipeline and the modem channel.
    m_timer3->start();
}

QAction* frmCIDDisplay::action(const QString& name) const
{
    return findChild<QAction*>(name);
}

QTimer* frmCIDDisplay::timer(int number) const
{
    switch (number) {
    case 1:
        return m_timer1;
    case 2:
        return m_timer2;
    case 3:
        return m_timer3;
    default:
        return nullptr;
    }
}

QString frmCIDDisplay::statusText() const
{
    return m_statusPanel->text();
}

QString frmCIDDisplay::waitingText() const
{
    return m_waitingPanel->isVisibleTo(this) ? m_waitingPanel->text() : QString();
}

void frmCIDDisplay::showReady(bool ready, const QString& why)
{
    m_statusPanel->setText(ready || why.isEmpty() ? (ready ? QStringLiteral("Ready") : QStringLiteral("Not Ready"))
                                                  : QStringLiteral("Not Ready: ") + why);
    updateTrayToolTip();
    action(QStringLiteral("StrtBtn"))->setChecked(ready);
    action(QStringLiteral("SpndBtn"))->setChecked(!ready);
}

void frmCIDDisplay::PlayRingSound()
{
    m_sound.play(m_files.ringSoundPath());
}

void frmCIDDisplay::AddCallToList(const QString& name, const QString& number, bool rejected)
{
    auto* row = new QTreeWidgetItem({ name, number, dateTimeText(m_clock.now()) });
    if (rejected) {
        row->setIcon(0, style()->standardIcon(QStyle::SP_BrowserStop));
        for (int column = 0; column < 3; ++column)
            row->setToolTip(column, QStringLiteral("Rejected"));
    }
    m_list->insertTopLevelItem(0, row);
    setWindowTitle(name);
    m_widestNumber = qMax(m_widestNumber, m_list->fontMetrics().horizontalAdvance(number));
    setColumnWidths(); // a longer number may have come
    m_lastCall = name + QStringLiteral(", ") + number + QStringLiteral(" at ") + dateTimeText(m_clock.now());
    if (!isActiveWindow() || !isVisible() || isMinimized())
        ++m_unseenCalls;
    updateTrayToolTip();
}

void frmCIDDisplay::ShowCallNotify(const QString& name, const QString& number, bool rejected)
{
    if (!m_settings.Notify)
        return;
    const bool away = isMinimized() || !isVisible();
    if (!away && (isActiveWindow() || !m_settings.NotifyInactive))
        return;
    m_notifier->notify({ name, number, rejected, rejected || isListed(number) });
}

// Where no notification service answers. It never takes the focus: the
// user may be typing in another program.
void frmCIDDisplay::showSplash(const CallNotice& notice)
{
    if (!m_splash)
        m_splash = new frmSplash;
    m_splash->setCaller(notice.name, notice.number, notice.rejected);
    m_splash->show();
    m_splash->raise();
    // Screen readers announce it without its taking the focus.
    QAccessibleEvent shown(m_splash.data(), QAccessible::Alert);
    QAccessible::updateAccessibility(&shown);
    m_splashCloseTime = m_clock.now().addSecs(20);
}

bool frmCIDDisplay::isListed(const QString& number) const
{
    // The translate list gives a name to its numbers and to nothing else.
    return !m_database.TranslateCaller(QString(), number).isEmpty();
}

void frmCIDDisplay::SelectNewestCall()
{
    QTreeWidgetItem* newest = m_list->topLevelItem(0);
    if (!newest)
        return;
    m_list->setCurrentItem(newest);
    m_list->scrollToItem(newest);
}

void frmCIDDisplay::closeSplash()
{
    if (m_splash)
        m_splash->close();
}

bool frmCIDDisplay::receivingFromNetwork() const
{
    return m_network.receiving();
}

void frmCIDDisplay::Start_Click()
{
    if (receivingFromNetwork()) {
        if (m_network.client().isRunning())
            return;
        m_log.log(QStringLiteral("Program Started"));
        // Ready comes with the connection, not before.
        m_network.startReceiving();
        return;
    }
    if (m_modem.detectionInProgress() || m_modem.isPortOpen())
        return;
    m_log.log(QStringLiteral("Program Started"));
    m_modem.OpenCommPort();
    m_modem.armInitCheck();
}

void frmCIDDisplay::Suspend_Click()
{
    // Detection has the port to itself until it is done.
    if (m_modem.detectionInProgress())
        return;
    // A lost port, or a modem yet to be plugged in, is no longer waited for once the user suspends.
    const bool waiting = m_modem.reconnecting() || m_modem.watchingForDevices();
    m_modem.stopReconnecting();
    m_modem.stopWatchingForDevices();
    if (receivingFromNetwork()) {
        if (!m_network.client().isRunning())
            return;
        m_network.stopReceiving();
        m_log.log(QStringLiteral("Program Suspended"));
        m_modem.SetCidStatus(false, suspendedText());
        return;
    }
    if (!m_modem.isPortOpen()) {
        // Waiting for a modem to come back or be plugged in is over.
        if (waiting)
            m_modem.SetCidStatus(false, suspendedText());
        return;
    }
    m_modem.closePort();
    m_log.log(QStringLiteral("Program Suspended"));
    m_modem.SetCidStatus(false, suspendedText());
}

void frmCIDDisplay::Exit_Click()
{
    if (m_boxes.show(exitQuestion(), QStringLiteral("Exit"), MessageBoxes::Icon::None, MessageBoxes::Buttons::YesNo)
        == MessageBoxes::Answer::No)
        return;
    m_log.log(QStringLiteral("Program exiting"));
    // Ending at once skips unload, but a stale tray icon and orphaned windows
    // would outlive the program on some desktops.
    removeTrayIcon();
    closeSplash();
    m_windows->closeAll();
    Q_EMIT programEnded();
}

bool frmCIDDisplay::toggle(QAction* item, const QString& key)
{
    // A checkable action has already flipped its mark when triggered.
    const bool on = item->isChecked();
    SetIniValue(m_iniPath, QStringLiteral("Settings"), key, boolText(on));
    return on;
}

void frmCIDDisplay::RingIn_Click()
{
    m_settings.RingIn = toggle(action(QStringLiteral("RingIn")), QStringLiteral("RingIn"));
}

void frmCIDDisplay::EnableLog_Click()
{
    QAction* item = action(QStringLiteral("EnableLog"));
    // Both lines are written whatever the flag says, so that the log shows
    // where it stops and starts again.
    m_log.WriteLog(item->isChecked() ? QStringLiteral("Log Enabled") : QStringLiteral("Log Disabled"));
    m_settings.EnableLog = toggle(item, QStringLiteral("EnableLog"));
}

void frmCIDDisplay::Enable_Notify_Click()
{
    m_settings.Notify = toggle(action(QStringLiteral("Enable_Notify")), QStringLiteral("Notify"));
}

void frmCIDDisplay::NotifyInactive_Click()
{
    m_settings.NotifyInactive = toggle(action(QStringLiteral("NotifyInactive")), QStringLiteral("NotifyInactive"));
}

void frmCIDDisplay::Call_Reject_Click()
{
    m_settings.Reject = toggle(action(QStringLiteral("Call_Reject")), QStringLiteral("Reject"));
}

void frmCIDDisplay::ExtDelay_Click()
{
    m_settings.ExitDelay = toggle(action(QStringLiteral("ExtDelay")), QStringLiteral("ExitDelay"));
}

void frmCIDDisplay::StartWithDesktop_Click()
{
    QAction* item = action(QStringLiteral("StartWithDesktop"));
    if (!m_autostart.setEnabled(item->isChecked())) {
        m_boxes.show(QStringLiteral("Could not change ") + m_autostart.entryPath(), {}, MessageBoxes::Icon::Exclamation,
                     MessageBoxes::Buttons::Ok);
    }
    item->setChecked(m_autostart.isEnabled());
}

void frmCIDDisplay::CIDHelp_Click()
{
    const QString path = m_files.helpPath();
    if (!QFileInfo(path).isFile()) {
        m_boxes.show(QStringLiteral("Could not find QuillonCID.html"), QStringLiteral("Error Finding Help File"),
                     MessageBoxes::Icon::None, MessageBoxes::Buttons::Ok);
        return;
    }
    if (!m_help.open(path)) {
        // Named in full, so that the user can open it by hand.
        m_boxes.show(QStringLiteral("The help could not be opened: no web browser could be started.\r\n"
                                    "Open this file in a web browser:\r\n")
                         + path,
                     QStringLiteral("Error Opening Help File"), MessageBoxes::Icon::Exclamation,
                     MessageBoxes::Buttons::Ok);
    }
}

void frmCIDDisplay::Toolbar1_ButtonClick(const QString& key)
{
    const QString upper = key.toUpper();
    if ((upper == QLatin1String("STRTBTN") || upper == QLatin1String("SPNDBTN")) && m_modem.detectionInProgress())
        return;
    if (upper == QLatin1String("STRTBTN")) {
        Start_Click();
        // Ready only when the port did open: a failed open leaves no way
        // for a call to arrive. From the network, the connection says so.
        if (!receivingFromNetwork())
            m_modem.SetCidStatus(m_modem.isPortOpen());
    } else if (upper == QLatin1String("SPNDBTN")) {
        Suspend_Click();
        m_modem.SetCidStatus(false);
    } else if (upper == QLatin1String("COMMSET")) {
        openWindow(Window::Communications);
    } else if (upper == QLatin1String("SRCH")) {
        openWindow(Window::Search);
    } else if (upper == QLatin1String("RJCTLST")) {
        openWindow(Window::Reject);
    } else if (upper == QLatin1String("PHNINDX")) {
        openWindow(Window::PhoneIndex);
    } else if (upper == QLatin1String("TRNSLATE")) {
        openWindow(Window::Translate);
    } else if (upper == QLatin1String("HLPBTN")) {
        CIDHelp_Click();
    }
}

void frmCIDDisplay::Timer1_Timer()
{
    m_pipeline.timer1Tick();
}

void frmCIDDisplay::Timer2_Timer()
{
    m_modem.timer2Tick();
}

void frmCIDDisplay::Timer3_Timer()
{
    m_modem.timer3Tick();
    m_store.retry();
    if (m_splash && (!m_splashCloseTime.isValid() || m_clock.now() >= m_splashCloseTime))
        closeSplash();
}

void frmCIDDisplay::restoreFromTray()
{
    // The notice has done its work once the window is back.
    closeSplash();
    m_notifier->close();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

// What the tray tells at a glance: ready or why not, who called last, and
// how many calls came while the window was not looked at.
void frmCIDDisplay::updateTrayToolTip()
{
    QStringList lines { programTitle(), m_statusPanel->text() };
    if (!m_lastCall.isEmpty())
        lines << QStringLiteral("Last call: ") + m_lastCall;
    if (m_unseenCalls > 0)
        lines << (m_unseenCalls == 1 ? QStringLiteral("1 call since you last looked")
                                     : QStringLiteral("%1 calls since you last looked").arg(m_unseenCalls));
    m_tray->setToolTip(lines.join(QLatin1Char('\n')));
}

void frmCIDDisplay::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // Looked at: the calls are seen, and a notice would only cover the list.
        closeSplash();
        m_notifier->close();
        if (m_unseenCalls > 0) {
            m_unseenCalls = 0;
            updateTrayToolTip();
        }
    }
    if (event->type() != QEvent::WindowStateChange || !isMinimized())
        return;
    // Without a tray there would be no way back to a hidden window: then it
    // simply stays minimised.
    if (!m_trayAdded || !m_trayAvailable())
        return;
    // Hiding from inside the state change confuses some window managers.
    QTimer::singleShot(0, this, [this] {
        if (isMinimized())
            hide();
    });
}

void frmCIDDisplay::closeWithoutAsking()
{
    m_closeWithoutAsking = true;
    close();
}

bool frmCIDDisplay::Form_QueryUnload()
{
    if (!m_settings.ExitDelay || m_closeWithoutAsking)
        return true;
    return m_boxes.show(exitQuestion(), QStringLiteral("Exit"), MessageBoxes::Icon::None, MessageBoxes::Buttons::YesNo)
        != MessageBoxes::Answer::No;
}

void frmCIDDisplay::Form_Unload()
{
    if (m_modem.isPortOpen())
        m_modem.ResetCommand();
    removeTrayIcon();
    m_log.log(QStringLiteral("Program Ending"));
    closeSplash();
    m_windows->closeAll();
    m_timer1->stop();
    m_timer2->stop();
    m_timer3->stop();
}

void frmCIDDisplay::closeEvent(QCloseEvent* event)
{
    if (!Form_QueryUnload()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
    Q_EMIT programEnded();
}

} // namespace Quillon

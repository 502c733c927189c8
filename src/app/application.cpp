// SPDX-License-Identifier: GPL-2.0-or-later
#include "application.h"

#include "app/singleinstance.h"
#include "config/portmap.h"
#include "config/settingsstore.h"
#include "platform/clock.h"
#include "platform/messageboxes.h"
#include "records/callstore.h"
#include "windows/centerform.h"
#include "windows/windowset.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace Quillon {

Application::Application(const QString& appDir, const AppServices& services, QObject* parent)
    : Application(FileLocations::inOneFolder(appDir), services, parent)
{ }

Application::Application(const FileLocations& files, const AppServices& services, QObject* parent)
    : QObject(parent)
    , m_files(files)
    , m_services(services)
    , m_log(m_files.dataDir, m_settings, m_services.clock)
    , m_database(m_files.dataDir, m_settings, m_log, m_services.clock)
    , m_modem(m_files.iniPath(), m_settings, m_services.port, m_services.clock, m_log, m_services.boxes)
    , m_detector(m_files.iniPath(), m_settings, m_services.port, m_services.clock, m_services.boxes, m_log, m_modem)
    , m_pipeline(m_settings, m_modem, m_database, m_log, m_services.clock)
    , m_network(m_files.iniPath(), m_pipeline, m_database, m_modem, m_log, m_services.clock, m_services.boxes)
    , m_window(MainWindowParts { m_files, m_settings, m_log, m_services.clock, m_services.boxes, m_services.sound,
                                 m_services.help, m_database, m_modem, m_detector, m_pipeline, m_network })
{
    connect(&m_window, &frmCIDDisplay::programEnded, this, [this] {
        // Logout or a close while the box below is up: the calls are in the
        // journal already, so the program just ends.
        if (m_ending) {
            m_ended = true;
            Q_EMIT programEnded();
            return;
        }
        m_ending = true;
        m_modem.setProgramEnding();
        // A report already received is a call, not something to drop.
        m_pipeline.finishBurst();
        finishWaitingCalls();
        m_pipeline.finishBurst();
        m_ended = true;
        Q_EMIT programEnded();
    });

    // Detection shows which port it tries, whether the first start or the
    // Communications window's Reset runs it.
    connect(&m_modem, &MdmCmd::detectionRunningChanged, this, [this](bool running) {
        if (running && !m_pleaseWait && !m_ended) {
            m_pleaseWait = new frmCnfg;
            m_pleaseWait->show();
        } else if (!running) {
            closePleaseWait();
        }
    });
    connect(&m_detector, &ModemDetector::tryingPort, this, [this](int port) {
        if (m_pleaseWait)
            m_pleaseWait->showPort(port, commPortDevice(m_files.iniPath(), port));
    });
    connect(&m_detector, &ModemDetector::pleaseWaitDone, this, &Application::closePleaseWait);

    // Queued: the question waits until the timer tick that noticed has ended.
    connect(
        &m_modem, &MdmCmd::deviceAppeared, this,
        [this](int port, const QString& device) {
            if (m_ended || m_modem.detectionInProgress())
                return;
            const MessageBoxes::Answer answer = m_services.boxes.show(
                QStringLiteral("A device appeared on Comm %1 (%2).\r\nLook for a modem there now?")
                    .arg(port)
                    .arg(device),
                QStringLiteral("Modem Plugged In"), MessageBoxes::Icon::None, MessageBoxes::Buttons::YesNo);
            if (answer != MessageBoxes::Answer::Yes || m_ended)
                return;
            if (m_firstRun)
                m_firstRun->close();
            if (lookForModem())
                showFirstRun();
        },
        Qt::QueuedConnection);
}

void Application::closePleaseWait()
{
    if (m_pleaseWait)
        m_pleaseWait->close();
}

Application::~Application()
{
    delete m_pleaseWait.data();
}

Application::StartResult Application::Main(bool minimized)
{
    if (!Form_Load()) {
        if (!m_instance)
            return StartResult::AlreadyRunning;
        return StartResult::NoDatabase;
    }
    m_window.showAtStart(minimized);
    keepOnScreen(&m_window);
    m_windowShown = true;
    // Reading a large file takes longer than a start may: checked while the
    // program runs, calls held back until it is found sound.
    m_database.store().startCheck();
    // Sharing starts with the program; with calls from a network server the
    // modem is never touched, not even to look for one on the first start.
    m_network.load();
    if (m_network.receiving())
        return StartResult::Running;
    // Detection could store nothing in a file it cannot read, and the file
    // being there says the program was set up before.
    if (m_settings.Cnfg || m_iniUnreadable)
        m_modem.OpenCommPort();
    else
        firstRunConfiguration();
    return StartResult::Running;
}

bool Application::Form_Load()
{
    // Beside the settings file: one running copy per user when installed.
    auto instance = std::make_unique<SingleInstance>(m_files.configDir);
    if (!instance->tryToBecomeOnly())
        return false;
    m_instance = std::move(instance);
    m_instance->onSecondStart([this] {
        // Before the window was first shown it shows when it is ready.
        if (m_windowShown && !m_ended)
            m_window.restoreFromTray();
    });

    m_window.addTrayIcon();
    loadShellSettings(m_files.iniPath(), m_settings);
    const QString iniProblem = iniReadProblem(m_files.iniPath());
    if (!iniProblem.isEmpty()) {
        // Said once, here: otherwise only its consequences would show (no
        // modem found, a failed initialisation), with nothing naming the file.
        m_iniUnreadable = true;
        m_services.boxes.show(QStringLiteral("The settings file %1 could not be read: %2.\r"
                                             "The program runs with default settings and leaves the file as it is.")
                                  .arg(m_files.iniPath(), iniProblem),
                              QStringLiteral("Settings Error"), MessageBoxes::Icon::Exclamation,
                              MessageBoxes::Buttons::Ok);
    }
    m_log.log(QStringLiteral("Program started in ") + m_files.dataDir);
    m_window.setCheckMarks();
    QString unopened;
    const bool opened = m_database.OpenCallDatabase(
        [this] {
            m_pleaseWait = new frmCnfg;
            m_pleaseWait->show();
        },
        &unopened);
    if (!opened) // while the please-wait window still shows
        m_services.boxes.show(QStringLiteral("The CallerID.mdb database could not be located!\r\n") + unopened
                                  + QStringLiteral("\r\nWithout the database connection, not all Quillon CallerID "
                                                   "features will function properly."),
                              QStringLiteral("No Database Connection"), MessageBoxes::Icon::Stop,
                              MessageBoxes::Buttons::Ok);
    if (m_pleaseWait)
        m_pleaseWait->close();
    if (!opened) {
        // Ending here, before the window was ever shown: take the tray icon
        // along rather than leave it behind.
        m_window.removeTrayIcon();
        return false;
    }
    m_window.prepareCallList();
    CenterForm(&m_window);
    m_window.windows().restoreMainWindowPlace();

    const QDateTime now = m_services.clock.now();
    m_modem.setReportInProgress(false);
    m_modem.armInitCheck();
    m_modem.setReinitTime(now.addSecs(1800));
    m_window.startTimers();
    return true;
}

/*!
 * The last chance for calls not stored yet: one more attempt, then the user
 * is told how many wait in the journal for the next start. Calls that
 * arrive while the box is up are stored or journaled like any other.
 */
void Application::finishWaitingCalls()
{
    CallStore& store = m_database.store();
    if (store.unstoredCount() == 0)
        return;
    // The storage thread is waited for, a few seconds at most.
    store.finish(1000);
    const qsizetype count = store.unstoredCount();
    if (count == 0)
        return;
    const QString path = store.waitingFilePath();
    const bool saved = store.journaled();
    m_log.log(QStringLiteral("Calls not stored: %1, ").arg(count)
              + (saved ? QStringLiteral("kept in ") : QStringLiteral("could not be written to ")) + path);
    // Logout and shutdown do not wait for a box.
    if (m_window.closingWithoutAsking())
        return;
    const QString calls = count == 1 ? QStringLiteral("1 call") : QStringLiteral("%1 calls").arg(count);
    m_services.boxes.show(calls + QStringLiteral(" could not be stored in CallerID.mdb yet.\r\n")
                              + (saved ? QStringLiteral("They are kept in ") + path
                                         + QStringLiteral(" and stored when the program starts again.")
                                       : QStringLiteral("They could not be written to ") + path
                                         + QStringLiteral(" either; the disk may be full.")),
                          QStringLiteral("Calls Not Stored"), MessageBoxes::Icon::Exclamation,
                          MessageBoxes::Buttons::Ok);
}

void Application::firstRunConfiguration()
{
    m_pleaseWait = new frmCnfg;
    m_pleaseWait->show();
    m_services.clock.waitProcessingEvents(1000);
    const CommSettings comm = LoadCommSettings(m_files.iniPath());
    m_log.logCommSettings(comm);
    setCommSettings(m_settings, comm);
    m_services.clock.waitProcessingEvents(1000);

    // Ended while waiting or detecting: nothing is stored, so that the next
    // start configures again.
    if (m_ended || !lookForModem()) {
        closePleaseWait();
        return;
    }

    // Whatever detection found: it runs by itself only once.
    SetIniValue(m_files.iniPath(), QStringLiteral("Comm"), QStringLiteral("Cnfg"), boolText(true));
    m_settings.Cnfg = true;
    closePleaseWait();
    showFirstRun();
}

bool Application::lookForModem()
{
    if (!m_detector.DetectModem(true))
        return false;
    // A modem plugged in later is offered by itself.
    if (!m_detector.lastFoundModem())
        m_modem.watchForNewDevices();
    return true;
}

// One window in place of a chain of boxes: what was found, why nothing can
// be used, and the ways on.
void Application::showFirstRun()
{
    if (m_detector.lastFoundModem() || m_ended)
        return;
    if (m_firstRun)
        m_firstRun->close();
    const QString simulator
        = QStandardPaths::findExecutable(QStringLiteral("quillon-modemsim"), { QCoreApplication::applicationDirPath() })
              .isEmpty()
        ? QStandardPaths::findExecutable(QStringLiteral("quillon-modemsim"))
        : QCoreApplication::applicationDirPath() + QStringLiteral("/quillon-modemsim");
    m_firstRun = new frmFirstRun(m_detector.lastFindings(), !simulator.isEmpty(), &m_window);
    connect(m_firstRun, &frmFirstRun::lookAgain, this, [this] {
        m_firstRun->close();
        if (lookForModem())
            showFirstRun();
    });
    connect(m_firstRun, &frmFirstRun::useServer, this, [this] { m_window.windows().openNetwork(); });
    connect(m_firstRun, &frmFirstRun::openCommunications, this, [this] { m_window.windows().openCommunications(); });
    connect(m_firstRun, &frmFirstRun::trySimulator, this, [this, simulator] {
        const QString link = QDir::homePath() + QStringLiteral("/quillon-modem");
        m_services.boxes.show(
            QStringLiteral("To try the program without a modem, start the simulated modem in a terminal:\r\n"
                           "    %1 --link %2\r\n"
                           "add these two lines to %3:\r\n"
                           "    [Ports]\r\n"
                           "    Comm6=%2\r\n"
                           "and choose Look Again.\r\n"
                           "Then type \"call 5551234567 JOHN DOE\" in the terminal: the call shows here.")
                .arg(simulator, link, m_files.iniPath()),
            QStringLiteral("Simulated Modem"), MessageBoxes::Icon::None, MessageBoxes::Buttons::Ok);
    });
    m_firstRun->show();
}

} // namespace Quillon

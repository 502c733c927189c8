// SPDX-License-Identifier: GPL-2.0-or-later
// The whole program in a temp directory: real database, settings file, log,
// serial port on a simulated modem; a fake clock and scripted message boxes.
#pragma once

#include "app/application.h"
#include "app/maindisplaywindow.h"
#include "app/pleasewaitwindow.h"
#include "modemsimulator.h"
#include "platform/qtserialport.h"
#include "support/appdir.h"
#include "support/fakeclock.h"
#include "support/recordingboxes.h"
#include "support/recordingsound.h"

#include <QAction>
#include <QTest>
#include <QTimer>

#include <memory>

namespace Quillon::Test {

class AppHarness
{
public:
    // settings: extra lines for QuillonCID.ini; port 1 is the simulated
    // modem, ports 2 to 6 lead nowhere.
    bool prepare(const QString& settings = QStringLiteral("[Comm]\nCnfg=True\n"), bool withDatabase = true)
    {
        if (!dir.isValid() || (withDatabase && !dir.createDatabase()))
            return false;
        modem.setAcceptedCidCommand(QStringLiteral("AT#CID=1"));
        if (!modem.start())
            return false;
        QString ports = QStringLiteral("[Ports]\nComm1=") + modem.portPath() + QLatin1Char('\n');
        for (int n = 2; n <= 6; ++n)
            ports += QStringLiteral("Comm%1=%2/no-device-%1\n").arg(n).arg(dir.path());
        dir.writeIni(settings + QLatin1Char('\n') + ports);
        clock.setWaitHook([this](int ms) { modem.advance(ms); });
        port = std::make_unique<QtSerialPort>(dir.path());
        app = std::make_unique<Application>(dir.path(), AppServices { clock, boxes, sound, help, *port });
        return true;
    }

    frmCIDDisplay* window() const { return app->mainWindow(); }
    QAction* action(const QString& name) const { return window()->findChild<QAction*>(name); }

    // Lets simulated time pass: the modem answers, the port reads, the
    // timers' handlers run as their QTimers would.
    void pass(int ms)
    {
        for (int step = 0; step < ms; step += 100) {
            modem.advance(100);
            clock.advance(100);
            QTest::qWait(2);
            if (window()->timer(1)->isActive())
                window()->Timer1_Timer();
            window()->Timer2_Timer();
            if ((step + 100) % 5000 == 0)
                window()->Timer3_Timer();
        }
    }

    // Waits (a little real time, no simulated time) until the modem has
    // received the command.
    bool modemReceived(const QString& command)
    {
        for (int i = 0; i < 200; ++i) {
            modem.pump();
            if (modem.receivedCommands().contains(command))
                return true;
            QTest::qWait(5);
        }
        return false;
    }

    int count(const QString& message) const { return dir.logMessages().count(message); }

    AppDir dir;
    FakeClock clock;
    RecordingBoxes boxes;
    RecordingSound sound;
    RecordingHelp help;
    Sim::ModemSimulator modem { Sim::ModemSimulator::Mode::Pumped };
    std::unique_ptr<QtSerialPort> port;
    std::unique_ptr<Application> app;
};

} // namespace Quillon::Test

// SPDX-License-Identifier: GPL-2.0-or-later
// The whole program in a temp directory: real database, settings file, log,
// a serial port on a simulated modem; a fake clock and scripted boxes.
#pragma once

#include "app/application.h"
#include "app/maindisplaywindow.h"
#include "config/settingsstore.h"
#include "modemsimulator.h"
#include "platform/qtserialport.h"
#include "records/calldatabase.h"
#include "records/callstore.h"
#include "support/appdir.h"
#include "support/fakeclock.h"
#include "support/recordingboxes.h"
#include "support/recordingsound.h"
#include "support/sqlfile.h"
#include "windows/windowset.h"

#include <QAction>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace Quillon::Test {

using namespace Qt::StringLiterals;

struct Harness
{
    bool prepare(const QString& settings, bool withDatabase = true)
    {
        modem.setAcceptedCidCommand(u"AT#CID=1"_s);
        if (!dir.isValid() || (withDatabase && !dir.createDatabase()) || !modem.start())
            return false;
        writeIni(settings);
        clock.setWaitHook([this](int ms) { modem.advance(ms); });
        port = std::make_unique<QtSerialPort>();
        app = std::make_unique<Application>(dir.path(), AppServices { clock, boxes, sound, help, *port });
        return true;
    }
    bool start(const QString& settings = {}) // configured, with these [Settings] lines
    {
        return prepare(u"[Comm]\nCnfg=True\n[Settings]\n"_s + settings)
            && app->Main() == Application::StartResult::Running && checked();
    }
    void writeIni(const QString& settings) const // port 1 is the modem; ports 2 to 6 lead nowhere
    {
        dir.writeIni(settings
                     + u"\n[Ports]\nComm1=%1\nComm2=\nComm3=\nComm4=\nComm5=\nComm6=\n"_s.arg(modem.portPath()));
    }
    QString ini(const QString& section, const QString& key) const
    {
        return GetIniValue(dir.iniPath(), section, key, u"<missing>"_s);
    }
    QStringList shownBoxes() const // each "caption|text"
    {
        QStringList result;
        for (const RecordingBoxes::Shown& box : boxes.shown)
            result << box.caption + u'|' + box.text;
        return result;
    }
    bool checked() const // the file's check, which runs beside the window, has ended
    {
        return QTest::qWaitFor([this] { return !app->database().store().checkRunning(); }, 10000);
    }
    frmCIDDisplay* window() const { return app->mainWindow(); }
    QAction* action(const QString& name) const { return window()->findChild<QAction*>(name); }
    QTreeWidget* list() const { return window()->findChild<QTreeWidget*>(u"ListView1"_s); }

    void pass(int ms) // simulated time; the timers' handlers run as their QTimers would
    {
        for (int step = 0; step < ms; step += 100) {
            modem.advance(100);
            clock.advance(100);
            QTest::qWait(2);
            if (window()->timer(1)->isActive())
                window()->Timer1_Timer();
            window()->Timer2_Timer();
            if ((elapsed += 100) % 5000 == 0)
                window()->Timer3_Timer();
        }
        // What the storage thread was handed meanwhile is done and told.
        app->database().store().waitUntilIdle();
    }
    QDateTime call(const QString& name, const QString& number) // when the window listed it; invalid: never
    {
        const int before = list()->topLevelItemCount();
        modem.sendCall({ .number = number, .name = name });
        for (int i = 0; i < 60; ++i) {
            const QDateTime step = clock.now().addMSecs(100);
            pass(100);
            if (list()->topLevelItemCount() > before)
                return step;
        }
        return {};
    }
    void addCall(const QString& call) // "name|number", stored a minute after the one before
    {
        clock.advance(60 * 1000);
        app->database().InsertCall(call.section(u'|', 0, 0), call.section(u'|', 1), u"0612"_s, u"1432"_s);
    }
    QStringList rows(const QString& statement) const // columns joined with "|"; or the error
    {
        return queryRows(app->database().connection(), statement);
    }
    AppDir dir;
    FakeClock clock;
    RecordingBoxes boxes;
    RecordingSound sound;
    RecordingHelp help;
    Sim::ModemSimulator modem { Sim::ModemSimulator::Mode::Pumped };
    std::unique_ptr<QtSerialPort> port;
    std::unique_ptr<Application> app;
    qint64 elapsed = 0;
};

} // namespace Quillon::Test

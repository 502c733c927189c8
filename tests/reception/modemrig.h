// SPDX-License-Identifier: GPL-2.0-or-later
// The program's side of a modem line in a temp directory, and a pumped simulator
// behind [Ports] Comm1 through a link that goes with it; Comm2 leads nowhere.
#pragma once

#include "config/workingsettings.h"
#include "modemsimulator.h"
#include "platform/qtserialport.h"
#include "reception/modemchannel.h"
#include "records/activitylog.h"
#include "support/appdir.h"
#include "support/fakeclock.h"
#include "support/recordingboxes.h"

#include <functional>

namespace Quillon::Test {

struct ModemRig
{
    AppDir dir;
    WorkingSettings settings;
    FakeClock clock;
    ActivityLog log { dir.path(), settings, clock };
    RecordingBoxes boxes;
    QList<bool> readyShown; // each ready status announced
    QtSerialPort port;
    MdmCmd mdm { dir.iniPath(), settings, port, clock, log, boxes };
    Sim::ModemSimulator sim;
    std::function<void()> onTick;

    explicit ModemRig(int portNumber = 1, const QString& command = u"AT#CID=1"_qs)
    {
        settings.EnableLog = true;
        QObject::connect(&mdm, &MdmCmd::cidStatusChanged, [this](bool ready) { readyShown.append(ready); });
        clock.setRealSliceMs(0); // a pumped simulator answers within each wait
        clock.setWaitHook([this](int ms) { sim.advance(ms); });
        sim.setAcceptedCidCommand(u"AT#CID=1"_qs);
        plugIn();
        dir.writeIni(u"[Ports]\r\nComm1=%1\r\nComm2=%2\r\n[Comm]\r\nComPort=%3\r\n[Modem]\r\nModemStrng=%4\r\n"_qs.arg(
            dir.file(u"modem1"_qs), dir.file(u"absent"_qs), QString::number(portNumber), command));
    }
    bool plugIn() { return sim.start() && sim.createLink(dir.file(u"modem1"_qs)); }
    // Timer ticks; in between, the modem answers and the port's arrivals are handled.
    void pass(int ms, int ticks = 1)
    {
        for (int i = 0; i < ticks; ++i) {
            clock.waitProcessingEvents(ms);
            mdm.timer2Tick();
            mdm.timer3Tick();
            if (onTick)
                onTick();
        }
    }
    QStringList boxTexts() const // caption|text of each box shown
    {
        QStringList texts;
        for (const auto& box : boxes.shown)
            texts.append(box.caption + u'|' + box.text);
        return texts;
    }
};

} // namespace Quillon::Test

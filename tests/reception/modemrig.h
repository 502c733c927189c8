// SPDX-License-Identifier: GPL-2.0-or-later
// The program's side of a modem line in a temp directory, and a pumped simulator.
#pragma once

#include "config/workingsettings.h"
#include "modemsimulator.h"
#include "platform/qtserialport.h"
#include "reception/modemchannel.h"
#include "records/activitylog.h"
#include "support/appdir.h"
#include "support/fakeclock.h"
#include "support/recordingboxes.h"
#include "support/recordingstatus.h"

namespace Quillon::Test {

struct ModemRig
{
    AppDir dir;
    WorkingSettings settings;
    FakeClock clock;
    ActivityLog log { dir.path(), settings, clock };
    RecordingBoxes boxes;
    RecordingStatus status;
    QtSerialPort port { dir.path() };
    MdmCmd mdm { dir.path(), settings, port, clock, log, boxes, status };
    Sim::ModemSimulator sim;

    ModemRig()
    {
        settings.EnableLog = true;
        clock.setRealSliceMs(0); // a pumped simulator answers within each wait
        clock.setWaitHook([this](int ms) { sim.advance(ms); });
        sim.setAcceptedCidCommand(u"AT#CID=1"_qs);
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

// SPDX-License-Identifier: GPL-2.0-or-later
// A fresh application directory with a real CallerID.mdb, a simulated modem
// for port 1, and the main window's secondary windows on an owner widget.
#pragma once

#include "config/workingsettings.h"
#include "modemsimulator.h"
#include "platform/qtserialport.h"
#include "reception/modemchannel.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"
#include "records/recordgridmodel.h"
#include "support/appdir.h"
#include "support/fakeclock.h"
#include "support/recordingboxes.h"
#include "support/recordingstatus.h"
#include "windows/windowset.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QWidget>

namespace Quillon::Test {

struct RecordFixture
{
    RecordFixture()
    {
        sim.setAcceptedCidCommand(QStringLiteral("AT#CID=1"));
        clock.setWaitHook([this](int ms) { sim.advance(ms); });
        opened = sim.start() && dir.createDatabase() && database.OpenCallDatabase(boxes);
    }
    // Ports 2 to 6 lead nowhere.
    void writeIni(const QString& more)
    {
        dir.writeIni(QStringLiteral("[Ports]\r\nComm1=") + sim.portPath()
                     + QStringLiteral("\r\nComm2=\r\nComm3=\r\nComm4=\r\nComm5=\r\nComm6=\r\n") + more);
    }
    // Each call a minute after the one before, so newest first is well defined.
    void addCall(const QString& name, const QString& number)
    {
        clock.advance(60 * 1000);
        database.InsertCall(name, number, QStringLiteral("0612"), QStringLiteral("1432"));
    }
    // Every row of the statement, its columns joined with "|"; or its error.
    QStringList rows(const QString& statement)
    {
        QSqlQuery query(database.connection());
        if (!query.exec(statement))
            return { query.lastError().text() };
        QStringList result;
        while (query.next()) {
            QStringList values;
            for (int i = 0; i < query.record().count(); ++i)
                values.append(query.value(i).toString());
            result.append(values.join(QLatin1Char('|')));
        }
        return result;
    }
    // The model's rows, every one fetched, the listed fields joined with "|".
    static QStringList gridRows(RecordGridModel* model, const QStringList& fields)
    {
        while (model->canFetchMore())
            model->fetchMore();
        QStringList result;
        for (int row = 0; row < model->rowCount(); ++row) {
            QStringList values;
            for (const QString& field : fields)
                values.append(model->index(row, model->column(field)).data().toString());
            result.append(values.join(QLatin1Char('|')));
        }
        return result;
    }

    AppDir dir;
    WorkingSettings settings;
    FakeClock clock;
    RecordingBoxes boxes;
    RecordingStatus status;
    ActivityLog log { dir.path(), settings, clock };
    QtSerialPort port { dir.path() };
    CallDatabase database { dir.path(), settings, log, clock, port };
    Sim::ModemSimulator sim;
    MdmCmd modem { dir.path(), settings, port, clock, log, boxes, status };
    QWidget owner;
    WindowSet windows { &owner, dir.path(), settings, modem, database, boxes };
    bool opened = false;
};

} // namespace Quillon::Test

// SPDX-License-Identifier: GPL-2.0-or-later
// What the record window tests share: a fresh application directory with a
// real CallerID.mdb opened through CallDatabase, and an owner window.
#pragma once

#include "config/workingsettings.h"
#include "platform/qtserialport.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"
#include "records/recordgridmodel.h"
#include "support/appdir.h"
#include "support/fakeclock.h"
#include "support/recordingboxes.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QWidget>

namespace Quillon::Test {

class RecordFixture
{
public:
    RecordFixture()
        : log(dir.path(), settings, clock)
        , port(dir.path())
        , database(dir.path(), settings, log, clock, port)
    {
        opened = dir.createDatabase() && database.OpenCallDatabase(boxes);
    }

    // Each call a minute after the one before, so newest first is well defined.
    void addCall(const QString& name, const QString& number)
    {
        clock.advance(60 * 1000);
        database.InsertCall(name, number, QStringLiteral("0612"), QStringLiteral("1432"));
    }

    bool exec(const QString& statement)
    {
        QSqlQuery query(database.connection());
        return query.exec(statement);
    }

    // Every row of the statement, its columns joined with "|".
    QStringList rows(const QString& statement)
    {
        QStringList result;
        QSqlQuery query(database.connection());
        if (!query.exec(statement))
            return { query.lastError().text() };
        while (query.next()) {
            QStringList values;
            for (int i = 0; i < query.record().count(); ++i)
                values.append(query.value(i).toString());
            result.append(values.join(QLatin1Char('|')));
        }
        return result;
    }

    // The model's rows, the listed fields joined with "|"; fetches them all.
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
    ActivityLog log;
    QtSerialPort port;
    CallDatabase database;
    RecordingBoxes boxes;
    QWidget owner;
    bool opened = false;
};

} // namespace Quillon::Test

// SPDX-License-Identifier: GPL-2.0-or-later
// CallerID.mdb: stored calls, the reject list and the translate list.
#pragma once

#include <QSqlDatabase>
#include <QString>

namespace Quillon {

class ActivityLog;
class Clock;
class MessageBoxes;
struct WorkingSettings;

class CallDatabase
{
public:
    CallDatabase(const QString& appDir, const WorkingSettings& settings, ActivityLog& log, Clock& clock);
    ~CallDatabase();
    Q_DISABLE_COPY_MOVE(CallDatabase)

    // Opens appDir/CallerID.mdb without ever creating it. On failure logs,
    // shows the "No Database Connection" box and returns false: the caller
    // then ends the program.
    bool OpenCallDatabase(MessageBoxes& boxes);
    bool isOpen() const;
    // The one shared connection, for the record windows' queries.
    QSqlDatabase connection() const;

    // Each returns false when a step failed (lastError() says why); with the
    // connection closed they do nothing and return true.
    bool InsertCall(const QString& name, const QString& number, const QString& date, const QString& time);
    bool TranslateCaller(QString& name, const QString& number);
    // Sets listed when the number or the name is on the reject list; never
    // listed while rejection is switched off.
    bool CheckReject(const QString& name, const QString& number, bool& listed);
    bool AddReject(const QString& number, const QString& name);
    bool AddTranslate(const QString& number, const QString& name);

    QString lastError() const { return m_lastError; }
    QString databasePath() const;

private:
    QString m_appDir;
    const WorkingSettings& m_settings;
    ActivityLog& m_log;
    Clock& m_clock;
    QString m_connectionName;
    QString m_lastError;
};

} // namespace Quillon

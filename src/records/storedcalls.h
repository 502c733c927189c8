// SPDX-License-Identifier: GPL-2.0-or-later
// Reading back stored calls for the network: the history sent to displays at
// connect, and whether a call a server reports again is already stored.
#pragma once

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <utility>

namespace Quillon {

struct StoredCall
{
    QString Name;
    QString Number;
    QString Date;
    QString Time;
    QString SysTime; // "yyyy-MM-dd HH:mm:ss"
    qint64 RowId = 0;
    bool Rejected = false; // answered and hung up (unknown for calls stored before the mark)
};

// Whether table CID holds the rejected mark (column Rejected); a file made by
// an older copy gains it when the program opens it, unless it is read-only.
bool hasRejectedColumn(const QSqlDatabase& db);

// Questions whose answer may be "could not tell" give the reason in error;
// the answer is then the empty one.

// The row ids of the oldest and the newest of the newest count calls; both 0
// when none is stored.
std::pair<qint64, qint64> newestCallRows(const QSqlDatabase& db, int count, QString* error = nullptr);
// Calls with a row id above after and at most last, oldest first, at most
// count of them: the history read a page at a time.
QList<StoredCall> storedCallsAfter(const QSqlDatabase& db, qint64 after, qint64 last, int count,
                                   QString* error = nullptr);

// The same call is the same moment (the year included) and number, and the
// same name where the number holds no digit ("ID BLOCKED"). A row keeps
// month and day in Date and the year only in SysTime, which is when it was
// stored: a call of 31 December stored after midnight is of the year before.
// Identical calls count as many as there are (a redial within the minute),
// so callers compare counts, not presence.
int callYear(const QString& date, const QString& sysTime);
// The same year in SQL, over a row's Date and SysTime columns.
QString callYearSql(const QString& dateColumn, const QString& sysTimeColumn);
// The name as far as it tells calls apart, in C++ and in SQL.
QString callNameKey(const QString& number, const QString& name);
QString callNameKeySql(const QString& numberColumn, const QString& nameColumn);
// What is the same for two rows of the same call.
QString sameCallKey(const QString& date, const QString& time, const QString& number, const QString& name, int year);
// How many of the recent calls each call is, by sameCallKey(), read in one
// pass; empty with the reason in error when they could not be read.
QHash<QString, qint64> countRecentCalls(const QSqlDatabase& db, QString* error = nullptr);

} // namespace Quillon

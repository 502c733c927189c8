// SPDX-License-Identifier: GPL-2.0-or-later
// Reading back stored calls for the network: the history sent to displays at
// connect, and whether a call a server reports again is already stored.
#pragma once

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
// Whether a call with this Date, Time and Number is among the recent ones.
bool isCallStored(const QSqlDatabase& db, const QString& date, const QString& time, const QString& number,
                  QString* error = nullptr);

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
// Reading back stored calls for the network: the history sent to displays at
// connect, and whether a call a server reports again is already stored.
#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>

namespace Quillon {

struct StoredCall
{
    QString Name;
    QString Number;
    QString Date;
    QString Time;
    QString SysTime; // "yyyy-MM-dd HH:mm:ss"
};

// Questions whose answer may be "could not tell" give the reason in error;
// the answer is then the empty one.

// The newest count calls, oldest first.
QList<StoredCall> lastStoredCalls(const QSqlDatabase& db, int count, QString* error = nullptr);
// Whether a call with this Date, Time and Number is among the recent ones.
bool isCallStored(const QSqlDatabase& db, const QString& date, const QString& time, const QString& number,
                  QString* error = nullptr);

} // namespace Quillon

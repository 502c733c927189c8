// SPDX-License-Identifier: GPL-2.0-or-later
// The statements that store a call, on any connection: the window's own and
// the storage thread's.
#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

namespace Quillon {

// The call with the time it arrived. A call whose earlier attempt may have
// reached the file is looked for first: seen is how many identical calls of
// the same attempt come before it (identical calls are as many calls), and it
// is there when the file holds more than seen of them. seen < 0: not looked
// for. rejectedMark: the file has room for the rejected mark. A failure gives the reason as the call path
// tells it in error, and in damage what SQLite found damaged, when it was that.
bool insertCallRow(const QSqlDatabase& db, bool rejectedMark, const QString& name, const QString& number,
                   const QString& date, const QString& time, const QDateTime& arrived, int seen, bool rejected,
                   QString* error, QString* damage);
// Why SQLite refused, in the words of the call path; damage as above.
QString refusalText(const QSqlError& error, QString* damage = nullptr);
// SQLite URI that opens an existing file read-write, never creating it.
QString callDatabaseUri(const QString& path);

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/storedcalls.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace Quillon {

namespace {

// Calls a server reports again are recent ones. Looking only this far back
// keeps the check a short rowid range instead of a scan of the whole table,
// which has no index on Number.
constexpr int recentRows = 20000;

bool fail(const QSqlQuery& query, QString* error)
{
    if (error)
        *error = query.lastError().isValid() ? query.lastError().text().trimmed() : QStringLiteral("no result");
    return false;
}

} // namespace

QList<StoredCall> lastStoredCalls(const QSqlDatabase& db, int count, QString* error)
{
    QList<StoredCall> calls;
    if (count <= 0)
        return calls;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT Name, Number, Date, Time, SysTime FROM"
                                 " (SELECT rowid AS r, * FROM CID ORDER BY rowid DESC LIMIT ?) ORDER BY r"));
    query.addBindValue(count);
    if (!query.exec()) {
        fail(query, error);
        return {};
    }
    while (query.next()) {
        calls.append({ query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                       query.value(3).toString(), query.value(4).toString() });
    }
    return calls;
}

bool isCallStored(const QSqlDatabase& db, const QString& date, const QString& time, const QString& number,
                  QString* error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT EXISTS (SELECT 1 FROM CID WHERE rowid > (SELECT max(rowid) FROM CID) - ?"
                                 " AND Number = ? AND Date = ? AND Time = ?)"));
    query.addBindValue(recentRows);
    query.addBindValue(number);
    query.addBindValue(date);
    query.addBindValue(time);
    if (!query.exec() || !query.next())
        return fail(query, error);
    return query.value(0).toInt() != 0;
}

} // namespace Quillon

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

std::pair<qint64, qint64> newestCallRows(const QSqlDatabase& db, int count, QString* error)
{
    if (count <= 0)
        return { 0, 0 };
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("SELECT min(r), max(r) FROM (SELECT rowid AS r FROM CID ORDER BY rowid DESC LIMIT ?)"));
    query.addBindValue(count);
    if (!query.exec() || !query.next()) {
        fail(query, error);
        return { 0, 0 };
    }
    return { query.value(0).toLongLong(), query.value(1).toLongLong() };
}

bool hasRejectedColumn(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT 1 FROM pragma_table_info('CID') WHERE name = 'Rejected'")))
        return false;
    return query.next();
}

QList<StoredCall> storedCallsAfter(const QSqlDatabase& db, qint64 after, qint64 last, int count, QString* error)
{
    QList<StoredCall> calls;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT Name, Number, Date, Time, SysTime, rowid, %1 FROM CID"
                                 " WHERE rowid > ? AND rowid <= ? ORDER BY rowid LIMIT ?")
                      .arg(hasRejectedColumn(db) ? QStringLiteral("Rejected") : QStringLiteral("NULL")));
    query.addBindValue(after);
    query.addBindValue(last);
    query.addBindValue(count);
    if (!query.exec()) {
        fail(query, error);
        return {};
    }
    while (query.next()) {
        calls.append({ query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                       query.value(3).toString(), query.value(4).toString(), query.value(5).toLongLong(),
                       query.value(6).toInt() == 1 });
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

// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/storedcalls.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

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

int callYear(const QString& date, const QString& sysTime)
{
    const int year = QStringView(sysTime).left(4).toInt();
    return date.startsWith(QLatin1String("12/")) && QStringView(sysTime).mid(5, 2) == u"01" ? year - 1 : year;
}

QString callYearSql(const QString& dateColumn, const QString& sysTimeColumn)
{
    return QStringLiteral(
               "(CAST(substr(%2, 1, 4) AS INTEGER) - (substr(%1, 1, 3) = '12/' AND substr(%2, 6, 2) = '01'))")
        .arg(dateColumn, sysTimeColumn);
}

QString callNameKey(const QString& number, const QString& name)
{
    // Never null: bound to a statement, a null text would be NULL, equal to nothing.
    if (std::any_of(number.begin(), number.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return QStringLiteral("");
    return name.isNull() ? QStringLiteral("") : name;
}

QString callNameKeySql(const QString& numberColumn, const QString& nameColumn)
{
    return QStringLiteral("(CASE WHEN IFNULL(%1, '') GLOB '*[0-9]*' THEN '' ELSE IFNULL(%2, '') END)")
        .arg(numberColumn, nameColumn);
}

QString sameCallKey(const QString& date, const QString& time, const QString& number, const QString& name, int year)
{
    return QString::number(year) + u'\t' + date + u'\t' + time + u'\t' + number + u'\t' + callNameKey(number, name);
}

QHash<QString, qint64> countRecentCalls(const QSqlDatabase& db, QString* error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT Date, Time, Number, Name, SysTime FROM CID"
                                 " WHERE rowid > (SELECT max(rowid) FROM CID) - ?"));
    query.addBindValue(recentRows);
    if (!query.exec()) {
        fail(query, error);
        return {};
    }
    QHash<QString, qint64> counts;
    while (query.next()) {
        const QString date = query.value(0).toString();
        ++counts[sameCallKey(date, query.value(1).toString(), query.value(2).toString(), query.value(3).toString(),
                             callYear(date, query.value(4).toString()))];
    }
    if (query.lastError().isValid()) {
        fail(query, error);
        return {};
    }
    return counts;
}

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
#include "recordedit.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace Quillon {

namespace {

bool fail(const QSqlError& sqlError, QString* error)
{
    if (error)
        *error = sqlError.text().trimmed();
    return false;
}

// SysTime is stored as sortable text, so text order is time order.
QString sysTimeText(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

bool deleteRows(const QSqlDatabase& db, const QString& table, const QList<QVariant>& rowIds, QString* error)
{
    QSqlDatabase connection = db;
    if (!connection.transaction())
        return fail(connection.lastError(), error);
    QSqlQuery query(connection);
    if (!query.prepare(QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE rowid = ?"))) {
        connection.rollback();
        return fail(query.lastError(), error);
    }
    for (const QVariant& rowId : rowIds) {
        query.addBindValue(rowId);
        if (!query.exec()) {
            const QSqlError failure = query.lastError();
            query.finish();
            connection.rollback();
            return fail(failure, error);
        }
    }
    query.finish();
    if (!connection.commit()) {
        const QSqlError failure = connection.lastError();
        connection.rollback();
        return fail(failure, error);
    }
    return true;
}

bool updateListEntry(const QSqlDatabase& db, const QString& table, const QVariant& rowId, const QString& number,
                     const QString& name, QString* error)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("UPDATE ") + table + QStringLiteral(" SET Number = ?, Name = ? WHERE rowid = ?"));
    query.addBindValue(number);
    query.addBindValue(name);
    query.addBindValue(rowId);
    if (!query.exec())
        return fail(query.lastError(), error);
    // The entry went away meanwhile (deleted in another window, say).
    if (query.numRowsAffected() != 1) {
        if (error)
            *error = QStringLiteral("The entry is no longer in the list.");
        return false;
    }
    return true;
}

bool countCallsBefore(const QSqlDatabase& db, const QDateTime& before, qint64& count, QString* error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM CID WHERE SysTime < ?"));
    query.addBindValue(sysTimeText(before));
    if (!query.exec() || !query.next())
        return fail(query.lastError(), error);
    count = query.value(0).toLongLong();
    return true;
}

bool deleteCallsBefore(const QSqlDatabase& db, const QDateTime& before, qint64& deleted, QString* error)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("DELETE FROM CID WHERE SysTime < ?"));
    query.addBindValue(sysTimeText(before));
    if (!query.exec())
        return fail(query.lastError(), error);
    deleted = query.numRowsAffected();
    return true;
}

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/listentries.h"

#include "records/calldatabase.h"
#include "records/listentryrules.h"
#include "records/transaction.h"

#include <QSqlError>
#include <QSqlQuery>

namespace Quillon {

namespace {

bool setError(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

bool fail(const QSqlQuery& query, QString* error)
{
    return setError(error, query.lastError().text().trimmed());
}

} // namespace

ListEntries::ListEntries(CallDatabase& database)
    : m_database(database)
{ }

GridQuery ListEntries::gridQuery(RecordList list)
{
    Q_ASSERT(list != RecordList::Calls);
    const QString table = tableName(list);
    return { QStringLiteral("SELECT %1.rowid AS RowId, %1.Name, %1.Number FROM %1").arg(table),
             {},
             list == RecordList::Translate ? QStringLiteral("Translate.Name ASC, Translate.rowid")
                                           : QStringLiteral("Reject.rowid") };
}

bool ListEntries::add(RecordList list, const QString& number, const QString& name, QString* error)
{
    Q_ASSERT(list != RecordList::Calls);
    return change(QStringLiteral("INSERT INTO %1 (Number, Name) VALUES (?, ?)").arg(tableName(list)), { number, name },
                  nullptr, error);
}

bool ListEntries::update(RecordList list, const QVariant& rowId, const QString& number, const QString& name,
                         QString* error)
{
    Q_ASSERT(list != RecordList::Calls);
    int changed = 1;
    if (!change(QStringLiteral("UPDATE %1 SET Number = ?, Name = ? WHERE rowid = ?").arg(tableName(list)),
                { number, name, rowId }, &changed, error))
        return false;
    return changed == 1 || setError(error, QStringLiteral("The entry is no longer in the list."));
}

bool ListEntries::change(const QString& statement, const QVariantList& values, int* changed, QString* error)
{
    if (!m_database.isOpen())
        return true;
    if (!m_database.writable(error))
        return false;
    QSqlQuery query(m_database.connection());
    query.prepare(statement);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        return fail(query, error);
    if (changed)
        *changed = query.numRowsAffected();
    return true;
}

bool ListEntries::relayoutNumbers(qint16 format, RelayoutCounts* counts, QString* error)
{
    *counts = {};
    if (!m_database.isOpen())
        return true;
    if (!m_database.writable(error))
        return false;
    Transaction transaction(m_database.connection(), error, Transaction::Lock::Immediate);
    if (!transaction.isActive())
        return false;
    for (const RecordList list : { RecordList::Reject, RecordList::Translate }) {
        QList<std::pair<qint64, QString>> changes;
        QSqlQuery read(m_database.connection());
        read.setForwardOnly(true);
        if (!read.exec(QStringLiteral("SELECT rowid, Number FROM %1 WHERE Number IS NOT NULL").arg(tableName(list))))
            return fail(read, error);
        while (read.next()) {
            QString laidOut;
            switch (relayoutNumber(read.value(1).toString(), format, &laidOut)) {
            case Relayout::Rewritten:
                changes.append({ read.value(0).toLongLong(), laidOut });
                break;
            case Relayout::Left:
                ++counts->left;
                break;
            case Relayout::NotANumber:
            case Relayout::Unchanged:
                break;
            }
        }
        if (read.lastError().isValid())
            return fail(read, error);
        QSqlQuery write(m_database.connection());
        if (!write.prepare(QStringLiteral("UPDATE %1 SET Number = ? WHERE rowid = ?").arg(tableName(list))))
            return fail(write, error);
        for (const auto& [rowId, number] : std::as_const(changes)) {
            write.bindValue(0, number);
            write.bindValue(1, rowId);
            if (!write.exec())
                return fail(write, error);
        }
        counts->rewritten += changes.size();
    }
    if (transaction.commit(error))
        return true;
    *counts = {};
    return false;
}

bool ListEntries::remove(RecordList list, const QVariantList& rowIds, QString* error)
{
    if (!m_database.isOpen())
        return true;
    if (!m_database.writable(error))
        return false;
    Transaction transaction(m_database.connection(), error); // rolls back unless committed
    if (!transaction.isActive())
        return false;
    QSqlQuery query(m_database.connection());
    if (!query.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(tableName(list))))
        return fail(query, error);
    for (const QVariant& rowId : rowIds) {
        query.bindValue(0, rowId);
        if (!query.exec())
            return fail(query, error);
    }
    query.finish();
    return transaction.commit(error);
}

} // namespace Quillon

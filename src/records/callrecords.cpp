// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/callrecords.h"

#include "records/calldatabase.h"
#include "records/listentries.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>

namespace Quillon {

namespace {

// SysTime is stored as sortable text, so text order is time order.
QString sysTimeText(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

CallRecords::CallRecords(CallDatabase& database)
    : m_database(database)
{ }

GridQuery CallRecords::phoneIndexQuery()
{
    return { QStringLiteral("SELECT DISTINCT CID.Name, CID.Number FROM CID"),
             {},
             QStringLiteral("CID.Name ASC"),
             true,
             {},
             { { QStringLiteral("Name"), false } },
             QStringLiteral("CID") };
}

RecordCount CallRecords::countSearch(SearchType type, const QString& text) const
{
    return countCallSearch(m_database.connection(), type, text);
}

bool CallRecords::remove(const QVariantList& rowIds, QString* error)
{
    return ListEntries(m_database).remove(RecordList::Calls, rowIds, error);
}

RecordCount CallRecords::countBefore(const QDateTime& before) const
{
    RecordCount result;
    QSqlQuery query(m_database.connection());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM CID WHERE SysTime < ?"));
    query.addBindValue(sysTimeText(before));
    if (!query.exec() || !query.next()) {
        result.error = query.lastError().text().trimmed();
        return result;
    }
    result.ok = true;
    result.count = query.value(0).toLongLong();
    return result;
}

bool CallRecords::removeBefore(const QDateTime& before, QString* error)
{
    if (!m_database.isOpen())
        return true;
    if (!m_database.writable(error))
        return false;
    QSqlQuery query(m_database.connection());
    query.prepare(QStringLiteral("DELETE FROM CID WHERE SysTime < ?"));
    query.addBindValue(sysTimeText(before));
    if (query.exec())
        return true;
    if (error)
        *error = query.lastError().text().trimmed();
    return false;
}

} // namespace Quillon

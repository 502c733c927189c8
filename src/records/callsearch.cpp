// SPDX-License-Identifier: GPL-2.0-or-later
#include "callsearch.h"

#include "records/recordgridmodel.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>

#include <algorithm>

namespace Quillon {

namespace {

bool bindsText(SearchType type, const QString& text)
{
    return type != SearchType::All && !text.isEmpty();
}

bool digitsOnly(const QString& text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit(); });
}

// The number with the separators of every display layout (and of numbers typed
// into the lists by hand) taken out, so that 5551234567 finds 555-123-4567.
QString numberDigits()
{
    QString column = QStringLiteral("CID.Number");
    for (const char* separator : { "-", " ", "(", ")", ".", "/", "+" })
        column = QStringLiteral("REPLACE(%1, '%2', '')").arg(column, QLatin1String(separator));
    return column;
}

QString condition(SearchType type, const QString& text)
{
    switch (type) {
    case SearchType::All:
        return {};
    case SearchType::Name:
    case SearchType::Number:
        // An empty text lists no calls rather than all of them: only a caller
        // literally named "Nothing" would match.
        if (text.isEmpty())
            return QStringLiteral("CID.Name = 'Nothing'");
        if (type == SearchType::Name)
            return QStringLiteral("CID.Name LIKE '%' || ? || '%'");
        return QStringLiteral("%1 LIKE '%' || ? || '%'")
            .arg(digitsOnly(text) ? numberDigits() : QStringLiteral("CID.Number"));
    }
    return {};
}

QString whereClause(SearchType type, const QString& text)
{
    const QString where = condition(type, text);
    return where.isEmpty() ? where : QStringLiteral(" WHERE ") + where;
}

bool prepareAndRun(QSqlQuery& query, const QString& statement, SearchType type, const QString& text, QString* error)
{
    if (query.prepare(statement)) {
        if (bindsText(type, text))
            query.addBindValue(text);
        if (query.exec())
            return true;
    }
    if (error)
        *error = query.lastError().text();
    return false;
}

// rowid breaks ties between calls stored within the same second; the SysTime
// index already holds it, so the order still comes from the index.
QString newestFirst()
{
    return QStringLiteral("CID.SysTime DESC, CID.rowid DESC");
}

} // namespace

QString callSearchStatement(SearchType type, const QString& text)
{
    return QStringLiteral("SELECT CID.Name, CID.Number, CID.SysTime FROM CID") + whereClause(type, text)
        + QStringLiteral(" ORDER BY ") + newestFirst();
}

GridQuery callSearchQuery(SearchType type, const QString& text, bool withMark)
{
    GridQuery query { QStringLiteral("SELECT CID.rowid AS RowId, CID.Name, CID.Number, CID.SysTime")
                          + (withMark
                                 ? QStringLiteral(", CASE CID.Rejected WHEN 1 THEN 'Rejected' ELSE '' END AS Rejected")
                                 : QString())
                          + QStringLiteral(" FROM CID"),
                      {},
                      newestFirst(),
                      false,
                      condition(type, text),
                      { { QStringLiteral("SysTime"), true }, { QStringLiteral("RowId"), true } },
                      QStringLiteral("CID"),
                      QStringLiteral("(CID.SysTime, CID.rowid)") };
    if (bindsText(type, text))
        query.values.append(text);
    return query;
}

QString callSearchCountStatement(SearchType type, const QString& text)
{
    return QStringLiteral("SELECT COUNT(*) FROM CID") + whereClause(type, text);
}

// The count comes from its own statement so that the grid never has to fetch
// every row to learn how many there are.
RecordCount countCallSearch(const QSqlDatabase& db, SearchType type, const QString& text)
{
    RecordCount result;
    QSqlQuery countQuery(db);
    countQuery.setForwardOnly(true);
    if (!prepareAndRun(countQuery, callSearchCountStatement(type, text), type, text, &result.error))
        return result;
    if (!countQuery.next()) {
        result.error = countQuery.lastError().text();
        return result;
    }
    result.ok = true;
    result.count = countQuery.value(0).toLongLong();
    return result;
}

RecordCount runCallSearch(const QSqlDatabase& db, SearchType type, const QString& text, QSqlQueryModel& model)
{
    RecordCount result = countCallSearch(db, type, text);
    if (!result.ok)
        return result;
    result.ok = false;
    QSqlQuery rowsQuery(db);
    if (!prepareAndRun(rowsQuery, callSearchStatement(type, text), type, text, &result.error))
        return result;
    model.setQuery(std::move(rowsQuery));
    if (model.lastError().isValid()) {
        result.error = model.lastError().text();
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace Quillon

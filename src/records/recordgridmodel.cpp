// SPDX-License-Identifier: GPL-2.0-or-later
#include "recordgridmodel.h"

#include "platform/datetimetext.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

namespace Quillon {

namespace {

// Field names come from the result, never from the user; quoted all the same.
QString quotedIdentifier(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// New rows at once beyond which the grid is read again instead.
constexpr qint64 newRowsLimit = 4 * RecordGridModel::pageRows;

int sign(int value)
{
    return (value > 0) - (value < 0);
}

// SQLite's order of stored values: NULL, then numbers, then text by its UTF-8
// bytes (the BINARY collation), then blobs.
int compareValues(const QVariant& a, const QVariant& b)
{
    const auto rank = [](const QVariant& value) {
        if (value.isNull())
            return 0;
        switch (value.typeId()) {
        case QMetaType::QString:
            return 2;
        case QMetaType::QByteArray:
            return 3;
        default:
            return 1;
        }
    };
    const int rankA = rank(a);
    const int rankB = rank(b);
    if (rankA != rankB)
        return rankA < rankB ? -1 : 1;
    switch (rankA) {
    case 0:
        return 0;
    case 1: {
        const auto integral = [](const QVariant& value) {
            return value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int;
        };
        if (integral(a) && integral(b)) {
            const qlonglong x = a.toLongLong();
            const qlonglong y = b.toLongLong();
            return (x > y) - (x < y);
        }
        const double x = a.toDouble();
        const double y = b.toDouble();
        return (x > y) - (x < y);
    }
    case 2:
        return sign(a.toString().toUtf8().compare(b.toString().toUtf8()));
    default:
        return sign(a.toByteArray().compare(b.toByteArray()));
    }
}

// As DISTINCT tells rows apart: NULL is the same as NULL.
bool sameRow(const QVariantList& a, const QVariantList& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype c = 0; c < a.size(); ++c) {
        if (compareValues(a[c], b[c]) != 0)
            return false;
    }
    return true;
}

} // namespace

RecordGridModel::RecordGridModel(QObject* parent)
    : QAbstractTableModel(parent)
{ }

void RecordGridModel::setCaption(const QString& field, const QString& caption)
{
    m_captions.insert(field.toLower(), caption);
}

void RecordGridModel::setDateTimeField(const QString& field)
{
    m_dateTimeField = field;
}

int RecordGridModel::column(const QString& field) const
{
    for (int c = 0; c < m_fields.size(); ++c) {
        if (m_fields[c].compare(field, Qt::CaseInsensitive) == 0)
            return c;
    }
    return -1;
}

bool RecordGridModel::setGridQuery(const QSqlDatabase& db, const GridQuery& query, QString* error)
{
    const QSqlDatabase oldDb = m_db;
    const GridQuery oldQuery = m_query;
    m_db = db;
    m_query = query;
    if (run(m_sortField, m_sortOrder, error))
        return true;
    m_db = oldDb;
    m_query = oldQuery;
    return false;
}

bool RecordGridModel::rerun(QString* error)
{
    return hasQuery() && run(m_sortField, m_sortOrder, error);
}

void RecordGridModel::sort(int column, Qt::SortOrder order)
{
    const QString field = m_fields.value(column);
    if (field.isEmpty() || !hasQuery())
        return;
    QString error;
    if (!run(field, order, &error)) {
        Q_EMIT queryFailed(error);
        return;
    }
    m_sortField = field;
    m_sortOrder = order;
}

bool RecordGridModel::run(const QString& sortField, Qt::SortOrder order, QString* error)
{
    QString orderBy = m_query.defaultOrder;
    if (!sortField.isEmpty()) {
        const QString chosen = quotedIdentifier(sortField)
            + (order == Qt::AscendingOrder ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
        orderBy = orderBy.isEmpty() ? chosen : chosen + QStringLiteral(", ") + orderBy;
    }
    // Taken before the rows: a row stored in between is read again at worst,
    // and then found listed already.
    const qint64 lastSeen = lastRowId();
    QString statement = filtered({});
    if (!orderBy.isEmpty())
        statement += QStringLiteral(" ORDER BY ") + orderBy;
    QVariantList values = m_query.values;
    if (!m_query.oneRead) {
        statement += QStringLiteral(" LIMIT ?");
        values.append(pageRows);
    }
    QList<QVariantList> rows;
    QStringList fields;
    if (!read(statement, values, rows, &fields, error))
        return false;
    beginResetModel();
    m_orderBy = orderBy;
    m_fields = fields;
    m_orderColumns.clear();
    if (!sortField.isEmpty())
        m_orderColumns.append({ column(sortField), order == Qt::DescendingOrder });
    for (const auto& [field, descending] : m_query.orderFields)
        m_orderColumns.append({ column(field), descending });
    m_complete = m_query.oneRead || rows.size() < pageRows;
    m_pagesByCount = !sortField.isEmpty() || m_query.orderKey.isEmpty();
    m_lastSeen = lastSeen;
    m_rows = std::move(rows);
    endResetModel();
    return true;
}

RecordGridModel::NewRows RecordGridModel::takeNewRows(qint64* added, QString* error)
{
    if (added)
        *added = 0;
    if (!hasQuery())
        return NewRows::Taken;
    // A chosen order over rows not all read cannot tell where a new row goes
    // among those still unread.
    bool placeable = !m_query.newRowsTable.isEmpty() && m_lastSeen >= 0 && !m_orderColumns.isEmpty()
        && (m_sortField.isEmpty() || m_complete);
    for (const auto& [column, descending] : std::as_const(m_orderColumns))
        placeable = placeable && column >= 0;
    if (!placeable)
        return NewRows::ReadAgain;

    const QString rowId = m_query.newRowsTable + QStringLiteral(".rowid");
    QSqlQuery range(m_db);
    range.setForwardOnly(true);
    range.prepare(QStringLiteral("SELECT COUNT(*), MAX(rowid) FROM %1 WHERE rowid > ?").arg(m_query.newRowsTable));
    range.addBindValue(m_lastSeen);
    if (!range.exec() || !range.next()) {
        if (error)
            *error = range.lastError().text();
        return NewRows::Failed;
    }
    const qint64 stored = range.value(0).toLongLong();
    // Rows stored after this look wait for the next one.
    const qint64 upTo = range.value(1).toLongLong();
    range.finish();
    if (stored == 0)
        return NewRows::Taken;
    // A flood (an import) costs less read again than placed row by row.
    if (stored > newRowsLimit)
        return NewRows::ReadAgain;
    QList<QVariantList> rows;
    QVariantList values = m_query.values;
    values << m_lastSeen << upTo;
    if (!read(filtered(rowId + QStringLiteral(" > ? AND ") + rowId + QStringLiteral(" <= ?")), values, rows, nullptr,
              error))
        return NewRows::Failed;
    m_lastSeen = upTo;

    const auto comesFirst = [this](const QVariantList& a, const QVariantList& b) { return compare(a, b) < 0; };
    qint64 taken = 0;
    for (const QVariantList& row : std::as_const(rows)) {
        auto at = std::upper_bound(m_rows.begin(), m_rows.end(), row, comesFirst);
        // Listed already: one DISTINCT row for many calls, or a row stored
        // while the grid was being read.
        bool listed = false;
        for (auto tie = at; !listed && tie != m_rows.begin() && compare(*(tie - 1), row) == 0; --tie)
            listed = sameRow(*(tie - 1), row);
        if (listed)
            continue;
        ++taken;
        // Past the rows read so far: it comes with a later page.
        if (at == m_rows.end() && !m_complete)
            continue;
        const int position = static_cast<int>(at - m_rows.begin());
        beginInsertRows({}, position, position);
        m_rows.insert(position, row);
        endInsertRows();
    }
    if (added)
        *added = taken;
    return NewRows::Taken;
}

QString RecordGridModel::filtered(const QString& condition) const
{
    QStringList conditions;
    if (!m_query.where.isEmpty())
        conditions.append(QLatin1Char('(') + m_query.where + QLatin1Char(')'));
    if (!condition.isEmpty())
        conditions.append(condition);
    return conditions.isEmpty() ? m_query.select
                                : m_query.select + QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

qint64 RecordGridModel::lastRowId() const
{
    if (m_query.newRowsTable.isEmpty())
        return -1;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT IFNULL(MAX(rowid), 0) FROM ") + m_query.newRowsTable) || !query.next())
        return -1;
    const qint64 last = query.value(0).toLongLong();
    query.finish();
    return last;
}

int RecordGridModel::compare(const QVariantList& a, const QVariantList& b) const
{
    for (const auto& [column, descending] : m_orderColumns) {
        const int order = compareValues(a.value(column), b.value(column));
        if (order != 0)
            return descending ? -order : order;
    }
    return 0;
}

bool RecordGridModel::read(const QString& statement, const QVariantList& values, QList<QVariantList>& rows,
                           QStringList* fields, QString* error) const
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    bool ok = query.prepare(statement);
    if (ok) {
        for (const QVariant& value : values)
            query.addBindValue(value);
        ok = query.exec();
    }
    if (ok && fields) {
        const QSqlRecord record = query.record();
        for (int c = 0; c < record.count(); ++c)
            fields->append(record.fieldName(c));
    }
    while (ok && query.next()) {
        QVariantList row;
        row.reserve(query.record().count());
        for (int c = 0; c < query.record().count(); ++c)
            row.append(query.value(c));
        rows.append(row);
    }
    if (ok && query.lastError().isValid())
        ok = false;
    if (!ok && error)
        *error = query.lastError().text();
    // The read lock goes with the statement, now rather than at the next page.
    query.finish();
    return ok;
}

int RecordGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int RecordGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_fields.size());
}

bool RecordGridModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_complete;
}

void RecordGridModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || m_complete)
        return;
    QVariantList values = m_query.values;
    QString condition;
    if (!m_pagesByCount && !m_rows.isEmpty()) {
        // The next page starts past the last row's key, found through the
        // order's index, where skipping rows by count costs more each page.
        QStringList marks;
        for (const auto& [column, descending] : std::as_const(m_orderColumns)) {
            const QVariant key = m_rows.constLast().value(column);
            m_pagesByCount = m_pagesByCount || column < 0 || key.isNull();
            values.append(key);
            marks.append(QStringLiteral("?"));
        }
        if (!m_pagesByCount)
            condition = m_query.orderKey
                + (m_orderColumns.constFirst().second ? QStringLiteral(" < (") : QStringLiteral(" > ("))
                + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    const bool byKey = !m_pagesByCount;
    if (!byKey)
        values = m_query.values;
    QString statement = filtered(condition);
    if (!m_orderBy.isEmpty())
        statement += QStringLiteral(" ORDER BY ") + m_orderBy;
    statement += QStringLiteral(" LIMIT ?");
    values.append(pageRows);
    if (!byKey) {
        statement += QStringLiteral(" OFFSET ?");
        values.append(m_rows.size());
    }
    QList<QVariantList> rows;
    QString error;
    if (!read(statement, values, rows, nullptr, &error)) {
        m_complete = true;
        Q_EMIT queryFailed(error);
        return;
    }
    if (rows.size() < pageRows) {
        // Rows whose key holds NULL never compare past a key: they may follow.
        m_complete = !byKey;
        m_pagesByCount = true;
    }
    if (rows.isEmpty())
        return;
    beginInsertRows({}, static_cast<int>(m_rows.size()), static_cast<int>(m_rows.size() + rows.size() - 1));
    m_rows.append(rows);
    endInsertRows();
}

QVariant RecordGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= m_fields.size()
        || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const QVariant value = m_rows[index.row()][index.column()];
    if (role != Qt::DisplayRole || m_dateTimeField.isEmpty() || index.column() != column(m_dateTimeField))
        return value;
    const QString text = value.toString();
    const QDateTime when = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    // A value the program did not write is shown as it is.
    return when.isValid() ? QVariant(dateTimeText(when)) : value;
}

QVariant RecordGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        const auto caption = m_captions.constFind(m_fields.value(section).toLower());
        if (caption != m_captions.constEnd())
            return *caption;
        if (section >= 0 && section < m_fields.size())
            return m_fields[section];
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace Quillon

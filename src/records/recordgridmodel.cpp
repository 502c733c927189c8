// SPDX-License-Identifier: GPL-2.0-or-later
#include "recordgridmodel.h"

#include "platform/datetimetext.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace Quillon {

namespace {

// Field names come from the result, never from the user; quoted all the same.
QString quotedIdentifier(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
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
    const QString statement
        = orderBy.isEmpty() ? m_query.select : m_query.select + QStringLiteral(" ORDER BY ") + orderBy;
    QList<QVariantList> rows;
    QStringList fields;
    if (!readPage(statement, 0, rows, &fields, error))
        return false;
    beginResetModel();
    m_statement = statement;
    m_fields = fields;
    m_complete = m_query.oneRead || rows.size() < pageRows;
    m_rows = std::move(rows);
    endResetModel();
    return true;
}

bool RecordGridModel::readPage(const QString& statement, qsizetype offset, QList<QVariantList>& rows,
                               QStringList* fields, QString* error) const
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    bool ok = query.prepare(m_query.oneRead ? statement : statement + QStringLiteral(" LIMIT ? OFFSET ?"));
    if (ok) {
        for (const QVariant& value : m_query.values)
            query.addBindValue(value);
        if (!m_query.oneRead) {
            query.addBindValue(pageRows);
            query.addBindValue(offset);
        }
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
    QList<QVariantList> rows;
    QString error;
    if (!readPage(m_statement, m_rows.size(), rows, nullptr, &error)) {
        m_complete = true;
        Q_EMIT queryFailed(error);
        return;
    }
    m_complete = rows.size() < pageRows;
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

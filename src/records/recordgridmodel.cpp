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
    : QSqlQueryModel(parent)
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
    return record().indexOf(field);
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
    const QString field = record().fieldName(column);
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
    QSqlQuery query(m_db);
    bool ok
        = query.prepare(orderBy.isEmpty() ? m_query.select : m_query.select + QStringLiteral(" ORDER BY ") + orderBy);
    if (ok) {
        for (const QVariant& value : m_query.values)
            query.addBindValue(value);
        ok = query.exec();
    }
    if (!ok) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    setQuery(std::move(query));
    if (lastError().isValid()) {
        if (error)
            *error = lastError().text();
        return false;
    }
    return true;
}

QVariant RecordGridModel::data(const QModelIndex& index, int role) const
{
    const QVariant value = QSqlQueryModel::data(index, role);
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
        const auto caption = m_captions.constFind(record().fieldName(section).toLower());
        if (caption != m_captions.constEnd())
            return *caption;
    }
    return QSqlQueryModel::headerData(section, orientation, role);
}

} // namespace Quillon

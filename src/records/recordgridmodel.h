// SPDX-License-Identifier: GPL-2.0-or-later
// Read-only rows of a query for the record windows' grids: column captions
// by field name, stored times shown in the user's date-time layout, and
// sorting by a column done by the query, so rows are still fetched lazily.
#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQueryModel>
#include <QString>
#include <QVariantList>

namespace Quillon {

// A grid's statement without its ORDER BY, the values bound to its
// placeholders, and the order it has until the user picks a column.
struct GridQuery
{
    QString select;
    QVariantList values;
    QString defaultOrder;
};

class RecordGridModel : public QSqlQueryModel
{
    Q_OBJECT

public:
    explicit RecordGridModel(QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(RecordGridModel)

    void setCaption(const QString& field, const QString& caption);
    // The field holds 'YYYY-MM-DD HH:MM:SS' text, shown through dateTimeText.
    void setDateTimeField(const QString& field);
    // Column of the field in the current result; -1 when absent.
    int column(const QString& field) const;

    // Runs the query in the chosen column order. False with the reason in
    // error when it failed; the rows shown stay as they were.
    bool setGridQuery(const QSqlDatabase& db, const GridQuery& query, QString* error = nullptr);
    // The same query again, for rows stored meanwhile.
    bool rerun(QString* error = nullptr);
    bool hasQuery() const { return !m_query.select.isEmpty(); }

    // By a column of the result, the default order breaking ties; the choice
    // holds for later queries too. A failure leaves the rows and the order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // Empty while the default order holds.
    QString sortField() const { return m_sortField; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    void queryFailed(const QString& reason);

private:
    bool run(const QString& sortField, Qt::SortOrder order, QString* error);

    QHash<QString, QString> m_captions;
    QString m_dateTimeField;
    QSqlDatabase m_db;
    GridQuery m_query;
    QString m_sortField;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

} // namespace Quillon

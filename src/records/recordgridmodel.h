// SPDX-License-Identifier: GPL-2.0-or-later
// Read-only rows of a query for the record windows' grids: column captions
// by field name, stored times shown in the user's date-time layout, and
// sorting by a column done by the query. Rows are read a page at a time as
// the grid scrolls, each page by a statement of its own that is finished
// before it returns: an open grid never holds the file against a writer.
#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace Quillon {

// A grid's statement without its ORDER BY, the values bound to its
// placeholders, and the order it has until the user picks a column.
struct GridQuery
{
    QString select;
    QVariantList values;
    QString defaultOrder;
    // Each page would cost a pass over the whole table (DISTINCT): the rows,
    // few by their nature, are read in one statement.
    bool oneRead = false;
};

class RecordGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit RecordGridModel(QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(RecordGridModel)

    static constexpr int pageRows = 256;

    void setCaption(const QString& field, const QString& caption);
    // The field holds 'YYYY-MM-DD HH:MM:SS' text, shown through dateTimeText.
    void setDateTimeField(const QString& field);
    // Column of the field in the current result (any letter case); -1 when absent.
    int column(const QString& field) const;
    QString fieldName(int column) const { return m_fields.value(column); }

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

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent = {}) const override;
    void fetchMore(const QModelIndex& parent = {}) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    void queryFailed(const QString& reason);

private:
    bool run(const QString& sortField, Qt::SortOrder order, QString* error);
    // Up to pageRows rows from offset on; fields gets the result's names.
    bool readPage(const QString& statement, qsizetype offset, QList<QVariantList>& rows, QStringList* fields,
                  QString* error) const;

    QHash<QString, QString> m_captions;
    QString m_dateTimeField;
    QSqlDatabase m_db;
    GridQuery m_query;
    QString m_sortField;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QString m_statement; // the query in its order, without the page's bounds
    QStringList m_fields;
    QList<QVariantList> m_rows;
    bool m_complete = true;
};

} // namespace Quillon

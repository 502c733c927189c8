// SPDX-License-Identifier: GPL-2.0-or-later
// Read-only rows of a query for the record windows' grids: column captions
// by field name, stored times shown in the user's date-time layout, and
// sorting by a column done by the query. Rows are read a page at a time as
// the grid scrolls, each page by a statement of its own that is finished
// before it returns: an open grid never holds the file against a writer.
// Rows stored later are taken into the grid where its order puts them,
// without reading it again.
#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <utility>

namespace Quillon {

// A grid's statement without its WHERE and ORDER BY, the values bound to the
// placeholders of its condition, and the order it has until the user picks a
// column.
struct GridQuery
{
    QString select;
    QVariantList values;
    QString defaultOrder;
    // Each page would cost a pass over the whole table (DISTINCT): the rows,
    // few by their nature, are read in one statement.
    bool oneRead = false;
    // Without WHERE; empty: every row.
    QString where = {};
    // The default order again as fields of the result, each true when
    // descending; it must leave no ties between rows that differ, bar those
    // the query itself leaves in no set order.
    QList<std::pair<QString, bool>> orderFields = {};
    // The table whose rowid tells the rows stored since the grid last looked,
    // as named in select; empty: the grid is read again instead.
    QString newRowsTable = {};
    // The default order as one row value, every term in the direction of the
    // first: pages after the first start past the last row's key instead of
    // skipping rows by count. Empty: by count.
    QString orderKey = {};
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
    // The same query again, for rows stored, changed or removed meanwhile.
    bool rerun(QString* error = nullptr);

    enum class NewRows
    {
        Taken,
        ReadAgain, // could not be placed without the whole query: rerun() does
        Failed,
    };
    // Puts the rows stored since the query last looked (and matching it) in
    // their place with beginInsertRows, so that the view keeps its selection,
    // current row and scroll position; a row its order puts past the rows read
    // so far comes with a later page. added: how many new rows match, those
    // already listed left out. Never re-reads the grid itself.
    NewRows takeNewRows(qint64* added = nullptr, QString* error = nullptr);
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
    // The rows of the statement with values bound in turn; fields gets the
    // result's names.
    bool read(const QString& statement, const QVariantList& values, QList<QVariantList>& rows, QStringList* fields,
              QString* error) const;
    QString filtered(const QString& condition) const;
    // The last rowid of newRowsTable; -1 when it could not be read.
    qint64 lastRowId() const;
    // Rows in the query's order: negative when a comes first, 0 for a tie.
    int compare(const QVariantList& a, const QVariantList& b) const;

    QHash<QString, QString> m_captions;
    QString m_dateTimeField;
    QSqlDatabase m_db;
    GridQuery m_query;
    QString m_sortField;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QString m_orderBy;
    // Result columns and directions of the current order, for placing rows.
    QList<std::pair<int, bool>> m_orderColumns;
    QStringList m_fields;
    QList<QVariantList> m_rows;
    bool m_complete = true;
    // Pages by count once a row's key holds NULL, which a comparison of row
    // values cannot step past.
    bool m_pagesByCount = false;
    // The last rowid of newRowsTable when the grid last looked; -1: unknown.
    qint64 m_lastSeen = -1;
};

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
#include "recordgrid.h"

#include "records/recordgridmodel.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLayout>
#include <QScrollBar>
#include <QSet>
#include <QSqlRecord>
#include <QTableView>

namespace Quillon {

namespace {

QStringList rowKey(const RecordGridModel* model, int row, const QStringList& fields)
{
    QStringList key;
    for (const QString& field : fields)
        key.append(model->index(row, model->column(field)).data().toString());
    return key;
}

// The design width, made for a smaller font; a number in its longest layout
// is never cut off.
int columnWidth(const QTableView* grid, const GridColumn& column)
{
    const int design = twipsToPixels(column.widthTwips);
    if (column.field != u"Number")
        return design;
    const QFontMetrics metrics = grid->fontMetrics();
    const int widest = qMax(metrics.horizontalAdvance(QStringLiteral("0000 000-0000")),
                            metrics.horizontalAdvance(QStringLiteral("00000-000000")));
    return qMax(design, widest + 2 * metrics.averageCharWidth());
}

} // namespace

QTableView* makeRecordGrid(RecordGridModel* model, const QList<GridColumn>& columns, QWidget* parent)
{
    for (const GridColumn& column : columns)
        model->setCaption(column.field, column.caption);
    auto* grid = new QTableView(parent);
    grid->setObjectName(QStringLiteral("DataGrid1"));
    grid->setModel(model);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->setAlternatingRowColors(true);
    grid->setWordWrap(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    QHeaderView* header = grid->horizontalHeader();
    header->setHighlightSections(false);
    header->setStretchLastSection(true);
    header->setSectionsClickable(true);
    // The view's own sorting would sort at once on being switched on; the
    // default order must stay until a header is clicked.
    QObject::connect(header, &QHeaderView::sectionClicked, grid, [grid, model](int section) {
        const QString field = model->fieldName(section);
        const Qt::SortOrder order = field == model->sortField() && model->sortOrder() == Qt::AscendingOrder
            ? Qt::DescendingOrder
            : Qt::AscendingOrder;
        model->sort(section, order);
        grid->horizontalHeader()->setSortIndicatorShown(!model->sortField().isEmpty());
        grid->horizontalHeader()->setSortIndicator(model->column(model->sortField()), model->sortOrder());
    });
    layOutGridColumns(grid, columns);
    return grid;
}

void layOutGridColumns(QTableView* grid, const QList<GridColumn>& columns)
{
    auto* model = static_cast<RecordGridModel*>(grid->model());
    QHeaderView* header = grid->horizontalHeader();
    for (int section = 0; section < model->columnCount(); ++section)
        grid->setColumnHidden(section, true);
    int visual = 0;
    for (const GridColumn& column : columns) {
        const int section = model->column(column.field);
        if (section < 0)
            continue;
        grid->setColumnHidden(section, false);
        grid->setColumnWidth(section, columnWidth(grid, column));
        header->moveSection(header->visualIndex(section), visual++);
    }
    if (!model->sortField().isEmpty()) {
        header->setSortIndicatorShown(true);
        header->setSortIndicator(model->column(model->sortField()), model->sortOrder());
    }
}

int gridWidthFor(const QTableView* grid, const QList<GridColumn>& columns)
{
    int width = 2 * grid->frameWidth() + grid->verticalScrollBar()->sizeHint().width();
    for (const GridColumn& column : columns)
        width += twipsToPixels(column.widthTwips);
    return width;
}

bool requeryKeepingView(QTableView* grid, const QStringList& keyFields, const std::function<bool()>& requery)
{
    auto* model = static_cast<RecordGridModel*>(grid->model());
    QSet<QStringList> selected;
    for (const QModelIndex& index : grid->selectionModel()->selectedRows())
        selected.insert(rowKey(model, index.row(), keyFields));
    const QStringList current
        = grid->currentIndex().isValid() ? rowKey(model, grid->currentIndex().row(), keyFields) : QStringList();
    const int loaded = model->rowCount();
    const int scroll = grid->verticalScrollBar()->value();
    if (!requery())
        return false;

    // As many rows as before, so that the scroll position and the selection
    // find theirs; the rest still comes as the user scrolls.
    while (model->rowCount() < loaded && model->canFetchMore())
        model->fetchMore();
    QItemSelection selection;
    QModelIndex newCurrent;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QStringList key = rowKey(model, row, keyFields);
        if (selected.contains(key))
            selection.select(model->index(row, 0), model->index(row, model->columnCount() - 1));
        if (!newCurrent.isValid() && !current.isEmpty() && key == current)
            newCurrent = model->index(row, grid->horizontalHeader()->logicalIndex(0));
    }
    if (newCurrent.isValid())
        grid->selectionModel()->setCurrentIndex(newCurrent, QItemSelectionModel::NoUpdate);
    grid->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    grid->doItemsLayout();
    grid->verticalScrollBar()->setValue(scroll);
    return true;
}

QList<QVariant> selectedValues(const QTableView* grid, const QString& field)
{
    const auto* model = static_cast<const RecordGridModel*>(grid->model());
    QModelIndexList rows = grid->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    QList<QVariant> values;
    for (const QModelIndex& row : rows)
        values.append(model->index(row.row(), model->column(field)).data());
    return values;
}

void fixMinimumSize(QWidget* window)
{
    if (QLayout* layout = window->layout())
        layout->setSizeConstraint(QLayout::SetDefaultConstraint);
    window->adjustSize();
    window->setMinimumSize(window->size());
}

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
#include "recordgrid.h"

#include "records/recordgridmodel.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

namespace Quillon {

QTableView* makeRecordGrid(RecordGridModel* model, const QList<GridColumn>& columns, QWidget* parent)
{
    for (const GridColumn& column : columns)
        model->setCaption(column.field, column.caption);
    auto* grid = new QTableView(parent);
    grid->setObjectName(QStringLiteral("DataGrid1"));
    grid->setModel(model);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setAlternatingRowColors(true);
    grid->setWordWrap(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setStretchLastSection(false);
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
        grid->setColumnWidth(section, twipsToPixels(column.widthTwips));
        header->moveSection(header->visualIndex(section), visual++);
    }
}

int gridWidthFor(const QTableView* grid, const QList<GridColumn>& columns)
{
    int width = 2 * grid->frameWidth() + grid->verticalScrollBar()->sizeHint().width();
    for (const GridColumn& column : columns)
        width += twipsToPixels(column.widthTwips);
    return width;
}

} // namespace Quillon

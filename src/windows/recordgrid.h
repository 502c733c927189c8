// SPDX-License-Identifier: GPL-2.0-or-later
// What the record windows' grids have in common.
#pragma once

#include <QList>
#include <QString>

class QTableView;
class QWidget;

namespace Quillon {

class RecordGridModel;

struct GridColumn
{
    QString field;
    QString caption;
    int widthTwips;
};

// Design sizes are given in twips; the screen has 15 of them to a pixel.
constexpr int twipsToPixels(int twips)
{
    return twips / 15;
}

// A read-only grid on the model that selects whole rows. The columns'
// captions go to the model.
QTableView* makeRecordGrid(RecordGridModel* model, const QList<GridColumn>& columns, QWidget* parent);
// After each new result: shows the listed fields in their order and widths
// and hides every other column of the result (rowid, say).
void layOutGridColumns(QTableView* grid, const QList<GridColumn>& columns);
// Width that shows the listed columns without a horizontal scroll bar.
int gridWidthFor(const QTableView* grid, const QList<GridColumn>& columns);

} // namespace Quillon

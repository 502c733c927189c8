// SPDX-License-Identifier: GPL-2.0-or-later
// What the record windows' grids have in common.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

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
// captions go to the model. A click on a column's header sorts by it, a
// second click the other way round; the last column takes the spare width.
QTableView* makeRecordGrid(RecordGridModel* model, const QList<GridColumn>& columns, QWidget* parent);
// After each new result: shows the listed fields in their order and widths
// and hides every other column of the result (rowid, say).
void layOutGridColumns(QTableView* grid, const QList<GridColumn>& columns);
// Width that shows the listed columns without a horizontal scroll bar.
int gridWidthFor(const QTableView* grid, const QList<GridColumn>& columns);

// Runs requery and then selects again the rows whose keyFields hold what the
// selected ones held, and scrolls back to where the grid was. False (and the
// grid as it was) when requery failed.
bool requeryKeepingView(QTableView* grid, const QStringList& keyFields, const std::function<bool()>& requery);
// The selected rows' values of field, in row order.
QList<QVariant> selectedValues(const QTableView* grid, const QString& field);

// Laid out at its natural size, which becomes its smallest; larger is the user's choice.
void fixMinimumSize(QWidget* window);

} // namespace Quillon

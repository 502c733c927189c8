// SPDX-License-Identifier: GPL-2.0-or-later
// Base of the windows that show one list of the call database in a grid:
// the query behind the grid, Enter moving on from an entry box, and, for the
// user's own lists, removing the selected entry with the Delete key.
#pragma once

#include "windows/recordgrid.h"

#include <QWidget>

class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QTableView;

namespace Quillon {

class CallDatabase;
class MessageBoxes;
class RecordGridModel;

class RecordListWindow : public QWidget
{
    Q_OBJECT

public:
    ~RecordListWindow() override;
    Q_DISABLE_COPY_MOVE(RecordListWindow)

    QTableView* grid() const { return m_grid; }
    RecordGridModel* model() const { return m_model; }
    // Runs the list query again; nothing when the connection is not open.
    void LoadGrid();

protected:
    // statement lists the grid's fields; for a deletable list it also
    // selects the row's rowid as RowId.
    RecordListWindow(QWidget* owner, CallDatabase& database, MessageBoxes& boxes, const QList<GridColumn>& columns,
                     const QString& statement);

    // The Delete key removes the selected row of table after asking;
    // listName names the list in the question.
    void allowDeleting(const QString& table, const QString& listName);
    // Enter in the box is swallowed and moves the focus on, as Tab would.
    void moveFocusOnEnter(QLineEdit* box);
    // The entry windows' centred Enter and Exit buttons; Exit closes the window.
    QHBoxLayout* makeEnterExitButtons(QPushButton*& cmdEnter, QPushButton*& cmdExit);
    // An insertion or query that failed; the window stays usable.
    void reportFailure(const QString& what, const QString& reason);

    CallDatabase& database() { return m_database; }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void deleteSelectedRow();

    CallDatabase& m_database;
    MessageBoxes& m_boxes;
    QList<GridColumn> m_columns;
    QString m_statement;
    QString m_deleteTable;
    QString m_listName;
    RecordGridModel* m_model;
    QTableView* m_grid;
    QList<QLineEdit*> m_enterBoxes;
};

} // namespace Quillon

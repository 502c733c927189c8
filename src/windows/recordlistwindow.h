// SPDX-License-Identifier: GPL-2.0-or-later
// Base of the windows that show one list of the call database in a grid:
// the query behind the grid, Enter moving on from an entry box, and, for the
// user's own lists, editing an entry in place and removing selected entries.
#pragma once

#include "records/listentries.h"
#include "records/listentryrules.h"
#include "records/recordgridmodel.h"
#include "windows/recordgrid.h"

#include <QVariant>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace Quillon {

class CallDatabase;
class MessageBoxes;
struct WorkingSettings;

class RecordListWindow : public QWidget
{
    Q_OBJECT

public:
    ~RecordListWindow() override;
    Q_DISABLE_COPY_MOVE(RecordListWindow)

    QTableView* grid() const { return m_grid; }
    RecordGridModel* model() const { return m_model; }
    // Runs the list query again, keeping the selection and the scroll
    // position; nothing when the connection is not open. A failure is
    // reported in a box unless quietly (a refresh while a call comes in).
    void LoadGrid(bool quietly = false);
    // Rows stored since go where the list's order puts them, the view left
    // as it was; the list is read again (quietly) when they cannot be placed.
    void takeNewRows();

protected:
    // keyFields tell a row apart from the others across a refresh; a list
    // the user keeps selects its rowid as RowId and is keyed by it.
    RecordListWindow(QWidget* owner, CallDatabase& database, MessageBoxes& boxes, const QList<GridColumn>& columns,
                     const GridQuery& query, const QStringList& keyFields);

    // The Delete key removes the selected entries of the list after one
    // question; a double-click or F2 hands an entry to editEntry. listName
    // names the list in the question.
    void allowEditing(RecordList list, const QString& listName);
    // Enter in the box is swallowed and moves the focus on, as Tab would.
    void moveFocusOnEnter(QLineEdit* box);
    // The entry windows' centred Enter and Exit buttons; Exit closes the window.
    QHBoxLayout* makeEnterExitButtons(QPushButton*& cmdEnter, QPushButton*& cmdExit);
    // The box takes numbers in the layout chosen in settings; its hint shows
    // that layout, renewed whenever the window shows or comes to the front,
    // since the layout may change while the window is open.
    void hintNumberLayout(QLineEdit* box, const WorkingSettings& settings);
    // An insertion or query that failed; the window stays usable.
    void reportFailure(const QString& what, const QString& reason);

    // Fills the boxes from the entry; Enter then changes it in place.
    virtual void editEntry(const QString& /*number*/, const QString& /*name*/) { }
    bool editing() const { return m_editRowId.isValid(); }
    void stopEditing();
    // Changes the entry being edited, or adds it as a new one; false after
    // reporting a failure.
    bool storeEntry(const ListEntry& entry, const QString& failure);
    // Shown while an entry is being edited.
    QLabel* editingNote() const { return m_editingNote; }

    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void deleteSelectedRows();
    void startEditing(int row);
    void showNumberLayout();

    CallDatabase& m_database;
    MessageBoxes& m_boxes;
    QList<GridColumn> m_columns;
    GridQuery m_query;
    QStringList m_keyFields;
    ListEntries m_entries;
    bool m_editable = false;
    RecordList m_list = RecordList::Reject;
    QString m_listName;
    RecordGridModel* m_model;
    QTableView* m_grid;
    QLabel* m_editingNote;
    QList<QLineEdit*> m_enterBoxes;
    QVariant m_editRowId;
    QLineEdit* m_numberBox = nullptr;
    const WorkingSettings* m_layoutSettings = nullptr;
};

} // namespace Quillon

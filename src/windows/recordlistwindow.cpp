// SPDX-License-Identifier: GPL-2.0-or-later
#include "recordlistwindow.h"

#include "config/numberformat.h"
#include "config/workingsettings.h"
#include "platform/messageboxes.h"
#include "records/calldatabase.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace Quillon {

RecordListWindow::RecordListWindow(QWidget* owner, CallDatabase& database, MessageBoxes& boxes,
                                   const QList<GridColumn>& columns, const GridQuery& query,
                                   const QStringList& keyFields)
    : QWidget(owner, Qt::Window)
    , m_database(database)
    , m_boxes(boxes)
    , m_columns(columns)
    , m_query(query)
    , m_keyFields(keyFields)
    , m_entries(database)
    , m_model(new RecordGridModel(this))
{
    m_grid = makeRecordGrid(m_model, m_columns, this);
    m_grid->setMinimumWidth(gridWidthFor(m_grid, m_columns));
    connect(m_model, &RecordGridModel::queryFailed, this,
            [this](const QString& reason) { reportFailure(QStringLiteral("The list could not be read."), reason); });
    m_editingNote = new QLabel(QStringLiteral("Changing the chosen entry: Enter stores the change."), this);
    m_editingNote->setObjectName(QStringLiteral("lblEditing"));
    m_editingNote->setAlignment(Qt::AlignHCenter);
    m_editingNote->hide();
}

RecordListWindow::~RecordListWindow() = default;

void RecordListWindow::LoadGrid(bool quietly)
{
    if (!m_database.isOpen())
        return;
    QString error;
    const bool ok = m_model->hasQuery()
        ? requeryKeepingView(m_grid, m_keyFields, [this, &error] { return m_model->rerun(&error); })
        : m_model->setGridQuery(m_database.connection(), m_query, &error);
    if (!ok) {
        if (!quietly)
            reportFailure(QStringLiteral("The list could not be read."), error);
        return;
    }
    layOutGridColumns(m_grid, m_columns);
}

void RecordListWindow::takeNewRows()
{
    if (!m_database.isOpen() || !m_model->hasQuery())
        return;
    if (m_model->takeNewRows() == RecordGridModel::NewRows::ReadAgain)
        LoadGrid(true);
}

void RecordListWindow::allowEditing(RecordList list, const QString& listName)
{
    m_editable = true;
    m_list = list;
    m_listName = listName;
    m_grid->installEventFilter(this);
    m_grid->setToolTip(QStringLiteral("Double-click an entry or press F2 to change it; select entries and press "
                                      "Delete to remove them"));
    connect(m_grid, &QTableView::doubleClicked, this, [this](const QModelIndex& index) { startEditing(index.row()); });
}

void RecordListWindow::moveFocusOnEnter(QLineEdit* box)
{
    m_enterBoxes.append(box);
    box->installEventFilter(this);
}

QHBoxLayout* RecordListWindow::makeEnterExitButtons(QPushButton*& cmdEnter, QPushButton*& cmdExit)
{
    cmdEnter = new QPushButton(QStringLiteral("&Enter"), this);
    cmdEnter->setObjectName(QStringLiteral("cmdEnter"));
    cmdEnter->setAutoDefault(true);
    cmdExit = new QPushButton(QStringLiteral("E&xit"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setAutoDefault(true);
    connect(cmdExit, &QPushButton::clicked, this, &QWidget::close);

    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cmdEnter);
    row->addWidget(cmdExit);
    row->addStretch();
    return row;
}

void RecordListWindow::reportFailure(const QString& what, const QString& reason)
{
    m_boxes.show(what + QStringLiteral("\r\n") + reason, QString(), MessageBoxes::Icon::Exclamation,
                 MessageBoxes::Buttons::Ok);
}

void RecordListWindow::hintNumberLayout(QLineEdit* box, const WorkingSettings& settings)
{
    m_numberBox = box;
    m_layoutSettings = &settings;
    showNumberLayout();
}

void RecordListWindow::showNumberLayout()
{
    const QString pattern = layoutPattern(m_layoutSettings->Format);
    m_numberBox->setToolTip(QStringLiteral("Enter number in the format of \"") + pattern + QStringLiteral("\""));
    m_numberBox->setPlaceholderText(pattern);
}

bool RecordListWindow::event(QEvent* event)
{
    if (m_numberBox && (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show))
        showNumberLayout();
    return QWidget::event(event);
}

bool RecordListWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_enterBoxes.contains(watched)) {
            focusNextChild();
            return true;
        }
        if (watched == m_grid && m_editable) {
            if (key == Qt::Key_Delete) {
                deleteSelectedRows();
                return true;
            }
            if (key == Qt::Key_F2 && m_grid->currentIndex().isValid()) {
                startEditing(m_grid->currentIndex().row());
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void RecordListWindow::startEditing(int row)
{
    if (!m_editable || row < 0)
        return;
    editEntry(m_model->index(row, m_model->column(QStringLiteral("Number"))).data().toString(),
              m_model->index(row, m_model->column(QStringLiteral("Name"))).data().toString());
    m_editRowId = m_model->index(row, m_model->column(QStringLiteral("RowId"))).data();
    m_editingNote->show();
}

void RecordListWindow::stopEditing()
{
    m_editRowId.clear();
    m_editingNote->hide();
}

bool RecordListWindow::storeEntry(const ListEntry& entry, const QString& failure)
{
    if (!m_database.isOpen())
        return true;
    QString error;
    const bool ok = editing() ? m_entries.update(m_list, m_editRowId, entry.number, entry.name, &error)
                              : m_entries.add(m_list, entry.number, entry.name, &error);
    if (!ok) {
        reportFailure(failure, error);
        return false;
    }
    stopEditing();
    return true;
}

void RecordListWindow::deleteSelectedRows()
{
    const QList<QVariant> rowIds = selectedValues(m_grid, QStringLiteral("RowId"));
    if (rowIds.isEmpty() || !m_database.isOpen())
        return;
    // Refused before the question rather than after it.
    QString error;
    if (!m_database.writable(&error)) {
        reportFailure(QStringLiteral("The entry could not be removed."), error);
        return;
    }
    int firstRow = m_model->rowCount();
    for (const QModelIndex& index : m_grid->selectionModel()->selectedRows())
        firstRow = qMin(firstRow, index.row());
    QString question;
    if (rowIds.size() == 1) {
        const QString name = selectedValues(m_grid, QStringLiteral("Name")).constFirst().toString();
        const QString number = selectedValues(m_grid, QStringLiteral("Number")).constFirst().toString();
        question = QStringLiteral("Remove this entry from the ") + m_listName + QStringLiteral("?\r\n\r\n")
            + QStringLiteral("Name: ") + name + QStringLiteral("\r\nNumber: ") + number;
    } else {
        question
            = QStringLiteral("Remove these %1 entries from the ").arg(rowIds.size()) + m_listName + QStringLiteral("?");
    }
    if (m_boxes.show(question, windowTitle(), MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::YesNoDefaultNo)
        != MessageBoxes::Answer::Yes)
        return;

    if (!m_entries.remove(m_list, rowIds, &error)) {
        reportFailure(rowIds.size() == 1 ? QStringLiteral("The entry could not be removed.")
                                         : QStringLiteral("The entries could not be removed."),
                      error);
        return;
    }
    if (rowIds.contains(m_editRowId))
        stopEditing();
    LoadGrid();
    const int next = qMin(firstRow, m_model->rowCount() - 1);
    if (next >= 0)
        m_grid->selectRow(next);
}

} // namespace Quillon

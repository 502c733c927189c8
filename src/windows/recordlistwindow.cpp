// SPDX-License-Identifier: GPL-2.0-or-later
#include "recordlistwindow.h"

#include "platform/messageboxes.h"
#include "records/calldatabase.h"
#include "records/recordgridmodel.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>

namespace Quillon {

RecordListWindow::RecordListWindow(QWidget* owner, CallDatabase& database, MessageBoxes& boxes,
                                   const QList<GridColumn>& columns, const QString& statement)
    : QWidget(owner, Qt::Window)
    , m_database(database)
    , m_boxes(boxes)
    , m_columns(columns)
    , m_statement(statement)
    , m_model(new RecordGridModel(this))
{
    m_grid = makeRecordGrid(m_model, m_columns, this);
    m_grid->setMinimumWidth(gridWidthFor(m_grid, m_columns));
}

RecordListWindow::~RecordListWindow() = default;

void RecordListWindow::LoadGrid()
{
    if (!m_database.isOpen())
        return;
    QSqlQuery query(m_database.connection());
    if (!query.exec(m_statement)) {
        reportFailure(QStringLiteral("The list could not be read."), query.lastError().text());
        return;
    }
    m_model->setQuery(std::move(query));
    layOutGridColumns(m_grid, m_columns);
}

void RecordListWindow::allowDeleting(const QString& table, const QString& listName)
{
    m_deleteTable = table;
    m_listName = listName;
    m_grid->installEventFilter(this);
    m_grid->setToolTip(QStringLiteral("Select an entry and press Delete to remove it"));
}

void RecordListWindow::moveFocusOnEnter(QLineEdit* box)
{
    m_enterBoxes.append(box);
    box->installEventFilter(this);
}

QHBoxLayout* RecordListWindow::makeEnterExitButtons(QPushButton*& cmdEnter, QPushButton*& cmdExit)
{
    cmdEnter = new QPushButton(QStringLiteral("Enter"), this);
    cmdEnter->setObjectName(QStringLiteral("cmdEnter"));
    cmdEnter->setAutoDefault(true);
    cmdExit = new QPushButton(QStringLiteral("Exit"), this);
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

bool RecordListWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_enterBoxes.contains(watched)) {
            focusNextChild();
            return true;
        }
        if (key == Qt::Key_Delete && watched == m_grid && !m_deleteTable.isEmpty()) {
            deleteSelectedRow();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void RecordListWindow::deleteSelectedRow()
{
    const QModelIndexList rows = m_grid->selectionModel()->selectedRows();
    if (rows.isEmpty() || !m_database.isOpen())
        return;
    // A damaged file is not written to: a removal could spread the damage.
    if (m_database.isDamaged()) {
        reportFailure(QStringLiteral("The entry could not be removed."), m_database.damageDetail());
        return;
    }
    const int row = rows.first().row();
    const QVariant rowId = m_model->index(row, m_model->column(QStringLiteral("RowId"))).data();
    const QString name = m_model->index(row, m_model->column(QStringLiteral("Name"))).data().toString();
    const QString number = m_model->index(row, m_model->column(QStringLiteral("Number"))).data().toString();

    const QString question = QStringLiteral("Remove this entry from the ") + m_listName + QStringLiteral("?\r\n\r\n")
        + QStringLiteral("Name: ") + name + QStringLiteral("\r\nNumber: ") + number;
    if (m_boxes.show(question, windowTitle(), MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::YesNoDefaultNo)
        != MessageBoxes::Answer::Yes)
        return;

    QSqlQuery query(m_database.connection());
    query.prepare(QStringLiteral("DELETE FROM ") + m_deleteTable + QStringLiteral(" WHERE rowid = ?"));
    query.addBindValue(rowId);
    if (!query.exec()) {
        reportFailure(QStringLiteral("The entry could not be removed."), query.lastError().text());
        return;
    }
    LoadGrid();
    const int next = qMin(row, m_model->rowCount() - 1);
    if (next >= 0)
        m_grid->selectRow(next);
}

} // namespace Quillon

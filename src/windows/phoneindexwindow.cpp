// SPDX-License-Identifier: GPL-2.0-or-later
#include "phoneindexwindow.h"

#include "records/callrecords.h"
#include "windows/calleractions.h"
#include "windows/centerform.h"

#include <QTableView>
#include <QVBoxLayout>

namespace Quillon {

namespace {

const QList<GridColumn>& indexColumns()
{
    static const QList<GridColumn> columns {
        { QStringLiteral("Name"), QStringLiteral("Name"), 2745 },
        { QStringLiteral("Number"), QStringLiteral("Number"), 1725 },
    };
    return columns;
}

} // namespace

PhoneIndexWindow::PhoneIndexWindow(QWidget* owner, CallDatabase& database, MessageBoxes& boxes)
    : RecordListWindow(owner, database, boxes, indexColumns(), CallRecords::phoneIndexQuery(),
                       { QStringLiteral("Name"), QStringLiteral("Number") })
{
    setObjectName(QStringLiteral("frmPhnBook"));
    setWindowTitle(QStringLiteral("Phone Index"));
    model()->setObjectName(QStringLiteral("phoneIndexModel"));
    grid()->setMinimumHeight(300);
    m_callerActions = new CallerActions(grid(), [this] {
        QList<ListedCaller> callers;
        const QList<QVariant> names = selectedValues(grid(), QStringLiteral("Name"));
        const QList<QVariant> numbers = selectedValues(grid(), QStringLiteral("Number"));
        for (qsizetype i = 0; i < names.size(); ++i)
            callers.append({ names[i].toString(), numbers[i].toString() });
        return callers;
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid());

    Form_Load();
}

PhoneIndexWindow::~PhoneIndexWindow() = default;

void PhoneIndexWindow::Form_Load()
{
    fixMinimumSize(this);
    CenterForm(this);
    LoadGrid();
}

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
#include "phoneindexwindow.h"

#include "records/recordgridmodel.h"
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
    : RecordListWindow(owner, database, boxes, indexColumns(),
                       QStringLiteral("SELECT DISTINCT CID.Name, CID.Number FROM CID ORDER BY CID.Name ASC"))
{
    setObjectName(QStringLiteral("frmPhnBook"));
    setWindowTitle(QStringLiteral("Phone Index"));
    model()->setObjectName(QStringLiteral("phoneIndexModel"));
    grid()->setMinimumHeight(300);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid());
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load();
}

PhoneIndexWindow::~PhoneIndexWindow() = default;

void PhoneIndexWindow::Form_Load()
{
    adjustSize();
    CenterForm(this);
    LoadGrid();
}

} // namespace Quillon

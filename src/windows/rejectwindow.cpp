// SPDX-License-Identifier: GPL-2.0-or-later
#include "rejectwindow.h"

#include "records/calldatabase.h"
#include "records/recordgridmodel.h"
#include "windows/centerform.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace Quillon {

namespace {

const QList<GridColumn>& rejectColumns()
{
    static const QList<GridColumn> columns {
        { QStringLiteral("Name"), QStringLiteral("Name"), 2745 },
        { QStringLiteral("Number"), QStringLiteral("Number"), 1740 },
    };
    return columns;
}

} // namespace

RejectWindow::RejectWindow(QWidget* owner, CallDatabase& database, MessageBoxes& boxes)
    : RecordListWindow(owner, database, boxes, rejectColumns(),
                       QStringLiteral("SELECT Reject.rowid AS RowId, Reject.Name, Reject.Number FROM Reject"
                                      " ORDER BY Reject.rowid"))
{
    setObjectName(QStringLiteral("frmReject"));
    setWindowTitle(QStringLiteral("Rejected Numbers"));
    model()->setObjectName(QStringLiteral("rejectModel"));

    auto* lblCaption = new QLabel(QStringLiteral("Enter Name or Number to Reject"), this);
    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    lblCaption->setAlignment(Qt::AlignHCenter);
    QFont captionFont = lblCaption->font();
    captionFont.setBold(true);
    lblCaption->setFont(captionFont);

    auto* lblName = new QLabel(QStringLiteral("Name"), this);
    lblName->setObjectName(QStringLiteral("lblName"));
    m_txtName = new QLineEdit(this);
    m_txtName->setObjectName(QStringLiteral("txtName"));
    lblName->setBuddy(m_txtName);
    auto* lblNumber = new QLabel(QStringLiteral("Number"), this);
    lblNumber->setObjectName(QStringLiteral("lblNumber"));
    m_txtNumber = new QLineEdit(this);
    m_txtNumber->setObjectName(QStringLiteral("txtNumber"));
    m_txtNumber->setToolTip(QStringLiteral("Enter number in the format of \"xxx-xxx-xxxx\""));
    lblNumber->setBuddy(m_txtNumber);
    moveFocusOnEnter(m_txtName);
    moveFocusOnEnter(m_txtNumber);

    auto* lblGrid = new QLabel(QStringLiteral("List of Names and Numbers to be Rejected"), this);
    lblGrid->setObjectName(QStringLiteral("lblGridCaption"));
    lblGrid->setAlignment(Qt::AlignHCenter);
    lblGrid->setFrameShape(QFrame::StyledPanel);
    lblGrid->setAutoFillBackground(true);
    lblGrid->setBackgroundRole(QPalette::Button);
    grid()->setMinimumHeight(220);
    allowDeleting(QStringLiteral("Reject"), QStringLiteral("reject list"));

    QHBoxLayout* buttons = makeEnterExitButtons(m_cmdEnter, m_cmdExit);
    connect(m_cmdEnter, &QPushButton::clicked, this, &RejectWindow::cmdEnter_Click);

    auto* entry = new QGridLayout;
    entry->addWidget(lblName, 0, 0);
    entry->addWidget(m_txtName, 1, 0);
    entry->addWidget(lblNumber, 0, 1);
    entry->addWidget(m_txtNumber, 1, 1);
    entry->setColumnStretch(0, 3);
    entry->setColumnStretch(1, 2);
    auto* gridBox = new QVBoxLayout;
    gridBox->setSpacing(0);
    gridBox->addWidget(lblGrid);
    gridBox->addWidget(grid(), 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblCaption);
    layout->addLayout(entry);
    layout->addSpacing(6);
    layout->addLayout(gridBox, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_txtName, m_txtNumber);
    setTabOrder(m_txtNumber, m_cmdEnter);
    setTabOrder(m_cmdEnter, grid());
    setTabOrder(grid(), m_cmdExit);

    Form_Load();
}

RejectWindow::~RejectWindow() = default;

void RejectWindow::Form_Load()
{
    LoadGrid();
    adjustSize();
    CenterForm(this);
    m_txtName->setMaxLength(50);
    m_txtNumber->setMaxLength(12);
}

void RejectWindow::cmdEnter_Click()
{
    // Stored as typed: the name only in upper case, neither of them trimmed.
    QString number = m_txtNumber->text();
    QString name = m_txtName->text().toUpper();
    if (!number.isEmpty() || !name.isEmpty()) {
        if (number.isEmpty())
            number = QStringLiteral("000-000-0000");
        if (name.isEmpty())
            name = QStringLiteral("N/A");
        if (database().AddReject(number, name)) {
            m_txtName->clear();
            m_txtNumber->clear();
        } else {
            // The typed entry stays in the boxes to be tried again.
            reportFailure(QStringLiteral("The entry could not be added to the reject list."), database().lastError());
        }
    }
    LoadGrid();
    m_txtName->setFocus();
}

} // namespace Quillon

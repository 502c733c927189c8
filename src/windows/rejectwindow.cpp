// SPDX-License-Identifier: GPL-2.0-or-later
#include "rejectwindow.h"

#include "config/workingsettings.h"
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

// Room for a number typed with brackets and blanks, which is then stored in
// the chosen layout.
constexpr int numberLimit = 20;

} // namespace

RejectWindow::RejectWindow(QWidget* owner, CallDatabase& database, MessageBoxes& boxes, const WorkingSettings& settings)
    : RecordListWindow(owner, database, boxes, rejectColumns(), ListEntries::gridQuery(RecordList::Reject),
                       { QStringLiteral("RowId") })
    , m_settings(settings)
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
    hintNumberLayout(m_txtNumber, settings);
    m_txtNumber->setObjectName(QStringLiteral("txtNumber"));
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
    allowEditing(RecordList::Reject, QStringLiteral("reject list"));

    QHBoxLayout* buttons = makeEnterExitButtons(m_cmdEnter, m_cmdExit);
    connect(m_cmdEnter, &QPushButton::clicked, this, &RejectWindow::cmdEnter_Click);

    auto* entry = new QGridLayout;
    entry->addWidget(lblName, 0, 0);
    entry->addWidget(m_txtName, 1, 0);
    entry->addWidget(lblNumber, 0, 1);
    entry->addWidget(m_txtNumber, 1, 1);
    // Patterns are found by trying them; say so where they are typed.
    auto* lblPattern = new QLabel(QStringLiteral("* stands for any characters, ? for one: 800-*, *WIRELESS*"), this);
    lblPattern->setObjectName(QStringLiteral("lblPattern"));
    lblPattern->setToolTip(QStringLiteral("800-* rejects every number starting 800-, *WIRELESS* every name holding "
                                          "WIRELESS, 555-01?-0000 ten numbers"));
    entry->addWidget(lblPattern, 2, 0, 1, 2);
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
    layout->addWidget(editingNote());
    layout->addLayout(buttons);

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
    fixMinimumSize(this);
    CenterForm(this);
    m_txtName->setMaxLength(50);
    m_txtNumber->setMaxLength(numberLimit);
    // The boxes are what the window is opened for, not the list below them.
    m_txtName->setFocus();
}

void RejectWindow::fillIn(const QString& name, const QString& number)
{
    stopEditing();
    // A listed caller may have a longer name or number than one typed.
    m_txtName->setMaxLength(qMax(50, int(name.size())));
    m_txtNumber->setMaxLength(qMax(numberLimit, int(number.size())));
    m_txtName->setText(name);
    m_txtNumber->setText(number);
    m_txtName->setFocus();
    m_txtName->selectAll();
}

void RejectWindow::editEntry(const QString& number, const QString& name)
{
    // The stand-ins for a missing name or number come back when left empty.
    const ListEntry boxes = rejectEntryBoxes({ number, name });
    fillIn(boxes.name, boxes.number);
}

void RejectWindow::cmdEnter_Click()
{
    const ListEntry entry = rejectEntry(m_txtNumber->text(), m_txtName->text(), m_settings.Format);
    if (!entry.isEmpty()) {
        // On failure the typed entry stays in the boxes to be tried again.
        if (storeEntry(entry, QStringLiteral("The entry could not be added to the reject list."))) {
            m_txtName->clear();
            m_txtNumber->clear();
        }
    } else {
        stopEditing();
    }
    LoadGrid();
    m_txtName->setFocus();
}

} // namespace Quillon

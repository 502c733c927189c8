// SPDX-License-Identifier: GPL-2.0-or-later
#include "translatewindow.h"

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

const QList<GridColumn>& translateColumns()
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
constexpr int nameLimit = 25;

} // namespace

TranslateWindow::TranslateWindow(QWidget* owner, CallDatabase& database, MessageBoxes& boxes,
                                 const WorkingSettings& settings)
    : RecordListWindow(owner, database, boxes, translateColumns(), ListEntries::gridQuery(RecordList::Translate),
                       { QStringLiteral("RowId") })
    , m_settings(settings)
{
    setObjectName(QStringLiteral("frmTranslate"));
    setWindowTitle(QStringLiteral("Enter Caller Information"));
    model()->setObjectName(QStringLiteral("translateModel"));

    auto* lblName = new QLabel(QStringLiteral("First Name"), this);
    lblName->setObjectName(QStringLiteral("lblName"));
    m_txtFirstName = new QLineEdit(this);
    m_txtFirstName->setObjectName(QStringLiteral("txtFirstName"));
    lblName->setBuddy(m_txtFirstName);
    auto* lblLastName = new QLabel(QStringLiteral("Last Name"), this);
    lblLastName->setObjectName(QStringLiteral("lblLastName"));
    m_txtLastName = new QLineEdit(this);
    m_txtLastName->setObjectName(QStringLiteral("txtLastName"));
    lblLastName->setBuddy(m_txtLastName);
    auto* lblNumber = new QLabel(QStringLiteral("Number"), this);
    lblNumber->setObjectName(QStringLiteral("lblNumber"));
    lblNumber->setAlignment(Qt::AlignHCenter);
    m_txtNumber = new QLineEdit(this);
    hintNumberLayout(m_txtNumber, settings);
    m_txtNumber->setObjectName(QStringLiteral("txtNumber"));
    lblNumber->setBuddy(m_txtNumber);
    moveFocusOnEnter(m_txtFirstName);
    moveFocusOnEnter(m_txtLastName);
    moveFocusOnEnter(m_txtNumber);

    grid()->setMinimumHeight(220);
    allowEditing(RecordList::Translate, QStringLiteral("translate list"));

    QHBoxLayout* buttons = makeEnterExitButtons(m_cmdEnter, m_cmdExit);
    connect(m_cmdEnter, &QPushButton::clicked, this, &TranslateWindow::cmdEnter_Click);

    auto* names = new QGridLayout;
    names->addWidget(lblName, 0, 0);
    names->addWidget(m_txtFirstName, 1, 0);
    names->addWidget(lblLastName, 0, 1);
    names->addWidget(m_txtLastName, 1, 1);
    auto* numberRow = new QGridLayout;
    numberRow->addWidget(lblNumber, 0, 1);
    numberRow->addWidget(m_txtNumber, 1, 1);
    numberRow->setColumnStretch(0, 1);
    numberRow->setColumnStretch(1, 1);
    numberRow->setColumnStretch(2, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(names);
    layout->addLayout(numberRow);
    layout->addWidget(editingNote());
    layout->addLayout(buttons);
    layout->addWidget(grid(), 1);

    setTabOrder(m_txtFirstName, m_txtLastName);
    setTabOrder(m_txtLastName, m_txtNumber);
    setTabOrder(m_txtNumber, m_cmdEnter);
    setTabOrder(m_cmdEnter, m_cmdExit);
    setTabOrder(m_cmdExit, grid());

    Form_Load();
}

TranslateWindow::~TranslateWindow() = default;

void TranslateWindow::Form_Load()
{
    fixMinimumSize(this);
    CenterForm(this);
    LoadGrid();
    m_txtFirstName->setMaxLength(nameLimit);
    m_txtLastName->setMaxLength(nameLimit);
    m_txtNumber->setMaxLength(numberLimit);
    // The boxes are what the window is opened for, not the list below them.
    m_txtFirstName->setFocus();
}

void TranslateWindow::fillIn(const QString& name, const QString& number)
{
    stopEditing();
    const PersonName parts = splitListedName(name);
    const QString& lastName = parts.last;
    const QString& firstName = parts.first;
    // A listed caller may have a longer name or number than one typed.
    m_txtLastName->setMaxLength(qMax(nameLimit, int(lastName.size())));
    m_txtFirstName->setMaxLength(qMax(nameLimit, int(firstName.size())));
    m_txtNumber->setMaxLength(qMax(numberLimit, int(number.size())));
    m_txtFirstName->setText(firstName);
    m_txtLastName->setText(lastName);
    m_txtNumber->setText(number);
    m_txtFirstName->setFocus();
    m_txtFirstName->selectAll();
}

void TranslateWindow::editEntry(const QString& number, const QString& name)
{
    fillIn(name, number);
}

void TranslateWindow::cmdEnter_Click()
{
    const ListEntry entry
        = translateEntry(m_txtNumber->text(), m_txtFirstName->text(), m_txtLastName->text(), m_settings.Format);
    bool keepBoxes = false;
    if (!entry.isEmpty()) {
        if (storeEntry(entry, QStringLiteral("The entry could not be added to the translate list.")))
            LoadGrid();
        else
            keepBoxes = true;
    } else {
        stopEditing();
    }
    if (!keepBoxes) {
        m_txtNumber->clear();
        m_txtFirstName->clear();
        m_txtLastName->clear();
    }
    m_txtFirstName->setFocus();
}

} // namespace Quillon

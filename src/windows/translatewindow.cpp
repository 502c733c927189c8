// SPDX-License-Identifier: GPL-2.0-or-later
#include "translatewindow.h"

#include "platform/trimblanks.h"
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

const QList<GridColumn>& translateColumns()
{
    static const QList<GridColumn> columns {
        { QStringLiteral("Name"), QStringLiteral("Name"), 2745 },
        { QStringLiteral("Number"), QStringLiteral("Number"), 1740 },
    };
    return columns;
}

} // namespace

TranslateWindow::TranslateWindow(QWidget* owner, CallDatabase& database, MessageBoxes& boxes)
    : RecordListWindow(owner, database, boxes, translateColumns(),
                       QStringLiteral("SELECT Translate.rowid AS RowId, Translate.Name, Translate.Number FROM Translate"
                                      " ORDER BY Translate.Name ASC, Translate.rowid"))
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
    m_txtNumber->setObjectName(QStringLiteral("txtNumber"));
    lblNumber->setBuddy(m_txtNumber);
    moveFocusOnEnter(m_txtFirstName);
    moveFocusOnEnter(m_txtLastName);
    moveFocusOnEnter(m_txtNumber);

    grid()->setMinimumHeight(220);
    allowDeleting(QStringLiteral("Translate"), QStringLiteral("translate list"));

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
    layout->addLayout(buttons);
    layout->addWidget(grid(), 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

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
    adjustSize();
    CenterForm(this);
    LoadGrid();
    m_txtFirstName->setMaxLength(25);
    m_txtLastName->setMaxLength(25);
    m_txtNumber->setMaxLength(12);
}

void TranslateWindow::cmdEnter_Click()
{
    m_number = trimBlanks(m_txtNumber->text());
    m_firstName = trimBlanks(m_txtFirstName->text()).toUpper();
    m_lastName = trimBlanks(m_txtLastName->text()).toUpper();
    const QString name = m_lastName + QLatin1Char(' ') + m_firstName;

    // An entry without any name would show its calls with a blank name, so
    // one of the two names is required along with the number.
    const bool hasName = !m_firstName.isEmpty() || !m_lastName.isEmpty();
    bool keepBoxes = false;
    if (hasName && !m_number.isEmpty()) {
        if (database().AddTranslate(m_number, name)) {
            LoadGrid();
        } else {
            keepBoxes = true;
            reportFailure(QStringLiteral("The entry could not be added to the translate list."),
                          database().lastError());
        }
    }
    if (!keepBoxes) {
        m_txtNumber->clear();
        m_txtFirstName->clear();
        m_txtLastName->clear();
    }
    m_txtFirstName->setFocus();
}

} // namespace Quillon

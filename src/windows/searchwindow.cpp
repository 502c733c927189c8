// SPDX-License-Identifier: GPL-2.0-or-later
#include "searchwindow.h"

#include "platform/datetimetext.h"
#include "platform/messageboxes.h"
#include "records/calldatabase.h"
#include "records/callsearch.h"
#include "records/recordgridmodel.h"
#include "windows/centerform.h"
#include "windows/recordgrid.h"

#include <QButtonGroup>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace Quillon {

namespace {

constexpr int dateTimeDesignTwips = 1965;

const QList<GridColumn>& searchColumns()
{
    static const QList<GridColumn> columns {
        { QStringLiteral("Name"), QStringLiteral("Name"), 2445 },
        { QStringLiteral("Number"), QStringLiteral("Number"), 1635 },
        { QStringLiteral("SysTime"), QStringLiteral("Date/Time"), dateTimeDesignTwips },
    };
    return columns;
}

constexpr int nameLimit = 50;
constexpr int numberLimit = 12;

} // namespace

SearchWindow::SearchWindow(QWidget* owner, CallDatabase& database, MessageBoxes& boxes)
    : QWidget(owner, Qt::Window)
    , m_database(database)
    , m_boxes(boxes)
    , m_model(new RecordGridModel(this))
{
    setObjectName(QStringLiteral("frmSearch"));
    setWindowTitle(QStringLiteral("Search Caller Information"));
    m_model->setObjectName(QStringLiteral("searchModel"));
    m_model->setDateTimeField(QStringLiteral("SysTime"));

    auto* frame = new QGroupBox(QStringLiteral("Search Type"), this);
    frame->setObjectName(QStringLiteral("frmTypeSearch"));
    auto* frameLayout = new QGridLayout(frame);
    auto* group = new QButtonGroup(this);
    const QString captions[3] = { QStringLiteral("All"), QStringLiteral("Name"), QStringLiteral("Number") };
    for (int i = 0; i < 3; ++i) {
        // The captions stand above the buttons, which carry none of their own.
        auto* label = new QLabel(captions[i], frame);
        label->setAlignment(Qt::AlignHCenter);
        auto* option = new QRadioButton(frame);
        option->setObjectName(QStringLiteral("Option%1").arg(i + 1));
        option->setAccessibleName(captions[i]);
        option->installEventFilter(this);
        label->setBuddy(option);
        frameLayout->addWidget(label, 0, i, Qt::AlignHCenter);
        frameLayout->addWidget(option, 1, i, Qt::AlignHCenter);
        group->addButton(option, i);
        m_options[i] = option;
    }
    connect(group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            onTypeSelected(id);
    });

    auto* lblSearchStr = new QLabel(QStringLiteral("Search String"), this);
    lblSearchStr->setObjectName(QStringLiteral("lblSearchStr"));
    lblSearchStr->setAlignment(Qt::AlignHCenter);
    m_txtSearch = new QLineEdit(this);
    m_txtSearch->setObjectName(QStringLiteral("txtSearch"));
    m_txtSearch->installEventFilter(this);
    connect(m_txtSearch, &QLineEdit::textEdited, this, &SearchWindow::applyLengthLimit);
    m_lblRcCount = new QLabel(this);
    m_lblRcCount->setObjectName(QStringLiteral("lblRcCount"));
    m_lblRcCount->setAlignment(Qt::AlignHCenter);

    m_cmdSearch = new QPushButton(QStringLiteral("Search"), this);
    m_cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
    // Enter on the focused button presses it, as it does in dialogs.
    m_cmdSearch->setAutoDefault(true);
    connect(m_cmdSearch, &QPushButton::clicked, this, &SearchWindow::cmdSearch_Click);

    m_grid = makeRecordGrid(m_model, searchColumns(), this);
    m_grid->setMinimumSize(
        gridWidthFor(m_grid, searchColumns()) + dateTimeColumnWidth() - twipsToPixels(dateTimeDesignTwips), 260);

    auto* textColumn = new QVBoxLayout;
    textColumn->addWidget(lblSearchStr);
    textColumn->addWidget(m_txtSearch);
    textColumn->addWidget(m_lblRcCount);
    textColumn->addStretch();
    auto* buttonColumn = new QVBoxLayout;
    buttonColumn->addWidget(m_cmdSearch);
    buttonColumn->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(frame);
    top->addSpacing(8);
    top->addLayout(textColumn, 1);
    top->addSpacing(8);
    top->addLayout(buttonColumn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_grid, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_options[0], m_options[1]);
    setTabOrder(m_options[1], m_options[2]);
    setTabOrder(m_options[2], m_txtSearch);
    setTabOrder(m_txtSearch, m_cmdSearch);
    setTabOrder(m_cmdSearch, m_grid);

    Form_Load();
}

SearchWindow::~SearchWindow() = default;

void SearchWindow::Form_Load()
{
    adjustSize();
    CenterForm(this);
    m_options[0]->setChecked(true);
    m_txtSearch->setEnabled(false);
}

void SearchWindow::onTypeSelected(int type)
{
    if (type == 0) {
        m_txtSearch->setEnabled(false);
        return;
    }
    m_txtSearch->setEnabled(true);
    m_lengthLimit = type == 1 ? nameLimit : numberLimit;
    applyLengthLimit();
}

// A new limit bounds further typing but does not cut text already in the box.
void SearchWindow::applyLengthLimit()
{
    if (m_lengthLimit > 0)
        m_txtSearch->setMaxLength(qMax(m_lengthLimit, int(m_txtSearch->text().size())));
}

bool SearchWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_txtSearch && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter moves on to the Search button instead of searching.
            focusNextChild();
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonPress) {
        for (QRadioButton* option : m_options) {
            if (watched == option)
                m_txtSearch->clear();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SearchWindow::cmdSearch_Click()
{
    const QString text = m_txtSearch->text();
    for (int type = 0; type < 3; ++type) {
        if (m_options[type]->isChecked())
            LoadGrid(type, text);
    }
}

void SearchWindow::LoadGrid(int type, const QString& text)
{
    if (!m_database.isOpen())
        return;
    qint64 count = 0;
    QString error;
    if (!runCallSearch(m_database.connection(), static_cast<SearchType>(type), text, *m_model, count, &error)) {
        m_boxes.show(QStringLiteral("The search could not be run.\r\n") + error, QString(),
                     MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::Ok);
        return;
    }
    m_lblRcCount->setText(QString::number(count) + QStringLiteral(" Record(s) Displayed"));
    layOutGridColumns(m_grid, searchColumns());
    fitDateTimeColumn();
}

// The design width was made for a smaller font and a shorter date; a cut-off
// time of day would hide what the column is for.
int SearchWindow::dateTimeColumnWidth() const
{
    const QString widest = dateTimeText(QDateTime(QDate(2026, 12, 28), QTime(23, 59, 59)));
    return qMax(twipsToPixels(dateTimeDesignTwips), m_grid->fontMetrics().horizontalAdvance(widest) + 16);
}

void SearchWindow::fitDateTimeColumn()
{
    const int column = m_model->column(QStringLiteral("SysTime"));
    if (column >= 0)
        m_grid->setColumnWidth(column, dateTimeColumnWidth());
}

} // namespace Quillon

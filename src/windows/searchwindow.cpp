// SPDX-License-Identifier: GPL-2.0-or-later
#include "searchwindow.h"

#include "platform/datetimetext.h"
#include "platform/messageboxes.h"
#include "records/calldatabase.h"
#include "records/recordgridmodel.h"
#include "windows/calleractions.h"
#include "windows/centerform.h"
#include "windows/recordgrid.h"

#include <QButtonGroup>
#include <QDateEdit>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
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
        // Only when the file holds the mark.
        { QStringLiteral("Rejected"), QStringLiteral("Rejected"), 1020 },
        { QStringLiteral("SysTime"), QStringLiteral("Date/Time"), dateTimeDesignTwips },
    };
    return columns;
}

constexpr int nameLimit = 50;

// An empty grid alone does not tell a search that found nothing from one not run.
QString countLine(qint64 count)
{
    if (count == 0)
        return QStringLiteral("No calls match");
    return QString::number(count) + QStringLiteral(" Record(s) Displayed");
}
constexpr int numberLimit = 12;

} // namespace

SearchWindow::SearchWindow(QWidget* owner, CallDatabase& database, MessageBoxes& boxes)
    : QWidget(owner, Qt::Window)
    , m_database(database)
    , m_boxes(boxes)
    , m_calls(database)
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

    m_cmdSearch = new QPushButton(QStringLiteral("&Search"), this);
    m_cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
    // Enter on the focused button presses it, as it does in dialogs.
    m_cmdSearch->setAutoDefault(true);
    connect(m_cmdSearch, &QPushButton::clicked, this, &SearchWindow::cmdSearch_Click);

    m_grid = makeRecordGrid(m_model, searchColumns(), this);
    m_grid->setMinimumSize(
        gridWidthFor(m_grid, searchColumns()) + dateTimeColumnWidth() - twipsToPixels(dateTimeDesignTwips), 260);
    m_grid->installEventFilter(this);
    m_callerActions = new CallerActions(m_grid, [this] {
        QList<ListedCaller> callers;
        const QList<QVariant> names = selectedValues(m_grid, QStringLiteral("Name"));
        const QList<QVariant> numbers = selectedValues(m_grid, QStringLiteral("Number"));
        for (qsizetype i = 0; i < names.size(); ++i)
            callers.append({ names[i].toString(), numbers[i].toString() });
        return callers;
    });
    connect(m_model, &RecordGridModel::queryFailed, this,
            [this](const QString& reason) { reportFailure(QStringLiteral("The search could not be run."), reason); });

    m_cmdDelete = new QPushButton(QStringLiteral("&Delete Selected"), this);
    m_cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    m_cmdDelete->setAutoDefault(true);
    connect(m_cmdDelete, &QPushButton::clicked, this, &SearchWindow::cmdDelete_Click);
    auto* lblBefore = new QLabel(QStringLiteral("Calls &before"), this);
    m_dtpBefore = new QDateEdit(QDate::currentDate().addYears(-1), this);
    m_dtpBefore->setObjectName(QStringLiteral("dtpBefore"));
    m_dtpBefore->setCalendarPopup(true);
    lblBefore->setBuddy(m_dtpBefore);
    m_cmdDeleteOlder = new QPushButton(QStringLiteral("Delete &Older"), this);
    m_cmdDeleteOlder->setObjectName(QStringLiteral("cmdDeleteOlder"));
    m_cmdDeleteOlder->setAutoDefault(true);
    connect(m_cmdDeleteOlder, &QPushButton::clicked, this, &SearchWindow::cmdDeleteOlder_Click);

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
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_cmdDelete);
    bottom->addStretch();
    bottom->addWidget(lblBefore);
    bottom->addWidget(m_dtpBefore);
    bottom->addWidget(m_cmdDeleteOlder);
    layout->addLayout(bottom);

    setTabOrder(m_options[0], m_options[1]);
    setTabOrder(m_options[1], m_options[2]);
    setTabOrder(m_options[2], m_txtSearch);
    setTabOrder(m_txtSearch, m_cmdSearch);
    setTabOrder(m_cmdSearch, m_grid);
    setTabOrder(m_grid, m_cmdDelete);
    setTabOrder(m_cmdDelete, m_dtpBefore);
    setTabOrder(m_dtpBefore, m_cmdDeleteOlder);

    Form_Load();
}

SearchWindow::~SearchWindow() = default;

void SearchWindow::Form_Load()
{
    fixMinimumSize(this);
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
    } else if (watched == m_grid && event->type() == QEvent::KeyPress
               && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        cmdDelete_Click();
        return true;
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
    const auto searchType = static_cast<SearchType>(type);
    const RecordCount count = m_calls.countSearch(searchType, text);
    QString error = count.error;
    if (!count.ok
        || !m_model->setGridQuery(m_database.connection(),
                                  CallRecords::searchQuery(searchType, text, m_database.hasRejectedMark()), &error)) {
        reportFailure(QStringLiteral("The search could not be run."), error);
        return;
    }
    m_shownType = type;
    m_shownText = text;
    m_shownCount = count.count;
    m_lblRcCount->setText(countLine(count.count));
    layOutGridColumns(m_grid, searchColumns());
    fitDateTimeColumn();
}

bool SearchWindow::showCount(QString* error)
{
    const RecordCount count = m_calls.countSearch(static_cast<SearchType>(m_shownType), m_shownText);
    if (!count.ok) {
        *error = count.error;
        return false;
    }
    m_shownCount = count.count;
    m_lblRcCount->setText(countLine(count.count));
    return true;
}

void SearchWindow::refresh(bool quietly)
{
    if (m_shownType < 0 || !m_database.isOpen())
        return;
    QString error;
    if (!requeryKeepingView(m_grid, { QStringLiteral("RowId") }, [this, &error] { return m_model->rerun(&error); })
        || !showCount(&error)) {
        if (!quietly)
            reportFailure(QStringLiteral("The search could not be run."), error);
        return;
    }
    layOutGridColumns(m_grid, searchColumns());
    fitDateTimeColumn();
}

void SearchWindow::takeNewCalls()
{
    if (m_shownType < 0 || !m_database.isOpen())
        return;
    qint64 added = 0;
    switch (m_model->takeNewRows(&added)) {
    case RecordGridModel::NewRows::Taken:
        if (added > 0) {
            m_shownCount += added;
            m_lblRcCount->setText(countLine(m_shownCount));
        }
        return;
    case RecordGridModel::NewRows::ReadAgain:
        refresh(true);
        return;
    case RecordGridModel::NewRows::Failed:
        return;
    }
}

void SearchWindow::cmdDelete_Click()
{
    const QList<QVariant> rowIds = selectedValues(m_grid, QStringLiteral("RowId"));
    if (rowIds.isEmpty() || !m_database.isOpen() || refuseDamagedFile())
        return;
    const QString question = rowIds.size() == 1 ? QStringLiteral("Delete the selected call?")
                                                : QStringLiteral("Delete the %1 selected calls?").arg(rowIds.size());
    if (m_boxes.show(question, windowTitle(), MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::YesNoDefaultNo)
        != MessageBoxes::Answer::Yes)
        return;
    QString error;
    if (!m_calls.remove(rowIds, &error)) {
        reportFailure(QStringLiteral("The calls could not be deleted."), error);
        return;
    }
    refresh();
    Q_EMIT callsRemoved();
}

void SearchWindow::cmdDeleteOlder_Click()
{
    if (!m_database.isOpen() || refuseDamagedFile())
        return;
    const QDate day = m_dtpBefore->date();
    const QDateTime before(day, QTime(0, 0));
    const QString dayText = QLocale().toString(day, QLocale::ShortFormat);
    const RecordCount count = m_calls.countBefore(before);
    if (!count.ok) {
        reportFailure(QStringLiteral("The calls could not be counted."), count.error);
        return;
    }
    if (count.count == 0) {
        m_boxes.show(QStringLiteral("No call was stored before ") + dayText + QLatin1Char('.'), windowTitle(),
                     MessageBoxes::Icon::None, MessageBoxes::Buttons::Ok);
        return;
    }
    const QString question = QStringLiteral("Delete the %1 call(s) stored before ").arg(count.count) + dayText
        + QStringLiteral("?\r\n\r\nThey cannot be brought back.");
    if (m_boxes.show(question, windowTitle(), MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::YesNoDefaultNo)
        != MessageBoxes::Answer::Yes)
        return;
    QString error;
    if (!m_calls.removeBefore(before, &error)) {
        reportFailure(QStringLiteral("The calls could not be deleted."), error);
        return;
    }
    refresh();
    Q_EMIT callsRemoved();
}

// Refused before the question rather than after it.
bool SearchWindow::refuseDamagedFile()
{
    QString error;
    if (m_database.writable(&error))
        return false;
    reportFailure(QStringLiteral("The calls could not be deleted."), error);
    return true;
}

void SearchWindow::reportFailure(const QString& what, const QString& reason)
{
    m_boxes.show(what + QStringLiteral("\r\n") + reason, QString(), MessageBoxes::Icon::Exclamation,
                 MessageBoxes::Buttons::Ok);
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

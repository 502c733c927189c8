// SPDX-License-Identifier: GPL-2.0-or-later
// frmSearch: lists stored calls, all or by a part of the name or number,
// newest first, with a count line.
#pragma once

#include "records/callrecords.h"

#include <QWidget>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;

namespace Quillon {

class CallDatabase;
class CallerActions;
class MessageBoxes;
class RecordGridModel;

class SearchWindow : public QWidget
{
    Q_OBJECT

public:
    SearchWindow(QWidget* owner, CallDatabase& database, MessageBoxes& boxes);
    ~SearchWindow() override;
    Q_DISABLE_COPY_MOVE(SearchWindow)

    // Centres the window; "All" selected, the text box disabled, no query.
    void Form_Load();
    void cmdSearch_Click();
    // Deletes the selected calls, or those stored before the chosen day,
    // after a question that says how many.
    void cmdDelete_Click();
    void cmdDeleteOlder_Click();
    // Runs the shown search again, keeping selection and scroll position; a
    // failure is reported in a box unless quietly.
    void refresh(bool quietly = false);
    // Puts calls stored since into the shown search where its order puts
    // them, and counts them; reads it again when they cannot be placed. No
    // box: the next refresh or search tries again.
    void takeNewCalls();

    CallerActions* callerActions() const { return m_callerActions; }

Q_SIGNALS:
    // Calls were deleted here; other grids of calls read again.
    void callsRemoved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onTypeSelected(int type);
    void applyLengthLimit();
    void LoadGrid(int type, const QString& text);
    bool showCount(QString* error);
    void reportFailure(const QString& what, const QString& reason);
    bool refuseDamagedFile();
    int dateTimeColumnWidth() const;
    void fitDateTimeColumn();

    CallDatabase& m_database;
    MessageBoxes& m_boxes;
    CallRecords m_calls;
    RecordGridModel* m_model;
    QRadioButton* m_options[3];
    QLineEdit* m_txtSearch;
    QLabel* m_lblRcCount;
    QPushButton* m_cmdSearch;
    QTableView* m_grid;
    QPushButton* m_cmdDelete;
    QDateEdit* m_dtpBefore;
    QPushButton* m_cmdDeleteOlder;
    CallerActions* m_callerActions;
    int m_lengthLimit = 0;
    // The search shown; -1 before the first.
    int m_shownType = -1;
    QString m_shownText;
    qint64 m_shownCount = 0;
};

} // namespace Quillon

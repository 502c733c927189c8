// SPDX-License-Identifier: GPL-2.0-or-later
// frmSearch: lists stored calls, all or by a part of the name or number,
// newest first, with a count line.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;

namespace Quillon {

class CallDatabase;
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onTypeSelected(int type);
    void applyLengthLimit();
    void LoadGrid(int type, const QString& text);
    int dateTimeColumnWidth() const;
    void fitDateTimeColumn();

    CallDatabase& m_database;
    MessageBoxes& m_boxes;
    RecordGridModel* m_model;
    QRadioButton* m_options[3];
    QLineEdit* m_txtSearch;
    QLabel* m_lblRcCount;
    QPushButton* m_cmdSearch;
    QTableView* m_grid;
    int m_lengthLimit = 0;
};

} // namespace Quillon

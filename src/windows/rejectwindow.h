// SPDX-License-Identifier: GPL-2.0-or-later
// frmReject: the reject list, extended by name, number or both.
#pragma once

#include "windows/recordlistwindow.h"

class QLineEdit;
class QPushButton;

namespace Quillon {

class RejectWindow : public RecordListWindow
{
    Q_OBJECT

public:
    RejectWindow(QWidget* owner, CallDatabase& database, MessageBoxes& boxes, const WorkingSettings& settings);
    ~RejectWindow() override;
    Q_DISABLE_COPY_MOVE(RejectWindow)

    void Form_Load();
    void cmdEnter_Click();
    // A caller chosen in another list, ready to be entered.
    void fillIn(const QString& name, const QString& number);

protected:
    void editEntry(const QString& number, const QString& name) override;

private:
    const WorkingSettings& m_settings;
    QLineEdit* m_txtName;
    QLineEdit* m_txtNumber;
    QPushButton* m_cmdEnter;
    QPushButton* m_cmdExit;
};

} // namespace Quillon

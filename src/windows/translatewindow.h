// SPDX-License-Identifier: GPL-2.0-or-later
// frmTranslate: the translate list by name, extended with a number and the
// first and last name to show for it.
#pragma once

#include "windows/recordlistwindow.h"

class QLineEdit;
class QPushButton;

namespace Quillon {

class TranslateWindow : public RecordListWindow
{
    Q_OBJECT

public:
    TranslateWindow(QWidget* owner, CallDatabase& database, MessageBoxes& boxes, const WorkingSettings& settings);
    ~TranslateWindow() override;
    Q_DISABLE_COPY_MOVE(TranslateWindow)

    void Form_Load();
    void cmdEnter_Click();
    // A caller chosen in another list, ready to be named.
    void fillIn(const QString& name, const QString& number);

protected:
    void editEntry(const QString& number, const QString& name) override;

private:
    const WorkingSettings& m_settings;
    QLineEdit* m_txtFirstName;
    QLineEdit* m_txtLastName;
    QLineEdit* m_txtNumber;
    QPushButton* m_cmdEnter;
    QPushButton* m_cmdExit;
};

} // namespace Quillon

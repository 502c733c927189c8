// SPDX-License-Identifier: GPL-2.0-or-later
// frmPhnBook: every distinct name and number pair of the stored calls, by
// name; read again when a call is stored.
#pragma once

#include "windows/recordlistwindow.h"

namespace Quillon {

class CallerActions;

class PhoneIndexWindow : public RecordListWindow
{
    Q_OBJECT

public:
    PhoneIndexWindow(QWidget* owner, CallDatabase& database, MessageBoxes& boxes);
    ~PhoneIndexWindow() override;
    Q_DISABLE_COPY_MOVE(PhoneIndexWindow)

    void Form_Load();
    CallerActions* callerActions() const { return m_callerActions; }

private:
    CallerActions* m_callerActions;
};

} // namespace Quillon

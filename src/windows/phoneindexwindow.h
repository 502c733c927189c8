// SPDX-License-Identifier: GPL-2.0-or-later
// frmPhnBook: every distinct name and number pair of the stored calls, by
// name; a snapshot taken when the window loads.
#pragma once

#include "windows/recordlistwindow.h"

namespace Quillon {

class PhoneIndexWindow : public RecordListWindow
{
    Q_OBJECT

public:
    PhoneIndexWindow(QWidget* owner, CallDatabase& database, MessageBoxes& boxes);
    ~PhoneIndexWindow() override;
    Q_DISABLE_COPY_MOVE(PhoneIndexWindow)

    void Form_Load();
};

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
// frmAbout: the program's name, icon and version.
#pragma once

#include <QWidget>

namespace Quillon {

class AboutWindow : public QWidget
{
    Q_OBJECT

public:
    explicit AboutWindow(QWidget* owner);
    ~AboutWindow() override;
    Q_DISABLE_COPY_MOVE(AboutWindow)

    void Form_Load();
};

} // namespace Quillon

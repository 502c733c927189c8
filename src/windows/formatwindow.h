// SPDX-License-Identifier: GPL-2.0-or-later
// frmFormat: the telephone number display format. A choice takes effect at
// once; Save stores it.
#pragma once

#include <QString>
#include <QWidget>

class QButtonGroup;

namespace Quillon {

struct WorkingSettings;

class FormatWindow : public QWidget
{
    Q_OBJECT

public:
    FormatWindow(QWidget* owner, WorkingSettings& settings, const QString& iniPath);
    ~FormatWindow() override;
    Q_DISABLE_COPY_MOVE(FormatWindow)

    // Centres the window and selects the working format, which also resets
    // the digit count to the one that goes with it.
    void Form_Load();
    void cmdSave_Click();

private:
    void onFormatChosen(int format);

    WorkingSettings& m_settings;
    QString m_iniPath;
    QButtonGroup* m_formats;
};

} // namespace Quillon

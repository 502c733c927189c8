// SPDX-License-Identifier: GPL-2.0-or-later
// frmBlocking: which callers Call Reject turns away besides those on the
// reject list, and how the line is dropped. Save applies and stores.
#pragma once

#include <QString>
#include <QWidget>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace Quillon {

class MessageBoxes;
struct WorkingSettings;

class BlockingWindow : public QWidget
{
    Q_OBJECT

public:
    BlockingWindow(QWidget* owner, WorkingSettings& settings, const QString& iniPath, MessageBoxes& boxes);
    ~BlockingWindow() override;
    Q_DISABLE_COPY_MOVE(BlockingWindow)

    void cmdSave_Click();

private:
    void showSettings();

    WorkingSettings& m_settings;
    QString m_iniPath;
    MessageBoxes& m_boxes;
    QCheckBox* m_hidden;
    QCheckBox* m_allowListOnly;
    QLineEdit* m_quietHours;
    QRadioButton* m_answer;
    QRadioButton* m_fax;
};

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
// frmFormat: the telephone number display format. A choice takes effect at
// once; Save stores it, and offers to lay the list numbers out anew.
#pragma once

#include <QString>
#include <QWidget>

class QButtonGroup;

namespace Quillon {

class CallDatabase;
class MessageBoxes;
struct WorkingSettings;

class FormatWindow : public QWidget
{
    Q_OBJECT

public:
    FormatWindow(QWidget* owner, WorkingSettings& settings, const QString& iniPath, CallDatabase& database,
                 MessageBoxes& boxes);
    ~FormatWindow() override;
    Q_DISABLE_COPY_MOVE(FormatWindow)

    // Centres the window and selects the working format, which also resets
    // the digit count to the one that goes with it.
    void Form_Load();
    void cmdSave_Click();

private:
    void onFormatChosen(int format);
    void offerRelayout();

    WorkingSettings& m_settings;
    QString m_iniPath;
    CallDatabase& m_database;
    MessageBoxes& m_boxes;
    qint16 m_storedFormat; // the layout the lists were last kept in
    QButtonGroup* m_formats;
};

} // namespace Quillon

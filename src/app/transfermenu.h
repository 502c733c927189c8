// SPDX-License-Identifier: GPL-2.0-or-later
// Import and Export in the main window's QuillonCID menu: a file chosen in a
// file dialog, the work done on the shared connection, the outcome in a box.
#pragma once

#include "records/recordtransfer.h"

#include <QObject>
#include <QPointer>

class QMainWindow;
class QMenu;

namespace Quillon {

class CallDatabase;
class MessageBoxes;
class WindowSet;
struct WorkingSettings;

class TransferMenu final : public QObject
{
    Q_OBJECT

public:
    // Adds the two submenus to window's QuillonCID menu, above Exit.
    TransferMenu(QMainWindow* window, CallDatabase& database, const WorkingSettings& settings, MessageBoxes& boxes,
                 WindowSet* windows);
    ~TransferMenu() override;
    Q_DISABLE_COPY_MOVE(TransferMenu)

    void exportList(RecordList list);
    void importList(RecordList list);

private:
    QString chooseFile(bool saving, RecordList list);

    QPointer<QMainWindow> m_window;
    CallDatabase& m_database;
    const WorkingSettings& m_settings;
    MessageBoxes& m_boxes;
    WindowSet* m_windows;
};

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
// Import and Export in the main window's QuillonCID menu: a file chosen in a
// file dialog, the work done on a thread and connection of its own while a
// progress dialog offers Cancel, the outcome in a box.
#pragma once

#include "records/recordtransfer.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QMainWindow;
class QMenu;
class QString;

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
    // Runs work on a thread of its own, with a connection of its own, while
    // the window's events go on; false when the window went meanwhile.
    bool runWithProgress(const QString& title, const QString& label, TransferProgress& progress,
                         const std::function<void(DatabaseFileConnection&)>& work);

    QPointer<QMainWindow> m_window;
    CallDatabase& m_database;
    const WorkingSettings& m_settings;
    MessageBoxes& m_boxes;
    WindowSet* m_windows;
    QList<QMenu*> m_submenus; // disabled while one transfer runs
};

} // namespace Quillon

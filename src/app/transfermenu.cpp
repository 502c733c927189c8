// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/transfermenu.h"

#include "config/workingsettings.h"
#include "platform/messageboxes.h"
#include "records/calldatabase.h"
#include "windows/recordlistwindow.h"
#include "windows/windowset.h"

#include <QAction>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenu>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <memory>

namespace Quillon {

namespace {

struct ListItem
{
    RecordList list;
    const char* name; // object name after Import or Export
    const char* caption;
    const char* fileName; // offered when exporting
};

const ListItem kItems[] = {
    { RecordList::Calls, "Calls", "&Calls...", "calls.csv" },
    { RecordList::Reject, "Reject", "&Reject List...", "reject.csv" },
    { RecordList::Translate, "Translate", "&Translate List...", "translate.csv" },
};

QString listTitle(RecordList list)
{
    switch (list) {
    case RecordList::Calls:
        return QStringLiteral("Calls");
    case RecordList::Reject:
        return QStringLiteral("Reject list");
    case RecordList::Translate:
        break;
    }
    return QStringLiteral("Translate list");
}

} // namespace

TransferMenu::TransferMenu(QMainWindow* window, CallDatabase& database, const WorkingSettings& settings,
                           MessageBoxes& boxes, WindowSet* windows)
    : QObject(window)
    , m_window(window)
    , m_database(database)
    , m_settings(settings)
    , m_boxes(boxes)
    , m_windows(windows)
{
    QMenu* program = window->findChild<QMenu*>(QStringLiteral("QuillonCID"));
    if (!program)
        return;
    QAction* before = nullptr;
    for (QAction* action : program->actions()) {
        if (action->objectName() == u"Space1")
            before = action;
    }
    for (const bool importing : { true, false }) {
        const QString verb = importing ? QStringLiteral("Import") : QStringLiteral("Export");
        auto* submenu = new QMenu(importing ? QStringLiteral("&Import") : QStringLiteral("&Export"), program);
        submenu->setObjectName(verb + QStringLiteral("Menu"));
        for (const ListItem& item : kItems) {
            QAction* action = submenu->addAction(QString::fromLatin1(item.caption));
            action->setObjectName(verb + QLatin1String(item.name));
            const RecordList list = item.list;
            connect(action, &QAction::triggered, this, [this, importing, list] {
                if (importing)
                    importList(list);
                else
                    exportList(list);
            });
        }
        program->insertMenu(before, submenu);
        m_submenus.append(submenu);
    }
    program->insertSeparator(before)->setObjectName(QStringLiteral("SpaceTransfer"));
}

TransferMenu::~TransferMenu() = default;

QString TransferMenu::chooseFile(bool saving, RecordList list)
{
    QFileDialog dialog(m_window, (saving ? QStringLiteral("Export ") : QStringLiteral("Import ")) + listTitle(list));
    dialog.setObjectName(QStringLiteral("TransferFileDialog"));
    dialog.setDirectory(QDir::homePath());
    if (saving) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters({ QStringLiteral("CSV files (*.csv)"), QStringLiteral("All files (*)") });
        dialog.setDefaultSuffix(QStringLiteral("csv"));
        for (const ListItem& item : kItems) {
            if (item.list == list)
                dialog.selectFile(QString::fromLatin1(item.fileName));
        }
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        QStringList filters { QStringLiteral("CSV files (*.csv)") };
        if (list == RecordList::Calls)
            filters << QStringLiteral("Network call logs (*.log *.txt)");
        filters << QStringLiteral("All files (*)");
        dialog.setNameFilters(filters);
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

bool TransferMenu::runWithProgress(const QString& title, const QString& label, TransferProgress& progress,
                                   const std::function<void(DatabaseFileConnection&)>& work)
{
    const QPointer<TransferMenu> self(this);
    const QString databasePath = m_database.databasePath();
    std::unique_ptr<QThread> thread(QThread::create([&progress, &work, databasePath] {
        // A connection belongs to the thread that opened it.
        DatabaseFileConnection connection(databasePath);
        connection.stopWhen(progress.cancel);
        work(connection);
    }));
    // Owned by the window, which may go while the work runs.
    const QPointer<QProgressDialog> dialog = new QProgressDialog(label, QStringLiteral("Cancel"), 0, 1000, m_window);
    dialog->setObjectName(QStringLiteral("TransferProgress"));
    dialog->setWindowTitle(title);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    // A short transfer ends before anything shows.
    dialog->setMinimumDuration(500);
    QTimer::singleShot(500, dialog, [dialog] { dialog->show(); });
    connect(dialog, &QProgressDialog::canceled, dialog, [&progress] { progress.cancel = true; });
    QTimer poll;
    connect(&poll, &QTimer::timeout, dialog, [&progress, dialog] {
        const qint64 total = progress.total;
        dialog->setValue(total > 0 ? static_cast<int>(qMin<qint64>(progress.done * 1000 / total, 999)) : 0);
    });
    for (QMenu* submenu : std::as_const(m_submenus))
        submenu->setEnabled(false);
    QEventLoop loop;
    connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    dialog->setValue(0);
    thread->start();
    poll.start(100);
    loop.exec();
    // The program is ending: what is not done yet is left undone.
    if (!thread->isFinished())
        progress.cancel = true;
    thread->wait();
    delete dialog.data();
    if (!self)
        return false;
    for (QMenu* submenu : std::as_const(m_submenus))
        submenu->setEnabled(true);
    return true;
}

void TransferMenu::exportList(RecordList list)
{
    const QString path = chooseFile(true, list);
    if (path.isEmpty())
        return;
    TransferProgress progress;
    ExportResult result;
    if (!runWithProgress(QStringLiteral("Export"), QStringLiteral("Exporting the %1...").arg(listTitle(list).toLower()),
                         progress, [&](DatabaseFileConnection& connection) {
                             if (!connection.isOpen())
                                 result.error = connection.error();
                             else
                                 result = exportRecords(connection.database(), list, path, &progress);
                         }))
        return;
    if (result.cancelled) {
        m_boxes.show(QStringLiteral("Export cancelled"), QStringLiteral("Export"), MessageBoxes::Icon::None,
                     MessageBoxes::Buttons::Ok);
        return;
    }
    if (!result.ok) {
        m_boxes.show(QStringLiteral("Nothing was exported.\r\n") + result.error, QStringLiteral("Export"),
                     MessageBoxes::Icon::Stop, MessageBoxes::Buttons::Ok);
        return;
    }
    m_boxes.show(QStringLiteral("%1 exported to %2\r\n\r\nEntries written: %3")
                     .arg(listTitle(list), QDir::toNativeSeparators(path))
                     .arg(result.written),
                 QStringLiteral("Export"), MessageBoxes::Icon::None, MessageBoxes::Buttons::Ok);
}

void TransferMenu::importList(RecordList list)
{
    // Refused before a file is chosen rather than after.
    QString damage;
    if (!m_database.writable(&damage)) {
        m_boxes.show(QStringLiteral("Nothing can be imported: CallerID.mdb is damaged.\r\n") + damage,
                     QStringLiteral("Import"), MessageBoxes::Icon::Stop, MessageBoxes::Buttons::Ok);
        return;
    }
    const QString path = chooseFile(false, list);
    if (path.isEmpty())
        return;
    TransferProgress progress;
    ImportResult result;
    const ImportOptions options { m_settings.Format, &progress }; // read here, not on the worker
    // Damage found while the file was being chosen refuses the import too.
    if (m_database.writable(&result.error)
        && !runWithProgress(QStringLiteral("Import"),
                            QStringLiteral("Importing the %1...").arg(listTitle(list).toLower()), progress,
                            [&](DatabaseFileConnection& connection) {
                                if (!connection.isOpen())
                                    result.error = connection.error();
                                else
                                    result = importRecords(connection.database(), list, path, options);
                            }))
        return;
    if (result.cancelled) {
        m_boxes.show(QStringLiteral("Import cancelled"), QStringLiteral("Import"), MessageBoxes::Icon::None,
                     MessageBoxes::Buttons::Ok);
        return;
    }
    if (!result.ok) {
        m_boxes.show(
            QStringLiteral("Nothing was imported from %1\r\n%2").arg(QDir::toNativeSeparators(path), result.error),
            QStringLiteral("Import"), MessageBoxes::Icon::Stop, MessageBoxes::Buttons::Ok);
        return;
    }
    // Open lists show what was added at once.
    if (m_windows) {
        for (const char* name : { "frmReject", "frmTranslate" }) {
            if (auto* window = qobject_cast<RecordListWindow*>(m_windows->window(QLatin1String(name))))
                window->LoadGrid();
        }
        // Search and Phone Index read again as for a stored call.
        m_windows->callStored();
    }
    QString left;
    if (result.leftAsTyped > 0)
        left = QStringLiteral("\r\nNumbers left as typed (their digits do not fit the number format, so they match "
                              "no call): %1")
                   .arg(result.leftAsTyped);
    m_boxes.show(QStringLiteral("%1 imported from %2\r\n\r\nAdded: %3\r\nSkipped (already there): %4\r\nRefused: %5")
                         .arg(listTitle(list), QDir::toNativeSeparators(path))
                         .arg(result.added)
                         .arg(result.skipped)
                         .arg(result.refused)
                     + left,
                 QStringLiteral("Import"), MessageBoxes::Icon::None, MessageBoxes::Buttons::Ok);
}

} // namespace Quillon

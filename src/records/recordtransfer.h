// SPDX-License-Identifier: GPL-2.0-or-later
// Export of the stored calls and the two lists to CSV files, and import from
// such files (and, for calls, from a network caller-ID call log).
#pragma once

#include "records/recordlist.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <atomic>

namespace Quillon {

class CallDatabase;

// Shared by the thread doing an import or export and the one showing it.
struct TransferProgress
{
    // How far the work is of all of it: bytes of the file read for an
    // import, rowids written for an export; total 0 while unknown.
    std::atomic<qint64> done { 0 };
    std::atomic<qint64> total { 0 };
    // Set to stop: an import then adds nothing, an export writes no file.
    std::atomic<bool> cancel { false };
};

struct ExportResult
{
    bool ok = false;
    bool cancelled = false;
    qint64 written = 0;
    QString error; // one line
};

struct ImportResult
{
    bool ok = false;
    bool cancelled = false;
    qint64 added = 0;
    // Already stored; a list entry also when met earlier in the same file,
    // while a call the file holds twice is two calls.
    qint64 skipped = 0;
    qint64 refused = 0; // entries the list cannot hold, such as one without a number
    // List numbers that could not be laid out in the number format (their
    // digits do not fit it): they match no call until mended.
    qint64 leftAsTyped = 0;
    QString error; // one line, naming the row when a row is at fault
};

// What an import file holds once read: each entry's columns in table order
// (Name, Number, Date, Time, SysTime for calls; Number, Name for the lists).
struct ImportRows
{
    bool ok = false;
    QList<QStringList> rows;
    qint64 refused = 0;
    qint64 leftAsTyped = 0;
    QString error;
};

struct ImportOptions
{
    // The number format code that numbers from a network call log, and the
    // reject and translate entries, are laid out in as the program shows
    // numbers and as the list windows store what is typed; 0 keeps
    // everything as it is. Calls in CSV files are stored as they are.
    qint16 numberFormat = 0;
    TransferProgress* progress = nullptr;
};

// Writes every row of the list, oldest first, to path (replaced only once
// the whole file is written).
ExportResult exportRecords(const QSqlDatabase& db, RecordList list, const QString& path,
                           TransferProgress* progress = nullptr);

// Reads the file's entries without touching any database.
ImportRows readImportFile(RecordList list, const QByteArray& bytes, const ImportOptions& options = {});

// Adds the file's new entries in one transaction: a bad row adds nothing.
ImportResult importRecords(const QSqlDatabase& db, RecordList list, const QString& path,
                           const ImportOptions& options = {});
// The same into the running program's database, which a damaged file refuses.
ImportResult importRecords(CallDatabase& database, RecordList list, const QString& path,
                           const ImportOptions& options = {});

// A connection of its own to an existing CallerID.mdb, for work outside the
// running program; it waits up to busyMs for another writer to finish.
class DatabaseFileConnection
{
public:
    explicit DatabaseFileConnection(const QString& path, int busyMs = 30000);
    ~DatabaseFileConnection();
    Q_DISABLE_COPY_MOVE(DatabaseFileConnection)

    bool isOpen() const;
    QString error() const { return m_error; }
    QSqlDatabase database() const;
    // Statements and waits for another writer end as soon as cancel is set.
    void stopWhen(const std::atomic<bool>& cancel);

private:
    static int interrupted(void* self);
    static int busy(void* self, int count);

    QString m_name;
    int m_busyMs;
    const std::atomic<bool>* m_cancel = nullptr;
    QString m_error;
};

} // namespace Quillon

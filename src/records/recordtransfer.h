// SPDX-License-Identifier: GPL-2.0-or-later
// Export of the stored calls and the two lists to CSV files, and import from
// such files (and, for calls, from a network caller-ID call log).
#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

namespace Quillon {

enum class RecordList
{
    Calls,
    Reject,
    Translate
};

// "calls", "reject", "translate"; false for any other word.
bool recordListFromWord(const QString& word, RecordList& list);
QString recordListWord(RecordList list);

struct ExportResult
{
    bool ok = false;
    qint64 written = 0;
    QString error; // one line
};

struct ImportResult
{
    bool ok = false;
    qint64 added = 0;
    qint64 skipped = 0; // already stored, or met earlier in the same file
    qint64 refused = 0; // entries the list cannot hold, such as one without a number
    QString error; // one line, naming the row when a row is at fault
};

// What an import file holds once read: each entry's columns in table order
// (Name, Number, Date, Time, SysTime for calls; Number, Name for the lists).
struct ImportRows
{
    bool ok = false;
    QList<QStringList> rows;
    qint64 refused = 0;
    QString error;
};

struct ImportOptions
{
    // Lays out a number from a network call log as the program shows
    // numbers; CSV files hold numbers as they are to be stored.
    std::function<void(QString&)> layoutNumber;
};

// Writes every row of the list, oldest first, to path (replaced only once
// the whole file is written).
ExportResult exportRecords(const QSqlDatabase& db, RecordList list, const QString& path);

// Reads the file's entries without touching any database.
ImportRows readImportFile(RecordList list, const QByteArray& bytes, const ImportOptions& options = {});

// Adds the file's new entries in one transaction: a bad row adds nothing.
ImportResult importRecords(const QSqlDatabase& db, RecordList list, const QString& path,
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

private:
    QString m_name;
    QString m_error;
};

} // namespace Quillon

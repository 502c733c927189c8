// SPDX-License-Identifier: GPL-2.0-or-later
// CallerID.mdb: stored calls, the reject list and the translate list.
#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <memory>

namespace Quillon {

class ActivityLog;
class CallStore;
class Clock;
struct WorkingSettings;

// Why the database refused, in terms a user can act on.
enum class DbProblem
{
    None,
    Missing,
    PermissionDenied,
    Locked,
    Damaged,
    NotADatabase,
    NoTables,
    DiskFull,
    Checking, // the start-up check has not finished yet: nothing is wrong
    Other,
};

// What PRAGMA quick_check said about a file.
struct QuickCheck
{
    bool ran = false; // false: the file could not be read to the end
    bool damaged = false;
    int code = 0; // SQLite's primary result code
    QString result; // "ok", the problems found, or why it could not run
};

class CallDatabase
{
public:
    CallDatabase(const QString& appDir, const WorkingSettings& settings, ActivityLog& log, Clock& clock);
    ~CallDatabase();
    Q_DISABLE_COPY_MOVE(CallDatabase)

    // Opens appDir/CallerID.mdb without ever creating it. A file another
    // program holds locked is tried again for lockedWaitMs, calling
    // whileLocked once before the first wait. On failure logs and returns
    // false with the reason in a line for the user in error: the caller then
    // ends the program.
    bool OpenCallDatabase(const std::function<void()>& whileLocked = {}, QString* error = nullptr);
    static constexpr int lockedWaitMs = 30000;
    bool isOpen() const;
    // The one shared connection, for the records' own queries and the grids.
    QSqlDatabase connection() const;

    // The call path. A failure gives the reason in error: problemText() when
    // it is a problem the user can act on, else SQLite's own text. With the
    // connection closed they do nothing and succeed.
    bool InsertCall(const QString& name, const QString& number, const QString& date, const QString& time,
                    QString* error = nullptr);
    // The name the user gave the number, else name. When the number was
    // entered more than once, the entry added last wins. listed: whether the
    // number is on the translate list at all (the allow list).
    QString TranslateCaller(const QString& name, const QString& number, QString* error = nullptr,
                            bool* listed = nullptr);
    // Whether the number or the name is on the reject list; never while
    // rejection is switched off. False when the list could not be read.
    // Entries holding '*' or '?' are patterns, which pass over a caller on
    // the allow list (allowed). entry: the entry that matched, for the log.
    bool CheckReject(const QString& name, const QString& number, QString* error = nullptr, QString* entry = nullptr,
                     bool allowed = false);

    // Stores calls in arrival order, keeping those the database refuses.
    CallStore& store() { return *m_store; }

    // Every wait on a lock held by another program ends by this time: the
    // call path shares one short budget among its statements.
    class BusyBudget
    {
    public:
        BusyBudget(CallDatabase& database, int ms);
        ~BusyBudget();
        Q_DISABLE_COPY_MOVE(BusyBudget)

    private:
        CallDatabase& m_database;
        QDateTime m_previous;
    };

    // A few words for the log and the boxes, such as "the disk is full".
    static QString problemText(DbProblem problem);
    QString databasePath() const;

    // A damaged file is never written again during this run: every write
    // asks here first, and error then gets what was found damaged.
    bool writable(QString* error = nullptr) const;
    bool isDamaged() const { return m_damaged; }
    void markDamaged(const QString& detail);
    QString damageDetail() const { return m_damageDetail; }
    // Calls are held back while the start-up check of the file runs.
    bool checking() const { return m_checking; }
    void setChecking(bool checking) { m_checking = checking; }
    // PRAGMA quick_check on its own read-only connection, on any thread.
    // started gets the sqlite3 handle while the check runs (for
    // sqlite3_interrupt), then nullptr.
    static QuickCheck quickCheck(const QString& path, const std::function<void(void*)>& started = {});
    // The call with the time it arrived, never twice: a call whose earlier
    // attempt may have reached the file is looked for first.
    // rejected: the mark, on a file that has room for it.
    bool InsertCall(const QString& name, const QString& number, const QString& date, const QString& time,
                    const QDateTime& arrived, bool lookFirst, QString* error = nullptr, bool rejected = false);
    // Whether calls are stored with the rejected mark.
    bool hasRejectedMark() const { return m_hasRejectedMark; }
    // Adds what later versions added to the file (the rejected mark, the
    // reject list's pattern indexes) to a file made before them, once the
    // check of the file has found it sound.
    void addLaterSchema();

private:
    static int busyHandler(void* self, int count);
    bool fail(const QSqlError& sqlError, QString* error);
    DbProblem tryOpen(QString& detail);

    QString m_appDir;
    const WorkingSettings& m_settings;
    ActivityLog& m_log;
    Clock& m_clock;
    QString m_connectionName;
    bool m_damaged = false;
    QString m_damageDetail;
    bool m_checking = false;
    bool m_hasRejectedMark = false;
    QDateTime m_busyDeadline; // invalid: each statement waits up to defaultBusyMs
    QDateTime m_busyStarted;
    std::unique_ptr<CallStore> m_store;
};

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
// Keeps every call until CallerID.mdb has it: calls the database refuses
// (locked, disk full, damaged) wait and are stored later, in arrival order.
// A waiting call is written to a journal at once, so that neither a crash
// nor a kill loses it; the next start stores what the journal holds.
// The writing is done by a storage thread with a connection of its own, so
// that the window never waits on a lock or the disk; what it finds is told
// on the UI thread (log lines, signals) as soon as it reports.
#pragma once

#include <QDateTime>
#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QWaitCondition>

#include <atomic>
#include <memory>

class QThread;

namespace Quillon {

class ActivityLog;
class CallDatabase;
class Clock;
struct QuickCheck;

// A call to store, as its row will hold it.
struct NewCall
{
    QString name;
    QString number;
    QString date;
    QString time;
    QDateTime when; // SysTime: when it came; invalid for now
    bool rejected = false; // answered and hung up
};

struct WaitingCall
{
    QString name;
    QString number;
    QString date;
    QString time;
    QDateTime arrived;
    bool tried = false; // an attempt failed: look for it before storing it again
    bool journaled = false;
    bool rejected = false;
    quint64 id = 0; // in the order handed over
};

class CallStore final : public QObject
{
    Q_OBJECT

public:
    CallStore(CallDatabase& database, ActivityLog& log, Clock& clock);
    // Waits for the storage thread at most finishWaitMs; what is not stored
    // by then is in the journal when it returns.
    ~CallStore() override;
    Q_DISABLE_COPY_MOVE(CallStore)

    // Hands the call to the storage thread and returns at once; the thread
    // stores it after those still waiting. A call the database refuses
    // waits, with a log line naming the reason.
    void StoreCall(const NewCall& call);
    // The same for many at once: stored in batches, one sync for each.
    void StoreCalls(const QList<NewCall>& calls);
    // Another attempt for the waiting calls, waiting at most budgetMs on a lock.
    void retry(int budgetMs = retryBudgetMs);
    static constexpr int retryBudgetMs = 200;
    // How long the storage thread waits on another program's lock for calls
    // just handed over.
    static constexpr int callBudgetMs = 1000;
    // Calls go to the file in batches of this many, each one transaction
    // with one sync.
    static constexpr int batchSize = 500;

    // The program ends: a last attempt at every call not stored yet, with
    // budgetMs on a lock, waiting for it at most finishWaitMs; then what is
    // still not stored is in the journal.
    void finish(int budgetMs);
    static constexpr int finishWaitMs = 3000;
    // Blocks until the storage thread has done all it was handed and its
    // reports are taken in; false when ms passed first.
    bool waitUntilIdle(int ms = 30000);

    // Whether the storage thread has nothing in hand.
    bool isIdle() const;
    // Calls refused and waiting, as the storage thread last reported.
    qsizetype waitingCount() const { return m_waitingCount; }
    // Calls handed over and not stored yet, the waiting ones included.
    qsizetype unstoredCount() const;
    // Asks the storage thread how often each call (by sameCallKey()) is
    // among the recent stored calls or not stored yet; sameCallsCounted
    // answers with the returned token. Counted between two of its writes, so
    // that a call being stored meanwhile is counted once, and off the window's
    // thread, since a large history takes a while.
    quint64 countSameCalls();

    // Checks the file (PRAGMA quick_check) on a thread of its own; calls
    // wait meanwhile and are stored once it is found sound. The calls an
    // earlier run left in the journal wait first.
    void startCheck();
    // Until the calls held back by the check have been tried.
    bool checkRunning() const { return m_checkPending; }
    // Blocks until the check has ended and its verdict is taken in.
    void waitForCheck();

    // The journal: a text file beside the log holding every waiting call,
    // one line each, fields separated by tabs, with backslash, tab, carriage
    // return and line feed inside a field written \\, \t, \r and \n.
    QString waitingFilePath() const;
    // Whether every waiting call is in the journal; false when it could not
    // be written (the disk may be the trouble).
    bool journaled() const;
    // Takes the calls the journal holds into the waiting calls, before any
    // other: once, at start.
    void readJournal();

    // Runs statement on the storage thread's connection before its next
    // attempt (a test limits the file's size there as on the window's).
    void runOnStorageConnection(const QString& statement);

Q_SIGNALS:
    void waitingChanged(qsizetype count);
    // Calls reached the file.
    void callsStored(qsizetype count);
    // The first refused call since every call was stored.
    void notStored(const QString& reason);
    // Once: the file is damaged and will not be written again.
    void damaged(const QString& detail);
    void checkFinished();
    // The storage thread has done all it was handed.
    void idle();
    // The answer to countSameCalls(token); error says why the file could not
    // be read, and counts is then empty.
    void sameCallsCounted(quint64 token, const QHash<QString, qint64>& counts, const QString& error);

private:
    enum class Work
    {
        Calls, // calls were handed over
        Retry,
        AfterCheck,
        Count, // sameCallsCounted
    };
    struct Report
    {
        Work work = Work::Calls;
        bool flushed = false; // an attempt was made (not held back)
        bool checking = false;
        qsizetype stored = 0;
        qsizetype remaining = 0;
        QString refusal;
        QString damage; // what the storage thread found damaged
        QString journalError;
        quint64 token = 0;
        QHash<QString, qint64> counts;
        QString countError;
    };
    struct Request
    {
        Work work;
        int budgetMs;
        quint64 token = 0;
    };

    void request(Work work, int budgetMs, quint64 token = 0);
    Report count(const Request& request);
    void startWriter();
    void stopWriter();
    void runWriter();
    Report attempt(const Request& request);
    bool openWriterConnection(QString& refusal);
    bool writeBatch(const QList<WaitingCall>& batch, bool damaged, bool rejectedMark, QString& refusal,
                    QString& damage);
    static int writerBusy(void* self, int count);
    void takeReport(const Report& report);
    void checkDone(const QuickCheck& check);
    QString journalWaiting();
    void rewriteJournal();

    CallDatabase& m_database;
    ActivityLog& m_log;
    Clock& m_clock;

    // UI thread only.
    qsizetype m_waitingCount = 0;
    bool m_refusalReported = false;
    bool m_damageReported = false;
    bool m_journalRead = false;
    bool m_checkPending = false;
    quint64 m_nextId = 0;
    quint64 m_nextCount = 0;
    QThread* m_thread = nullptr; // the check
    std::unique_ptr<QThread> m_writer;

    // Shared with the storage thread, under m_mutex.
    mutable QMutex m_mutex;
    QWaitCondition m_wake;
    QWaitCondition m_idle;
    QList<WaitingCall> m_unstored; // in arrival order
    QList<Request> m_requests;
    bool m_busy = false;
    bool m_holdBack = false; // the check runs
    bool m_writerDamaged = false;
    bool m_rejectedMark = false;
    QStringList m_statements;
    void* m_writerHandle = nullptr;
    std::atomic<bool> m_stopping = false;

    // The check's state, under m_checkMutex.
    QMutex m_checkMutex;
    void* m_checkHandle = nullptr; // the check's connection while it runs
    bool m_checkStopping = false;

    // Storage thread only (and the UI thread once it has ended).
    QSqlDatabase m_writerDb;
    QString m_writerName;
    QDeadlineTimer m_writerDeadline; // for the attempt under way
    bool m_journalFailed = false; // reported once until it works again
};

} // namespace Quillon

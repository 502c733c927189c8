// SPDX-License-Identifier: GPL-2.0-or-later
// Keeps every call until CallerID.mdb has it: calls the database refuses
// (locked, disk full, damaged) wait and are stored later, in arrival order.
// A waiting call is written to a journal at once, so that neither a crash
// nor a kill loses it; the next start stores what the journal holds.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

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
};

class CallStore final : public QObject
{
    Q_OBJECT

public:
    CallStore(CallDatabase& database, ActivityLog& log, Clock& clock);
    ~CallStore() override;
    Q_DISABLE_COPY_MOVE(CallStore)

    // Stores the call after those still waiting. A call the database refuses
    // waits, with a log line naming the reason. True when nothing waits.
    bool StoreCall(const NewCall& call);
    // The same for many at once: stored in batches, one sync for each.
    bool StoreCalls(const QList<NewCall>& calls);
    // Another attempt for the waiting calls, waiting at most budgetMs on a lock.
    void retry(int budgetMs = retryBudgetMs);
    static constexpr int retryBudgetMs = 200;
    // Waiting calls go to the file in batches of this many, each one
    // transaction with one sync.
    static constexpr int batchSize = 500;

    qsizetype waitingCount() const { return m_waiting.size(); }
    // Adds the waiting calls to counts by sameCallKey().
    void countWaiting(QHash<QString, qint64>& counts) const;
    const QList<WaitingCall>& waiting() const { return m_waiting; }

    // Checks the file (PRAGMA quick_check) on a thread of its own; calls
    // wait meanwhile and are stored once it is found sound. The calls an
    // earlier run left in the journal wait first.
    void startCheck();
    bool checkRunning() const { return m_thread != nullptr; }
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

Q_SIGNALS:
    void waitingChanged(qsizetype count);
    // The first refused call since every call was stored.
    void notStored(const QString& reason);
    // Once: the file is damaged and will not be written again.
    void damaged(const QString& detail);
    void checkFinished();

private:
    bool flush();
    void checkDone(const QuickCheck& check);
    void journalWaiting();
    void rewriteJournal();

    CallDatabase& m_database;
    ActivityLog& m_log;
    Clock& m_clock;
    QList<WaitingCall> m_waiting;
    bool m_flushing = false;
    QString m_refusal; // why the database refused the last call it refused
    bool m_refusalReported = false;
    bool m_damageReported = false;
    QThread* m_thread = nullptr;
    QMutex m_checkMutex;
    void* m_checkHandle = nullptr; // the check's connection while it runs
    bool m_stopping = false;
    bool m_journalRead = false;
    bool m_journalFailed = false; // reported once until it works again
};

} // namespace Quillon

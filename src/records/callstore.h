// SPDX-License-Identifier: GPL-2.0-or-later
// Keeps every call until CallerID.mdb has it: calls the database refuses
// (locked, disk full, damaged) wait and are stored later, in arrival order.
#pragma once

#include <QDateTime>
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

struct WaitingCall
{
    QString name;
    QString number;
    QString date;
    QString time;
    QDateTime arrived;
    bool tried = false; // an attempt failed: look for it before storing it again
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
    bool StoreCall(const QString& name, const QString& number, const QString& date, const QString& time,
                   bool rejected = false);
    // Another attempt for the waiting calls, waiting at most budgetMs on a lock.
    void retry(int budgetMs = retryBudgetMs);
    static constexpr int retryBudgetMs = 200;

    qsizetype waitingCount() const { return m_waiting.size(); }
    const QList<WaitingCall>& waiting() const { return m_waiting; }

    // Checks the file (PRAGMA quick_check) on a thread of its own; calls
    // wait meanwhile and are stored once it is found sound.
    void startCheck();
    bool checkRunning() const { return m_thread != nullptr; }
    // Blocks until the check has ended and its verdict is taken in.
    void waitForCheck();

    // The text file beside the log that takes calls never stored.
    QString waitingFilePath() const;
    // Appends the waiting calls there, one line each; false when the file
    // could not be written (the disk may be the trouble).
    bool saveWaiting() const;

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
};

} // namespace Quillon

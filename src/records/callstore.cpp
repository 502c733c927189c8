// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/callstore.h"

#include "platform/clock.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>

namespace Quillon {

CallStore::CallStore(CallDatabase& database, ActivityLog& log, Clock& clock)
    : m_database(database)
    , m_log(log)
    , m_clock(clock)
{ }

CallStore::~CallStore()
{
    if (!m_thread)
        return;
    {
        QMutexLocker lock(&m_checkMutex);
        m_stopping = true;
        if (m_checkHandle)
            sqlite3_interrupt(static_cast<sqlite3*>(m_checkHandle));
    }
    m_thread->wait();
    delete m_thread;
}

bool CallStore::StoreCall(const QString& name, const QString& number, const QString& date, const QString& time,
                          bool rejected)
{
    const qsizetype before = m_waiting.size();
    m_waiting.append({ name, number, date, time, m_clock.now(), false, rejected });
    flush();
    if (!m_waiting.isEmpty() && !m_database.checking()) {
        m_log.log(QStringLiteral("Call not stored (") + m_refusal + QStringLiteral("); calls waiting to be stored: ")
                  + QString::number(m_waiting.size()));
        // One box for a run of refusals; a damaged file has a box of its own.
        if (!m_refusalReported && !m_database.isDamaged())
            Q_EMIT notStored(m_refusal);
        m_refusalReported = true;
    }
    if (m_waiting.size() != before)
        Q_EMIT waitingChanged(m_waiting.size());
    return m_waiting.isEmpty();
}

void CallStore::retry(int budgetMs)
{
    if (m_waiting.isEmpty() || m_database.checking() || m_database.isDamaged())
        return;
    const qsizetype before = m_waiting.size();
    {
        CallDatabase::BusyBudget budget(m_database, budgetMs);
        flush();
    }
    if (m_waiting.size() != before)
        Q_EMIT waitingChanged(m_waiting.size());
}

/*!
 * Stores waiting calls from the oldest on and stops at the first one refused,
 * so that they reach the table in the order they arrived. True when none is
 * left waiting.
 */
bool CallStore::flush()
{
    // A box shown from a nested event loop must not start a second pass.
    if (m_flushing)
        return m_waiting.isEmpty();
    m_flushing = true;
    qsizetype stored = 0;
    while (!m_waiting.isEmpty() && !m_database.checking()) {
        WaitingCall& call = m_waiting.first();
        if (!m_database.InsertCall(call.name, call.number, call.date, call.time, call.arrived, call.tried, &m_refusal,
                                   call.rejected)) {
            call.tried = true;
            break;
        }
        m_waiting.removeFirst();
        ++stored;
    }
    m_flushing = false;

    if (m_database.isDamaged() && !m_damageReported) {
        m_damageReported = true;
        m_log.log(QStringLiteral("CallerID.mdb is damaged and is not written to any more: ")
                  + m_database.damageDetail());
        Q_EMIT damaged(m_database.damageDetail());
    }
    if (m_waiting.isEmpty() && m_refusalReported) {
        m_refusalReported = false;
        m_log.log(QStringLiteral("Calls that waited are stored now: ") + QString::number(stored));
    }
    return m_waiting.isEmpty();
}

void CallStore::startCheck()
{
    if (m_thread || !m_database.isOpen())
        return;
    m_database.setChecking(true);
    const QString path = m_database.databasePath();
    m_thread = QThread::create([this, path] {
        const QuickCheck check = CallDatabase::quickCheck(path, [this](void* handle) {
            QMutexLocker lock(&m_checkMutex);
            m_checkHandle = handle;
            if (handle && m_stopping)
                sqlite3_interrupt(static_cast<sqlite3*>(handle));
        });
        QMetaObject::invokeMethod(
            this, [this, check] { checkDone(check); }, Qt::QueuedConnection);
    });
    // Reading a large file must not slow the window down.
    m_thread->start(QThread::LowPriority);
}

void CallStore::waitForCheck()
{
    if (!m_thread)
        return;
    m_thread->wait();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void CallStore::checkDone(const QuickCheck& check)
{
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_database.setChecking(false);
    if (check.damaged)
        m_database.markDamaged(check.result.left(500));
    else if (!check.ran)
        m_log.log(QStringLiteral("CallerID.mdb could not be checked: ") + check.result);
    else
        m_database.addLaterSchema();
    const qsizetype before = m_waiting.size();
    flush();
    if (m_waiting.size() != before)
        Q_EMIT waitingChanged(m_waiting.size());
    Q_EMIT checkFinished();
}

QString CallStore::waitingFilePath() const
{
    return QFileInfo(m_log.path()).absolutePath() + QStringLiteral("/CallsNotStored.txt");
}

bool CallStore::saveWaiting() const
{
    QByteArray text;
    for (const WaitingCall& call : m_waiting) {
        const QStringList fields { call.arrived.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), call.name, call.number,
                                   call.date, call.time };
        text += fields.join(QLatin1Char('\t')).toUtf8() + QByteArrayLiteral("\r\n");
    }
    QFile file(waitingFilePath());
    // Appended: calls an earlier run left there stay.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    const bool written = file.write(text) == text.size();
    const bool flushed = file.flush();
    file.close();
    return written && flushed && file.error() == QFileDevice::NoError;
}

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/callstore.h"

#include "platform/clock.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"
#include "records/storedcalls.h"
#include "records/transaction.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>

#include <algorithm>
#include <fcntl.h>
#include <optional>
#include <sqlite3.h>
#include <unistd.h>

namespace Quillon {

namespace {

const QString journalTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString escapeField(const QString& field)
{
    QString text;
    text.reserve(field.size());
    for (const QChar c : field) {
        switch (c.unicode()) {
        case u'\\':
            text += QLatin1String("\\\\");
            break;
        case u'\t':
            text += QLatin1String("\\t");
            break;
        case u'\r':
            text += QLatin1String("\\r");
            break;
        case u'\n':
            text += QLatin1String("\\n");
            break;
        default:
            text += c;
        }
    }
    return text;
}

QString unescapeField(QStringView field)
{
    QString text;
    text.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != u'\\' || i + 1 == field.size()) {
            text += field[i];
            continue;
        }
        const QChar next = field[++i];
        text += next == u't' ? QChar(u'\t') : next == u'r' ? QChar(u'\r') : next == u'n' ? QChar(u'\n') : next;
    }
    return text;
}

QByteArray journalLine(const WaitingCall& call)
{
    QStringList fields { call.arrived.toString(journalTimeFormat), escapeField(call.name), escapeField(call.number),
                         escapeField(call.date), escapeField(call.time) };
    if (call.rejected)
        fields.append(QStringLiteral("Rejected"));
    return fields.join(QLatin1Char('\t')).toUtf8() + QByteArrayLiteral("\r\n");
}

// A new file's name must reach the disk too, or a power cut may lose it.
void syncDirectory(const QString& filePath)
{
    const int dir = ::open(QFile::encodeName(QFileInfo(filePath).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (dir < 0)
        return;
    ::fsync(dir);
    ::close(dir);
}

bool syncFile(QFileDevice& file)
{
    return file.flush() && ::fsync(file.handle()) == 0;
}

} // namespace

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

bool CallStore::StoreCall(const NewCall& call)
{
    return StoreCalls({ call });
}

bool CallStore::StoreCalls(const QList<NewCall>& calls)
{
    if (calls.isEmpty())
        return m_waiting.isEmpty();
    const qsizetype before = m_waiting.size();
    for (const NewCall& call : calls)
        m_waiting.append({ call.name, call.number, call.date, call.time,
                           call.when.isValid() ? call.when : m_clock.now(), false, false, call.rejected });
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
    // A journal the disk refused is tried again too, damaged file or not.
    journalWaiting();
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
 * Stores waiting calls from the oldest on, a batch at a time in one
 * transaction, and stops at the first batch refused, so that they reach the
 * table in the order they arrived. Calls still waiting are in the journal
 * when it returns. True when none is left waiting.
 */
bool CallStore::flush()
{
    // A box shown from a nested event loop must not start a second pass.
    if (m_flushing)
        return m_waiting.isEmpty();
    m_flushing = true;
    qsizetype stored = 0;
    bool journalStored = false;
    while (!m_waiting.isEmpty() && !m_database.checking()) {
        const qsizetype batch = qMin<qsizetype>(m_waiting.size(), batchSize);
        // One call is one synced insert as always; more share a transaction.
        std::optional<Transaction> transaction;
        if (batch > 1 && m_database.isOpen() && m_database.writable())
            transaction.emplace(m_database.connection(), &m_refusal, Transaction::Lock::Immediate);
        // Not begun (locked): one by one, each refusal then named as always.
        if (transaction && !transaction->isActive())
            transaction.reset();
        bool refused = false;
        for (qsizetype i = 0; i < batch && !refused; ++i) {
            const WaitingCall& call = m_waiting.at(i);
            refused = !m_database.InsertCall(call.name, call.number, call.date, call.time, call.arrived, call.tried,
                                             &m_refusal, call.rejected);
        }
        if (!refused && transaction && !transaction->commit(&m_refusal))
            refused = true;
        if (refused) {
            // Any of them may have reached the file before the failure.
            for (qsizetype i = 0; i < batch; ++i)
                m_waiting[i].tried = true;
            break;
        }
        for (qsizetype i = 0; i < batch; ++i)
            journalStored = journalStored || m_waiting.at(i).journaled;
        m_waiting.remove(0, batch);
        stored += batch;
    }
    m_flushing = false;
    if (journalStored)
        rewriteJournal();
    journalWaiting();

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
    readJournal();
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

void CallStore::countWaiting(QHash<QString, qint64>& counts) const
{
    for (const WaitingCall& call : m_waiting)
        ++counts[sameCallKey(call.date, call.time, call.number, call.name,
                             callYear(call.date, call.arrived.toString(journalTimeFormat)))];
}

bool CallStore::journaled() const
{
    return std::all_of(m_waiting.begin(), m_waiting.end(), [](const WaitingCall& call) { return call.journaled; });
}

/*!
 * Appends the waiting calls not yet in the journal and syncs it before
 * returning: from here on a crash, a kill or a power cut does not lose them.
 */
void CallStore::journalWaiting()
{
    if (journaled())
        return;
    const QString path = waitingFilePath();
    const bool created = !QFileInfo::exists(path);
    QByteArray text;
    for (const WaitingCall& call : std::as_const(m_waiting)) {
        if (!call.journaled)
            text += journalLine(call);
    }
    QFile file(path);
    const bool opened
        = file.open(QIODevice::WriteOnly | QIODevice::Append, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const qint64 size = opened ? file.size() : 0;
    const bool written = opened && file.write(text) == text.size() && syncFile(file);
    if (opened && !written)
        file.resize(size); // a line cut short by a full disk must not glue onto the next one
    file.close();
    if (written && created)
        syncDirectory(path);
    if (!written) {
        if (!m_journalFailed)
            m_log.log(QStringLiteral("Calls waiting to be stored could not be written to ") + path
                      + QStringLiteral(": ") + file.errorString());
        m_journalFailed = true;
        return;
    }
    m_journalFailed = false;
    for (WaitingCall& call : m_waiting)
        call.journaled = true;
}

// The journal again with only the calls still waiting; none: no file.
void CallStore::rewriteJournal()
{
    const QString path = waitingFilePath();
    QByteArray text;
    for (const WaitingCall& call : std::as_const(m_waiting)) {
        if (call.journaled)
            text += journalLine(call);
    }
    if (text.isEmpty()) {
        QFile::remove(path);
        syncDirectory(path);
        return;
    }
    QSaveFile file(path);
    const bool written
        = file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && syncFile(file) && file.commit();
    if (written)
        syncDirectory(path);
    // Else the old journal stays: its calls already stored are looked for
    // before they are stored again.
}

void CallStore::readJournal()
{
    if (m_journalRead)
        return;
    m_journalRead = true;
    QFile file(waitingFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return;
    QList<WaitingCall> calls;
    QList<QByteArray> lines = file.readAll().split('\n');
    // What follows the last line feed is a line a kill cut short, or nothing.
    if (!lines.last().isEmpty()) {
        file.close();
        if (file.open(QIODevice::ReadWrite))
            file.resize(file.size() - lines.last().size());
    }
    lines.removeLast();
    for (QByteArray line : std::as_const(lines)) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QString text = QString::fromUtf8(line);
        const QList<QStringView> fields = QStringView(text).split(u'\t');
        // Fewer: a line cut short; more: fields a later version added.
        if (fields.size() < 5)
            continue;
        WaitingCall call { unescapeField(fields[1]), unescapeField(fields[2]), unescapeField(fields[3]),
                           unescapeField(fields[4]), QDateTime::fromString(fields[0].toString(), journalTimeFormat) };
        if (!call.arrived.isValid())
            continue;
        call.rejected = fields.size() > 5 && fields[5] == u"Rejected";
        // It may have reached the file before the journal was rewritten.
        call.tried = true;
        call.journaled = true;
        calls.append(call);
    }
    if (calls.isEmpty())
        return;
    m_log.log(QStringLiteral("Calls waiting from an earlier run: ") + QString::number(calls.size()));
    m_waiting = calls + m_waiting;
    Q_EMIT waitingChanged(m_waiting.size());
}

} // namespace Quillon

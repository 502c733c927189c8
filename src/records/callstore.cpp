// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/callstore.h"

#include "platform/clock.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"
#include "records/callwrite.h"
#include "records/storedcalls.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>
#include <utility>

namespace Quillon {

namespace {

const QString journalTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// Short slices, so that the end of the program is felt at once.
constexpr int writerSliceMs = 20;

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

sqlite3* handleOf(const QSqlDatabase& db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

} // namespace

CallStore::CallStore(CallDatabase& database, ActivityLog& log, Clock& clock)
    : m_database(database)
    , m_log(log)
    , m_clock(clock)
{ }

CallStore::~CallStore()
{
    if (m_thread) {
        {
            QMutexLocker lock(&m_checkMutex);
            m_checkStopping = true;
            if (m_checkHandle)
                sqlite3_interrupt(static_cast<sqlite3*>(m_checkHandle));
        }
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
    // Calls handed over a moment ago (a call during the last box) are
    // stored or journaled before the program ends.
    if (m_writer)
        waitUntilIdle(finishWaitMs);
    stopWriter();
}

void CallStore::StoreCall(const NewCall& call)
{
    StoreCalls({ call });
}

void CallStore::StoreCalls(const QList<NewCall>& calls)
{
    // With the connection closed calls are not kept, as InsertCall does.
    if (calls.isEmpty() || !m_database.isOpen())
        return;
    {
        QMutexLocker lock(&m_mutex);
        for (const NewCall& call : calls)
            m_unstored.append({ call.name, call.number, call.date, call.time,
                                call.when.isValid() ? call.when : m_clock.now(), false, false, call.rejected,
                                ++m_nextId });
    }
    request(Work::Calls, callBudgetMs);
}

void CallStore::retry(int budgetMs)
{
    // Nothing waits: the thread is not woken every few seconds for nothing.
    if (unstoredCount() > 0)
        request(Work::Retry, budgetMs);
}

void CallStore::request(Work work, int budgetMs, quint64 token)
{
    if (!m_writer && !m_stopping)
        startWriter();
    QMutexLocker lock(&m_mutex);
    // Damage a look-up found: the thread writes nothing more into the file.
    m_writerDamaged = m_writerDamaged || m_database.isDamaged();
    // Retries pile up while a lock holds the thread; one in line is enough.
    if (work == Work::Retry && !m_requests.isEmpty() && m_requests.last().work == Work::Retry) {
        m_requests.last().budgetMs = qMax(m_requests.last().budgetMs, budgetMs);
        return;
    }
    m_requests.append({ work, budgetMs, token });
    m_wake.wakeAll();
    if (m_writer)
        return;
    // The program is ending and the thread is gone: the journal keeps them.
    lock.unlock();
    m_requests.clear();
    const QString error = journalWaiting();
    if (!error.isEmpty())
        m_log.log(error);
}

void CallStore::startWriter()
{
    {
        QMutexLocker lock(&m_mutex);
        m_rejectedMark = m_database.hasRejectedMark();
        m_writerDamaged = m_database.isDamaged();
    }
    m_writerName = QStringLiteral("CallStore-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_writer.reset(QThread::create([this] { runWriter(); }));
    m_writer->start();
}

// Ends the storage thread: a lock wait or a statement under way is cut
// short. What is not stored then goes to the journal from here.
void CallStore::stopWriter()
{
    if (!m_writer)
        return;
    {
        QMutexLocker lock(&m_mutex);
        m_stopping = true;
        if (m_writerHandle)
            sqlite3_interrupt(static_cast<sqlite3*>(m_writerHandle));
        m_wake.wakeAll();
    }
    m_writer->wait();
    m_writer.reset();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    m_requests.clear();
    const QString error = journalWaiting();
    if (!error.isEmpty())
        m_log.log(error);
}

bool CallStore::waitUntilIdle(int ms)
{
    const QDeadlineTimer deadline(ms);
    {
        QMutexLocker lock(&m_mutex);
        while (m_writer && (m_busy || !m_requests.isEmpty())) {
            if (!m_idle.wait(&m_mutex, deadline))
                return false;
        }
    }
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    return true;
}

void CallStore::finish(int budgetMs)
{
    waitForCheck();
    if (unstoredCount() == 0)
        return;
    retry(budgetMs);
    if (!waitUntilIdle(finishWaitMs))
        stopWriter();
}

void CallStore::runOnStorageConnection(const QString& statement)
{
    QMutexLocker lock(&m_mutex);
    m_statements.append(statement);
}

void CallStore::runWriter()
{
    for (;;) {
        Request next {};
        {
            QMutexLocker lock(&m_mutex);
            while (m_requests.isEmpty() && !m_stopping)
                m_wake.wait(&m_mutex);
            // What is left goes to the journal from the UI thread.
            if (m_stopping)
                break;
            next = m_requests.takeFirst();
            m_busy = true;
        }
        const Report report = attempt(next);
        QMutexLocker lock(&m_mutex);
        m_busy = false;
        // Posted with the state it leaves: whoever takes it in sees whether
        // the thread has more in hand.
        QMetaObject::invokeMethod(
            this, [this, report] { takeReport(report); }, Qt::QueuedConnection);
        if (m_requests.isEmpty())
            m_idle.wakeAll();
    }
    {
        QMutexLocker lock(&m_mutex);
        m_writerHandle = nullptr;
        m_busy = false;
        m_idle.wakeAll();
    }
    m_writerDb = QSqlDatabase();
    if (QSqlDatabase::contains(m_writerName))
        QSqlDatabase::removeDatabase(m_writerName);
}

bool CallStore::openWriterConnection(QString& refusal)
{
    if (!m_writerDb.isOpen()) {
        m_writerDb = QSqlDatabase::contains(m_writerName)
            ? QSqlDatabase::database(m_writerName, false)
            : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_writerName);
        m_writerDb.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        m_writerDb.setDatabaseName(callDatabaseUri(m_database.databasePath()));
        if (!m_writerDb.open()) {
            refusal = refusalText(m_writerDb.lastError());
            return false;
        }
        sqlite3* handle = handleOf(m_writerDb);
        if (handle)
            sqlite3_busy_handler(handle, &CallStore::writerBusy, this);
        // As on the window's connection: a stored call survives a power cut.
        QSqlQuery(m_writerDb).exec(QStringLiteral("PRAGMA synchronous = FULL"));
        QMutexLocker lock(&m_mutex);
        m_writerHandle = handle;
        if (m_stopping && handle)
            sqlite3_interrupt(handle);
    }
    QStringList statements;
    {
        QMutexLocker lock(&m_mutex);
        statements = std::exchange(m_statements, {});
    }
    for (const QString& statement : std::as_const(statements))
        QSqlQuery(m_writerDb).exec(statement);
    return true;
}

int CallStore::writerBusy(void* self, int /*count*/)
{
    auto* store = static_cast<CallStore*>(self);
    if (store->m_stopping || store->m_writerDeadline.hasExpired())
        return 0;
    sqlite3_sleep(static_cast<int>(qMin<qint64>(store->m_writerDeadline.remainingTime(), writerSliceMs)));
    return 1;
}

/*!
 * One turn of the storage thread. Stores waiting calls from the oldest on,
 * a batch at a time in one transaction, and stops at the first batch
 * refused, so that they reach the table in the order they arrived. Calls
 * still waiting are in the journal when it returns.
 */
CallStore::Report CallStore::attempt(const Request& request)
{
    if (request.work == Work::Count)
        return count(request);
    Report report;
    report.work = request.work;
    bool damaged = false;
    bool rejectedMark = false;
    {
        QMutexLocker lock(&m_mutex);
        report.checking = m_holdBack;
        damaged = m_writerDamaged;
        rejectedMark = m_rejectedMark;
        report.remaining = m_unstored.size();
    }
    // A journal the disk refused is tried again too, damaged file or not.
    if (request.work == Work::Retry) {
        report.journalError = journalWaiting();
        if (report.remaining == 0 || report.checking || damaged)
            return report;
    }
    report.flushed = !report.checking;
    m_writerDeadline = QDeadlineTimer(request.budgetMs);
    bool journalStored = false;
    while (!report.checking && !m_stopping) {
        QList<WaitingCall> batch;
        {
            QMutexLocker lock(&m_mutex);
            batch = m_unstored.mid(0, batchSize);
        }
        if (batch.isEmpty())
            break;
        QString damage;
        const bool written = writeBatch(batch, damaged, rejectedMark, report.refusal, damage);
        if (!damage.isEmpty()) {
            damaged = true;
            report.damage = damage;
            QMutexLocker lock(&m_mutex);
            m_writerDamaged = true;
        }
        if (!written)
            break;
        report.stored += batch.size();
        journalStored = journalStored
            || std::any_of(batch.begin(), batch.end(), [](const WaitingCall& call) { return call.journaled; });
    }
    if (journalStored)
        rewriteJournal();
    const QString journalError = journalWaiting();
    if (!journalError.isEmpty())
        report.journalError = journalError;
    QMutexLocker lock(&m_mutex);
    report.remaining = m_unstored.size();
    return report;
}

/*!
 * Writes one batch in one transaction and takes it out of the calls not
 * stored; refused, each of them is marked as tried, since any may have
 * reached the file before the failure.
 */
bool CallStore::writeBatch(const QList<WaitingCall>& batch, bool damaged, bool rejectedMark, QString& refusal,
                           QString& damage)
{
    bool written = false;
    if (damaged)
        refusal = CallDatabase::problemText(DbProblem::Damaged);
    else if (openWriterConnection(refusal)) {
        QSqlQuery begin(m_writerDb);
        written = begin.exec(QStringLiteral("BEGIN IMMEDIATE"));
        if (!written)
            refusal = refusalText(begin.lastError(), &damage);
        sqlite3* handle = handleOf(m_writerDb);
        // Identical calls are as many calls: a second one tried is not the first one found.
        QHash<QByteArray, int> seen;
        for (qsizetype i = 0; written && i < batch.size(); ++i) {
            const WaitingCall& call = batch.at(i);
            const int before = call.tried ? seen[journalLine(call)]++ : -1;
            written = insertCallRow(m_writerDb, rejectedMark, call.name, call.number, call.date, call.time,
                                    call.arrived, before, call.rejected, &refusal, &damage);
        }
        if (written) {
            QSqlQuery commit(m_writerDb);
            written = commit.exec(QStringLiteral("COMMIT"));
            if (!written)
                refusal = refusalText(commit.lastError(), &damage);
        }
        // A failed COMMIT may leave the transaction open.
        if (!written && handle && !sqlite3_get_autocommit(handle))
            QSqlQuery(m_writerDb).exec(QStringLiteral("ROLLBACK"));
    }
    QSet<quint64> ids;
    for (const WaitingCall& call : batch)
        ids.insert(call.id);
    QMutexLocker lock(&m_mutex);
    if (written) {
        m_unstored.removeIf([&ids](const WaitingCall& call) { return ids.contains(call.id); });
        return true;
    }
    for (WaitingCall& call : m_unstored) {
        if (ids.contains(call.id))
            call.tried = true;
    }
    return false;
}

// On the UI thread: the storage thread's findings told as they always were.
void CallStore::takeReport(const Report& report)
{
    if (!report.journalError.isEmpty())
        m_log.log(report.journalError);
    if (!report.damage.isEmpty())
        m_database.markDamaged(report.damage);
    if (report.flushed) {
        if (m_database.isDamaged() && !m_damageReported) {
            m_damageReported = true;
            m_log.log(QStringLiteral("CallerID.mdb is damaged and is not written to any more: ")
                      + m_database.damageDetail());
            Q_EMIT damaged(m_database.damageDetail());
        }
        if (report.remaining == 0 && m_refusalReported) {
            m_refusalReported = false;
            m_log.log(QStringLiteral("Calls that waited are stored now: ") + QString::number(report.stored));
        }
    }
    if (report.work == Work::Calls && report.remaining > 0 && !report.checking) {
        m_log.log(QStringLiteral("Call not stored (") + report.refusal
                  + QStringLiteral("); calls waiting to be stored: ") + QString::number(report.remaining));
        // One box for a run of refusals; a damaged file has a box of its own.
        if (!m_refusalReported && !m_database.isDamaged())
            Q_EMIT notStored(report.refusal);
        m_refusalReported = true;
    }
    if (report.stored > 0)
        Q_EMIT callsStored(report.stored);
    if (report.remaining != m_waitingCount) {
        m_waitingCount = report.remaining;
        Q_EMIT waitingChanged(m_waitingCount);
    }
    if (report.work == Work::Count)
        Q_EMIT sameCallsCounted(report.token, report.counts, report.countError);
    if (report.work == Work::AfterCheck) {
        m_checkPending = false;
        Q_EMIT checkFinished();
    }
    if (isIdle())
        Q_EMIT idle();
}

bool CallStore::isIdle() const
{
    QMutexLocker lock(&m_mutex);
    return !m_writer || (!m_busy && m_requests.isEmpty());
}

qsizetype CallStore::unstoredCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_unstored.size();
}

quint64 CallStore::countSameCalls()
{
    const quint64 token = ++m_nextCount;
    request(Work::Count, callBudgetMs, token);
    return token;
}

/*!
 * The recent stored calls and the calls not stored yet, counted on the
 * storage thread between two of its writes: a call is either in the file or
 * among those not stored, never both, never neither.
 */
CallStore::Report CallStore::count(const Request& request)
{
    Report report;
    report.work = Work::Count;
    report.token = request.token;
    m_writerDeadline = QDeadlineTimer(request.budgetMs);
    QString error;
    if (openWriterConnection(error))
        report.counts = countRecentCalls(m_writerDb, &error);
    QMutexLocker lock(&m_mutex);
    report.remaining = m_unstored.size();
    if (!error.isEmpty()) {
        report.counts.clear();
        report.countError = error;
        return report;
    }
    for (const WaitingCall& call : std::as_const(m_unstored))
        ++report.counts[sameCallKey(call.date, call.time, call.number, call.name,
                                    callYear(call.date, call.arrived.toString(journalTimeFormat)))];
    return report;
}

void CallStore::startCheck()
{
    if (m_thread || !m_database.isOpen())
        return;
    readJournal();
    m_database.setChecking(true);
    m_checkPending = true;
    {
        QMutexLocker lock(&m_mutex);
        m_holdBack = true;
    }
    const QString path = m_database.databasePath();
    m_thread = QThread::create([this, path] {
        const QuickCheck check = CallDatabase::quickCheck(path, [this](void* handle) {
            QMutexLocker lock(&m_checkMutex);
            m_checkHandle = handle;
            if (handle && m_checkStopping)
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
    if (!m_thread) // cut short as the program ends
        return;
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
    {
        QMutexLocker lock(&m_mutex);
        m_holdBack = false;
        m_rejectedMark = m_database.hasRejectedMark();
        m_writerDamaged = m_writerDamaged || m_database.isDamaged();
    }
    request(Work::AfterCheck, callBudgetMs);
}

QString CallStore::waitingFilePath() const
{
    return QFileInfo(m_log.path()).absolutePath() + QStringLiteral("/CallsNotStored.txt");
}

bool CallStore::journaled() const
{
    QMutexLocker lock(&m_mutex);
    return std::all_of(m_unstored.begin(), m_unstored.end(), [](const WaitingCall& call) { return call.journaled; });
}

/*!
 * Appends the waiting calls not yet in the journal and syncs it before
 * returning: from here on a crash, a kill or a power cut does not lose them.
 * On the storage thread, or on the UI thread once it has ended. The text
 * for the log when the file could not be written, else nothing.
 */
QString CallStore::journalWaiting()
{
    QByteArray text;
    QList<quint64> ids;
    {
        QMutexLocker lock(&m_mutex);
        for (const WaitingCall& call : std::as_const(m_unstored)) {
            if (!call.journaled) {
                text += journalLine(call);
                ids.append(call.id);
            }
        }
    }
    if (ids.isEmpty())
        return {};
    const QString path = waitingFilePath();
    const bool created = !QFileInfo::exists(path);
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
        const bool first = !m_journalFailed;
        m_journalFailed = true;
        return first ? QStringLiteral("Calls waiting to be stored could not be written to ") + path
                + QStringLiteral(": ") + file.errorString()
                     : QString();
    }
    m_journalFailed = false;
    QMutexLocker lock(&m_mutex);
    for (WaitingCall& call : m_unstored) {
        if (ids.contains(call.id))
            call.journaled = true;
    }
    return {};
}

// The journal again with only the calls still waiting; none: no file.
void CallStore::rewriteJournal()
{
    const QString path = waitingFilePath();
    QByteArray text;
    {
        QMutexLocker lock(&m_mutex);
        for (const WaitingCall& call : std::as_const(m_unstored)) {
            if (call.journaled)
                text += journalLine(call);
        }
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
        call.id = ++m_nextId;
        calls.append(call);
    }
    if (calls.isEmpty())
        return;
    m_log.log(QStringLiteral("Calls waiting from an earlier run: ") + QString::number(calls.size()));
    {
        QMutexLocker lock(&m_mutex);
        m_unstored = calls + m_unstored;
        m_waitingCount = m_unstored.size();
    }
    Q_EMIT waitingChanged(m_waitingCount);
}

} // namespace Quillon

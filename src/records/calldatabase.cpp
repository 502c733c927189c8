// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/calldatabase.h"

#include "config/workingsettings.h"
#include "platform/clock.h"
#include "records/activitylog.h"
#include "records/callstore.h"
#include "records/callwrite.h"
#include "records/listentryrules.h"
#include "records/storedcalls.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>
#include <QVariant>

#include <sqlite3.h>

namespace Quillon {

namespace {

QString describe(const QSqlError& error)
{
    return error.text().trimmed();
}

// Outside the call path a statement on the window's connection waits for a
// lock this long: the storage thread's commits take the file for moments,
// and another program's long write must not freeze the window; the call
// path sets a budget of its own.
constexpr int defaultBusyMs = 250;
// The start-up check reads on a thread of its own and may wait longer.
constexpr int checkBusyMs = 5000;
// Short, so that a read meeting the storage thread's commit goes on as soon as
// it is done.
constexpr int busySliceMs = 5;
// Each attempt to open a locked file gives up soon, so that the please-wait
// window keeps being painted between the attempts.
constexpr int openBusyMs = 250;
constexpr int lockedRetryMs = 1000;

DbProblem classify(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    if (!ok)
        return DbProblem::Other;
    switch (code) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return DbProblem::Locked;
    case SQLITE_FULL:
        return DbProblem::DiskFull;
    case SQLITE_CORRUPT:
        return DbProblem::Damaged;
    case SQLITE_NOTADB:
        return DbProblem::NotADatabase;
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_AUTH:
        return DbProblem::PermissionDenied;
    default:
        return DbProblem::Other;
    }
}

sqlite3* handleOf(const QSqlDatabase& db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

bool setError(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

} // namespace

CallDatabase::CallDatabase(const QString& appDir, const WorkingSettings& settings, ActivityLog& log, Clock& clock)
    : m_appDir(appDir)
    , m_settings(settings)
    , m_log(log)
    , m_clock(clock)
    , m_connectionName(QStringLiteral("CallDb-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_store(std::make_unique<CallStore>(*this, log, clock))
{ }

CallDatabase::~CallDatabase()
{
    m_store.reset(); // ends its check of the file first
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase::database(m_connectionName, false).close();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

// SQLite URI for an existing file, opened read-write and never created. Every
// byte outside the unreserved set is escaped, so blanks, '#', '?' and '%' in
// the directory name reach the file system unchanged.
QString callDatabaseUri(const QString& path)
{
    const QByteArray encoded = QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/");
    return QStringLiteral("file:") + QString::fromLatin1(encoded) + QStringLiteral("?mode=rw");
}

QString CallDatabase::databasePath() const
{
    return m_appDir + QStringLiteral("/CallerID.mdb");
}

/*!
 * Opens CallerID.mdb beside the program. The file must already hold the three
 * tables: a missing file is never created, and a file that is no database or
 * lacks a table is refused the same way, so the program never runs on a
 * database that would silently drop calls. The box says which it was.
 */
bool CallDatabase::OpenCallDatabase(const std::function<void()>& whileLocked, QString* error)
{
    QString detail;
    DbProblem problem = tryOpen(detail);
    if (problem == DbProblem::Locked) {
        // Another program writing a large change, or a backup tool: worth
        // waiting for rather than ending at once.
        m_log.log(QStringLiteral("Database locked by another program; waiting"));
        if (whileLocked)
            whileLocked();
        const QDateTime giveUp = m_clock.now().addMSecs(lockedWaitMs);
        while (problem == DbProblem::Locked && m_clock.now() < giveUp) {
            m_clock.waitProcessingEvents(lockedRetryMs);
            problem = tryOpen(detail);
        }
    }
    if (problem == DbProblem::None) {
        m_log.log(QStringLiteral("Database connection established."));
        return true;
    }

    connection().close();
    m_log.log(QStringLiteral("CallerID.mdb: ") + problemText(problem) + QStringLiteral(" (") + detail
              + QStringLiteral(")"));
    m_log.log(QStringLiteral("Database connection could not be established."));
    QString reason;
    switch (problem) {
    case DbProblem::Missing:
        reason = QStringLiteral("The file is missing: ") + QFileInfo(databasePath()).absoluteFilePath();
        break;
    case DbProblem::PermissionDenied:
        reason = QStringLiteral("Permission denied: this user may not read and write the file.");
        break;
    case DbProblem::Locked:
        reason = QStringLiteral("It is locked by another program, and still was after %1 seconds.")
                     .arg(lockedWaitMs / 1000);
        break;
    case DbProblem::Damaged:
        reason = QStringLiteral("The file is damaged; Help Topics tells how to recover it.");
        break;
    case DbProblem::NotADatabase:
        reason = QFileInfo(databasePath()).isDir() ? QStringLiteral("It is a directory, not a database.")
                                                   : QStringLiteral("The file is not a database.");
        break;
    case DbProblem::NoTables:
        reason = QStringLiteral("Its tables CID, Reject and Translate are missing or incomplete.");
        break;
    default:
        reason = QStringLiteral("The database reports: ") + detail;
        break;
    }
    return setError(error, reason);
}

DbProblem CallDatabase::tryOpen(QString& detail)
{
    const QFileInfo file(databasePath());
    if (!file.exists()) {
        detail = QStringLiteral("no such file");
        return DbProblem::Missing;
    }
    if (file.isDir()) {
        detail = QStringLiteral("a directory");
        return DbProblem::NotADatabase;
    }

    QSqlDatabase db = QSqlDatabase::contains(m_connectionName)
        ? QSqlDatabase::database(m_connectionName, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.close();
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
    db.setDatabaseName(callDatabaseUri(databasePath()));
    db.setUserName(QStringLiteral("admin"));
    db.setPassword(QStringLiteral("marigold"));

    if (!db.open()) {
        detail = describe(db.lastError());
        return classify(db.lastError());
    }
    // Lock waits go through the injected clock and end by our deadlines.
    if (sqlite3* handle = handleOf(db))
        sqlite3_busy_handler(handle, &CallDatabase::busyHandler, this);
    BusyBudget budget(*this, openBusyMs);

    // open() succeeds on any readable file; the first statement finds out
    // whether it is a database with our tables and columns.
    static const char* const probes[] = {
        "SELECT Name, Number, Date, Time, SysTime FROM CID LIMIT 0",
        "SELECT Number, Name FROM Reject LIMIT 0",
        "SELECT Number, Name FROM Translate LIMIT 0",
        // A stored call must survive a crash or power cut right after InsertCall.
        "PRAGMA synchronous = FULL",
    };
    for (const char* probe : probes) {
        QSqlQuery query(db);
        if (!query.exec(QString::fromLatin1(probe))) {
            detail = describe(query.lastError());
            const DbProblem problem = classify(query.lastError());
            db.close();
            return problem == DbProblem::Other ? DbProblem::NoTables : problem;
        }
    }
    m_hasRejectedMark = hasRejectedColumn(db);
    return DbProblem::None;
}

// What later versions added to the file, added to a file made before them.
// An older copy reads and writes the file as before (it names the columns it
// writes; the new column stays empty in its rows). A file that cannot take
// them (read-only, say) works without: calls are stored without the mark,
// and patterns are found by reading the whole reject list. Only a file the
// check found sound is changed.
void CallDatabase::addLaterSchema()
{
    if (!isOpen() || m_damaged || m_checking)
        return;
    QSqlDatabase db = connection();
    BusyBudget budget(*this, openBusyMs);
    if (!hasRejectedColumn(db))
        QSqlQuery(db).exec(QStringLiteral("ALTER TABLE CID ADD COLUMN Rejected INTEGER"));
    m_hasRejectedMark = hasRejectedColumn(db);
    static const char* const additions[] = {
        "CREATE INDEX IF NOT EXISTS idx_reject_number_pattern ON Reject (Number) WHERE Number GLOB '*[*?]*'",
        "CREATE INDEX IF NOT EXISTS idx_reject_name_pattern ON Reject (Name) WHERE Name GLOB '*[*?]*'",
    };
    for (const char* addition : additions)
        QSqlQuery(db).exec(QString::fromLatin1(addition));
}

int CallDatabase::busyHandler(void* self, int count)
{
    auto* database = static_cast<CallDatabase*>(self);
    const QDateTime now = database->m_clock.now();
    if (count == 0)
        database->m_busyStarted = now;
    const QDateTime deadline = database->m_busyDeadline.isValid() ? database->m_busyDeadline
                                                                  : database->m_busyStarted.addMSecs(defaultBusyMs);
    const qint64 left = now.msecsTo(deadline);
    if (left <= 0)
        return 0;
    database->m_clock.sleep(static_cast<int>(qMin<qint64>(left, busySliceMs)));
    return 1;
}

CallDatabase::BusyBudget::BusyBudget(CallDatabase& database, int ms)
    : m_database(database)
    , m_previous(database.m_busyDeadline)
{
    const QDateTime deadline = m_database.m_clock.now().addMSecs(ms);
    if (!m_previous.isValid() || deadline < m_previous)
        m_database.m_busyDeadline = deadline;
}

CallDatabase::BusyBudget::~BusyBudget()
{
    m_database.m_busyDeadline = m_previous;
}

QString CallDatabase::problemText(DbProblem problem)
{
    switch (problem) {
    case DbProblem::None:
        return QStringLiteral("no problem");
    case DbProblem::Missing:
        return QStringLiteral("the file is missing");
    case DbProblem::PermissionDenied:
        return QStringLiteral("permission denied");
    case DbProblem::Locked:
        return QStringLiteral("the database is locked by another program");
    case DbProblem::Damaged:
        return QStringLiteral("the database file is damaged");
    case DbProblem::NotADatabase:
        return QStringLiteral("the file is not a database");
    case DbProblem::NoTables:
        return QStringLiteral("the file lacks the call tables");
    case DbProblem::DiskFull:
        return QStringLiteral("the disk is full");
    case DbProblem::Checking:
        return QStringLiteral("the file is being checked");
    case DbProblem::Other:
        break;
    }
    return QStringLiteral("the database refused it");
}

QString refusalText(const QSqlError& sqlError, QString* damage)
{
    const DbProblem problem = classify(sqlError);
    const QString detail = describe(sqlError);
    if (damage && (problem == DbProblem::Damaged || problem == DbProblem::NotADatabase))
        *damage = detail;
    return problem != DbProblem::Other || detail.isEmpty() ? CallDatabase::problemText(problem) : detail;
}

bool CallDatabase::fail(const QSqlError& sqlError, QString* error)
{
    QString damage;
    const QString reason = refusalText(sqlError, &damage);
    if (!damage.isEmpty())
        markDamaged(damage);
    return setError(error, reason);
}

void CallDatabase::markDamaged(const QString& detail)
{
    if (!m_damaged)
        m_damageDetail = detail;
    m_damaged = true;
}

// Writing into a damaged file spreads the damage and may lose what a
// recovery would still find.
bool CallDatabase::writable(QString* error) const
{
    return !m_damaged || setError(error, m_damageDetail);
}

QuickCheck CallDatabase::quickCheck(const QString& path, const std::function<void(void*)>& started)
{
    QuickCheck check;
    sqlite3* handle = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, SQLITE_OPEN_READONLY, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(handle, checkBusyMs);
        if (started)
            started(handle);
        sqlite3_stmt* statement = nullptr;
        rc = sqlite3_prepare_v2(handle, "PRAGMA quick_check(20)", -1, &statement, nullptr);
        QStringList found;
        if (rc == SQLITE_OK) {
            while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
                found.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))));
        }
        if (rc == SQLITE_DONE || rc == SQLITE_OK) {
            check.ran = true;
            check.result = found.join(QLatin1Char('\n')).split(QLatin1Char('\n')).join(QStringLiteral("; "));
        } else {
            check.result = QString::fromUtf8(sqlite3_errmsg(handle));
        }
        check.code = rc & 0xff;
        sqlite3_finalize(statement);
        if (started)
            started(nullptr);
    } else {
        check.code = rc & 0xff;
        check.result = QString::fromUtf8(handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc));
    }
    sqlite3_close(handle);
    // A file too damaged for the check to read is damaged all the same.
    check.damaged = (check.ran && check.result != QLatin1String("ok"))
        || (!check.ran && (check.code == SQLITE_CORRUPT || check.code == SQLITE_NOTADB));
    return check;
}

bool CallDatabase::isOpen() const
{
    return QSqlDatabase::contains(m_connectionName) && QSqlDatabase::database(m_connectionName, false).isOpen();
}

QSqlDatabase CallDatabase::connection() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

bool CallDatabase::InsertCall(const QString& name, const QString& number, const QString& date, const QString& time,
                              QString* error)
{
    return InsertCall(name, number, date, time, m_clock.now(), false, error);
}

bool CallDatabase::InsertCall(const QString& name, const QString& number, const QString& date, const QString& time,
                              const QDateTime& arrived, bool lookFirst, QString* error, bool rejected)
{
    if (!isOpen())
        return true;
    if (!writable())
        return setError(error, problemText(DbProblem::Damaged));
    QString damage;
    const bool stored = insertCallRow(connection(), m_hasRejectedMark, name, number, date, time, arrived,
                                      lookFirst ? 0 : -1, rejected, error, &damage);
    if (!damage.isEmpty())
        markDamaged(damage);
    return stored;
}

bool insertCallRow(const QSqlDatabase& db, bool rejectedMark, const QString& name, const QString& number,
                   const QString& date, const QString& time, const QDateTime& arrived, int seen, bool rejected,
                   QString* error, QString* damage)
{
    const auto failed
        = [error, damage](const QSqlError& sqlError) { return setError(error, refusalText(sqlError, damage)); };
    const QString sysTime = arrived.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QVariantList values { name, number, date, time, sysTime };
    if (seen >= 0) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT count(*) FROM CID WHERE SysTime = ? AND Name IS ? AND Number IS ?"
                                     " AND Date IS ? AND Time IS ?"));
        query.addBindValue(sysTime);
        for (int i = 0; i < 4; ++i)
            query.addBindValue(values.at(i));
        if (!query.exec() || !query.next())
            return failed(query.lastError());
        if (query.value(0).toLongLong() > seen)
            return true;
    }
    // Values are always bound, never spliced into the statement. Outside a
    // transaction each insert is its own, synced before it returns.
    QSqlQuery query(db);
    query.prepare(rejectedMark
                      ? QStringLiteral("INSERT INTO CID (Name, Number, Date, Time, SysTime, Rejected)"
                                       " VALUES (?, ?, ?, ?, ?, ?)")
                      : QStringLiteral("INSERT INTO CID (Name, Number, Date, Time, SysTime) VALUES (?, ?, ?, ?, ?)"));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (rejectedMark)
        query.addBindValue(rejected ? 1 : 0);
    return query.exec() || failed(query.lastError());
}

/*!
 * The name the user gave the number. An entry without a name stops the walk
 * there and counts as a failure; the name is then the one found by then.
 */
QString CallDatabase::TranslateCaller(const QString& name, const QString& number, QString* error, bool* listed)
{
    if (listed)
        *listed = false;
    if (!isOpen())
        return name;
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT Name FROM Translate WHERE Number = ? ORDER BY rowid"));
    query.addBindValue(number);
    if (!query.exec()) {
        fail(query.lastError(), error);
        return name;
    }
    QString translated = name;
    while (query.next()) {
        if (listed)
            *listed = true;
        const QVariant entry = query.value(0);
        if (entry.isNull()) {
            setError(error, QStringLiteral("The translate entry for ") + number + QStringLiteral(" has no name"));
            break;
        }
        translated = entry.toString();
    }
    return translated;
}

/*!
 * Tells whether the caller's number or name is on the reject list, once
 * however many entries match: exact entries first, through their indexes,
 * then the patterns, which the partial indexes of the schema keep apart from
 * the rest so that a long list of exact entries costs nothing here. With
 * rejection switched off the list is not read at all.
 */
bool CallDatabase::CheckReject(const QString& name, const QString& number, QString* error, QString* entry, bool allowed)
{
    if (!isOpen() || !m_settings.Reject)
        return false;
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    // Two EXISTS so that each side seeks its own index.
    query.prepare(QStringLiteral("SELECT EXISTS (SELECT 1 FROM Reject WHERE Number = ?),"
                                 " EXISTS (SELECT 1 FROM Reject WHERE Name = ?)"));
    query.addBindValue(number);
    query.addBindValue(name);
    if (!query.exec() || !query.next())
        return fail(query.lastError(), error);
    const bool byNumber = query.value(0).toInt() != 0;
    if (byNumber || query.value(1).toInt() != 0) {
        if (entry)
            *entry = byNumber ? number : name;
        return true;
    }
    if (allowed)
        return false;
    // The same terms as the partial indexes, so that each is used. SQLite's
    // GLOB knows * and ? as we do and sifts the patterns where they lie; it
    // reads [ as the start of a set, so entries holding one are left to the
    // matcher, which has the last word on every entry.
    QSqlQuery patterns(connection());
    patterns.setForwardOnly(true);
    patterns.prepare(QStringLiteral("SELECT Number, 0 FROM Reject WHERE Number GLOB '*[*?]*'"
                                    " AND (instr(Number, '[') > 0 OR ? GLOB Number)"
                                    " UNION ALL SELECT Name, 1 FROM Reject WHERE Name GLOB '*[*?]*'"
                                    " AND (instr(Name, '[') > 0 OR ? GLOB Name)"));
    patterns.addBindValue(number);
    patterns.addBindValue(name);
    if (!patterns.exec())
        return fail(patterns.lastError(), error);
    while (patterns.next()) {
        const QString pattern = patterns.value(0).toString();
        if (rejectEntryMatches(pattern, patterns.value(1).toInt() == 0 ? number : name)) {
            if (entry)
                *entry = pattern;
            return true;
        }
    }
    return patterns.lastError().isValid() ? fail(patterns.lastError(), error) : false;
}

} // namespace Quillon

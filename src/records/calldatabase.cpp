// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/calldatabase.h"

#include "config/workingsettings.h"
#include "platform/clock.h"
#include "platform/messageboxes.h"
#include "records/activitylog.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>
#include <QVariant>

namespace Quillon {

namespace {

// SQLite URI for an existing file, opened read-write and never created. Every
// byte outside the unreserved set is escaped, so blanks, '#', '?' and '%' in
// the directory name reach the file system unchanged.
QString readWriteUri(const QString& path)
{
    const QByteArray encoded = QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/");
    return QStringLiteral("file:") + QString::fromLatin1(encoded) + QStringLiteral("?mode=rw");
}

QString describe(const QSqlError& error)
{
    return error.text().trimmed();
}

// Values are always bound, never spliced into the statement. Each insert is
// its own transaction, synced before it returns.
bool execInsert(const QSqlDatabase& db, const QString& statement, const QVariantList& values, QString& lastError)
{
    QSqlQuery query(db);
    query.prepare(statement);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (query.exec())
        return true;
    lastError = describe(query.lastError());
    return false;
}

} // namespace

CallDatabase::CallDatabase(const QString& appDir, const WorkingSettings& settings, ActivityLog& log, Clock& clock)
    : m_appDir(appDir)
    , m_settings(settings)
    , m_log(log)
    , m_clock(clock)
    , m_connectionName(QStringLiteral("CallDb-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{ }

CallDatabase::~CallDatabase()
{
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase::database(m_connectionName, false).close();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

QString CallDatabase::databasePath() const
{
    return m_appDir + QStringLiteral("/CallerID.mdb");
}

/*!
 * Opens CallerID.mdb beside the program. The file must already hold the three
 * tables: a missing file is never created, and a file that is no database or
 * lacks a table is refused the same way, so the program never runs on a
 * database that would silently drop calls.
 */
bool CallDatabase::OpenCallDatabase(MessageBoxes& boxes)
{
    QSqlDatabase db = QSqlDatabase::contains(m_connectionName)
        ? QSqlDatabase::database(m_connectionName, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.close();
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
    db.setDatabaseName(readWriteUri(databasePath()));
    db.setUserName(QStringLiteral("admin"));
    db.setPassword(QStringLiteral("marigold"));

    bool ok = db.open();
    if (!ok)
        m_lastError = describe(db.lastError());

    // open() succeeds on any readable file; the first statement finds out
    // whether it is a database with our tables and columns.
    static const char* const probes[] = {
        "SELECT Name, Number, Date, Time, SysTime FROM CID LIMIT 0",
        "SELECT Number, Name FROM Reject LIMIT 0",
        "SELECT Number, Name FROM Translate LIMIT 0",
    };
    for (const char* probe : probes) {
        if (!ok)
            break;
        QSqlQuery query(db);
        if (!query.exec(QString::fromLatin1(probe))) {
            m_lastError = describe(query.lastError());
            ok = false;
        }
    }

    // A stored call must survive a crash or power cut right after InsertCall.
    if (ok) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("PRAGMA synchronous = FULL"))) {
            m_lastError = describe(query.lastError());
            ok = false;
        }
    }

    if (ok) {
        m_log.log(QStringLiteral("Database connection established."));
        return true;
    }

    db.close();
    m_log.log(QStringLiteral("Database connection could not be established."));
    boxes.show(QStringLiteral("The CallerID.mdb database could not be located!") + QStringLiteral("\r\n")
                   + QStringLiteral("Without the database ")
                   + QStringLiteral("connection, not all Quillon CallerID features will function properly."),
               QStringLiteral("No Database Connection"), MessageBoxes::Icon::Stop, MessageBoxes::Buttons::Ok);
    return false;
}

bool CallDatabase::isOpen() const
{
    return QSqlDatabase::contains(m_connectionName) && QSqlDatabase::database(m_connectionName, false).isOpen();
}

QSqlDatabase CallDatabase::connection() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

bool CallDatabase::InsertCall(const QString& name, const QString& number, const QString& date, const QString& time)
{
    if (!isOpen())
        return true;
    return execInsert(
        connection(), QStringLiteral("INSERT INTO CID (Name, Number, Date, Time, SysTime) VALUES (?, ?, ?, ?, ?)"),
        { name, number, date, time, m_clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) }, m_lastError);
}

/*!
 * Replaces name by the one the user gave the number. When the number was
 * entered more than once, the entry added last wins. An entry without a name
 * leaves the name as it is and counts as a failure.
 */
bool CallDatabase::TranslateCaller(QString& name, const QString& number)
{
    if (!isOpen())
        return true;
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT Name FROM Translate WHERE Number = ? ORDER BY rowid DESC LIMIT 1"));
    query.addBindValue(number);
    if (!query.exec()) {
        m_lastError = describe(query.lastError());
        return false;
    }
    if (!query.next())
        return true;
    const QVariant translated = query.value(0);
    if (translated.isNull()) {
        m_lastError = QStringLiteral("The translate entry for ") + number + QStringLiteral(" has no name");
        return false;
    }
    name = translated.toString();
    return true;
}

/*!
 * Tells whether the caller's number or name is on the reject list, once
 * however many entries match. With rejection switched off the list is not
 * read at all.
 */
bool CallDatabase::CheckReject(const QString& name, const QString& number, bool& listed)
{
    listed = false;
    if (!isOpen() || !m_settings.Reject)
        return true;
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    // Two EXISTS so that each side seeks its own index.
    query.prepare(QStringLiteral("SELECT EXISTS (SELECT 1 FROM Reject WHERE Number = ?)"
                                 " OR EXISTS (SELECT 1 FROM Reject WHERE Name = ?)"));
    query.addBindValue(number);
    query.addBindValue(name);
    if (!query.exec() || !query.next()) {
        m_lastError = describe(query.lastError());
        return false;
    }
    listed = query.value(0).toInt() != 0;
    return true;
}

bool CallDatabase::AddReject(const QString& number, const QString& name)
{
    if (!isOpen())
        return true;
    return execInsert(connection(), QStringLiteral("INSERT INTO Reject (Number, Name) VALUES (?, ?)"), { number, name },
                      m_lastError);
}

bool CallDatabase::AddTranslate(const QString& number, const QString& name)
{
    if (!isOpen())
        return true;
    return execInsert(connection(), QStringLiteral("INSERT INTO Translate (Number, Name) VALUES (?, ?)"),
                      { number, name }, m_lastError);
}

} // namespace Quillon

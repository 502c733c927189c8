// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/databasefile.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QUuid>

namespace Quillon {

namespace {

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

// The schema's statements, one per entry: they end a line with ';' and hold
// no ';' of their own; comment lines are dropped.
QStringList statementsOf(const QString& schema)
{
    QStringList statements;
    QString statement;
    const QStringList lines = schema.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.trimmed().startsWith(QStringLiteral("--")))
            continue;
        statement += line + QLatin1Char('\n');
        if (line.trimmed().endsWith(QLatin1Char(';'))) {
            statements.append(statement);
            statement.clear();
        }
    }
    return statements;
}

bool runSchema(const QString& databasePath, const QStringList& statements, QString* error)
{
    const QString connection = QStringLiteral("NewCallDb-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(databasePath);
        ok = db.open();
        if (!ok)
            fail(error, db.lastError().text());
        for (const QString& statement : statements) {
            if (!ok)
                break;
            QSqlQuery query(db);
            ok = query.exec(statement);
            if (!ok)
                fail(error, query.lastError().text());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

} // namespace

bool createCallDatabase(const QString& path, const QString& schemaPath, QString* error)
{
    if (QFile::exists(path))
        return fail(error, path + QStringLiteral(" exists already"));
    QFile schemaFile(schemaPath);
    if (!schemaFile.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("could not read ") + schemaPath);
    const QStringList statements = statementsOf(QString::fromUtf8(schemaFile.readAll()));

    // Built under a temporary name (created mode 0600) and renamed when
    // complete, so no half-made database ever carries the real name.
    QTemporaryFile building(path + QStringLiteral(".XXXXXX"));
    if (!building.open())
        return fail(error, QStringLiteral("could not write beside ") + path);
    building.close();
    if (!runSchema(building.fileName(), statements, error))
        return false;
    // rename() refuses to replace a file that appeared meanwhile.
    if (!QFile::rename(building.fileName(), path))
        return fail(error, QStringLiteral("could not create ") + path);
    building.setAutoRemove(false);
    return true;
}

} // namespace Quillon

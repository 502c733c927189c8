// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariantList>

namespace Quillon::Test {

// Each row's columns joined with "|"; or the error.
inline QStringList queryRows(const QSqlDatabase& db, const QString& statement)
{
    QSqlQuery query(db);
    if (!query.exec(statement))
        return { query.lastError().text() };
    QStringList result;
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < query.record().count(); ++i)
            values.append(query.value(i).toString());
        result.append(values.join(u'|'));
    }
    return result;
}

// A connection of its own to a program's database file; opened read-only, a missing file is never created.
class SqlFile
{
public:
    explicit SqlFile(const QString& path, bool readOnly = false)
        : m_db(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("sqlfile-%1").arg(++s_count)))
    {
        m_db.setDatabaseName(path);
        if (readOnly)
            m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        m_db.open();
    }
    ~SqlFile()
    {
        const QString name = m_db.connectionName();
        m_db = QSqlDatabase(); // the last handle: removing the connection closes it
        QSqlDatabase::removeDatabase(name);
    }
    Q_DISABLE_COPY_MOVE(SqlFile)

    QSqlDatabase db() const { return m_db; } // a handle to the same connection
    bool run(const QString& statement, const QVariantList& values = {}) const // warns with the error
    {
        QSqlQuery query(m_db);
        query.prepare(statement);
        for (const QVariant& value : values)
            query.addBindValue(value);
        return query.exec() || (qWarning() << query.lastError().text(), false);
    }
    QStringList rows(const QString& statement) const { return queryRows(m_db, statement); }

private:
    inline static int s_count = 0;
    QSqlDatabase m_db;
};

// Overwrites the start of a table's or index's root page, or of page n (past the file header on page 1): damage
// that opening the file does not notice.
inline bool spoilPage(const QString& path, const QString& nameOrPage, const QByteArray& bytes = QByteArray(8, '\0'))
{
    const QString root = QStringLiteral("SELECT rootpage FROM sqlite_schema WHERE name = '%1'").arg(nameOrPage);
    const int page = nameOrPage.toInt() > 0 ? nameOrPage.toInt() : SqlFile(path).rows(root).value(0).toInt();
    QFile file(path);
    return page > 0 && file.open(QIODevice::ReadWrite) && file.seek(qint64(page - 1) * 4096 + (page == 1 ? 100 : 0))
        && file.write(bytes) == bytes.size();
}

} // namespace Quillon::Test

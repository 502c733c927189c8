// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariantList>

namespace Quillon::Test {

// A database file on a connection of its own, to look at or change what a
// program keeps on disk. Opened read-only, a missing file is never created.
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
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    Q_DISABLE_COPY_MOVE(SqlFile)

    const QSqlDatabase& db() const { return m_db; }
    bool run(const QString& statement, const QVariantList& values = {}) const // warns with the error
    {
        QSqlQuery query(m_db);
        query.prepare(statement);
        for (const QVariant& value : values)
            query.addBindValue(value);
        return query.exec() || (qWarning() << query.lastError().text(), false);
    }
    QStringList rows(const QString& statement) const // columns joined with "|"; or the error
    {
        QSqlQuery query(m_db);
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

private:
    inline static int s_count = 0;
    QSqlDatabase m_db;
};

} // namespace Quillon::Test

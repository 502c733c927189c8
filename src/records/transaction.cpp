// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/transaction.h"

#include <QSqlError>
#include <QSqlQuery>

namespace Quillon {

Transaction::Transaction(const QSqlDatabase& db, QString* error, Lock lock)
    : m_db(db)
{
    m_active = exec(lock == Lock::Immediate ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"), error);
}

Transaction::~Transaction()
{
    if (m_active)
        exec(QStringLiteral("ROLLBACK"), nullptr);
}

// A failed COMMIT may leave the transaction open: the destructor ends it.
bool Transaction::commit(QString* error)
{
    if (!exec(QStringLiteral("COMMIT"), error))
        return false;
    m_active = false;
    return true;
}

bool Transaction::exec(const QString& statement, QString* error)
{
    QSqlQuery query(m_db);
    if (query.exec(statement))
        return true;
    if (error)
        *error = query.lastError().text().trimmed();
    return false;
}

} // namespace Quillon

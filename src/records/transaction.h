// SPDX-License-Identifier: GPL-2.0-or-later
// A transaction on a connection that rolls back unless committed.
#pragma once

#include <QSqlDatabase>
#include <QString>

namespace Quillon {

class Transaction
{
public:
    enum class Lock
    {
        Deferred, // the write lock is taken by the first write
        Immediate, // taken at once: a writer elsewhere makes the begin wait, never a later step fail
    };

    // Begins at once; isActive() tells whether it did, error says why not.
    explicit Transaction(const QSqlDatabase& db, QString* error = nullptr, Lock lock = Lock::Deferred);
    // Rolls back unless committed.
    ~Transaction();
    Q_DISABLE_COPY_MOVE(Transaction)

    bool isActive() const { return m_active; }
    // False with the reason in error; nothing is kept then.
    bool commit(QString* error = nullptr);

private:
    bool exec(const QString& statement, QString* error);

    QSqlDatabase m_db;
    bool m_active = false;
};

} // namespace Quillon

// SPDX-License-Identifier: GPL-2.0-or-later
// Changes the record windows make to rows they list, each as one transaction.
#pragma once

#include <QList>
#include <QString>
#include <QVariant>

class QDateTime;
class QSqlDatabase;

namespace Quillon {

// table is one of CID, Reject, Translate, never a user's text. False with the
// reason in error when a statement failed; then nothing was changed.
bool deleteRows(const QSqlDatabase& db, const QString& table, const QList<QVariant>& rowIds, QString* error = nullptr);
bool updateListEntry(const QSqlDatabase& db, const QString& table, const QVariant& rowId, const QString& number,
                     const QString& name, QString* error = nullptr);
// Calls stored before the moment: how many, and deleting them.
bool countCallsBefore(const QSqlDatabase& db, const QDateTime& before, qint64& count, QString* error = nullptr);
bool deleteCallsBefore(const QSqlDatabase& db, const QDateTime& before, qint64& deleted, QString* error = nullptr);

} // namespace Quillon

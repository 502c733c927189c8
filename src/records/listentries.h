// SPDX-License-Identifier: GPL-2.0-or-later
// The rows of the user's lists as their windows show and change them: the
// grids' queries, and adding, changing and removing entries, each change as
// one transaction and refused while the file is damaged.
#pragma once

#include "records/recordgridmodel.h"
#include "records/recordlist.h"

#include <QString>
#include <QVariantList>

namespace Quillon {

class CallDatabase;

class ListEntries
{
public:
    explicit ListEntries(CallDatabase& database);

    // Reject or Translate: rowid as RowId, Name and Number; the reject list
    // in the order entered, the translate list by name.
    static GridQuery gridQuery(RecordList list);

    // Each returns false with the reason in error; nothing was changed then.
    // With the connection closed they do nothing and succeed.
    bool add(RecordList list, const QString& number, const QString& name, QString* error = nullptr);
    // The entry went away meanwhile (removed in another window, say): false.
    bool update(RecordList list, const QVariant& rowId, const QString& number, const QString& name,
                QString* error = nullptr);
    // Rows of any list, stored calls too, by rowid.
    bool remove(RecordList list, const QVariantList& rowIds, QString* error = nullptr);

    // Lays the numbers of the reject and translate lists out in format, all
    // or none; counts the numbers rewritten and those left as they were.
    struct RelayoutCounts
    {
        qint64 rewritten = 0;
        qint64 left = 0;
    };
    bool relayoutNumbers(qint16 format, RelayoutCounts* counts, QString* error = nullptr);

private:
    // One statement with its values; nothing (and true) while the connection is closed.
    bool change(const QString& statement, const QVariantList& values, int* changed, QString* error);

    CallDatabase& m_database;
};

} // namespace Quillon

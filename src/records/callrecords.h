// SPDX-License-Identifier: GPL-2.0-or-later
// The stored calls as the Search and Phone Index windows show and remove them.
#pragma once

#include "records/callsearch.h"
#include "records/recordgridmodel.h"

#include <QVariantList>

class QDateTime;

namespace Quillon {

class CallDatabase;

class CallRecords
{
public:
    explicit CallRecords(CallDatabase& database);

    // withMark: a Rejected column, "Rejected" for each call that was.
    static GridQuery searchQuery(SearchType type, const QString& text, bool withMark = false)
    {
        return callSearchQuery(type, text, withMark);
    }
    // Every distinct name and number pair, by name.
    static GridQuery phoneIndexQuery();
    RecordCount countSearch(SearchType type, const QString& text) const;

    // Each returns false with the reason in error, and then nothing was
    // removed; refused while the file is damaged.
    bool remove(const QVariantList& rowIds, QString* error = nullptr);
    // Calls stored before the moment: how many, and removing them.
    RecordCount countBefore(const QDateTime& before) const;
    bool removeBefore(const QDateTime& before, QString* error = nullptr);

private:
    CallDatabase& m_database;
};

} // namespace Quillon

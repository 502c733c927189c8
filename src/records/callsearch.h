// SPDX-License-Identifier: GPL-2.0-or-later
// The search window's query over the stored calls, kept free of widgets so
// that it can be measured on its own.
#pragma once

#include <QString>

class QSqlDatabase;
class QSqlQueryModel;

namespace Quillon {

struct GridQuery;

enum class SearchType
{
    All,
    Name,
    Number
};

// Statement listing the calls of a search, newest first; a Name or Number
// search with text takes that text as its one bound parameter.
QString callSearchStatement(SearchType type, const QString& text);
// The same search's row count.
QString callSearchCountStatement(SearchType type, const QString& text);
// The search for a grid that sorts by its columns: the rows carry their rowid
// as RowId, so that a call can be told apart from an identical one.
GridQuery callSearchQuery(SearchType type, const QString& text);
// Runs the count statement; false with the reason in error when it failed.
bool countCallSearch(const QSqlDatabase& db, SearchType type, const QString& text, qint64& count,
                     QString* error = nullptr);

// Puts the calls of the search into model (which fetches its rows lazily) and
// their number into count. The text is a bound parameter, so every character
// in it stands for itself apart from the LIKE wildcards % and _. False with
// the reason in error when a statement failed; model and count are then left
// as they were.
bool runCallSearch(const QSqlDatabase& db, SearchType type, const QString& text, QSqlQueryModel& model, qint64& count,
                   QString* error = nullptr);

} // namespace Quillon

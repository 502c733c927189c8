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
// search with text takes that text as its one bound parameter. A Number
// search of digits alone matches the stored numbers' digits, whatever layout.
QString callSearchStatement(SearchType type, const QString& text);
// The same search's row count.
QString callSearchCountStatement(SearchType type, const QString& text);
// The search for a grid that sorts by its columns: the rows carry their rowid
// as RowId, so that a call can be told apart from an identical one.
GridQuery callSearchQuery(SearchType type, const QString& text, bool withMark = false);
// A number of rows, or why it could not be had.
struct RecordCount
{
    bool ok = false;
    qint64 count = 0;
    QString error;
};

// Runs the count statement.
RecordCount countCallSearch(const QSqlDatabase& db, SearchType type, const QString& text);

// Puts the calls of the search into model (which fetches its rows lazily) and
// counts them. The text is a bound parameter, so every character in it
// stands for itself apart from the LIKE wildcards % and _. When a statement
// failed the model is left as it was.
RecordCount runCallSearch(const QSqlDatabase& db, SearchType type, const QString& text, QSqlQueryModel& model);

} // namespace Quillon

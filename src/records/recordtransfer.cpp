// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/recordtransfer.h"

#include "config/numberformat.h"
#include "platform/trimblanks.h"
#include "records/calldatabase.h"
#include "records/csvtext.h"
#include "records/listentryrules.h"
#include "records/storedcalls.h"
#include "records/transaction.h"

#include <QBuffer>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>
#include <QVariant>

#include <functional>
#include <limits>
#include <sqlite3.h>

namespace Quillon {

namespace {

struct ListShape
{
    QString table;
    QStringList columns; // in table and file order
    QList<int> key; // columns that make two entries the same entry; calls: storedcalls.h
};

const ListShape& shapeOf(RecordList list)
{
    static const ListShape calls { tableName(RecordList::Calls),
                                   { QStringLiteral("Name"), QStringLiteral("Number"), QStringLiteral("Date"),
                                     QStringLiteral("Time"), QStringLiteral("SysTime") },
                                   {} };
    static const ListShape reject { tableName(RecordList::Reject),
                                    { QStringLiteral("Number"), QStringLiteral("Name") },
                                    { 0, 1 } };
    static const ListShape translate { tableName(RecordList::Translate),
                                       { QStringLiteral("Number"), QStringLiteral("Name") },
                                       { 0, 1 } };
    switch (list) {
    case RecordList::Calls:
        return calls;
    case RecordList::Reject:
        return reject;
    case RecordList::Translate:
        break;
    }
    return translate;
}

// Anything near this size is no list of ours.
constexpr qint64 kMaxImportBytes = qint64(512) * 1024 * 1024;

QString sqlError(const QSqlQuery& query)
{
    return query.lastError().text().trimmed();
}

bool isDigits(QStringView text)
{
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// SysTime as the program stores it: 'YYYY-MM-DD HH:MM:SS', a real moment.
bool isSysTime(const QString& text)
{
    if (text.size() != 19 || text[4] != u'-' || text[7] != u'-' || text[10] != u' ' || text[13] != u':'
        || text[16] != u':')
        return false;
    const QStringView v(text);
    for (const QStringView part : { v.mid(0, 4), v.mid(5, 2), v.mid(8, 2), v.mid(11, 2), v.mid(14, 2), v.mid(17, 2) }) {
        if (!isDigits(part))
            return false;
    }
    return QDate(v.mid(0, 4).toInt(), v.mid(5, 2).toInt(), v.mid(8, 2).toInt()).isValid() && v.mid(11, 2).toInt() < 24
        && v.mid(14, 2).toInt() < 60 && v.mid(17, 2).toInt() < 60;
}

// Applies what the list windows do with an entry; false when the list
// cannot hold it at all.
bool acceptEntry(RecordList list, QStringList& row)
{
    switch (list) {
    case RecordList::Calls:
        return !row[0].isEmpty() || !row[1].isEmpty();
    case RecordList::Reject:
        // An empty name would reject every caller shown without one.
        if (row[0].isEmpty() && row[1].isEmpty())
            return false;
        if (row[0].isEmpty())
            row[0] = rejectNoNumber();
        if (row[1].isEmpty())
            row[1] = rejectNoName();
        return true;
    case RecordList::Translate:
        // Without a name, the number's calls would show a blank name.
        return !row[0].isEmpty() && !row[1].isEmpty();
    }
    return false;
}

QString rowName(int record, int line)
{
    if (record == line)
        return QStringLiteral("row %1").arg(record);
    return QStringLiteral("row %1 (line %2)").arg(record).arg(line);
}

// Reject and translate numbers as the windows store what is typed: in the
// chosen layout when their digits fit it (a translate number trimmed first).
// Names stay as written, so that an exported list comes back unchanged;
// entries stored by an earlier export keep their stand-ins. True when the
// number had to be left as typed.
bool applyWindowRules(RecordList list, QStringList& row, qint16 format)
{
    if (list == RecordList::Translate)
        row[0] = trimBlanks(row[0]);
    // A pattern is typed as it is meant.
    if (list == RecordList::Reject && isRejectPattern(row[0]))
        return false;
    QString laidOut;
    const Relayout relayout = relayoutNumber(row[0], format, &laidOut);
    row[0] = laidOut;
    return relayout == Relayout::Left;
}

// Takes each entry as it is read, so that a large file's entries are never
// all held at once; false stops the reading.
using RowSink = std::function<bool(const QStringList& row)>;

// Hands the entry on, or keeps it when there is nobody to hand it to.
bool take(ImportRows& result, QStringList& row, const RowSink& sink)
{
    if (sink)
        return sink(row);
    result.rows.append(row);
    return true;
}

ImportRows readCsv(RecordList list, TextSource& text, const ImportOptions& options, const RowSink& sink)
{
    const ListShape& shape = shapeOf(list);
    ImportRows result;
    CsvReader reader(text);
    QStringList fields;
    if (!reader.next(fields)) {
        result.error = reader.failed() ? QStringLiteral("row 1: ") + reader.error()
                                       : QStringLiteral("the file is empty; a header row naming the columns is needed");
        return result;
    }
    // A translate list may give the names as the window's two boxes do; they
    // are then stored as the window stores them: LAST FIRST, in capitals.
    int firstName = -1;
    int lastName = -1;
    if (list == RecordList::Translate) {
        for (int i = 0; i < fields.size(); ++i) {
            const QString key = fields[i].trimmed().remove(QLatin1Char(' ')).toLower();
            if (key == u"firstname" || key == u"first")
                firstName = i;
            else if (key == u"lastname" || key == u"last")
                lastName = i;
        }
    }
    // Columns are found by name, in any order and any case; others are ignored.
    QList<int> source(shape.columns.size(), -1);
    for (int i = 0; i < fields.size(); ++i) {
        const QString name = fields[i].trimmed();
        for (int c = 0; c < shape.columns.size(); ++c) {
            if (name.compare(shape.columns[c], Qt::CaseInsensitive) != 0)
                continue;
            if (source[c] >= 0) {
                result.error = QStringLiteral("the header names the column %1 twice").arg(shape.columns[c]);
                return result;
            }
            source[c] = i;
        }
    }
    const bool composeName = list == RecordList::Translate && source[1] < 0 && (firstName >= 0 || lastName >= 0);
    for (int c = 0; c < shape.columns.size(); ++c) {
        if (source[c] < 0 && !(composeName && c == 1)) {
            result.error = QStringLiteral("the header row has no %1 column (it needs %2)")
                               .arg(shape.columns[c], shape.columns.join(QStringLiteral(", ")));
            return result;
        }
    }
    const qsizetype width = fields.size();
    int record = 1;
    while (reader.next(fields)) {
        ++record;
        // A blank line holds no entry.
        if (fields.size() == 1 && fields[0].isEmpty())
            continue;
        if (fields.size() != width) {
            result.error = rowName(record, reader.recordLine())
                + QStringLiteral(": %1 fields where the header has %2").arg(fields.size()).arg(width);
            return result;
        }
        QStringList row;
        row.reserve(shape.columns.size());
        for (int c : std::as_const(source))
            row.append(c >= 0 ? fields[c] : QString());
        if (composeName) {
            const QString first = firstName >= 0 ? trimBlanks(fields[firstName]).toUpper() : QString();
            const QString last = lastName >= 0 ? trimBlanks(fields[lastName]).toUpper() : QString();
            if (!first.isEmpty() || !last.isEmpty())
                row[1] = last + QLatin1Char(' ') + first;
        }
        if (list == RecordList::Calls && !isSysTime(row[4])) {
            result.error = rowName(record, reader.recordLine())
                + QStringLiteral(": SysTime \"%1\" is not a time as YYYY-MM-DD HH:MM:SS").arg(row[4].left(40));
            return result;
        }
        const bool left = list != RecordList::Calls && options.numberFormat != 0
            && applyWindowRules(list, row, options.numberFormat);
        if (!acceptEntry(list, row)) {
            ++result.refused;
            continue;
        }
        result.leftAsTyped += left ? 1 : 0;
        if (!take(result, row, sink))
            return result;
    }
    if (reader.failed()) {
        result.error = rowName(record + 1, reader.recordLine()) + QStringLiteral(": ") + reader.error();
        return result;
    }
    result.ok = true;
    return result;
}

// Call lines of the network protocol: TYPE: *LABEL*value*LABEL*value*...
bool isCallLogType(QStringView type)
{
    return type == u"CID" || type == u"HUP" || type == u"CIDLOG" || type == u"HUPLOG";
}

bool looksLikeCallLog(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && (text[start] == u'\n' || text[start] == u'\r'))
        ++start;
    const QStringView first = QStringView(text).mid(start, 12);
    const qsizetype colon = first.indexOf(u':');
    if (colon > 0 && isCallLogType(first.left(colon)))
        return true;
    // The server's greeting, when the log was saved from a connection.
    return first.size() >= 4 && isDigits(first.left(3)) && first[3] == u' ';
}

// Whether head holds enough of the text for looksLikeCallLog().
bool holdsFirstLine(const QString& head)
{
    qsizetype start = 0;
    while (start < head.size() && (head[start] == u'\n' || head[start] == u'\r'))
        ++start;
    return head.size() >= start + 12;
}

ImportRows readCallLog(TextSource& source, const ImportOptions& options, const RowSink& sink)
{
    ImportRows result;
    QString text;
    qsizetype pos = 0;
    bool more = true;
    for (int index = 0;; ++index) {
        qsizetype end = text.indexOf(u'\n', pos);
        while (end < 0 && more) {
            text.remove(0, pos);
            pos = 0;
            more = source.read(text);
            end = text.indexOf(u'\n');
        }
        QStringView line = QStringView(text).mid(pos, (end < 0 ? text.size() : end) - pos);
        if (end < 0 && line.isEmpty())
            break;
        pos = end < 0 ? text.size() : end + 1;
        if (line.endsWith(u'\r'))
            line.chop(1);
        const qsizetype colon = line.indexOf(u':');
        // Greetings, messages, ring reports and anything else hold no call.
        if (colon <= 0 || !isCallLogType(line.left(colon)))
            continue;
        const QString where = QStringLiteral("line %1").arg(index + 1);
        const QStringView pairs = line.mid(colon + 1).trimmed();
        if (!pairs.startsWith(u'*')) {
            result.error = where + QStringLiteral(": the call has no *LABEL*value* pairs");
            return result;
        }
        QHash<QString, QString> values;
        const QList<QStringView> parts = pairs.mid(1).split(u'*');
        for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
            const QString label = parts[i].toString();
            if (!values.contains(label))
                values.insert(label, parts[i + 1].toString());
        }
        const QString date = values.value(QStringLiteral("DATE"));
        const QString time = values.value(QStringLiteral("TIME"));
        if (date.size() != 8 || !isDigits(date)) {
            result.error = where + QStringLiteral(": DATE \"%1\" is not mmddyyyy").arg(date.left(20));
            return result;
        }
        if (time.size() != 4 || !isDigits(time) || time.left(2).toInt() > 23 || time.mid(2).toInt() > 59) {
            result.error = where + QStringLiteral(": TIME \"%1\" is not hhmm").arg(time.left(20));
            return result;
        }
        // Month first as the protocol says; day first where that alone makes a date.
        const int year = date.mid(4).toInt();
        QDate day(year, date.left(2).toInt(), date.mid(2, 2).toInt());
        if (!day.isValid())
            day = QDate(year, date.mid(2, 2).toInt(), date.left(2).toInt());
        if (!day.isValid()) {
            result.error = where + QStringLiteral(": DATE \"%1\" is no day of the calendar").arg(date);
            return result;
        }
        const auto shown = [&values](const QString& label) {
            const QString value = trimBlanks(values.value(label));
            return value.isEmpty() || value == u"-" ? QStringLiteral("UNKNOWN") : value;
        };
        QString number = shown(QStringLiteral("NMBR"));
        if (number != u"UNKNOWN")
            FormatCidNumber(number, options.numberFormat);
        QStringList row { shown(QStringLiteral("NAME")), number, date.left(2) + u'/' + date.mid(2, 2),
                          time.left(2) + u':' + time.mid(2),
                          day.toString(QStringLiteral("yyyy-MM-dd ")) + time.left(2) + u':' + time.mid(2)
                              + QStringLiteral(":00") };
        if (!take(result, row, sink))
            return result;
    }
    result.ok = true;
    return result;
}

bool exec(QSqlQuery& query, const QString& statement, QString& error)
{
    if (query.exec(statement))
        return true;
    error = sqlError(query);
    return false;
}

QString stagedColumn(int column)
{
    return QStringLiteral("c%1").arg(column);
}

QString stagedColumns(const ListShape& shape)
{
    QStringList columns;
    for (int c = 0; c < shape.columns.size(); ++c)
        columns << stagedColumn(c);
    return columns.join(QStringLiteral(", "));
}

QString stagingTable(const ListShape& shape)
{
    return QStringLiteral("temp.quillon_import_") + shape.table;
}

// Entries are staged in the temporary database first, which locks nothing
// the running program writes to; all of them or none.
class Stager
{
public:
    Stager(const QSqlDatabase& db, const ListShape& shape, QString& error)
        : m_transaction(db, &error)
        , m_insert(db)
        , m_error(error)
    {
        if (!m_transaction.isActive())
            return;
        const QString staged = stagedColumns(shape);
        const QString temp = stagingTable(shape);
        QSqlQuery query(db);
        // Never dropped: a statement open on the connection would make
        // SQLite refuse to drop it.
        if (!exec(query,
                  QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS quillon_import_%1 (seq INTEGER PRIMARY KEY, %2)")
                      .arg(shape.table, staged),
                  error)
            || !exec(query, QStringLiteral("DELETE FROM ") + temp, error))
            return;
        const QStringList marks(shape.columns.size(), QStringLiteral("?"));
        if (!m_insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(temp, staged, marks.join(QStringLiteral(", "))))) {
            error = sqlError(m_insert);
            return;
        }
        m_ok = true;
    }
    Q_DISABLE_COPY_MOVE(Stager)

    bool isActive() const { return m_ok; }
    qint64 count() const { return m_count; }
    bool add(const QStringList& row)
    {
        for (int c = 0; c < row.size(); ++c)
            m_insert.bindValue(c, row[c]);
        if (!m_insert.exec()) {
            m_error = sqlError(m_insert);
            return m_ok = false;
        }
        ++m_count;
        return true;
    }
    bool commit()
    {
        m_insert.finish();
        return m_ok && m_transaction.commit(&m_error);
    }

private:
    Transaction m_transaction;
    QSqlQuery m_insert;
    QString& m_error;
    bool m_ok = false;
    qint64 m_count = 0;
};

ImportRows readText(RecordList list, TextSource& text, const ImportOptions& options, const RowSink& sink)
{
    QString head;
    while (!holdsFirstLine(head) && text.read(head)) { }
    text.unread(head);
    if (list == RecordList::Calls && looksLikeCallLog(head))
        return readCallLog(text, options, sink);
    return readCsv(list, text, options, sink);
}

// Drops the staged calls stored already. Calls are a multiset: a file that
// holds a call twice adds it twice, less the times it is stored.
bool dropStoredCalls(QSqlQuery& query, const QString& temp, QString& error)
{
    const QString stagedYear = callYearSql(QStringLiteral("c2"), QStringLiteral("c4"));
    const QString stagedName = callNameKeySql(QStringLiteral("c1"), QStringLiteral("c0"));
    return exec(query, QStringLiteral("CREATE INDEX IF NOT EXISTS %1_key ON quillon_import_CID (c2, c3, c1)").arg(temp),
                error)
        && exec(query,
                QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS quillon_import_same"
                               " (date, time, number, name, year, stored INTEGER)"),
                error)
        && exec(query, QStringLiteral("DELETE FROM temp.quillon_import_same"), error)
        && exec(query,
                QStringLiteral("INSERT INTO temp.quillon_import_same SELECT DISTINCT c2, c3, c1, %1, %2, 0 FROM %3")
                    .arg(stagedName, stagedYear, temp),
                error)
        && exec(query,
                QStringLiteral("CREATE INDEX IF NOT EXISTS temp.quillon_import_same_key"
                               " ON quillon_import_same (date, time, number, name, year)"),
                error)
        // One pass over the stored calls, each looked up among the few staged.
        && exec(query,
                QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS quillon_import_count (same INTEGER PRIMARY KEY, n)"),
                error)
        && exec(query, QStringLiteral("DELETE FROM temp.quillon_import_count"), error)
        && exec(query,
                QStringLiteral("INSERT INTO temp.quillon_import_count SELECT s.rowid, count(*) FROM main.CID AS t"
                               " JOIN temp.quillon_import_same AS s ON s.date = IFNULL(t.Date, '')"
                               " AND s.time = IFNULL(t.Time, '') AND s.number = IFNULL(t.Number, '')"
                               " AND s.name = %1 AND s.year = %2 GROUP BY s.rowid")
                    .arg(callNameKeySql(QStringLiteral("t.Number"), QStringLiteral("t.Name")),
                         callYearSql(QStringLiteral("t.Date"), QStringLiteral("t.SysTime"))),
                error)
        && exec(query,
                QStringLiteral("DELETE FROM %1 WHERE seq IN (SELECT i.seq FROM (SELECT seq, c1, c2, c3, %2 AS name,"
                               " %3 AS year, row_number() OVER (PARTITION BY c1, c2, c3, %2, %3 ORDER BY seq) AS nth"
                               " FROM %1) AS i JOIN temp.quillon_import_same AS s ON s.date = i.c2"
                               " AND s.time = i.c3 AND s.number = i.c1 AND s.name = i.name AND s.year = i.year"
                               " JOIN temp.quillon_import_count AS c ON c.same = s.rowid WHERE i.nth <= c.n)")
                    .arg(temp, stagedName, stagedYear),
                error);
}

// Moves the staged entries not stored yet into the list, counting them.
bool mergeStaged(const QSqlDatabase& db, const ListShape& shape, ImportResult& result)
{
    QString& error = result.error;
    QStringList keyMatch, keyColumns;
    for (int k : shape.key) {
        keyColumns << stagedColumn(k);
        // Stored NULLs are what an export writes as empty fields.
        keyMatch << QStringLiteral("i.c%1 = IFNULL(t.%2, '')").arg(k).arg(shape.columns[k]);
    }
    const QString temp = stagingTable(shape);
    const QString keys = keyColumns.join(QStringLiteral(", "));

    Transaction transaction(db, &error, Transaction::Lock::Immediate);
    if (!transaction.isActive()) {
        error = QStringLiteral("the database is not available: ") + error;
        return false;
    }
    QSqlQuery query(db);
    const bool dropped = shape.table == tableName(RecordList::Calls)
        ? dropStoredCalls(query, temp, error)
        // A list holds an entry once.
        : exec(query,
               QStringLiteral("CREATE INDEX IF NOT EXISTS %1_key ON quillon_import_%2 (%3)")
                   .arg(temp, shape.table, keys),
               error)
            && exec(
                query,
                QStringLiteral("DELETE FROM %1 WHERE seq NOT IN (SELECT min(seq) FROM %1 GROUP BY %2)").arg(temp, keys),
                error)
            && exec(query,
                    QStringLiteral("DELETE FROM %1 WHERE seq IN (SELECT i.seq FROM main.%2 AS t JOIN %1 AS i ON %3)")
                        .arg(temp, shape.table, keyMatch.join(QStringLiteral(" AND "))),
                    error);
    if (!dropped || !exec(query, QStringLiteral("SELECT count(*) FROM ") + temp, error))
        return false;
    result.added = query.next() ? query.value(0).toLongLong() : 0;
    query.finish();
    return exec(query,
                QStringLiteral("INSERT INTO main.%1 (%2) SELECT %3 FROM %4 ORDER BY seq")
                    .arg(shape.table, shape.columns.join(QStringLiteral(", ")), stagedColumns(shape), temp),
                error)
        && exec(query, QStringLiteral("DELETE FROM ") + temp, error) && transaction.commit(&error);
}

} // namespace

/*!
 * Reads the table in slices of rowids, each its own short read: one long
 * read would hold off the running program's next stored call until the
 * whole export is written.
 */
ExportResult exportRecords(const QSqlDatabase& db, RecordList list, const QString& path, TransferProgress* progress)
{
    const ListShape& shape = shapeOf(list);
    ExportResult result;
    // A statement cut short by Cancel fails as one that could not run.
    const auto failed = [&](const QString& error) {
        result.cancelled = progress && progress->cancel;
        result.error = result.cancelled ? QStringLiteral("cancelled") : error;
        return result;
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return result;
    }
    // Calls carry the rejected mark as a last column, True or False; empty
    // for calls stored before there was one. Import passes over it.
    QStringList header = shape.columns;
    QStringList selected = shape.columns;
    if (list == RecordList::Calls && hasRejectedColumn(db)) {
        header.append(QStringLiteral("Rejected"));
        selected.append(QStringLiteral("CASE Rejected WHEN 1 THEN 'True' WHEN 0 THEN 'False' END"));
    }
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid > ? ORDER BY rowid LIMIT 20000")
                           .arg(selected.join(QStringLiteral(", ")), shape.table))) {
        return failed(sqlError(query));
    }
    if (progress) {
        QSqlQuery highest(db);
        if (highest.exec(QStringLiteral("SELECT max(rowid) FROM ") + shape.table) && highest.next())
            progress->total = highest.value(0).toLongLong();
    }
    QByteArray chunk;
    chunk.reserve(1 << 21);
    appendCsvRecord(chunk, header);
    QStringList fields(header.size());
    qint64 last = std::numeric_limits<qint64>::min();
    for (bool more = true; more;) {
        query.bindValue(0, last);
        if (!query.exec()) {
            return failed(sqlError(query));
        }
        more = false;
        while (query.next()) {
            last = query.value(0).toLongLong();
            for (int c = 0; c < fields.size(); ++c)
                fields[c] = query.value(c + 1).toString();
            appendCsvRecord(chunk, fields);
            ++result.written;
            more = true;
        }
        if (query.lastError().isValid()) {
            return failed(sqlError(query));
        }
        query.finish();
        if (progress) {
            progress->done = last;
            if (progress->cancel)
                return failed({});
        }
        if (chunk.size() >= (1 << 20) || !more) {
            if (file.write(chunk) != chunk.size())
                break;
            chunk.clear();
        }
    }
    if (!file.commit()) {
        result.error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return result;
    }
    result.ok = true;
    return result;
}

ImportRows readImportFile(RecordList list, const QByteArray& bytes, const ImportOptions& options)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    TextSource text(buffer);
    return readText(list, text, options, {});
}

/*!
 * Adds the file's entries that are not stored yet, all or none. Entries are
 * staged in a temporary table, so that duplicates are found with one pass
 * over the stored rows however many there are. The write lock is taken only
 * for that pass and the insertion, and taken before either: another writer
 * makes the import wait (the connection's busy timeout), never half-finish.
 */
ImportResult importRecords(const QSqlDatabase& db, RecordList list, const QString& path, const ImportOptions& options)
{
    ImportResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return result;
    }
    if (file.size() > kMaxImportBytes) {
        result.error = QStringLiteral("%1 is too large to be a list (%2 bytes)").arg(path).arg(file.size());
        return result;
    }
    // Read a block at a time: only the entries being read are held.
    TextSource text(file);
    TransferProgress* const progress = options.progress;
    if (progress)
        progress->total = file.size();

    const ListShape& shape = shapeOf(list);
    const auto failed = [&] {
        result.added = 0;
        if (progress && progress->cancel) {
            result.cancelled = true;
            result.error = QStringLiteral("cancelled");
        }
        QSqlQuery(db).exec(QStringLiteral("DELETE FROM ") + stagingTable(shape));
        return result;
    };
    qint64 staged = 0;
    {
        Stager stager(db, shape, result.error);
        if (!stager.isActive())
            return failed();
        const ImportRows rows = readText(list, text, options, [&](const QStringList& row) {
            if (progress) {
                if (progress->cancel)
                    return false;
                progress->done = file.pos();
            }
            return stager.add(row);
        });
        result.refused = rows.refused;
        result.leftAsTyped = rows.leftAsTyped;
        if (!rows.ok) {
            if (!rows.error.isEmpty())
                result.error = rows.error;
            return failed();
        }
        if (!text.error().isEmpty()) {
            result.error = QStringLiteral("cannot read %1: %2").arg(path, text.error());
            return failed();
        }
        if (!stager.commit())
            return failed();
        staged = stager.count();
    }
    if ((progress && progress->cancel) || !mergeStaged(db, shape, result))
        return failed();
    result.ok = true;
    result.skipped = staged - result.added;
    return result;
}

ImportResult importRecords(CallDatabase& database, RecordList list, const QString& path, const ImportOptions& options)
{
    ImportResult result;
    if (!database.writable(&result.error))
        return result;
    return importRecords(database.connection(), list, path, options);
}

DatabaseFileConnection::DatabaseFileConnection(const QString& path, int busyMs)
    : m_name(QStringLiteral("Transfer-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_busyMs(busyMs)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    if (!QFileInfo(path).isFile()) {
        m_error = QStringLiteral("there is no database at ") + path;
        return;
    }
    // Opened read-write, never created; every byte of the path escaped.
    const QByteArray encoded = QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/");
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs));
    db.setDatabaseName(QStringLiteral("file:") + QString::fromLatin1(encoded) + QStringLiteral("?mode=rw"));
    if (!db.open())
        m_error = path + QStringLiteral(": ") + db.lastError().text().trimmed();
}

DatabaseFileConnection::~DatabaseFileConnection()
{
    QSqlDatabase::database(m_name, false).close();
    QSqlDatabase::removeDatabase(m_name);
}

bool DatabaseFileConnection::isOpen() const
{
    return QSqlDatabase::database(m_name, false).isOpen();
}

QSqlDatabase DatabaseFileConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

void DatabaseFileConnection::stopWhen(const std::atomic<bool>& cancel)
{
    const QVariant handle = database().driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return;
    sqlite3* db = *static_cast<sqlite3* const*>(handle.constData());
    if (!db)
        return;
    m_cancel = &cancel;
    sqlite3_progress_handler(db, 1000, &DatabaseFileConnection::interrupted, this);
    sqlite3_busy_handler(db, &DatabaseFileConnection::busy, this);
}

int DatabaseFileConnection::interrupted(void* self)
{
    return static_cast<DatabaseFileConnection*>(self)->m_cancel->load() ? 1 : 0;
}

// The busy timeout, in slices short enough for Cancel to be felt at once.
int DatabaseFileConnection::busy(void* self, int count)
{
    constexpr int sliceMs = 20;
    const auto* connection = static_cast<DatabaseFileConnection*>(self);
    if (connection->m_cancel->load() || qint64(count) * sliceMs >= connection->m_busyMs)
        return 0;
    sqlite3_sleep(sliceMs);
    return 1;
}

} // namespace Quillon

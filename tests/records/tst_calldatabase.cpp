// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/workingsettings.h"
#include "platform/datetimetext.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"
#include "records/callrecords.h"
#include "records/callstore.h"
#include "records/listentries.h"
#include "records/listentryrules.h"
#include "records/recordgridmodel.h"
#include "records/recordtransfer.h"
#include "records/storedcalls.h"
#include "support/appdir.h"
#include "support/fakeclock.h"
#include "support/programfiles.h"
#include "support/sqlfile.h"

#include <QDir>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

#include <algorithm>
#include <optional>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Quillon;
using namespace Quillon::Test;
using namespace Qt::StringLiterals;

namespace {

// In a directory whose name, read as a file URI, would open (or create) some other file.
struct Fixture
{
    Fixture() { settings.EnableLog = true; }
    QString file(const QString& name) const { return dir + u'/' + name; }
    QStringList rows(const QString& select) const { return SqlFile(file(u"CallerID.mdb"_s)).rows(select); }
    // Opens a database made from the schema, then adds "number=name;..." rows ('~': NULL) to table.
    bool create(const QString& table = {}, const QString& rows = {})
    {
        bool ok = app.createDatabase() && QFile::rename(app.databasePath(), file(u"CallerID.mdb"_s))
            && database.OpenCallDatabase();
        QSqlQuery insert(database.connection());
        for (const QString& row : rows.split(u';', Qt::SkipEmptyParts)) {
            insert.prepare(u"INSERT INTO %1 (Number, Name) VALUES (?, ?)"_s.arg(table));
            for (const QString& field : { row.section(u'=', 0, 0), row.section(u'=', 1) })
                insert.addBindValue(field == u"~"_s ? QVariant() : QVariant(field.isNull() ? u""_s : field));
            ok = ok && insert.exec();
        }
        return ok;
    }

    AppDir app;
    QString dir = app.file(u"Caller ID #2?mode=rwc&100%25 f\u00fcr"_s);
    bool made = QDir().mkpath(dir);
    WorkingSettings settings;
    FakeClock clock;
    ActivityLog log { dir, settings, clock };
    CallDatabase database { dir, settings, log, clock };
};

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// root ignores permission bits: as root, file access runs as nobody until the guard goes, and nobody owns paths.
bool giveToNobody(const QStringList& paths)
{
    return std::ranges::all_of(paths, [](const QString& path) {
        return geteuid() != 0 || chown(QFile::encodeName(path).constData(), 65534, 65534) == 0;
    });
}
auto asNobody(bool really = true)
{
    if (really && geteuid() == 0)
        setfsuid(65534);
    return qScopeGuard([] { setfsuid(geteuid()); });
}

} // namespace

class TestCallDatabase : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void open_data()
    {
        // How the file is spoilt: statements run on a schema-made file, "locked N s" (a second connection holds a
        // write transaction that long), "page N" (that page's header zeroed), "unreadable", "directory", or the
        // file's text. The box's second line; empty: the database opens.
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("reason");
        const char* const tables = "Its tables CID, Reject and Translate are missing or incomplete.";
        const char* const rows[][2] = {
            { "", "The file is missing: %1" },
            { "Name,Number\r\n", "The file is not a database." },
            { "directory", "It is a directory, not a database." },
            { "unreadable", "Permission denied: this user may not read and write the file." },
            { "page 1", "The file is damaged; Help Topics tells how to recover it." },
            { "DROP TABLE CID", tables },
            { "DROP TABLE Reject", tables },
            { "DROP TABLE Translate", tables },
            { "DROP INDEX idx_cid_systime;ALTER TABLE CID DROP COLUMN SysTime", tables },
            { "locked 40 s", "It is locked by another program, and still was after 30 seconds." },
            { "locked 5 s", "" },
            // Damage the open does not read is found by the check, which then keeps every write out.
            { "page idx_cid_systime", "" },
        };
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
    }

    void open()
    {
        QFETCH(QString, damage);
        QFETCH(QString, reason);
        Fixture f;
        f.clock.setRealSliceMs(0);
        const QString path = f.file(u"CallerID.mdb"_s);
        const bool locked = damage.startsWith(u"locked"_s), unreadable = damage == u"unreadable"_s;
        if (damage.startsWith(u"DROP"_s) || damage.startsWith(u"page"_s) || locked || unreadable) {
            QVERIFY(f.create());
            for (const QString& statement : damage.split(u';', Qt::SkipEmptyParts))
                QVERIFY(!damage.startsWith(u"DROP"_s) || QSqlQuery(f.database.connection()).exec(statement));
            f.database.connection().close();
            QVERIFY(!damage.startsWith(u"page"_s) || spoilPage(path, damage.section(u' ', 1)));
            QVERIFY(!unreadable || chmod(QFile::encodeName(path).constData(), 0) == 0);
            QVERIFY(!unreadable || giveToNobody({ f.app.path(), f.dir, f.file(u"CID.Log"_s) })); // the log is written
        } else if (damage == u"directory"_s) {
            QVERIFY(QDir().mkpath(path));
        } else if (!damage.isEmpty()) {
            QVERIFY(writeFile(path, damage.toLatin1()));
        }
        std::optional<SqlFile> locker;
        QDateTime freeAt;
        if (locked) {
            QVERIFY(locker.emplace(path).run(u"BEGIN EXCLUSIVE"_s));
            freeAt = f.clock.now().addSecs(damage.section(u' ', 1, 1).toInt());
            f.clock.setWaitHook([&](int) {
                if (f.clock.now() >= freeAt)
                    locker->db().rollback();
            });
        }
        const QByteArray before = contents(path);
        const QDateTime start = f.clock.now();
        int pleaseWait = 0;
        QString unopened;
        std::optional user(asNobody(unreadable));
        const bool opened = f.database.OpenCallDatabase([&] { ++pleaseWait; }, &unopened);
        user.reset();

        QCOMPARE(pleaseWait, locked ? 1 : 0);
        if (reason.isEmpty()) {
            QVERIFY(opened && f.database.isOpen() && unopened.isEmpty());
            QVERIFY(!locked || (f.clock.now() >= freeAt && f.clock.now() < freeAt.addSecs(2)));
            QSignalSpy checked(&f.database.store(), &CallStore::checkFinished);
            f.database.store().startCheck();
            QVERIFY(checked.wait(10000));
            const bool damaged = damage.startsWith(u"page"_s);
            QCOMPARE(f.database.isDamaged(), damaged);
            f.database.store().StoreCall({ u"JOHN DOE"_s, u"1"_s, u"06/12"_s, u"14:32"_s, {} });
            QVERIFY(f.database.store().waitUntilIdle());
            QCOMPARE(f.database.store().waitingCount() == 0, !damaged);
            // Every other write is refused the same way, with what was found damaged.
            QVERIFY(writeFile(f.file(u"reject.csv"_s), "Number,Name\r\n2,B\r\n"));
            QString found;
            QCOMPARE(f.database.writable(&found), !damaged);
            QStringList errors(5);
            const ImportResult imported = importRecords(f.database, RecordList::Reject, f.file(u"reject.csv"_s));
            errors[4] = imported.error;
            ListEntries entries(f.database);
            const QList<bool> written { entries.add(RecordList::Reject, u"1"_s, u"A"_s, &errors[0]),
                                        entries.update(RecordList::Reject, 1, u"1"_s, u"B"_s, &errors[1]),
                                        entries.remove(RecordList::Reject, { 1 }, &errors[2]),
                                        CallRecords(f.database).removeBefore(f.clock.now().addDays(1), &errors[3]),
                                        imported.ok };
            QCOMPARE(written, QList<bool>(5, !damaged));
            QCOMPARE(errors, QStringList(5, found));
            if (damaged)
                QCOMPARE(contents(path), before); // never written into
            return;
        }
        QVERIFY(!opened && !f.database.isOpen());
        QCOMPARE(unopened, reason.contains(u"%1"_s) ? reason.arg(QFileInfo(path).absoluteFilePath()) : reason);
        QVERIFY(contents(f.file(u"CID.Log"_s)).endsWith(" Database connection could not be established.\r\n"));
        QCOMPARE(contents(path), before); // never created, never changed
        QCOMPARE(QDir(f.app.path()).entryList(QDir::Files), QStringList());
        if (locked)
            QCOMPARE(start.secsTo(f.clock.now()), 30);
    }

    // The rejected mark: a file made before it gains the column at open, which an older copy's rows leave
    // empty; a file that cannot take the column then (another program writing) still takes calls, without it.
    void rejectedMark_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("marked"); // calls are stored with the mark
        QTest::newRow("made with it") << u"new"_s << true;
        QTest::newRow("made before it") << u"older"_s << true;
        QTest::newRow("made before it, busy at open") << u"older busy"_s << false;
    }

    void rejectedMark()
    {
        QFETCH(QString, file);
        QFETCH(bool, marked);
        Fixture f;
        const QString path = f.file(u"CallerID.mdb"_s);
        QVERIFY(f.app.createDatabase() && QFile::rename(f.app.databasePath(), path));
        std::optional<SqlFile> other(std::in_place, path);
        QVERIFY(file == u"new"_s || other->run(u"ALTER TABLE CID DROP COLUMN Rejected"_s));
        if (file.contains(u"busy"_s))
            QVERIFY(other->run(u"BEGIN IMMEDIATE"_s));
        QVERIFY(f.database.OpenCallDatabase());
        QCOMPARE(f.database.hasRejectedMark(), file == u"new"_s);
        // The file is changed only once its check found it sound.
        QSignalSpy checked(&f.database.store(), &CallStore::checkFinished);
        f.database.store().startCheck();
        QVERIFY(checked.wait(10000));
        other.reset(); // its write ends
        QCOMPARE(f.database.hasRejectedMark(), marked);
        QString error;
        QVERIFY2(f.database.InsertCall(u"ROBO"_s, u"800-555-0000"_s, u"06/12"_s, u"14:32"_s, f.clock.now(), false,
                                       &error, true),
                 qPrintable(error));
        QVERIFY(f.database.InsertCall(u"MOM"_s, u"555-123-4567"_s, u"06/12"_s, u"14:33"_s, f.clock.now(), false, &error,
                                      false));
        // An older copy names the columns it writes.
        QVERIFY(SqlFile(path).run(u"INSERT INTO CID (Name, Number, Date, Time, SysTime) VALUES ('OLD', '1', "
                                  "'06/12', '14:34', '2026-06-12 14:34:00')"_s));
        QCOMPARE(f.rows(u"SELECT Name, %1 FROM CID ORDER BY rowid"_s.arg(marked ? u"Rejected"_s : u"'-'"_s)),
                 marked ? QStringList({ u"ROBO|1"_s, u"MOM|0"_s, u"OLD|"_s })
                        : QStringList({ u"ROBO|-"_s, u"MOM|-"_s, u"OLD|-"_s }));
        QCOMPARE(hasRejectedColumn(f.database.connection()), marked);
        QList<StoredCall> history = storedCallsAfter(f.database.connection(), 0, 3, 3);
        QCOMPARE(history.size(), 3);
        QCOMPARE(QList<bool>({ history[0].Rejected, history[1].Rejected, history[2].Rejected }),
                 QList<bool>({ marked, false, false }));
    }

    void lists_data()
    {
        // "<table>: <rows> | <name> | <number> -> <expected>", rows "number=name;..." ('~': NULL). Translate gives the
        // name, Reject whether the caller is listed (1 or 0); "false " in front when the step failed.
        QTest::addColumn<QString>("lookUp");
        for (const char* lookUp : {
                 "Translate: 555-123-4567=Mom;1=X;555-123-4567=Mother | JOHN DOE | 555-123-4567 -> Mother",
                 "Translate: 5551234567=Mom | JOHN DOE | 555-123-4567 -> JOHN DOE",
                 "Translate: UNKNOWN=Mom;unknown=Dad | JOHN DOE | UNKNOWN -> Mom",
                 "Translate: ID BLOCKED=Mom | ANONYMOUS CALLER | ID BLOCKED -> Mom",
                 "Translate: 555-123-4567= | JOHN DOE | 555-123-4567 -> ",
                 "Translate: 555-123-4567=Mom;555-123-4567=~ | JOHN DOE | 555-123-4567 -> false Mom",
                 "Translate: 555-123-4567=~;555-123-4567=Mom | JOHN DOE | 555-123-4567 -> false JOHN DOE",
                 "Reject: 555-123-4567=SOMEONE | JOHN DOE | 555-123-4567 -> 1",
                 "Reject: ~=O'Hare \"Sales\" | O'Hare \"Sales\" | 555-123-4567 -> 1",
                 "Reject: 555-123-4567=~;~=JOHN DOE;555-123-4567=JOHN DOE | JOHN DOE | 555-123-4567 -> 1",
                 "Reject: ~=john doe | JOHN DOE | 555-123-4567 -> 0",
                 "Reject: UNKNOWN=~ | UNKNOWN | UNKNOWN -> 1",
                 "Reject: ID BLOCKED=~ | ANONYMOUS CALLER | ID BLOCKED -> 1",
                 "Reject: 1=~ |  | 555-123-4567 -> 0",
                 "Reject: 1= |  | 555-123-4567 -> 1",
                 "Reject off: 555-123-4567=~ | JOHN DOE | 555-123-4567 -> 0",
                 // Patterns ('*', '?'): the entry that matched, numbers before names; none for an allowed caller.
                 "Reject: 1=X;800-*=~ | JOHN DOE | 800-555-0000 -> 1 800-*",
                 "Reject: 800-*=~ | JOHN DOE | 1-800-555-0000 -> 0",
                 "Reject: ~=*WIRELESS*;555-01?-0000=~ | WIRELESS CALLER | 555-019-0000 -> 1 555-01?-0000",
                 "Reject: ~=*WIRELESS* | V WIRELESS | 555-123-4567 -> 1 *WIRELESS*",
                 "Reject: *=~ | JOHN DOE | ID BLOCKED -> 1 *",
                 "Reject: ~=V* | JOHN DOE | V12 -> 0",
                 // '[' stands for itself, as every character but * and ?.
                 "Reject: ~=*[SPAM]* | [SPAM] CALL | 555-123-4567 -> 1 *[SPAM]*",
                 "Reject: ~=[A-Z]* | JOHN DOE | 555-123-4567 -> 0",
                 "Reject allowed: 800-*=~;~=*DOE | JOHN DOE | 800-555-0000 -> 0",
                 "Reject allowed: 800-555-0000=~ | JOHN DOE | 800-555-0000 -> 1 800-555-0000",
             })
            QTest::newRow(lookUp) << QString::fromLatin1(lookUp);
    }

    void lists()
    {
        QFETCH(QString, lookUp);
        const QString table = lookUp.section(u": "_s, 0, 0);
        const QStringList parts
            = lookUp.section(u": "_s, 1).section(u" -> "_s, 0, 0).split(u" | "_s); // rows, name, number
        const QString name = parts.value(1);

        Fixture f;
        QVERIFY(f.create(table.section(u' ', 0, 0), parts.value(0)));
        if (table == u"Reject off"_s) { // the list is not even read
            f.settings.Reject = false;
            QVERIFY(QSqlQuery(f.database.connection()).exec(u"DROP TABLE Reject"_s));
        }
        QString error;
        QString entry;
        const bool allowed = table == u"Reject allowed"_s;
        QString result = table == u"Translate"_s
            ? f.database.TranslateCaller(name, parts.value(2), &error)
            : QString::number(int(f.database.CheckReject(name, parts.value(2), &error, &entry, allowed)));
        if (!entry.isEmpty() && (isRejectPattern(entry) || allowed))
            result += u' ' + entry;
        QCOMPARE((error.isEmpty() ? QString() : u"false "_s) + result, lookUp.section(u" -> "_s, 1));
    }

    void entryChanges_data()
    {
        // A change to the reject list 1=A;2=B;3=C ("remove ROWIDS", "update ROWID" to 9=X), "refused": a trigger
        // refuses to remove rowid 3. The error and the names left.
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("result");
        QTest::newRow("remove") << u"remove 1,3"_s << u"|B"_s;
        QTest::newRow("remove refused midway: all or nothing")
            << u"remove 1,3 refused"_s << u"refused Unable to fetch row|A,B,C"_s;
        QTest::newRow("update") << u"update 2"_s << u"|A,X,C"_s;
        QTest::newRow("update of an entry removed meanwhile")
            << u"update 4"_s << u"The entry is no longer in the list.|A,B,C"_s;
    }

    void entryChanges()
    {
        QFETCH(QString, change);
        QFETCH(QString, result);
        Fixture f;
        QVERIFY(f.create(u"Reject"_s, u"1=A;2=B;3=C"_s));
        QSqlQuery query(f.database.connection());
        QVERIFY(!change.endsWith(u" refused"_s)
                || query.exec(u"CREATE TRIGGER no BEFORE DELETE ON Reject WHEN old.rowid = 3"
                              " BEGIN SELECT RAISE(ABORT, 'refused'); END"_s));
        const QStringList words = change.split(u' ');
        QVariantList rowIds;
        for (const QString& rowId : words[1].split(u','))
            rowIds.append(rowId.toInt());
        ListEntries entries(f.database);
        QString error;
        const bool ok = words[0] == u"remove"_s ? entries.remove(RecordList::Reject, rowIds, &error)
                                                : entries.update(RecordList::Reject, rowIds[0], u"9"_s, u"X"_s, &error);
        QCOMPARE(ok, error.isEmpty());
        QCOMPARE(error + u'|' + f.rows(u"SELECT Name FROM Reject ORDER BY rowid"_s).join(u','), result);
    }

    // A grid of calls read a page at a time, then calls stored by another connection (which must find nothing
    // held open), then the rest: against the whole result read at once. Pages step past SysTime ties and calls
    // without one; new calls go in their place or come with a later page, counted once; a chosen order over
    // rows not all read, or a flood of calls, has the grid read again.
    void gridTakesNewCalls_data()
    {
        QTest::addColumn<QString>("grid"); // "calls", "calls named X", or "index" (the distinct callers)
        QTest::addColumn<QString>("sortBy"); // a field chosen, ascending; empty: the grid's own order
        QTest::addColumn<int>("pages"); // read before the calls are stored; 0: every row
        QTest::addColumn<QStringList>("stored"); // "name|number@systime" ('~': NULL), "*N" after it: N such calls
        QTest::addColumn<QString>("taken"); // "+N" matching calls taken in, or "again"
        const QString newest = u"@2026-01-01 00:00:00"_s;
        QTest::newRow("newest first, in the first page, past it, no time")
            << u"calls"_s << QString() << 1
            << QStringList { u"NEW|1"_s + newest, u"MID|2@2025-01-08 00:00:00"_s, u"OLD|3@2025-01-02 00:00:00"_s,
                             u"NONE|4@~"_s }
            << u"+4"_s;
        QTest::newRow("newest first, all read")
            << u"calls"_s << QString() << 0
            << QStringList { u"NEW|1"_s + newest, u"OLD|3@2025-01-02 00:00:00"_s, u"~|~@~"_s } << u"+3"_s;
        QTest::newRow("a name searched") << u"calls named CALLER 3"_s << QString() << 1
                                         << QStringList { u"CALLER 3|5"_s + newest, u"OTHER|6"_s + newest } << u"+1"_s;
        QTest::newRow("sorted, all read") << u"calls"_s << u"Name"_s << 0
                                          << QStringList { u"AAA|1@2024-01-01 00:00:00"_s, u"CALLER 4|2@~"_s,
                                                           u"CALLER 4|3"_s + newest, u"~|4"_s + newest }
                                          << u"+4"_s;
        QTest::newRow("sorted, not all read")
            << u"calls"_s << u"Name"_s << 1 << QStringList { u"AAA|1"_s + newest } << u"again"_s;
        QTest::newRow("a flood") << u"calls"_s << QString() << 1 << QStringList { u"MANY|1"_s + newest + u"*1100"_s }
                                 << u"again"_s;
        QTest::newRow("index: a new caller once, a known one left, no name first")
            << u"index"_s << QString() << 1
            << QStringList { u"CALLER 1|555-0011"_s + newest, u"NEWBIE|1"_s + newest, u"NEWBIE|1@~"_s,
                             u"CALLER 1|2"_s + newest, u"~|3"_s + newest }
            << u"+3"_s;
        QTest::newRow("index sorted by number")
            << u"index"_s << u"Number"_s << 1 << QStringList { u"ZED|000"_s + newest, u"CALLER 2|555-0022"_s + newest }
            << u"+1"_s;
    }

    void gridTakesNewCalls()
    {
        QFETCH(QString, grid);
        QFETCH(QString, sortBy);
        QFETCH(int, pages);
        QFETCH(QStringList, stored);
        QFETCH(QString, taken);
        Fixture f;
        QVERIFY(f.create());
        // 600 calls, three to a SysTime, every 40th without one; 7 callers, a number each.
        QVERIFY(QSqlQuery(f.database.connection())
                    .exec(u"WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 599) "
                          "INSERT INTO CID (Name, Number, SysTime) SELECT printf('CALLER %d', i % 7), "
                          "printf('555-%04d', i % 7 * 11), CASE WHEN i % 40 = 0 THEN NULL "
                          "ELSE printf('2025-01-%02d %02d:00:00', 1 + i / 3 / 24, i / 3 % 24) END FROM n"_s));
        const bool index = grid == u"index"_s;
        const QString name = grid.section(u"named "_s, 1);
        RecordGridModel model;
        QVERIFY(model.setGridQuery(
            f.database.connection(),
            index ? CallRecords::phoneIndexQuery()
                  : CallRecords::searchQuery(name.isEmpty() ? SearchType::All : SearchType::Name, name)));
        if (!sortBy.isEmpty())
            model.sort(model.column(sortBy), Qt::AscendingOrder);
        for (int page = 1; page < pages || (pages == 0 && model.canFetchMore()); ++page)
            model.fetchMore();
        if (pages == 1)
            QCOMPARE(model.rowCount(), index ? 7 : qMin(RecordGridModel::pageRows, name.isEmpty() ? 600 : 86));

        SqlFile writer(f.file(u"CallerID.mdb"_s));
        QVERIFY(writer.run(u"PRAGMA busy_timeout = 0"_s));
        QVERIFY(writer.run(u"BEGIN"_s));
        for (const QString& call : stored) {
            const QStringList parts = call.split(QRegularExpression(u"[|@*]"_s));
            const auto value = [](const QString& text) { return text == u"~"_s ? QVariant() : QVariant(text); };
            for (int i = 0; i < qMax(1, parts.value(3).toInt()); ++i)
                QVERIFY(writer.run(u"INSERT INTO CID (Name, Number, SysTime) VALUES (?, ?, ?)"_s,
                                   { value(parts[0]), value(parts[1]), value(parts[2]) }));
        }
        QVERIFY(writer.run(u"COMMIT"_s));
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        qint64 added = -1;
        const RecordGridModel::NewRows result = model.takeNewRows(&added);
        QCOMPARE(result == RecordGridModel::NewRows::Taken ? u"+%1"_s.arg(added) : u"again"_s, taken);
        if (result == RecordGridModel::NewRows::ReadAgain)
            QVERIFY(model.rerun());
        else
            QCOMPARE(resets.size(), 0);
        // Each call taken once; a chosen order over rows not all read has the grid read again each time.
        QCOMPARE(model.takeNewRows(&added),
                 result == RecordGridModel::NewRows::Taken || sortBy.isEmpty() ? RecordGridModel::NewRows::Taken
                                                                               : RecordGridModel::NewRows::ReadAgain);
        QCOMPARE(added, 0);
        while (model.canFetchMore()) {
            model.fetchMore();
            QVERIFY(writer.run(u"INSERT INTO Reject (Number) VALUES ('1')"_s));
        }

        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row) {
            QStringList values;
            for (int column = 0; column < model.columnCount(); ++column)
                values.append(model.index(row, column).data(Qt::EditRole).toString());
            shown.append(values.join(u'|'));
        }
        const QString chosen = sortBy.isEmpty() ? QString() : u"\"%1\" ASC, "_s.arg(sortBy);
        const QString whole = index
            ? u"SELECT DISTINCT Name, Number FROM CID ORDER BY %1Name"_s.arg(chosen)
            : u"SELECT rowid, Name, Number, SysTime FROM CID %1 ORDER BY %2SysTime DESC, rowid DESC"_s.arg(
                name.isEmpty() ? QString() : u"WHERE Name LIKE '%%1%'"_s.arg(name), chosen);
        QCOMPARE(shown, f.rows(whole));
    }

    void insertCall_boundValues_readOnlyFileFails()
    {
        Fixture f;
        QVERIFY(f.create());
        QVERIFY(f.database.InsertCall(u"O'BRIEN; DROP TABLE CID"_s, u"ID BLOCKED"_s, u"06/12"_s, u"NONE"_s));
        // Another attempt for a call whose first one may have reached the file stores it once.
        QVERIFY(f.database.InsertCall(u"O'BRIEN; DROP TABLE CID"_s, u"ID BLOCKED"_s, u"06/12"_s, u"NONE"_s,
                                      f.clock.now(), true));
        QCOMPARE(f.rows(u"SELECT Name, Number, Date, Time, SysTime FROM CID"_s),
                 QStringList { u"O'BRIEN; DROP TABLE CID|ID BLOCKED|06/12|NONE|2026-06-12 14:32:00"_s });
        QCOMPARE(chmod(QFile::encodeName(f.file(u"CallerID.mdb"_s)).constData(), 0444), 0);
        QVERIFY(giveToNobody({ f.app.path(), f.dir }));
        const auto user = asNobody();
        QVERIFY(f.database.OpenCallDatabase());
        QString error;
        QVERIFY(!f.database.InsertCall(u"JOHN DOE"_s, u"555-123-4567"_s, u"06/12"_s, u"14:32"_s, &error));
        QCOMPARE(error, CallDatabase::problemText(DbProblem::PermissionDenied));
        QVERIFY(!ListEntries(f.database).add(RecordList::Reject, u"1"_s, u"A"_s));
        QVERIFY(f.database.isOpen());
    }

    void log()
    {
        Fixture f;
        const QByteArray stamp1 = dateTimeText(f.clock.now()).toLatin1();
        QVERIFY(f.log.WriteLog(u"Program started"_s));
        f.clock.advance(1000);
        const QByteArray stamp2 = dateTimeText(f.clock.now()).toLatin1();
        QVERIFY(f.log.WriteLog(u"Caf\u00e9 \u00ff \u0141UKASZ"_s)); // UTF-8: no character is lost
        const QByteArray stars(85, '*');
        const QByteArray header = stars
            + "\r\nProcess Name:            Quillon CallerID\r\nExecutable Version:      2.52.94"
            + "\r\nExecutable Image:        " + f.dir.toUtf8() + "/QuillonCID\r\n\r\n" + stars + "\r\n\r\n\r\n";
        const QString path = f.file(u"CID.Log"_s);
        QCOMPARE(contents(path),
                 header + stamp1 + " Program started\r\n" + stamp2 + " Caf\xc3\xa9 \xc3\xbf \xc5\x81UKASZ\r\n");
        // Callers' numbers are nobody else's business.
        QCOMPARE(QFile::permissions(path) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);

        QVERIFY(QFile::remove(path));
        QVERIFY(f.log.WriteLog(u"two"_s));
        QCOMPARE(contents(path), header + stamp2 + " two\r\n");

        QVERIFY(QFile::remove(path));
        QVERIFY(!ActivityLog(f.file(u"gone"_s), f.settings, f.clock).WriteLog(u"into a missing directory"_s));
        QVERIFY(QDir(f.dir).mkpath(u"sub/CID.Log"_s));
        QVERIFY(!ActivityLog(f.file(u"sub"_s), f.settings, f.clock).WriteLog(u"into a directory"_s));
        QCOMPARE(QDir(f.dir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot), QStringList { u"sub"_s });

        // A read-only directory.
        const QString readOnly = f.file(u"ro"_s);
        QVERIFY(QDir().mkpath(readOnly) && chmod(QFile::encodeName(readOnly).constData(), 0555) == 0);
        QVERIFY(giveToNobody({ readOnly }));
        const auto user = asNobody();
        QVERIFY(!ActivityLog(readOnly, f.settings, f.clock).WriteLog(u"into a read-only directory"_s));
        QVERIFY(!QFile::exists(readOnly + u"/CID.Log"_s));
    }
};

QTEST_GUILESS_MAIN(TestCallDatabase)
#include "tst_calldatabase.moc"

// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/workingsettings.h"
#include "platform/datetimetext.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"
#include "support/appdir.h"
#include "support/fakeclock.h"
#include "support/recordingboxes.h"

#include <QDir>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTest>

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
    // Opens a database made from the schema, then adds "number=name;..." rows ('~': NULL) to table.
    bool create(const QString& table = {}, const QString& rows = {})
    {
        bool ok = app.createDatabase() && QFile::rename(app.databasePath(), file(u"CallerID.mdb"_s))
            && database.OpenCallDatabase(boxes);
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
    RecordingBoxes boxes;
    CallDatabase database { dir, settings, log, clock };
};

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestCallDatabase : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void open_unusableFile_fails_data();
    void open_unusableFile_fails();
    void lists_data();
    void lists();
    void insertCall_boundValues_readOnlyFileFails();
    void log();
};

void TestCallDatabase::open_unusableFile_fails_data()
{
    QTest::addColumn<QString>("damage"); // statements run on a schema-made file, or the file's text
    for (const char* damage : { "", "Name,Number\r\n", "DROP TABLE CID", "DROP TABLE Reject", "DROP TABLE Translate",
                                "DROP INDEX idx_cid_systime;ALTER TABLE CID DROP COLUMN SysTime" })
        QTest::newRow(damage) << QString::fromLatin1(damage);
}

void TestCallDatabase::open_unusableFile_fails()
{
    QFETCH(QString, damage);
    Fixture f;
    const QString path = f.file(u"CallerID.mdb"_s);
    if (damage.startsWith(u"DROP"_s)) {
        QVERIFY(f.create());
        for (const QString& statement : damage.split(u';'))
            QVERIFY(QSqlQuery(f.database.connection()).exec(statement));
    } else if (!damage.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(damage.toLatin1()) > 0);
    }
    const QByteArray before = contents(path);

    QVERIFY(!f.database.OpenCallDatabase(f.boxes) && !f.database.isOpen());
    QVERIFY(f.boxes.shown.size() == 1 && f.boxes.shown[0].icon == MessageBoxes::Icon::Stop
            && f.boxes.shown[0].buttons == MessageBoxes::Buttons::Ok);
    QCOMPARE(f.boxes.shown[0].caption + u'|' + f.boxes.shown[0].text,
             u"No Database Connection|The CallerID.mdb database could not be located!\r\nWithout the database "
             "connection, not all Quillon CallerID features will function properly."_s);
    QVERIFY(contents(f.file(u"CID.Log"_s)).endsWith(" Database connection could not be established.\r\n"));
    QCOMPARE(contents(path), before); // never created, never changed
    QCOMPARE(QDir(f.app.path()).entryList(QDir::Files), QStringList());
}

void TestCallDatabase::lists_data()
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
             "Translate: 555-123-4567=Mom;555-123-4567=~ | JOHN DOE | 555-123-4567 -> false JOHN DOE",
             "Reject: 555-123-4567=SOMEONE | JOHN DOE | 555-123-4567 -> 1",
             "Reject: ~=O'Hare \"Sales\" | O'Hare \"Sales\" | 555-123-4567 -> 1",
             "Reject: 555-123-4567=~;~=JOHN DOE;555-123-4567=JOHN DOE | JOHN DOE | 555-123-4567 -> 1",
             "Reject: ~=john doe | JOHN DOE | 555-123-4567 -> 0",
             "Reject: UNKNOWN=~ | UNKNOWN | UNKNOWN -> 1",
             "Reject: ID BLOCKED=~ | ANONYMOUS CALLER | ID BLOCKED -> 1",
             "Reject: 1=~ |  | 555-123-4567 -> 0",
             "Reject: 1= |  | 555-123-4567 -> 1",
             "Reject off: 555-123-4567=~ | JOHN DOE | 555-123-4567 -> 0",
         })
        QTest::newRow(lookUp) << QString::fromLatin1(lookUp);
}

void TestCallDatabase::lists()
{
    QFETCH(QString, lookUp);
    const QString table = lookUp.section(u": "_s, 0, 0);
    const QStringList parts = lookUp.section(u": "_s, 1).section(u" -> "_s, 0, 0).split(u" | "_s); // rows, name, number
    QString name = parts.value(1);

    Fixture f;
    QVERIFY(f.create(table.section(u' ', 0, 0), parts.value(0)));
    if (table == u"Reject off"_s) { // the list is not even read
        f.settings.Reject = false;
        QVERIFY(QSqlQuery(f.database.connection()).exec(u"DROP TABLE Reject"_s));
    }
    bool listed = false;
    const bool ok = table == u"Translate"_s ? f.database.TranslateCaller(name, parts.value(2))
                                            : f.database.CheckReject(name, parts.value(2), listed);
    const QString result = table == u"Translate"_s ? name : QString::number(int(listed));
    QCOMPARE((ok ? QString() : u"false "_s) + result, lookUp.section(u" -> "_s, 1));
    QCOMPARE(f.database.lastError().isEmpty(), ok);
}

void TestCallDatabase::insertCall_boundValues_readOnlyFileFails()
{
    Fixture f;
    QVERIFY(f.create());
    QVERIFY(f.database.InsertCall(u"O'BRIEN; DROP TABLE CID"_s, u"ID BLOCKED"_s, u"06/12"_s, u"NONE"_s));
    QSqlQuery query(u"SELECT Name || '|' || Number || '|' || Date || '|' || Time || '|' || SysTime FROM CID"_s,
                    f.database.connection());
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), u"O'BRIEN; DROP TABLE CID|ID BLOCKED|06/12|NONE|2026-06-12 14:32:00"_s);
    QCOMPARE(chmod(QFile::encodeName(f.file(u"CallerID.mdb"_s)).constData(), 0444), 0);
    // root ignores permission bits: file access runs as an ordinary user.
    const bool root = geteuid() == 0;
    for (const QString& dir : { f.app.path(), f.dir })
        QVERIFY(!root || chown(QFile::encodeName(dir).constData(), 65534, 65534) == 0);
    const auto user = qScopeGuard([] { setfsuid(geteuid()); });
    if (root)
        setfsuid(65534);
    QVERIFY(f.database.OpenCallDatabase(f.boxes));
    QVERIFY(!f.database.InsertCall(u"JOHN DOE"_s, u"555-123-4567"_s, u"06/12"_s, u"14:32"_s));
    QVERIFY(!f.database.lastError().isEmpty());
    QVERIFY(!f.database.AddReject(u"1"_s, u"A"_s));
    QVERIFY(f.database.isOpen());
}

void TestCallDatabase::log()
{
    Fixture f;
    const QByteArray stamp1 = dateTimeText(f.clock.now()).toLatin1();
    QVERIFY(f.log.WriteLog(u"Program started"_s));
    f.clock.advance(1000);
    const QByteArray stamp2 = dateTimeText(f.clock.now()).toLatin1();
    QVERIFY(f.log.WriteLog(u"Caf\u00e9 \u00ff"_s));
    const QByteArray stars(85, '*');
    const QByteArray header = stars
        + "\r\nProcess Name:            Quillon CallerID\r\nExecutable Version:      2.52.94"
        + "\r\nExecutable Image:        " + f.dir.toLatin1() + "/QuillonCID\r\n\r\n" + stars + "\r\n\r\n\r\n";
    const QString path = f.file(u"CID.Log"_s);
    QCOMPARE(contents(path), header + stamp1 + " Program started\r\n" + stamp2 + " Caf\xe9 \xff\r\n");
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

    // A read-only directory, as an ordinary user (root ignores permission bits).
    const QString readOnly = f.file(u"ro"_s);
    QVERIFY(QDir().mkpath(readOnly) && chmod(QFile::encodeName(readOnly).constData(), 0555) == 0);
    QVERIFY(geteuid() != 0 || chown(QFile::encodeName(readOnly).constData(), 65534, 65534) == 0);
    const auto user = qScopeGuard([] { setfsuid(geteuid()); });
    if (geteuid() == 0)
        setfsuid(65534);
    QVERIFY(!ActivityLog(readOnly, f.settings, f.clock).WriteLog(u"into a read-only directory"_s));
    QVERIFY(!QFile::exists(readOnly + u"/CID.Log"_s));
}

QTEST_GUILESS_MAIN(TestCallDatabase)
#include "tst_calldatabase.moc"

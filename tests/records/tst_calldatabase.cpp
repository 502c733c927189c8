// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/workingsettings.h"
#include "platform/qtserialport.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"
#include "support/appdir.h"
#include "support/fakeclock.h"
#include "support/recordingboxes.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Quillon;
using namespace Quillon::Test;

namespace {

using Rows = QList<QPair<QVariant, QVariant>>; // Number, Name; a null QVariant stores NULL

// Runs statements on a connection of its own, as another program (or the next
// start) would; returns the rows of the last one, fields joined by '|'.
QStringList sql(const QString& path, const QStringList& statements, const Rows& values = {})
{
    QStringList result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery query(db);
        for (const QString& statement : statements) {
            for (const auto& [number, name] : values.isEmpty() ? Rows { {} } : values) {
                query.prepare(statement);
                if (statement.contains(QLatin1Char('?'))) {
                    query.addBindValue(number);
                    query.addBindValue(name);
                }
                if (!query.exec())
                    result.append(QStringLiteral("error: ") + statement);
            }
        }
        while (query.next()) {
            QStringList fields;
            for (int i = 0; i < query.record().count(); ++i)
                fields.append(query.value(i).toString());
            result.append(fields.join(QLatin1Char('|')));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("peek"));
    return result;
}

// Everything a CallDatabase needs, real but for the clock and the boxes.
struct Fixture
{
    explicit Fixture(const QString& appDir = {})
        : dir(appDir.isEmpty() ? app.path() : appDir)
    {
        settings.EnableLog = true;
    }
    // A database made from the schema, with these rows in table, opened.
    bool create(const QString& table, const Rows& rows)
    {
        const QString insert = QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (Number, Name) VALUES (?, ?)");
        return app.createDatabase() && (rows.isEmpty() || sql(app.databasePath(), { insert }, rows).isEmpty())
            && database.OpenCallDatabase(boxes);
    }
    qsizetype rejections() const { return app.logMessages().count(QStringLiteral("Call Rejected")); }

    AppDir app;
    QString dir;
    WorkingSettings settings;
    FakeClock clock;
    QtSerialPort port { dir };
    ActivityLog log { dir, settings, clock };
    RecordingBoxes boxes;
    CallDatabase database { dir, settings, log, clock, port };
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
    void awkwardDirectoryName_data();
    void awkwardDirectoryName();
    void translateCaller_data();
    void translateCaller();
    void checkReject_data();
    void checkReject();
    void checkReject_flagOff_neverReadsTheList();
    void insertCall_readOnlyFile_fails();
};

void TestCallDatabase::open_unusableFile_fails_data()
{
    QTest::addColumn<QByteArray>("content"); // raw file content; empty: made from the schema, then damaged
    QTest::addColumn<QString>("damage");

    QTest::newRow("missing") << QByteArray("<missing>") << QString();
    QTest::newRow("text file") << QByteArray("Name,Number\r\nJOHN DOE,5551234567\r\n").repeated(200) << QString();
    QTest::newRow("no CID table") << QByteArray() << QStringLiteral("DROP TABLE CID");
    QTest::newRow("no Reject table") << QByteArray() << QStringLiteral("DROP TABLE Reject");
    QTest::newRow("no Translate table") << QByteArray() << QStringLiteral("DROP TABLE Translate");
    QTest::newRow("CID without SysTime") << QByteArray()
                                         << QStringLiteral(
                                                "DROP INDEX idx_cid_systime; ALTER TABLE CID DROP COLUMN SysTime");
}

void TestCallDatabase::open_unusableFile_fails()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, damage);

    Fixture f;
    if (content.isEmpty()) {
        QVERIFY(f.app.createDatabase());
        QCOMPARE(sql(f.app.databasePath(), damage.split(QStringLiteral("; "))), QStringList());
    } else if (content != "<missing>") {
        QFile file(f.app.databasePath());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    }
    const QByteArray before = contents(f.app.databasePath());

    QVERIFY(!f.database.OpenCallDatabase(f.boxes));
    QVERIFY(!f.database.isOpen());
    QCOMPARE(f.boxes.shown.size(), 1);
    QCOMPARE(f.boxes.shown[0].text,
             QStringLiteral("The CallerID.mdb database could not be located!\r\nWithout the database connection, not "
                            "all Quillon CallerID features will function properly."));
    QCOMPARE(f.boxes.shown[0].caption, QStringLiteral("No Database Connection"));
    QCOMPARE(f.boxes.shown[0].icon, MessageBoxes::Icon::Stop);
    QCOMPARE(f.boxes.shown[0].buttons, MessageBoxes::Buttons::Ok);
    QCOMPARE(f.app.logMessages(), QStringList { QStringLiteral("Database connection could not be established.") });
    QCOMPARE(contents(f.app.databasePath()), before); // never created, never changed
}

void TestCallDatabase::awkwardDirectoryName_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<bool>("present");
    for (const char* name :
         { "Caller ID", "calls #2", "what?mode=rwc", "100%25 sure", "Anrufe f\xc3\xbcr J\xc3\xbcrgen" }) {
        QTest::addRow("%s, present", name) << QString::fromUtf8(name) << true;
        QTest::addRow("%s, missing", name) << QString::fromUtf8(name) << false;
    }
}

// A '?' or '#' read as part of a URI would open (or create) some other file.
void TestCallDatabase::awkwardDirectoryName()
{
    QFETCH(QString, directory);
    QFETCH(bool, present);

    AppDir outer;
    const QString appDir = outer.file(directory);
    const QString path = appDir + QStringLiteral("/CallerID.mdb");
    QVERIFY(QDir().mkpath(appDir));
    if (present)
        QVERIFY(outer.createDatabase() && QFile::rename(outer.databasePath(), path));

    Fixture f(appDir);
    QCOMPARE(f.database.OpenCallDatabase(f.boxes), present);
    QCOMPARE(QDir(outer.path()).entryList(QDir::Files), QStringList());
    if (!present) {
        QCOMPARE(QDir(appDir).entryList(QDir::Files), QStringList { QStringLiteral("CID.Log") });
        return;
    }
    // Values are bound, never spliced into the statement.
    QVERIFY(f.database.InsertCall(QStringLiteral("O'BRIEN; DROP TABLE CID"), QStringLiteral("ID BLOCKED"),
                                  QStringLiteral("06/12"), QStringLiteral("NONE")));
    QCOMPARE(sql(path, { QStringLiteral("SELECT Name, Number, Date, Time, SysTime FROM CID") }),
             QStringList { QStringLiteral("O'BRIEN; DROP TABLE CID|ID BLOCKED|06/12|NONE|2026-06-12 14:32:00") });
}

void TestCallDatabase::translateCaller_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("expected"); // the name afterwards; "false " in front when it failed

    const QString n = QStringLiteral("555-123-4567");
    const QString mom = QStringLiteral("Mom");
    const QString john = QStringLiteral("JOHN DOE");
    QTest::newRow("not listed") << Rows { { QStringLiteral("555-000-0000"), mom } } << n << john;
    QTest::newRow("listed") << Rows { { n, mom } } << n << mom;
    QTest::newRow("last of two wins") << Rows {
        { n, mom }, { QStringLiteral("1"), QStringLiteral("X") }, { n, QStringLiteral("Mother") }
    } << n << QStringLiteral("Mother");
    QTest::newRow("other layout") << Rows { { QStringLiteral("5551234567"), mom } } << n << john;
    QTest::newRow("trailing blank") << Rows { { QString(n + QLatin1Char(' ')), mom } } << n << john;
    QTest::newRow("UNKNOWN") << Rows { { QStringLiteral("UNKNOWN"), mom } } << QStringLiteral("UNKNOWN") << mom;
    QTest::newRow("ID BLOCKED") << Rows { { QStringLiteral("ID BLOCKED"), mom } } << QStringLiteral("ID BLOCKED")
                                << mom;
    QTest::newRow("letter case") << Rows { { QStringLiteral("unknown"), mom } } << QStringLiteral("UNKNOWN") << john;
    QTest::newRow("empty name") << Rows { { n, QStringLiteral("") } } << n << QString();
    QTest::newRow("last has no name") << Rows { { n, mom }, { n, QVariant() } } << n
                                      << QStringLiteral("false JOHN DOE");
    QTest::newRow("earlier has no name") << Rows { { n, QVariant() }, { n, mom } } << n << mom;
    QTest::newRow("no number") << Rows { { QVariant(), QStringLiteral("Nobody") } } << QString() << john;
}

void TestCallDatabase::translateCaller()
{
    QFETCH(Rows, rows);
    QFETCH(QString, number);
    QFETCH(QString, expected);

    Fixture f;
    QVERIFY(f.create(QStringLiteral("Translate"), rows));
    QString name = QStringLiteral("JOHN DOE");
    const bool ok = f.database.TranslateCaller(name, number);
    QCOMPARE((ok ? QString() : QStringLiteral("false ")) + name, expected);
    QCOMPARE(f.database.lastError().isEmpty(), ok);
}

void TestCallDatabase::checkReject_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("rejections");

    const QString n = QStringLiteral("555-123-4567");
    const QString john = QStringLiteral("JOHN DOE");
    const QString quoted = QStringLiteral("O'Hare \"Sales\"");
    QTest::newRow("empty list") << Rows {} << john << n << 0;
    QTest::newRow("number") << Rows { { n, QStringLiteral("SOMEONE") } } << john << n << 1;
    QTest::newRow("name") << Rows { { QStringLiteral("555-999-9999"), john } } << john << n << 1;
    QTest::newRow("quoted name") << Rows { { QVariant(), quoted } } << quoted << n << 1;
    QTest::newRow("number and name in one row") << Rows { { n, john } } << john << n << 1;
    QTest::newRow("several rows") << Rows { { n, QVariant() }, { QVariant(), john }, { n, john } } << john << n << 1;
    QTest::newRow("name in lower case") << Rows { { QVariant(), QStringLiteral("john doe") } } << john << n << 0;
    QTest::newRow("other layout") << Rows { { QStringLiteral("5551234567"), QVariant() } } << john << n << 0;
    QTest::newRow("trailing blank") << Rows { { QVariant(), QStringLiteral("JOHN DOE ") } } << john << n << 0;
    QTest::newRow("part of the name") << Rows { { QVariant(), QStringLiteral("JOHN") } } << john << n << 0;
    QTest::newRow("UNKNOWN") << Rows { { QStringLiteral("UNKNOWN"), QVariant() } } << QStringLiteral("UNKNOWN")
                             << QStringLiteral("UNKNOWN") << 1;
    QTest::newRow("ID BLOCKED") << Rows { { QStringLiteral("ID BLOCKED"), QVariant() } }
                                << QStringLiteral("ANONYMOUS CALLER") << QStringLiteral("ID BLOCKED") << 1;
    QTest::newRow("NULL is no empty name") << Rows { { QStringLiteral("1"), QVariant() } } << QString() << n << 0;
    QTest::newRow("empty name") << Rows { { QStringLiteral("1"), QStringLiteral("") } } << QStringLiteral("") << n << 1;
}

void TestCallDatabase::checkReject()
{
    QFETCH(Rows, rows);
    QFETCH(QString, name);
    QFETCH(QString, number);
    QFETCH(int, rejections);

    Fixture f;
    QVERIFY(f.create(QStringLiteral("Reject"), rows));
    QVERIFY(f.database.CheckReject(name, number));
    QCOMPARE(f.rejections(), qsizetype(rejections));
    QCOMPARE(f.clock.totalSleptMs(), qint64(1350) * rejections); // answer, then hang up
}

void TestCallDatabase::checkReject_flagOff_neverReadsTheList()
{
    Fixture f;
    QVERIFY(f.create(QStringLiteral("Reject"), { { QStringLiteral("555-123-4567"), QVariant() } }));
    f.settings.Reject = false;
    QVERIFY(f.database.CheckReject(QStringLiteral("JOHN DOE"), QStringLiteral("555-123-4567")));
    // A list that cannot be read is no failure while the list is not used.
    QCOMPARE(sql(f.app.databasePath(), { QStringLiteral("DROP TABLE Reject") }), QStringList());
    QVERIFY(f.database.CheckReject(QStringLiteral("JOHN DOE"), QStringLiteral("555-123-4567")));
    f.settings.Reject = true;
    QVERIFY(!f.database.CheckReject(QStringLiteral("JOHN DOE"), QStringLiteral("555-123-4567")));
    QCOMPARE(f.rejections(), qsizetype(0));
}

void TestCallDatabase::insertCall_readOnlyFile_fails()
{
    Fixture f;
    QVERIFY(f.app.createDatabase());
    // root ignores permission bits: act as an ordinary user for file access.
    const bool root = geteuid() == 0;
    const uid_t nobody = 65534;
    if (root)
        QCOMPARE(chown(QFile::encodeName(f.app.path()).constData(), nobody, nobody), 0);
    QCOMPARE(chmod(QFile::encodeName(f.app.databasePath()).constData(), 0444), 0);
    const auto restore = qScopeGuard([root] {
        if (root)
            setfsuid(0);
    });
    if (root)
        setfsuid(nobody);

    f.settings.EnableLog = false;
    QVERIFY(f.database.OpenCallDatabase(f.boxes));
    QString name = QStringLiteral("JOHN DOE");
    QVERIFY(f.database.TranslateCaller(name, QStringLiteral("555-123-4567")));
    QVERIFY(
        !f.database.InsertCall(name, QStringLiteral("555-123-4567"), QStringLiteral("06/12"), QStringLiteral("14:32")));
    QVERIFY(!f.database.lastError().isEmpty());
    QVERIFY(!f.database.AddReject(QStringLiteral("1"), QStringLiteral("A")));
    QVERIFY(f.database.isOpen());
}

QTEST_GUILESS_MAIN(TestCallDatabase)
#include "tst_calldatabase.moc"

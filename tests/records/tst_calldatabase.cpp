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
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QUuid>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Quillon;
using namespace Quillon::Test;

namespace {

using Row = QPair<QVariant, QVariant>; // Number, Name; a null QVariant stores NULL
using Rows = QList<Row>;

// A second, independent connection: what another program (or the next start)
// finds in the file.
class Peek
{
public:
    explicit Peek(const QString& path)
        : m_name(QUuid::createUuid().toString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.open();
    }
    ~Peek()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    bool exec(const QString& sql, const QVariantList& values = {})
    {
        QSqlQuery query(QSqlDatabase::database(m_name));
        query.prepare(sql);
        for (const QVariant& value : values)
            query.addBindValue(value);
        return query.exec();
    }
    QList<QStringList> rows(const QString& sql)
    {
        QList<QStringList> result;
        QSqlQuery query(QSqlDatabase::database(m_name));
        query.exec(sql);
        while (query.next()) {
            QStringList row;
            for (int i = 0; i < query.record().count(); ++i)
                row.append(query.value(i).isNull() ? QStringLiteral("<NULL>") : query.value(i).toString());
            result.append(row);
        }
        return result;
    }
    void insert(const QString& table, const Rows& rows)
    {
        for (const Row& row : rows)
            exec(QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (Number, Name) VALUES (?, ?)"),
                 { row.first, row.second });
    }

private:
    QString m_name;
};

// Everything a CallDatabase needs, real but for the clock and the boxes.
struct Fixture
{
    explicit Fixture(const QString& appDir = {})
        : dir(appDir.isEmpty() ? app.path() : appDir)
        , port(dir)
        , log(dir, settings, clock)
        , database(dir, settings, log, clock, port)
    {
        settings.EnableLog = true;
    }
    bool open() { return database.OpenCallDatabase(boxes); }
    qsizetype rejections() const { return app.logMessages().count(QStringLiteral("Call Rejected")); }

    AppDir app;
    QString dir;
    WorkingSettings settings;
    FakeClock clock;
    QtSerialPort port;
    ActivityLog log;
    RecordingBoxes boxes;
    CallDatabase database;
};

const QString missingText = QStringLiteral("The CallerID.mdb database could not be located!\r\nWithout the database "
                                           "connection, not all Quillon CallerID features will function properly.");

} // namespace

class TestCallDatabase : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void open_missingFile_failsAndCreatesNothing();
    void open_unusableFile_fails_data();
    void open_unusableFile_fails();
    void open_awkwardDirectoryName_data();
    void open_awkwardDirectoryName();
    void closedConnection_doesNothing();
    void insertCall_isDurableAtOnce();
    void translateCaller_data();
    void translateCaller();
    void checkReject_data();
    void checkReject();
    void checkReject_flagOff_neverReadsTheList();
    void rejectCall_sendsAnswerAndHangUpWithTheirWaits();
    void addedEntries_takeEffectWithTheNextCall();
    void insertCall_readOnly_fails_data();
    void insertCall_readOnly_fails();
};

void TestCallDatabase::open_missingFile_failsAndCreatesNothing()
{
    Fixture f;
    QVERIFY(!f.open());
    QVERIFY(!f.database.isOpen());
    QVERIFY(!QFile::exists(f.app.databasePath()));
    QCOMPARE(f.boxes.shown.size(), 1);
    QCOMPARE(f.boxes.shown[0].text, missingText);
    QCOMPARE(f.boxes.shown[0].caption, QStringLiteral("No Database Connection"));
    QCOMPARE(f.boxes.shown[0].icon, MessageBoxes::Icon::Stop);
    QCOMPARE(f.boxes.shown[0].buttons, MessageBoxes::Buttons::Ok);
    QCOMPARE(f.app.logMessages(), QStringList { QStringLiteral("Database connection could not be established.") });
}

void TestCallDatabase::open_unusableFile_fails_data()
{
    QTest::addColumn<QByteArray>("content"); // raw file content, or empty for a schema-made database
    QTest::addColumn<QString>("damage"); // statement run on the schema-made database

    QTest::newRow("text file") << QByteArray("Name,Number\r\nJOHN DOE,5551234567\r\n").repeated(200) << QString();
    QTest::newRow("empty database") << QByteArray()
                                    << QStringLiteral("DROP TABLE CID; DROP TABLE Reject; DROP TABLE Translate");
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
        Peek peek(f.app.databasePath());
        for (const QString& statement : damage.split(QStringLiteral("; ")))
            QVERIFY(peek.exec(statement));
    } else {
        QFile file(f.app.databasePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QFile before(f.app.databasePath());
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();

    QVERIFY(!f.open());
    QVERIFY(!f.database.isOpen());
    QVERIFY(!f.database.lastError().isEmpty());
    QCOMPARE(f.boxes.shown.size(), 1);
    QCOMPARE(f.boxes.shown[0].text, missingText);
    QCOMPARE(f.app.logMessages(), QStringList { QStringLiteral("Database connection could not be established.") });
    QFile after(f.app.databasePath());
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), bytes);
}

void TestCallDatabase::open_awkwardDirectoryName_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<bool>("present");

    for (const QString& name :
         { QStringLiteral("Caller ID"), QStringLiteral("calls #2"), QStringLiteral("what?mode=rwc"),
           QStringLiteral("100%25 sure"), QStringLiteral("Anrufe für Jürgen") }) {
        QTest::addRow("%s, present", qPrintable(name)) << name << true;
        QTest::addRow("%s, missing", qPrintable(name)) << name << false;
    }
}

// A directory name must never be read as part of the URI: a '?' or '#' that
// slipped through would open (or create) some other file.
void TestCallDatabase::open_awkwardDirectoryName()
{
    QFETCH(QString, directory);
    QFETCH(bool, present);

    AppDir outer;
    const QString appDir = outer.file(directory);
    QVERIFY(QDir().mkpath(appDir));
    const QString path = appDir + QStringLiteral("/CallerID.mdb");
    if (present) {
        QVERIFY(outer.createDatabase());
        QVERIFY(QFile::rename(outer.databasePath(), path));
    }

    Fixture f(appDir);
    QCOMPARE(f.open(), present);
    QCOMPARE(f.database.databasePath(), path);
    QCOMPARE(QFile::exists(path), present);
    QCOMPARE(QDir(outer.path()).entryList(QDir::Files), QStringList());
    if (!present) {
        QCOMPARE(QDir(appDir).entryList(QDir::Files), QStringList { QStringLiteral("CID.Log") });
        return;
    }
    QVERIFY(f.database.InsertCall(QStringLiteral("JOHN DOE"), QStringLiteral("555-123-4567"), QStringLiteral("06/12"),
                                  QStringLiteral("14:32")));
    Peek peek(path);
    QCOMPARE(peek.rows(QStringLiteral("SELECT Name FROM CID")), QList<QStringList> { { QStringLiteral("JOHN DOE") } });
}

void TestCallDatabase::closedConnection_doesNothing()
{
    Fixture f;
    QVERIFY(f.app.createDatabase());
    {
        Peek peek(f.app.databasePath());
        peek.insert(QStringLiteral("Translate"), { { QStringLiteral("555-123-4567"), QStringLiteral("MOM") } });
        peek.insert(QStringLiteral("Reject"), { { QStringLiteral("555-123-4567"), QStringLiteral("JOHN DOE") } });
    }
    // Never opened.
    QString name = QStringLiteral("JOHN DOE");
    QVERIFY(f.database.TranslateCaller(name, QStringLiteral("555-123-4567")));
    QCOMPARE(name, QStringLiteral("JOHN DOE"));
    QVERIFY(f.database.CheckReject(name, QStringLiteral("555-123-4567")));
    QVERIFY(
        f.database.InsertCall(name, QStringLiteral("555-123-4567"), QStringLiteral("06/12"), QStringLiteral("14:32")));
    QVERIFY(f.database.AddReject(QStringLiteral("1"), QStringLiteral("A")));
    QVERIFY(f.database.AddTranslate(QStringLiteral("2"), QStringLiteral("B")));
    QCOMPARE(f.clock.totalSleptMs(), qint64(0));
    QCOMPARE(f.rejections(), qsizetype(0));
    Peek peek(f.app.databasePath());
    QCOMPARE(peek.rows(QStringLiteral("SELECT count(*) FROM CID")), QList<QStringList> { { QStringLiteral("0") } });
    QCOMPARE(peek.rows(QStringLiteral("SELECT count(*) FROM Reject")), QList<QStringList> { { QStringLiteral("1") } });
}

// Stored means on disk: another connection sees the row as soon as InsertCall
// returns, and the connection syncs every commit.
void TestCallDatabase::insertCall_isDurableAtOnce()
{
    Fixture f;
    QVERIFY(f.app.createDatabase());
    QVERIFY(f.open());
    QCOMPARE(f.app.logMessages(), QStringList { QStringLiteral("Database connection established.") });

    QVERIFY(f.database.InsertCall(QStringLiteral("O'BRIEN; DROP TABLE CID"), QStringLiteral("ID BLOCKED"),
                                  QStringLiteral("06/12"), QStringLiteral("NONE")));
    Peek peek(f.app.databasePath());
    QCOMPARE(peek.rows(QStringLiteral("SELECT Name, Number, Date, Time, SysTime FROM CID")),
             (QList<QStringList> { { QStringLiteral("O'BRIEN; DROP TABLE CID"), QStringLiteral("ID BLOCKED"),
                                     QStringLiteral("06/12"), QStringLiteral("NONE"),
                                     QStringLiteral("2026-06-12 14:32:00") } }));

    QSqlQuery pragma(f.database.connection());
    QVERIFY(pragma.exec(QStringLiteral("PRAGMA synchronous")) && pragma.next());
    QVERIFY2(pragma.value(0).toInt() >= 2, "commits must be synced to disk");
}

void TestCallDatabase::translateCaller_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("expectedName");
    QTest::addColumn<bool>("ok");

    const QString n = QStringLiteral("555-123-4567");
    const QString caller = QStringLiteral("JOHN DOE");
    QTest::newRow("not listed") << Rows { { QStringLiteral("555-000-0000"), QStringLiteral("BOB") } } << n << caller
                                << true;
    QTest::newRow("listed") << Rows { { n, QStringLiteral("Mom") } } << n << QStringLiteral("Mom") << true;
    QTest::newRow("last of two wins") << Rows {
        { n, QStringLiteral("Mom") }, { QStringLiteral("1"), QStringLiteral("X") }, { n, QStringLiteral("Mother") }
    } << n << QStringLiteral("Mother") << true;
    QTest::newRow("other layout") << Rows { { QStringLiteral("5551234567"), QStringLiteral("Mom") } } << n << caller
                                  << true;
    QTest::newRow("trailing blank") << Rows { { QString(n + QLatin1Char(' ')), QStringLiteral("Mom") } } << n << caller
                                    << true;
    QTest::newRow("UNKNOWN") << Rows { { QStringLiteral("UNKNOWN"), QStringLiteral("Private") } }
                             << QStringLiteral("UNKNOWN") << QStringLiteral("Private") << true;
    QTest::newRow("ID BLOCKED") << Rows { { QStringLiteral("ID BLOCKED"), QStringLiteral("Blocked") } }
                                << QStringLiteral("ID BLOCKED") << QStringLiteral("Blocked") << true;
    QTest::newRow("letter case") << Rows { { QStringLiteral("unknown"), QStringLiteral("Private") } }
                                 << QStringLiteral("UNKNOWN") << caller << true;
    QTest::newRow("empty name") << Rows { { n, QStringLiteral("") } } << n << QString() << true;
    QTest::newRow("last has no name") << Rows { { n, QStringLiteral("Mom") }, { n, QVariant() } } << n << caller
                                      << false;
    QTest::newRow("earlier has no name") << Rows { { n, QVariant() }, { n, QStringLiteral("Mom") } } << n
                                         << QStringLiteral("Mom") << true;
    QTest::newRow("no number") << Rows { { QVariant(), QStringLiteral("Nobody") } } << QString() << caller << true;
}

void TestCallDatabase::translateCaller()
{
    QFETCH(Rows, rows);
    QFETCH(QString, number);
    QFETCH(QString, expectedName);
    QFETCH(bool, ok);

    Fixture f;
    QVERIFY(f.app.createDatabase());
    Peek(f.app.databasePath()).insert(QStringLiteral("Translate"), rows);
    QVERIFY(f.open());

    QString name = QStringLiteral("JOHN DOE");
    QCOMPARE(f.database.TranslateCaller(name, number), ok);
    QCOMPARE(name, expectedName);
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
    QTest::newRow("empty list") << Rows {} << john << n << 0;
    QTest::newRow("number") << Rows { { n, QStringLiteral("SOMEONE") } } << john << n << 1;
    QTest::newRow("name") << Rows { { QStringLiteral("555-999-9999"), john } } << john << n << 1;
    QTest::newRow("number and name in one row") << Rows { { n, john } } << john << n << 1;
    QTest::newRow("several matching rows")
        << Rows { { n, QVariant() }, { QVariant(), john }, { n, john } } << john << n << 1;
    QTest::newRow("name in lower case") << Rows { { QVariant(), QStringLiteral("john doe") } } << john << n << 0;
    QTest::newRow("other number layout") << Rows { { QStringLiteral("5551234567"), QVariant() } } << john << n << 0;
    QTest::newRow("name with trailing blank") << Rows { { QVariant(), QStringLiteral("JOHN DOE ") } } << john << n << 0;
    QTest::newRow("part of the name") << Rows { { QVariant(), QStringLiteral("JOHN") } } << john << n << 0;
    QTest::newRow("UNKNOWN number") << Rows { { QStringLiteral("UNKNOWN"), QVariant() } } << QStringLiteral("UNKNOWN")
                                    << QStringLiteral("UNKNOWN") << 1;
    QTest::newRow("ID BLOCKED number") << Rows { { QStringLiteral("ID BLOCKED"), QVariant() } }
                                       << QStringLiteral("ANONYMOUS CALLER") << QStringLiteral("ID BLOCKED") << 1;
    QTest::newRow("NULL matches no empty name") << Rows { { QStringLiteral("1"), QVariant() } } << QString() << n << 0;
    QTest::newRow("empty name matches empty name")
        << Rows { { QStringLiteral("1"), QStringLiteral("") } } << QStringLiteral("") << n << 1;
}

void TestCallDatabase::checkReject()
{
    QFETCH(Rows, rows);
    QFETCH(QString, name);
    QFETCH(QString, number);
    QFETCH(int, rejections);

    Fixture f;
    QVERIFY(f.app.createDatabase());
    Peek(f.app.databasePath()).insert(QStringLiteral("Reject"), rows);
    QVERIFY(f.open());

    QVERIFY(f.database.CheckReject(name, number));
    QCOMPARE(f.rejections(), qsizetype(rejections));
    QCOMPARE(f.clock.totalSleptMs(), qint64(1350) * rejections);
}

void TestCallDatabase::checkReject_flagOff_neverReadsTheList()
{
    Fixture f;
    QVERIFY(f.app.createDatabase());
    Peek(f.app.databasePath()).insert(QStringLiteral("Reject"), { { QStringLiteral("555-123-4567"), QVariant() } });
    QVERIFY(f.open());
    f.settings.Reject = false;
    QVERIFY(f.database.CheckReject(QStringLiteral("JOHN DOE"), QStringLiteral("555-123-4567")));
    QCOMPARE(f.rejections(), qsizetype(0));

    // A list that cannot be read is no failure while the list is not used.
    Peek(f.app.databasePath()).exec(QStringLiteral("DROP TABLE Reject"));
    QVERIFY(f.database.CheckReject(QStringLiteral("JOHN DOE"), QStringLiteral("555-123-4567")));
    f.settings.Reject = true;
    QVERIFY(!f.database.CheckReject(QStringLiteral("JOHN DOE"), QStringLiteral("555-123-4567")));
    QCOMPARE(f.rejections(), qsizetype(0));
}

void TestCallDatabase::rejectCall_sendsAnswerAndHangUpWithTheirWaits()
{
    Fixture f;
    QList<int> sleeps;
    f.clock.setRealSliceMs(0);
    f.clock.setWaitHook([&](int ms) { sleeps.append(ms); });
    f.database.RejectCall(); // the port is closed: the commands are dropped, nothing fails
    QCOMPARE(sleeps, (QList<int> { 100, 1000, 250 }));
    QCOMPARE(f.app.logMessages(), QStringList { QStringLiteral("Call Rejected") });

    f.settings.EnableLog = false;
    f.database.RejectCall();
    QCOMPARE(f.rejections(), qsizetype(1));
}

void TestCallDatabase::addedEntries_takeEffectWithTheNextCall()
{
    Fixture f;
    QVERIFY(f.app.createDatabase());
    QVERIFY(f.open());
    QVERIFY(f.database.AddTranslate(QStringLiteral("555-123-4567"), QStringLiteral("Mom's cell")));
    QVERIFY(f.database.AddReject(QStringLiteral("800-555-0000"), QStringLiteral("O'Hare \"Sales\"")));

    QString name = QStringLiteral("WIRELESS CALLER");
    QVERIFY(f.database.TranslateCaller(name, QStringLiteral("555-123-4567")));
    QCOMPARE(name, QStringLiteral("Mom's cell"));
    QVERIFY(f.database.CheckReject(QStringLiteral("O'Hare \"Sales\""), QStringLiteral("UNKNOWN")));
    QCOMPARE(f.rejections(), qsizetype(1));
    Peek peek(f.app.databasePath());
    QCOMPARE(peek.rows(QStringLiteral("SELECT Number, Name FROM Translate")),
             (QList<QStringList> { { QStringLiteral("555-123-4567"), QStringLiteral("Mom's cell") } }));
}

void TestCallDatabase::insertCall_readOnly_fails_data()
{
    QTest::addColumn<bool>("readOnlyDirectory");
    QTest::newRow("read-only file") << false;
    QTest::newRow("read-only directory") << true;
}

void TestCallDatabase::insertCall_readOnly_fails()
{
    QFETCH(bool, readOnlyDirectory);

    Fixture f;
    QVERIFY(f.app.createDatabase());
    const QByteArray dir = QFile::encodeName(f.app.path());
    const QByteArray file = QFile::encodeName(f.app.databasePath());
    f.settings.EnableLog = false;

    // root ignores permission bits; act as an ordinary user for file access.
    const bool root = geteuid() == 0;
    const uid_t nobody = 65534;
    if (root) {
        QCOMPARE(chown(readOnlyDirectory ? file.constData() : dir.constData(), nobody, nobody), 0);
    }
    QCOMPARE(chmod(dir.constData(), readOnlyDirectory ? 0555 : 0755), 0);
    QCOMPARE(chmod(file.constData(), readOnlyDirectory ? 0644 : 0444), 0);
    struct Restore
    {
        bool root;
        QByteArray dir;
        ~Restore()
        {
            if (root)
                setfsuid(0);
            chmod(dir.constData(), 0700);
        }
    } restore { root, dir };
    if (root)
        setfsuid(nobody);

    const bool opened = f.open();
    QVERIFY(opened);
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

// SPDX-License-Identifier: GPL-2.0-or-later
// Where the program keeps the user's files: the choice between beside the
// program and the user's own folders, and what an installed first start makes.
#include "app/filelocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Quillon;
using namespace Qt::StringLiterals;

class TestFileLocations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choice_data();
    void choice();
    void installedFirstStart_data();
    void installedFirstStart();
};

namespace {

// "<root>" in an expected path stands for the test's temporary folder.
QString expand(const QString& pattern, const QString& root)
{
    return QString(pattern).replace(u"<root>"_s, root);
}

void touch(const QString& path, const QByteArray& content = {})
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

int permissions(const QString& path)
{
    return QFileInfo(path).permissions()
        & (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::WriteGroup
           | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
}

const int kPrivateFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
const int kPrivateFile = QFile::ReadOwner | QFile::WriteOwner;

QStringList tables(const QString& databasePath)
{
    QStringList names;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"check"_s);
        db.setDatabaseName(databasePath);
        db.setConnectOptions(u"QSQLITE_OPEN_READONLY"_s);
        QSqlQuery query(db);
        if (db.open() && query.exec(u"SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"_s))
            while (query.next())
                names.append(query.value(0).toString());
        db.close();
    }
    QSqlDatabase::removeDatabase(u"check"_s);
    return names;
}

} // namespace

void TestFileLocations::choice_data()
{
    QTest::addColumn<QString>("exeDir"); // under <root>
    QTest::addColumn<QStringList>("filesThere");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("xdgConfigHome"); // empty: unset
    QTest::addColumn<QString>("xdgDataHome");
    QTest::addColumn<bool>("portable");
    QTest::addColumn<QString>("configDir");
    QTest::addColumn<QString>("dataDir");
    QTest::addColumn<QString>("sharedDir");

    const QString home = u"<root>/home/"_s;
    QTest::newRow("build tree: the database beside the program")
        << u"build/src"_s << QStringList { u"CallerID.mdb"_s } << true << QString() << QString() << true
        << u"<root>/build/src"_s << u"<root>/build/src"_s << u"<root>/build/src"_s;
    QTest::newRow("unpacked folder the user gave a settings file")
        << u"QuillonCID"_s << QStringList { u"QuillonCID.ini"_s } << true << QString() << QString() << true
        << u"<root>/QuillonCID"_s << u"<root>/QuillonCID"_s << u"<root>/QuillonCID"_s;
    QTest::newRow("read-only folder holding both files")
        << u"opt/quilloncid"_s << QStringList { u"QuillonCID.ini"_s, u"CallerID.mdb"_s } << false << QString()
        << QString() << false << home + u".config/QuillonCID"_s << home + u".local/share/QuillonCID"_s
        << u"<root>/opt/share/quilloncid"_s;
    QTest::newRow("/usr-like prefix") << u"usr/bin"_s << QStringList { u"../share/quilloncid/schema.sql"_s } << false
                                      << QString() << QString() << false << home + u".config/QuillonCID"_s
                                      << home + u".local/share/QuillonCID"_s << u"<root>/usr/share/quilloncid"_s;
    QTest::newRow("writable staging prefix without the user's files")
        << u"stage/usr/bin"_s << QStringList { u"QuillonCID"_s } << true << QString() << QString() << false
        << home + u".config/QuillonCID"_s << home + u".local/share/QuillonCID"_s
        << u"<root>/stage/usr/share/quilloncid"_s;
    QTest::newRow("XDG folders set") << u"usr/bin"_s << QStringList() << false << u"<root>/cfg"_s << u"<root>/data/"_s
                                     << false << u"<root>/cfg/QuillonCID"_s << u"<root>/data/QuillonCID"_s
                                     << u"<root>/usr/share/quilloncid"_s;
    // The XDG rules say relative values are to be ignored.
    QTest::newRow("relative XDG folders ignored")
        << u"usr/bin"_s << QStringList() << false << u"cfg"_s << u"data"_s << false << home + u".config/QuillonCID"_s
        << home + u".local/share/QuillonCID"_s << u"<root>/usr/share/quilloncid"_s;
}

void TestFileLocations::choice()
{
    QFETCH(QString, exeDir);
    QFETCH(QStringList, filesThere);
    QFETCH(bool, writable);
    QFETCH(QString, xdgConfigHome);
    QFETCH(QString, xdgDataHome);
    QFETCH(bool, portable);
    QFETCH(QString, configDir);
    QFETCH(QString, dataDir);
    QFETCH(QString, sharedDir);

    QTemporaryDir root;
    const QString exe = root.filePath(exeDir);
    QVERIFY(QDir().mkpath(exe));
    for (const QString& file : std::as_const(filesThere))
        touch(exe + u'/' + file);
    QProcessEnvironment environment;
    environment.insert(u"HOME"_s, root.filePath(u"home"_s));
    if (!xdgConfigHome.isEmpty())
        environment.insert(u"XDG_CONFIG_HOME"_s, expand(xdgConfigHome, root.path()));
    if (!xdgDataHome.isEmpty())
        environment.insert(u"XDG_DATA_HOME"_s, expand(xdgDataHome, root.path()));

    const FileLocations files = chooseFileLocations(exe, writable, environment);
    QCOMPARE(files.mode == FileLocations::Mode::Portable, portable);
    QCOMPARE(files.configDir, expand(configDir, root.path()));
    QCOMPARE(files.dataDir, expand(dataDir, root.path()));
    QCOMPARE(files.sharedDir, expand(sharedDir, root.path()));
    // The login entry belongs to the desktop, whatever the mode.
    const QString configHome = QDir::isAbsolutePath(expand(xdgConfigHome, root.path()))
        ? expand(xdgConfigHome, root.path())
        : root.filePath(u"home/.config"_s);
    QCOMPARE(files.autostartDir, configHome + u"/autostart"_s);
    // Finding out must not create anything.
    QCOMPARE(QFileInfo::exists(files.configDir), portable);

    // The shipped ring sound, unless the user put one of their own into the data folder.
    QCOMPARE(files.ringSoundPath(), files.sharedDir + u"/RingIn.wav"_s);
    touch(files.dataDir + u"/RingIn.wav"_s);
    QCOMPARE(files.ringSoundPath(), files.dataDir + u"/RingIn.wav"_s);
}

void TestFileLocations::installedFirstStart_data()
{
    QTest::addColumn<QString>("before"); // what the user's folders hold already
    QTest::addColumn<bool>("schemaShipped");
    QTest::addColumn<bool>("prepared");
    QTest::addColumn<QByteArray>("databaseAfter"); // empty: a fresh database with the three tables

    QTest::newRow("first start") << u"nothing"_s << true << true << QByteArray();
    QTest::newRow("home without .config and .local") << u"no home"_s << true << true << QByteArray();
    QTest::newRow("a database of the user's is kept")
        << u"database"_s << true << true << QByteArray("the user's calls");
    QTest::newRow("broken install: no schema, no half-made database")
        << u"nothing"_s << false << false << QByteArray("<none>");
}

void TestFileLocations::installedFirstStart()
{
    QFETCH(QString, before);
    QFETCH(bool, schemaShipped);
    QFETCH(bool, prepared);
    QFETCH(QByteArray, databaseAfter);

    QTemporaryDir root;
    const QString home = root.filePath(u"home"_s);
    if (before != u"no home"_s)
        QVERIFY(QDir().mkpath(home + u"/.config"_s) && QDir().mkpath(home + u"/.local/share"_s));
    const QString bin = root.filePath(u"usr/bin"_s);
    QVERIFY(QDir().mkpath(bin));
    if (schemaShipped) {
        QVERIFY(QDir().mkpath(root.filePath(u"usr/share/quilloncid"_s)));
        QVERIFY(QFile::copy(QStringLiteral(QUILLON_SCHEMA_PATH), root.filePath(u"usr/share/quilloncid/schema.sql"_s)));
    }
    QProcessEnvironment environment;
    environment.insert(u"HOME"_s, home);
    const FileLocations files = chooseFileLocations(bin, isWritableFolder(bin), environment);
    QCOMPARE(files.mode, FileLocations::Mode::Installed);
    if (before == u"database"_s) {
        touch(files.databasePath(), "the user's calls");
        QFile::setPermissions(files.dataDir, QFile::Permissions(kPrivateFolder));
    }

    QString error;
    QCOMPARE(prepareUserFiles(files, &error), prepared);
    QCOMPARE(error.isEmpty(), prepared);
    QCOMPARE(permissions(files.configDir), kPrivateFolder);
    QCOMPARE(permissions(files.dataDir), kPrivateFolder);
    if (databaseAfter.isEmpty()) {
        QCOMPARE(tables(files.databasePath()), QStringList({ u"CID"_s, u"Reject"_s, u"Translate"_s }));
        QCOMPARE(permissions(files.databasePath()), kPrivateFile);
    } else if (databaseAfter == "<none>") {
        QVERIFY(!QFileInfo::exists(files.databasePath()));
    } else {
        QFile database(files.databasePath());
        QVERIFY(database.open(QIODevice::ReadOnly));
        QCOMPARE(database.readAll(), databaseAfter);
    }
    // Only the database (or nothing) in the data folder: no temporary leftovers.
    const QStringList left = QDir(files.dataDir).entryList(QDir::Files);
    QCOMPARE(left, databaseAfter == "<none>" ? QStringList() : QStringList { u"CallerID.mdb"_s });

    // A second start finds everything in place and changes nothing.
    const auto content = [&files] {
        QFile file(files.databasePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray first = content();
    QCOMPARE(prepareUserFiles(files), prepared);
    QCOMPARE(content(), first);
    QCOMPARE(QDir(files.dataDir).entryList(QDir::Files), left);
}

QTEST_GUILESS_MAIN(TestFileLocations)
#include "tst_filelocations.moc"

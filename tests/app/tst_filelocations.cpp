// SPDX-License-Identifier: GPL-2.0-or-later
// Where the program keeps the user's files: the choice between beside the
// program and the user's own folders, and what an installed first start makes.
#include "app/filelocations.h"
#include "support/programfiles.h"
#include "support/sqlfile.h"

#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

using namespace Quillon;
using namespace Quillon::Test;
using namespace Qt::StringLiterals;

class TestFileLocations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choice_data()
    {
        QTest::addColumn<QString>("exeDir"); // under <root>
        QTest::addColumn<QStringList>("filesThere");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QStringList>("xdg"); // config and data homes; none: unset. "<root>": the test's folder
        QTest::addColumn<bool>("portable");
        QTest::addColumn<QStringList>("dirs"); // for settings, data, shared files

        const QStringList home { u"<root>/home/.config/QuillonCID"_s, u"<root>/home/.local/share/QuillonCID"_s };
        const QString usrShare = u"<root>/usr/share/quilloncid"_s;
        QTest::newRow("build tree: the database beside the program")
            << u"build/src"_s << QStringList { u"CallerID.mdb"_s } << true << QStringList() << true
            << QStringList(3, u"<root>/build/src"_s);
        QTest::newRow("unpacked folder the user gave a settings file")
            << u"QuillonCID"_s << QStringList { u"QuillonCID.ini"_s } << true << QStringList() << true
            << QStringList(3, u"<root>/QuillonCID"_s);
        QTest::newRow("read-only folder holding both files")
            << u"opt/quilloncid"_s << QStringList { u"QuillonCID.ini"_s, u"CallerID.mdb"_s } << false << QStringList()
            << false << home + QStringList { u"<root>/opt/share/quilloncid"_s };
        QTest::newRow("/usr-like prefix") << u"usr/bin"_s << QStringList { u"../share/quilloncid/schema.sql"_s }
                                          << false << QStringList() << false << home + QStringList { usrShare };
        QTest::newRow("writable staging prefix without the user's files")
            << u"stage/usr/bin"_s << QStringList { u"QuillonCID"_s } << true << QStringList() << false
            << home + QStringList { u"<root>/stage/usr/share/quilloncid"_s };
        QTest::newRow("XDG folders set") << u"usr/bin"_s << QStringList() << false
                                         << QStringList { u"<root>/cfg"_s, u"<root>/data/"_s } << false
                                         << QStringList { u"<root>/cfg/QuillonCID"_s, u"<root>/data/QuillonCID"_s,
                                                          usrShare };
        // The XDG rules say relative values are to be ignored.
        QTest::newRow("relative XDG folders ignored")
            << u"usr/bin"_s << QStringList() << false << QStringList { u"cfg"_s, u"data"_s } << false
            << home + QStringList { usrShare };
    }

    void choice()
    {
        QFETCH(QString, exeDir);
        QFETCH(QStringList, filesThere);
        QFETCH(bool, writable);
        QFETCH(QStringList, xdg);
        QFETCH(bool, portable);
        QFETCH(QStringList, dirs);

        QTemporaryDir root;
        const QString xdgConfigHome = xdg.replaceInStrings(u"<root>"_s, root.path()).value(0);
        const QString exe = root.filePath(exeDir);
        QVERIFY(QDir().mkpath(exe));
        for (const QString& file : std::as_const(filesThere))
            QVERIFY(writeFile(exe + u'/' + file));
        QProcessEnvironment environment;
        environment.insert(u"HOME"_s, root.filePath(u"home"_s));
        if (!xdg.isEmpty()) {
            environment.insert(u"XDG_CONFIG_HOME"_s, xdg[0]);
            environment.insert(u"XDG_DATA_HOME"_s, xdg[1]);
        }

        const FileLocations files = chooseFileLocations(exe, writable, environment);
        QCOMPARE(files.mode == FileLocations::Mode::Portable, portable);
        QCOMPARE(QStringList({ files.configDir, files.dataDir, files.sharedDir }),
                 dirs.replaceInStrings(u"<root>"_s, root.path()));
        // The login entry belongs to the desktop, whatever the mode.
        const QString configHome
            = QDir::isAbsolutePath(xdgConfigHome) ? xdgConfigHome : root.filePath(u"home/.config"_s);
        QCOMPARE(files.autostartDir, configHome + u"/autostart"_s);
        // Finding out must not create anything.
        QCOMPARE(QFileInfo::exists(files.configDir), portable);

        // The shipped ring sound, unless the user put one of their own into the data folder.
        QCOMPARE(files.ringSoundPath(), files.sharedDir + u"/RingIn.wav"_s);
        QVERIFY(writeFile(files.dataDir + u"/RingIn.wav"_s));
        QCOMPARE(files.ringSoundPath(), files.dataDir + u"/RingIn.wav"_s);
    }

    void installedFirstStart_data()
    {
        QTest::addColumn<QString>("before"); // what the user's folders hold already
        QTest::addColumn<bool>("schemaShipped"); // else a broken install, whose first start fails
        QTest::addColumn<QByteArray>("databaseAfter"); // empty: a fresh database with the three tables

        QTest::newRow("first start") << u"nothing"_s << true << QByteArray();
        QTest::newRow("home without .config and .local") << u"no home"_s << true << QByteArray();
        QTest::newRow("a database of the user's is kept") << u"database"_s << true << QByteArray("the user's calls");
        QTest::newRow("broken install: no schema, no half-made database")
            << u"nothing"_s << false << QByteArray("<none>");
    }

    void installedFirstStart()
    {
        QFETCH(QString, before);
        QFETCH(bool, schemaShipped);
        QFETCH(QByteArray, databaseAfter);

        QTemporaryDir root;
        const QString home = root.filePath(u"home"_s);
        if (before != u"no home"_s)
            QVERIFY(QDir().mkpath(home + u"/.config"_s) && QDir().mkpath(home + u"/.local/share"_s));
        const QString bin = root.filePath(u"usr/bin"_s);
        QVERIFY(QDir().mkpath(bin));
        if (schemaShipped) {
            QVERIFY(QDir().mkpath(root.filePath(u"usr/share/quilloncid"_s)));
            QVERIFY(
                QFile::copy(QStringLiteral(QUILLON_SCHEMA_PATH), root.filePath(u"usr/share/quilloncid/schema.sql"_s)));
        }
        QProcessEnvironment environment;
        environment.insert(u"HOME"_s, home);
        const FileLocations files = chooseFileLocations(bin, isWritableFolder(bin), environment);
        QCOMPARE(files.mode, FileLocations::Mode::Installed);
        if (before == u"database"_s) {
            QVERIFY(writeFile(files.databasePath(), "the user's calls"));
            QFile::setPermissions(files.dataDir, QFile::Permissions(kPrivateFolder));
        }

        QString error;
        QCOMPARE(prepareUserFiles(files, &error), schemaShipped);
        QCOMPARE(error.isEmpty(), schemaShipped);
        QCOMPARE(permissionBits(files.configDir), kPrivateFolder);
        QCOMPARE(permissionBits(files.dataDir), kPrivateFolder);
        if (databaseAfter.isEmpty()) {
            QCOMPARE(SqlFile(files.databasePath(), true)
                         .rows(u"SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"_s),
                     QStringList({ u"CID"_s, u"Reject"_s, u"Translate"_s }));
            QCOMPARE(permissionBits(files.databasePath()), kPrivateFile);
        } else if (databaseAfter == "<none>") {
            QVERIFY(!QFileInfo::exists(files.databasePath()));
        } else {
            QCOMPARE(fileBytes(files.databasePath()), databaseAfter);
        }
        // Only the database (or nothing) in the data folder: no temporary leftovers.
        const QStringList left = QDir(files.dataDir).entryList(QDir::Files);
        QCOMPARE(left, databaseAfter == "<none>" ? QStringList() : QStringList { u"CallerID.mdb"_s });

        // A second start finds everything in place and changes nothing.
        const QByteArray first = fileBytes(files.databasePath());
        QCOMPARE(prepareUserFiles(files), schemaShipped);
        QCOMPARE(fileBytes(files.databasePath()), first);
        QCOMPARE(QDir(files.dataDir).entryList(QDir::Files), left);
    }
};

QTEST_GUILESS_MAIN(TestFileLocations)
#include "tst_filelocations.moc"

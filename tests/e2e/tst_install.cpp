// SPDX-License-Identifier: GPL-2.0-or-later
// Installs the build into a temporary prefix, as a package would, checks what
// lands there with the desktop's own validators, and runs the installed
// program for a user whose folders are temporary, the modem simulator as modem.
#include "modemsimulator.h"
#include "quillonversion.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestInstall : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void installedFile_passesValidator_data();
    void installedFile_passesValidator();
    void options_data();
    void options();
    void installedProgram_keepsTheUsersFilesInTheirFolders();

private:
    QString installed(const QString& relative) const { return m_root.filePath(u"usr/"_s + relative); }

    QTemporaryDir m_root; // DESTDIR; the prefix inside it is /usr
};

namespace {

struct Run
{
    int exitCode = -1;
    QString output;
};

Run run(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.output = QString::fromLocal8Bit(process.readAll());
    return result;
}

int storedCalls(const QString& databasePath)
{
    int count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"install-check"_s);
        db.setDatabaseName(databasePath);
        db.setConnectOptions(u"QSQLITE_OPEN_READONLY"_s);
        QSqlQuery query(db);
        if (db.open() && query.exec(u"SELECT COUNT(*) FROM CID"_s) && query.next())
            count = query.value(0).toInt();
        db.close();
    }
    QSqlDatabase::removeDatabase(u"install-check"_s);
    return count;
}

// Every path under dir with its size and modification time.
QStringList snapshot(const QString& dir)
{
    QStringList entries;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries.append(info.filePath() + u' ' + QString::number(info.size()) + u' '
                       + QString::number(info.lastModified().toMSecsSinceEpoch()));
    }
    entries.sort();
    return entries;
}

int modeOf(const QString& path)
{
    return int(QFileInfo(path).permissions()
               & (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::WriteGroup
                  | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther));
}

} // namespace

void TestInstall::initTestCase()
{
    QVERIFY(m_root.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DESTDIR"_s, m_root.path());
    const Run install
        = run(QStringLiteral(QUILLON_CMAKE_COMMAND),
              { u"--install"_s, QStringLiteral(QUILLON_BINARY_DIR), u"--prefix"_s, u"/usr"_s }, environment);
    QVERIFY2(install.exitCode == 0, qPrintable(install.output));
    QVERIFY(QFileInfo(installed(u"bin/QuillonCID"_s)).isExecutable());
}

void TestInstall::installedFile_passesValidator_data()
{
    QTest::addColumn<QString>("validator");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("silentWhenValid"); // then even a hint on standard output fails
    QTest::addColumn<QString>("file");

    const QString id = QStringLiteral(QUILLON_APP_ID);
    QTest::newRow("desktop entry") << u"desktop-file-validate"_s << QStringList {} << true
                                   << u"share/applications/"_s + id + u".desktop"_s;
    QTest::newRow("AppStream metadata") << u"appstreamcli"_s << QStringList { u"validate"_s, u"--no-net"_s } << false
                                        << u"share/metainfo/"_s + id + u".metainfo.xml"_s;
    // troff's complaints about a page go to standard error.
    QTest::newRow("program manual page") << u"man"_s << QStringList { u"--warnings"_s, u"-l"_s } << false
                                         << u"share/man/man1/QuillonCID.1.gz"_s;
    QTest::newRow("simulator manual page")
        << u"man"_s << QStringList { u"--warnings"_s, u"-l"_s } << false << u"share/man/man1/quillon-modemsim.1.gz"_s;
}

void TestInstall::installedFile_passesValidator()
{
    QFETCH(QString, validator);
    QFETCH(QStringList, arguments);
    QFETCH(bool, silentWhenValid);
    QFETCH(QString, file);

    const QString path = installed(file);
    QVERIFY2(QFileInfo::exists(path), qPrintable(path));
    const QString tool = QStandardPaths::findExecutable(validator);
    QVERIFY2(!tool.isEmpty(), qPrintable(validator + u" is missing: run scripts/setup"_s));
    QProcess check;
    check.start(tool, arguments << path);
    QVERIFY(check.waitForFinished(60000));
    const QString output = QString::fromUtf8(check.readAllStandardOutput());
    const QString errors = QString::fromUtf8(check.readAllStandardError());
    QVERIFY2(check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0, qPrintable(output + errors));
    QVERIFY2(errors.isEmpty(), qPrintable(errors));
    if (silentWhenValid)
        QVERIFY2(output.isEmpty(), qPrintable(output));
}

void TestInstall::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // the start of what it prints

    QTest::newRow("--version") << QStringList { u"--version"_s } << 0 << u"QuillonCID " QUILLON_VERSION_TEXT "\n"_s;
    QTest::newRow("-v") << QStringList { u"-v"_s } << 0 << u"QuillonCID " QUILLON_VERSION_TEXT "\n"_s;
    QTest::newRow("--help") << QStringList { u"--help"_s } << 0 << u"Usage: QuillonCID [--minimized]\n"_s;
    QTest::newRow("--help after another option")
        << QStringList { u"--minimized"_s, u"-h"_s } << 0 << u"Usage: QuillonCID [--minimized]\n"_s;
    QTest::newRow("unknown option") << QStringList { u"--minimised"_s } << 2
                                    << u"QuillonCID: unknown option '--minimised'\n"_s;
}

void TestInstall::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);

    // Help and version need no display: a terminal without one is where they are asked for.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"DISPLAY"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    if (exitCode == 0)
        environment.remove(u"QT_QPA_PLATFORM"_s);
    QTemporaryDir home;
    environment.insert(u"HOME"_s, home.path());
    const Run answer = run(installed(u"bin/QuillonCID"_s), arguments, environment);
    QCOMPARE(answer.exitCode, exitCode);
    QVERIFY2(answer.output.contains(output), qPrintable(answer.output));
    // Asking for help changes nothing anywhere.
    QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

void TestInstall::installedProgram_keepsTheUsersFilesInTheirFolders()
{
    using namespace Quillon;
    QTemporaryDir user;
    const QString configDir = user.filePath(u"config/QuillonCID"_s);
    const QString dataDir = user.filePath(u"data/QuillonCID"_s);
    const QString database = dataDir + u"/CallerID.mdb"_s;
    const QString log = dataDir + u"/CID.Log"_s;

    Sim::ModemSimulator modem(Sim::ModemSimulator::Mode::EventDriven);
    modem.setAcceptedCidCommand(u"AT#CID=1"_s);
    QVERIFY(modem.start());
    // The modem is known already; a first start would look for it on every port.
    QVERIFY(QDir().mkpath(configDir));
    QFile::setPermissions(configDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    {
        QFile ini(configDir + u"/QuillonCID.ini"_s);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write((u"[Comm]\nCnfg=True\nComPort=1\n[Settings]\nEnableLog=True\nRingIn=False\n[Ports]\nComm1="_s
                   + modem.portPath() + u"\n"_s)
                      .toUtf8());
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, user.filePath(u"home"_s));
    environment.insert(u"XDG_CONFIG_HOME"_s, user.filePath(u"config"_s));
    environment.insert(u"XDG_DATA_HOME"_s, user.filePath(u"data"_s));
    environment.insert(u"XDG_RUNTIME_DIR"_s, user.filePath(u"runtime"_s));
    const QStringList prefixBefore = snapshot(m_root.path());

    for (int start = 1; start <= 2; ++start) {
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(user.path());
        program.start(installed(u"bin/QuillonCID"_s), {});
        QVERIFY(program.waitForStarted(10000));
        // A call sent before the modem's answer is checked would be read as that answer.
        const auto answered = [&log, start] {
            QFile file(log);
            const QString text = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
            const qsizetype started = text.lastIndexOf(u"Program started in "_s);
            return text.count(u"Program started in "_s) == start
                && text.indexOf(u"Modem Response = "_s, started) > started;
        };
        QTRY_VERIFY_WITH_TIMEOUT(answered(), 20000);
        // One running copy per user: the lock lives with the user's settings.
        QCOMPARE(modeOf(configDir + u"/QuillonCID.lock"_s), int(QFile::ReadOwner | QFile::WriteOwner));
        if (start == 1) { // a second copy for the same user ends at once
            QProcess second;
            second.setProcessEnvironment(environment);
            second.start(installed(u"bin/QuillonCID"_s), {});
            QVERIFY(second.waitForFinished(20000));
            QCOMPARE(second.exitCode(), 0);
        }

        modem.sendCall({ u"0612"_s, u"1432"_s, u"555123456%1"_s.arg(start), u"CALLER %1"_s.arg(start) });
        QTRY_COMPARE_WITH_TIMEOUT(storedCalls(database), start, 20000);
        program.terminate();
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
    }

    const int privateFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    const int privateFile = QFile::ReadOwner | QFile::WriteOwner;
    QCOMPARE(modeOf(dataDir), privateFolder);
    QCOMPARE(modeOf(database), privateFile);
    QCOMPARE(modeOf(log), privateFile);

    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    // One header: the second start went on with the same log.
    QCOMPARE(text.count(u"Process Name:"_s), 1);
    QVERIFY(text.contains(u"Executable Image:        "_s + dataDir));
    QCOMPARE(text.count(u"Program started in "_s + dataDir), 2);
    QVERIFY(text.contains(u"Displayed name = CALLER 1"_s) && text.contains(u"Displayed name = CALLER 2"_s));
    // Nothing was written into the install.
    QCOMPARE(snapshot(m_root.path()), prefixBefore);
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"

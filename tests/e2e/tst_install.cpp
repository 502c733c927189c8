// SPDX-License-Identifier: GPL-2.0-or-later
// Installs the build into a temporary prefix, as a package would, checks what lands there with the desktop's own
// validators, and runs the installed program for a user whose folders are temporary, the modem simulator as modem.
#include "modemsimulator.h"
#include "quillonversion.h"
#include "support/programfiles.h"
#include "support/sqlfile.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Quillon::Test;

namespace {

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

// A call sent before the modem's answer to the start-up check would be read
// as that answer: true once the log holds `starts` starts and an answer after the last.
bool modemAnswered(const QString& logPath, int starts)
{
    const QString text = QString::fromUtf8(fileBytes(logPath));
    const qsizetype started = text.lastIndexOf(u"Program started in "_s);
    return text.count(u"Program started in "_s) == starts && text.indexOf(u"Modem Response = "_s, started) > started;
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DESTDIR"_s, m_root.path());
        const ProgramRun install = runProgram(
            QStringLiteral(QUILLON_CMAKE_COMMAND),
            { u"--install"_s, QStringLiteral(QUILLON_BINARY_DIR), u"--prefix"_s, u"/usr"_s }, environment, 120000);
        QVERIFY2(install.status == 0, qPrintable(install.out + install.err));
        QVERIFY(QFileInfo(installed(u"bin/QuillonCID"_s)).isExecutable());
    }

    void installedFile_passesValidator_data()
    {
        QTest::addColumn<QString>("validator"); // and its arguments before the file's path
        QTest::addColumn<bool>("silentWhenValid"); // then even a hint on standard output fails
        QTest::addColumn<QString>("file");
        const QString id = QStringLiteral(QUILLON_APP_ID);
        QTest::newRow("desktop entry") << u"desktop-file-validate"_s << true
                                       << u"share/applications/"_s + id + u".desktop"_s;
        QTest::newRow("AppStream metadata")
            << u"appstreamcli validate --no-net"_s << false << u"share/metainfo/"_s + id + u".metainfo.xml"_s;
        // troff's complaints about a page go to standard error.
        QTest::newRow("program manual page") << u"man --warnings -l"_s << false << u"share/man/man1/QuillonCID.1.gz"_s;
        QTest::newRow("simulator manual page")
            << u"man --warnings -l"_s << false << u"share/man/man1/quillon-modemsim.1.gz"_s;
    }

    void installedFile_passesValidator()
    {
        QFETCH(QString, validator);
        QFETCH(bool, silentWhenValid);
        QFETCH(QString, file);
        const QString path = installed(file);
        QVERIFY2(QFileInfo::exists(path), qPrintable(path));
        const QStringList words = validator.split(u' ');
        const QString complaints = validatorComplaints(words.first(), words.mid(1), path, silentWhenValid);
        QVERIFY2(complaints.isEmpty(), qPrintable(complaints));
    }

    void options_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // the start of what it prints
        QTest::newRow("--version") << u"--version"_s << 0 << u"QuillonCID " QUILLON_VERSION_TEXT "\n"_s;
        QTest::newRow("-v") << u"-v"_s << 0 << u"QuillonCID " QUILLON_VERSION_TEXT "\n"_s;
        QTest::newRow("--help") << u"--help"_s << 0 << u"Usage: QuillonCID [--minimized]\n"_s;
        QTest::newRow("--help after another option")
            << u"--minimized -h"_s << 0 << u"Usage: QuillonCID [--minimized]\n"_s;
        QTest::newRow("unknown option") << u"--minimised"_s << 2 << u"QuillonCID: unknown option '--minimised'\n"_s;
    }

    void options()
    {
        QFETCH(QString, arguments);
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
        const ProgramRun answer = runProgram(installed(u"bin/QuillonCID"_s), arguments.split(u' '), environment);
        QCOMPARE(answer.status, exitCode);
        const QString said = answer.out + answer.err;
        QVERIFY2(said.contains(output), qPrintable(said));
        // Asking for help changes nothing anywhere.
        QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }

    void installedProgram_keepsTheUsersFilesInTheirFolders()
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
        QVERIFY(writeFile(configDir + u"/QuillonCID.ini"_s,
                          "[Comm]\nCnfg=True\nComPort=1\n[Settings]\nEnableLog=True\nRingIn=False\n[Ports]\nComm1="
                              + modem.portPath().toUtf8() + "\n"));
        QFile::setPermissions(configDir, QFile::Permissions(kPrivateFolder));

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_s, user.filePath(u"home"_s));
        environment.insert(u"XDG_CONFIG_HOME"_s, user.filePath(u"config"_s));
        environment.insert(u"XDG_DATA_HOME"_s, user.filePath(u"data"_s));
        environment.insert(u"XDG_RUNTIME_DIR"_s, user.filePath(u"runtime"_s));
        const QStringList prefixBefore = snapshot(m_root.path());

        QStringList stored;
        for (int start = 1; start <= 2; ++start) {
            QProcess program;
            program.setProcessChannelMode(QProcess::ForwardedChannels);
            program.setProcessEnvironment(environment);
            program.setWorkingDirectory(user.path());
            program.start(installed(u"bin/QuillonCID"_s), {});
            QVERIFY(program.waitForStarted(10000));
            QTRY_VERIFY_WITH_TIMEOUT(modemAnswered(log, start), 20000);
            QVERIFY(modem.receivedCommands().contains(u"AT#CID=1"_s));
            modem.clearReceivedCommands();
            // One running copy per user: the lock lives with the user's settings.
            QCOMPARE(permissionBits(configDir + u"/QuillonCID.lock"_s), kPrivateFile);
            if (start == 1) // a second copy for the same user ends at once
                QCOMPARE(runProgram(installed(u"bin/QuillonCID"_s), {}, environment, 20000).status, 0);

            modem.sendCall({ u"0612"_s, u"1432"_s, u"555123456%1"_s.arg(start), u"CALLER %1"_s.arg(start) });
            // 2.5 s of quiet after the last ring, then the call is stored and the modem re-initialised.
            stored.append(u"CALLER %1|555-123-456%1"_s.arg(start));
            QTRY_COMPARE_WITH_TIMEOUT(SqlFile(database, true).rows(u"SELECT Name, Number FROM CID ORDER BY rowid"_s),
                                      stored, 20000);
            QTRY_VERIFY_WITH_TIMEOUT(modem.receivedCommands().contains(u"ATZ"_s), 10000);
            // The session ending the program closes it like the close box, unasked.
            program.terminate();
            QVERIFY(program.waitForFinished(20000));
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(program.exitCode(), 0);
        }

        QCOMPARE(QList<int>({ permissionBits(dataDir), permissionBits(database), permissionBits(log) }),
                 QList<int>({ kPrivateFolder, kPrivateFile, kPrivateFile }));

        const QString text = QString::fromUtf8(fileBytes(log));
        // One header: the second start went on with the same log.
        QCOMPARE(text.count(u"Process Name:"_s), 1);
        QVERIFY(text.contains(u"Executable Image:        "_s + dataDir));
        QCOMPARE(text.count(u"Program started in "_s + dataDir), 2);
        const qsizetype telco = text.indexOf(u"Telco Info - "_s);
        QVERIFY(telco > 0 && text.indexOf(u"NMBR = 5551234561"_s, telco) > telco);
        QVERIFY(text.indexOf(u"Displayed name = CALLER 1"_s, telco) > telco);
        QVERIFY(text.contains(u"Displayed name = CALLER 2"_s));
        QVERIFY2(text.trimmed().endsWith(u"Program Ending"_s), qPrintable(text.right(400)));
        // Nothing was written into the install.
        QCOMPARE(snapshot(m_root.path()), prefixBefore);
    }

private:
    QString installed(const QString& relative) const { return m_root.filePath(u"usr/"_s + relative); }

    QTemporaryDir m_root; // DESTDIR; the prefix inside it is /usr
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"

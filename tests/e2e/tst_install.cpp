// SPDX-License-Identifier: GPL-2.0-or-later
// Installs the build into a temporary prefix, as a package would, and checks
// what lands there with the desktop's own validators.
#include "quillonversion.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
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

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"

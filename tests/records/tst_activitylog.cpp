// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/workingsettings.h"
#include "platform/appinfo.h"
#include "platform/datetimetext.h"
#include "records/activitylog.h"
#include "support/appdir.h"
#include "support/fakeclock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Quillon;

namespace Quillon::Test {

class TestActivityLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstLine_writesHeaderOnce();
    void multiLineMessage_writtenUnchanged();
    void deletedFile_recreatedWithHeader();
    void log_followsTheFlag();
    void readOnlyDirectory_returnsFalse();
    void readOnlyFile_returnsFalse();
    void unwritablePath_returnsFalse();

private:
    static QString header(const QString& appDir)
    {
        const QString stars(85, QLatin1Char('*'));
        return stars + QStringLiteral("\r\nProcess Name:            Quillon CallerID\r\n")
            + QStringLiteral("Executable Version:      2.52.94\r\n") + QStringLiteral("Executable Image:        ")
            + appDir + QStringLiteral("/QuillonCID\r\n\r\n") + stars + QStringLiteral("\r\n\r\n\r\n");
    }
};

void TestActivityLog::firstLine_writesHeaderOnce()
{
    AppDir dir;
    WorkingSettings settings;
    FakeClock clock;
    ActivityLog log(dir.path(), settings, clock);
    QCOMPARE(log.path(), dir.logPath());
    QCOMPARE(versionText(), QStringLiteral("2.52.94"));

    QVERIFY(log.WriteLog(QStringLiteral("Program started in ") + dir.path()));
    clock.advance(1000);
    QVERIFY(log.WriteLog(QStringLiteral("Caf\u00e9 \u00ff")));

    const QString stamp1 = dateTimeText(QDateTime(QDate(2026, 6, 12), QTime(14, 32, 0)));
    const QString stamp2 = dateTimeText(QDateTime(QDate(2026, 6, 12), QTime(14, 32, 1)));
    QVERIFY(stamp1.endsWith(QStringLiteral(" 14:32:00")));
    const QString expected = header(dir.path()) + stamp1 + QStringLiteral(" Program started in ") + dir.path()
        + QStringLiteral("\r\n") + stamp2 + QStringLiteral(" Caf\u00e9 \u00ff\r\n");
    QCOMPARE(dir.readFile(QStringLiteral("CID.Log")), expected);
    // Callers' numbers are nobody else's business.
    QCOMPARE(QFileInfo(dir.logPath()).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
             QFileDevice::Permissions());

    // One byte per character.
    QFile file(dir.logPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().endsWith(QByteArray("Caf\xe9 \xff\r\n")));
}

void TestActivityLog::multiLineMessage_writtenUnchanged()
{
    AppDir dir;
    WorkingSettings settings;
    FakeClock clock;
    ActivityLog log(dir.path(), settings, clock);
    const QString burst = QStringLiteral("RING\r\n\r\nDATE = 0612\r\nTIME = 1432\r\n");
    QVERIFY(log.WriteLog(QStringLiteral("Telco Info - ") + burst));
    QVERIFY(log.WriteLog(QStringLiteral("Displayed name = JOHN")));
    QVERIFY(dir.readFile(QStringLiteral("CID.Log"))
                .contains(QStringLiteral(" Telco Info - ") + burst + QStringLiteral("\r\n")));
    QCOMPARE(dir.logMessages(),
             QStringList({ QStringLiteral("Telco Info - ") + burst, QStringLiteral("Displayed name = JOHN") }));
}

void TestActivityLog::deletedFile_recreatedWithHeader()
{
    AppDir dir;
    WorkingSettings settings;
    FakeClock clock;
    ActivityLog log(dir.path(), settings, clock);
    QVERIFY(log.WriteLog(QStringLiteral("one")));
    QVERIFY(QFile::remove(dir.logPath()));
    QVERIFY(log.WriteLog(QStringLiteral("two")));
    const QString text = dir.readFile(QStringLiteral("CID.Log"));
    QVERIFY(text.startsWith(header(dir.path())));
    QCOMPARE(text.count(QString(85, QLatin1Char('*'))), 2);
    QCOMPARE(dir.logMessages(), QStringList({ QStringLiteral("two") }));
}

void TestActivityLog::log_followsTheFlag()
{
    AppDir dir;
    WorkingSettings settings;
    FakeClock clock;
    ActivityLog log(dir.path(), settings, clock);
    QVERIFY(!log.enabled());
    QVERIFY(log.log(QStringLiteral("hidden")));
    QVERIFY(!QFile::exists(dir.logPath()));
    settings.EnableLog = true;
    QVERIFY(log.enabled());
    QVERIFY(log.log(QStringLiteral("shown")));
    QCOMPARE(dir.logMessages(), QStringList({ QStringLiteral("shown") }));
}

void TestActivityLog::readOnlyDirectory_returnsFalse()
{
    AppDir dir;
    WorkingSettings settings;
    FakeClock clock;
    QFile folder(dir.path());
    const QFile::Permissions before = folder.permissions();
    QVERIFY(folder.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    ActivityLog log(dir.path(), settings, clock);
    const bool written = log.WriteLog(QStringLiteral("nowhere"));
    const bool exists = QFile::exists(dir.logPath());
    folder.setPermissions(before);
    if (written)
        QSKIP("running with rights that ignore directory permissions");
    QVERIFY(!exists);
}

void TestActivityLog::readOnlyFile_returnsFalse()
{
    AppDir dir;
    WorkingSettings settings;
    FakeClock clock;
    ActivityLog log(dir.path(), settings, clock);
    QVERIFY(log.WriteLog(QStringLiteral("first")));
    QVERIFY(QFile::setPermissions(dir.logPath(), QFile::ReadOwner));
    const bool written = log.WriteLog(QStringLiteral("second"));
    QFile::setPermissions(dir.logPath(), QFile::ReadOwner | QFile::WriteOwner);
    if (written)
        QSKIP("running with rights that ignore file permissions");
    QCOMPARE(dir.logMessages(), QStringList({ QStringLiteral("first") }));
}

void TestActivityLog::unwritablePath_returnsFalse()
{
    // Works even for root, who ignores permission bits.
    AppDir dir;
    WorkingSettings settings;
    FakeClock clock;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("CID.Log")));
    ActivityLog blocked(dir.path(), settings, clock);
    QVERIFY(!blocked.WriteLog(QStringLiteral("into a directory")));

    ActivityLog missing(dir.file(QStringLiteral("gone")), settings, clock);
    QVERIFY(!missing.WriteLog(QStringLiteral("into a missing directory")));
    QVERIFY(!QFile::exists(dir.file(QStringLiteral("gone"))));
}

} // namespace Quillon::Test

QTEST_GUILESS_MAIN(Quillon::Test::TestActivityLog)
#include "tst_activitylog.moc"

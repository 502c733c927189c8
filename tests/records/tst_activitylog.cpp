// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/workingsettings.h"
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
    void header_onFirstWriteAndAfterDeletion();
    void unwritable_returnsFalse();
};

void TestActivityLog::header_onFirstWriteAndAfterDeletion()
{
    AppDir dir;
    WorkingSettings settings;
    FakeClock clock;
    ActivityLog log(dir.path(), settings, clock);
    QVERIFY(log.WriteLog(QStringLiteral("Program started")));
    clock.advance(1000);
    QVERIFY(log.WriteLog(QStringLiteral("Caf\u00e9 \u00ff")));

    const QByteArray stars(85, '*');
    const QByteArray header = stars + "\r\nProcess Name:            Quillon CallerID\r\n"
        + "Executable Version:      2.52.94\r\nExecutable Image:        " + QFile::encodeName(dir.path())
        + "/QuillonCID\r\n\r\n" + stars + "\r\n\r\n\r\n";
    const QByteArray stamp1 = dateTimeText(QDateTime(QDate(2026, 6, 12), QTime(14, 32, 0))).toLatin1();
    const QByteArray stamp2 = dateTimeText(QDateTime(QDate(2026, 6, 12), QTime(14, 32, 1))).toLatin1();
    QVERIFY(stamp1.endsWith(" 14:32:00"));
    const auto bytes = [&] {
        QFile file(dir.logPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    };
    // One byte per character.
    QCOMPARE(bytes(), header + stamp1 + " Program started\r\n" + stamp2 + " Caf\xe9 \xff\r\n");
    // Callers' numbers are nobody else's business.
    QCOMPARE(QFileInfo(dir.logPath()).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
             QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    QVERIFY(QFile::remove(dir.logPath()));
    QVERIFY(log.WriteLog(QStringLiteral("two")));
    QCOMPARE(bytes(), header + stamp2 + " two\r\n");
}

void TestActivityLog::unwritable_returnsFalse()
{
    AppDir dir;
    WorkingSettings settings;
    FakeClock clock;
    // These hold even for root, who ignores permission bits.
    ActivityLog missing(dir.file(QStringLiteral("gone")), settings, clock);
    QVERIFY(!missing.WriteLog(QStringLiteral("into a missing directory")));
    QVERIFY(!QFile::exists(dir.file(QStringLiteral("gone"))));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    QVERIFY(QDir(dir.file(QStringLiteral("sub"))).mkdir(QStringLiteral("CID.Log")));
    ActivityLog blocked(dir.file(QStringLiteral("sub")), settings, clock);
    QVERIFY(!blocked.WriteLog(QStringLiteral("into a directory")));

    QFile folder(dir.path());
    QVERIFY(folder.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    ActivityLog log(dir.path(), settings, clock);
    const bool written = log.WriteLog(QStringLiteral("nowhere"));
    const bool exists = QFile::exists(dir.logPath());
    folder.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (written)
        QSKIP("running with rights that ignore directory permissions");
    QVERIFY(!exists);
}

} // namespace Quillon::Test

QTEST_GUILESS_MAIN(Quillon::Test::TestActivityLog)
#include "tst_activitylog.moc"

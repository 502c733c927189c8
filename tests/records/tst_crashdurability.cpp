// SPDX-License-Identifier: GPL-2.0-or-later
// Kills a process that is storing calls, many times over, and checks that
// every call whose InsertCall had returned is still there. CI runs 25 rounds;
// QUILLON_CRASH_ROUNDS=200 (or the argument -rounds 200) runs a longer trial.
// Also kills one whose call the database refused: the next start stores it.
#include "config/workingsettings.h"
#include "platform/clock.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"
#include "records/callstore.h"
#include "support/appdir.h"
#include "support/sqlfile.h"

#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <cstdlib>

using namespace Quillon;
using namespace Quillon::Test;

namespace {

const char ChildVariable[] = "QUILLON_CRASH_CHILD_DIR";

// The child: stores numbered calls until killed, announcing each one only after InsertCall has returned. For the
// journal test (firstCall < 0): one call the locked database refuses, then it waits to be killed.
int runChild(const QString& appDir, int firstCall)
{
    WorkingSettings settings;
    SystemClock clock;
    ActivityLog log(appDir, settings, clock);
    CallDatabase database(appDir, settings, log, clock);
    if (!database.OpenCallDatabase())
        return 3;
    if (firstCall < 0) {
        database.store().StoreCall({ QStringLiteral("JOHN\tDOE\\"),
                                     QStringLiteral("555-123-4567"),
                                     QStringLiteral("06/12"),
                                     QStringLiteral("14:32"),
                                     {},
                                     true }); // rejected: the mark goes through the journal too
        // Refused and journaled by the storage thread.
        if (!database.store().waitUntilIdle() || database.store().waitingCount() != 1)
            return 4; // it was meant to be refused
        std::printf("waiting\n");
        std::fflush(stdout);
        for (;;)
            QThread::sleep(1);
    }
    for (int call = firstCall;; ++call) {
        if (!database.InsertCall(QStringLiteral("CALLER %1").arg(call), QStringLiteral("555-000-%1").arg(call),
                                 QStringLiteral("06/12"), QStringLiteral("14:32")))
            return 4;
        std::printf("%d\n", call);
        std::fflush(stdout);
    }
}

} // namespace

class TestCrashDurability : public QObject
{
    Q_OBJECT

public:
    explicit TestCrashDurability(int rounds)
        : m_rounds(rounds)
    { }

private Q_SLOTS:
    void killedWhileStoring_keepsEveryReturnedCall();
    void killedWithACallWaiting_nextStartStoresItOnce();

private:
    int m_rounds;
};

void TestCrashDurability::killedWhileStoring_keepsEveryReturnedCall()
{
    AppDir dir;
    QVERIFY(dir.createDatabase());
    int nextCall = 0;
    QList<int> acknowledged;
    for (int round = 0; round < m_rounds; ++round) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(ChildVariable), dir.path());
        env.insert(QStringLiteral("QUILLON_CRASH_CHILD_FIRST"), QString::number(nextCall));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY2(child.waitForStarted(10000), qPrintable(child.errorString()));

        // Let it store a few calls, then kill it at a random moment.
        const int wanted = 3 + static_cast<int>(QRandomGenerator::global()->bounded(10));
        QByteArray output;
        while (output.count('\n') < wanted && child.state() == QProcess::Running)
            if (child.waitForReadyRead(10000))
                output += child.readAllStandardOutput();
        QTest::qWait(static_cast<int>(QRandomGenerator::global()->bounded(15)));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(10000));
        output += child.readAllStandardOutput();
        QVERIFY2(child.exitStatus() == QProcess::CrashExit, "the child must have been killed, not have failed");

        const QList<QByteArray> lines = output.split('\n');
        for (const QByteArray& line : lines)
            if (!line.isEmpty())
                acknowledged.append(line.toInt());
        QVERIFY(!acknowledged.isEmpty());
        nextCall = acknowledged.last() + 1000; // calls in flight at the kill may or may not be there
    }

    SqlFile db(dir.databasePath()); // not read-only: a journal left by the kill is rolled back
    QCOMPARE(db.rows(QStringLiteral("PRAGMA integrity_check")), QStringList { QStringLiteral("ok") });
    const QStringList names = db.rows(QStringLiteral("SELECT Name FROM CID"));
    for (int call : std::as_const(acknowledged))
        QVERIFY2(names.contains(QStringLiteral("CALLER %1").arg(call)), qPrintable(QString::number(call)));
    qInfo("%d rounds killed, %lld acknowledged calls all stored, integrity ok", m_rounds,
          static_cast<long long>(acknowledged.size()));
}

void TestCrashDurability::killedWithACallWaiting_nextStartStoresItOnce()
{
    AppDir dir;
    QVERIFY(dir.createDatabase());
    {
        SqlFile holder(dir.databasePath());
        QVERIFY(holder.run(QStringLiteral("BEGIN IMMEDIATE"))); // readers go on, writers are refused
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(ChildVariable), dir.path());
        env.insert(QStringLiteral("QUILLON_CRASH_CHILD_FIRST"), QStringLiteral("-1"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY2(child.waitForStarted(10000), qPrintable(child.errorString()));
        QByteArray output;
        while (!output.contains("waiting\n") && child.state() == QProcess::Running)
            if (child.waitForReadyRead(10000))
                output += child.readAllStandardOutput();
        QVERIFY2(output.contains("waiting\n"), output.constData());
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(10000));
        QVERIFY(holder.run(QStringLiteral("ROLLBACK")));
    }
    for (int start = 0; start < 2; ++start) {
        WorkingSettings settings;
        SystemClock clock;
        ActivityLog log(dir.path(), settings, clock);
        CallDatabase database(dir.path(), settings, log, clock);
        QVERIFY(database.OpenCallDatabase());
        QSignalSpy checked(&database.store(), &CallStore::checkFinished);
        database.store().startCheck();
        QVERIFY(checked.wait(10000));
        QCOMPARE(database.store().waitingCount(), 0);
        QVERIFY(!QFileInfo::exists(database.store().waitingFilePath()));
    }
    SqlFile db(dir.databasePath(), true);
    QCOMPARE(db.rows(QStringLiteral("SELECT Name, Number, Date, Time, Rejected FROM CID")),
             QStringList { QStringLiteral("JOHN\tDOE\\|555-123-4567|06/12|14:32|1") });
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray childDir = qgetenv(ChildVariable);
    if (!childDir.isEmpty())
        return runChild(QString::fromLocal8Bit(childDir), qEnvironmentVariableIntValue("QUILLON_CRASH_CHILD_FIRST"));
    int rounds
        = qEnvironmentVariableIsSet("QUILLON_CRASH_ROUNDS") ? qEnvironmentVariableIntValue("QUILLON_CRASH_ROUNDS") : 25;
    // "-rounds N" is ours; QTest gets the rest of the command line.
    QStringList arguments = app.arguments();
    const qsizetype at = arguments.indexOf(QStringLiteral("-rounds"));
    if (at > 0 && at + 1 < arguments.size()) {
        rounds = arguments.at(at + 1).toInt();
        arguments.remove(at, 2);
    }
    TestCrashDurability test(qMax(1, rounds));
    return QTest::qExec(&test, arguments);
}

#include "tst_crashdurability.moc"

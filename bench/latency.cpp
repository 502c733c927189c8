// SPDX-License-Identifier: GPL-2.0-or-later
// How long the window's event loop stands still: a 1 ms timer on the UI
// thread, and the longest gap between its ticks while the program
//  (a) fills in 3,000 past calls a caller-ID server sends at connect,
//  (b) lets a display connect while another program locks the database,
//  (c) stores a call while Search and Phone Index grids are open over
//      1,000,000 calls (both grids take it in, as the windows do),
//  (d) imports a 1,000,000-row call CSV as the menu does: on a thread and
//      connection of its own, its progress read by the event loop.
// Goal: under 50 ms each. Also the peak resident memory of (d), which is
// the process's: run "bench_latency d" alone for it. Not a test: figures
// depend on the machine and its disk; run it on an idle one.
#include "callfixture.h"
#include "config/workingsettings.h"
#include "network/networkservice.h"
#include "platform/clock.h"
#include "platform/messageboxes.h"
#include "platform/qtserialport.h"
#include "reception/callpipeline.h"
#include "reception/modemchannel.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"
#include "records/callrecords.h"
#include "records/callstore.h"
#include "records/recordgridmodel.h"
#include "records/recordtransfer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/resource.h>

using namespace Quillon;

namespace {

class SilentBoxes final : public MessageBoxes
{
public:
    Answer show(const QString& text, const QString&, Icon, Buttons) override
    {
        std::fprintf(stderr, "box: %s\n", qPrintable(text));
        return Answer::Ok;
    }
};

// Another program holding the file locked, as long as it lives.
struct ExclusiveLock
{
    explicit ExclusiveLock(const QString& path)
    {
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        Bench::execSql(db, "BEGIN EXCLUSIVE; INSERT INTO Reject (Number) VALUES ('lock')");
    }
    ~ExclusiveLock()
    {
        Bench::execSql(db, "ROLLBACK");
        sqlite3_close(db);
    }
    Q_DISABLE_COPY_MOVE(ExclusiveLock)
    sqlite3* db = nullptr;
};

// The longest gap between ticks of a 1 ms timer until done() says so.
qint64 longestGap(const std::function<void()>& start, const std::function<bool()>& done, int timeoutMs = 600000)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 worst = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        worst = qMax(worst, now - last);
        last = now;
    });
    tick.start();
    QTimer::singleShot(5, start);
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    tick.stop();
    return qMax(worst, clock.elapsed() - last);
}

struct Program
{
    explicit Program(const QString& dir)
        : log(dir, settings, clock)
        , database(dir, settings, log, clock)
        , modem(dir + QStringLiteral("/QuillonCID.ini"), settings, port, clock, log, boxes)
        , pipeline(settings, modem, database, log, clock)
        , network(dir + QStringLiteral("/QuillonCID.ini"), pipeline, database, modem, log, clock, boxes)
    { }
    WorkingSettings settings;
    SystemClock clock;
    SilentBoxes boxes;
    QtSerialPort port;
    ActivityLog log;
    CallDatabase database;
    MdmCmd modem;
    ProcessCid pipeline;
    NetworkService network;
};

bool makeDatabase(const QString& dir, int calls)
{
    return Bench::makeCallDatabase(dir + QStringLiteral("/CallerID.mdb"), calls, "06/12", "14:32",
                                   [](int i, std::string& name, std::string& number) {
                                       // 5,000 callers, each with a number of their own.
                                       name = "CALLER " + std::to_string(i % 5000);
                                       number = "555-" + std::to_string(100 + i % 5000 / 10) + "-"
                                           + std::to_string(1000 + i % 5000);
                                   });
}

void fillIn(const QString& dir)
{
    if (!makeDatabase(dir, 20000))
        return;
    Program p(dir);
    p.database.OpenCallDatabase();
    QTcpServer peer;
    peer.listen(QHostAddress::LocalHost, 0);
    QByteArray log = "200 Server: bench\n210 API 1.0 Feature Set 1\n";
    for (int i = 0; i < 3000; ++i)
        log += QStringLiteral("CIDLOG: *DATE*%1%2%3*TIME*%4%5*LINE*-*NMBR*555%6*MESG*NONE*NAME*PAST %7*\n")
                   .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                   .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                   .arg(2025)
                   .arg(i % 24, 2, 10, QLatin1Char('0'))
                   .arg(i % 60, 2, 10, QLatin1Char('0'))
                   .arg(1000000 + i)
                   .arg(i)
                   .toLatin1();
    log += "250 End of call log\n300 End of connection startup\n";
    std::unique_ptr<QTcpSocket> server;
    QObject::connect(&peer, &QTcpServer::newConnection, [&] {
        server.reset(peer.nextPendingConnection());
        server->write(log);
    });
    const qint64 gap = longestGap(
        [&] {
            p.network.settings().Receive = true;
            p.network.settings().ServerHost = QStringLiteral("127.0.0.1");
            p.network.settings().ServerPort = peer.serverPort();
            p.network.apply();
        },
        // The file is read only once the storage thread has nothing left,
        // so that the probe itself never waits for one of its commits.
        [&] {
            if (p.network.pastCallsPending() > 0 || p.database.store().unstoredCount() > 0)
                return false;
            QSqlQuery count(p.database.connection());
            return count.exec(QStringLiteral("SELECT count(*) FROM CID")) && count.next()
                && count.value(0).toInt() >= 23000;
        });
    std::printf("(a) 3,000 past calls filled in (20,000 stored): longest gap %lld ms\n", static_cast<long long>(gap));
}

void lockedDisplay(const QString& dir)
{
    if (!makeDatabase(dir, 20000))
        return;
    Program p(dir);
    p.database.OpenCallDatabase();
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    p.network.settings().Share = true;
    p.network.settings().SharePort = probe.serverPort();
    probe.close();
    p.network.apply();
    p.network.server().setHelloWaitMs(0);
    ExclusiveLock lock(dir + QStringLiteral("/CallerID.mdb"));
    QTcpSocket display;
    QByteArray received;
    QObject::connect(&display, &QTcpSocket::readyRead, [&] { received += display.readAll(); });
    const qint64 gap
        = longestGap([&] { display.connectToHost(QHostAddress::LocalHost, p.network.settings().SharePort); },
                     [&] { return received.contains("300 "); });
    std::printf("(b) a display connects, database locked by another program: longest gap %lld ms\n",
                static_cast<long long>(gap));
}

void gridsOpen(const QString& dir)
{
    if (!makeDatabase(dir, 1000000))
        return;
    Program p(dir);
    p.database.OpenCallDatabase();
    RecordGridModel search;
    RecordGridModel index;
    search.setGridQuery(p.database.connection(), CallRecords::searchQuery(SearchType::All, {}));
    index.setGridQuery(p.database.connection(), CallRecords::phoneIndexQuery());
    bool stored = false;
    const qint64 gap = longestGap(
        [&] {
            p.database.store().StoreCall({ QStringLiteral("JOHN DOE"),
                                           QStringLiteral("555-123-4567"),
                                           QStringLiteral("06/12"),
                                           QStringLiteral("14:32"),
                                           {} });
            for (RecordGridModel* grid : { &search, &index }) {
                if (grid->takeNewRows() == RecordGridModel::NewRows::ReadAgain)
                    grid->rerun();
            }
            stored = true;
        },
        [&] { return stored; });
    if (search.rowCount() != RecordGridModel::pageRows + 1 || index.rowCount() != 5001)
        std::fprintf(stderr, "(c) the call is missing from a grid\n");
    std::printf("(c) a call stored, Search and Phone Index open over 1,000,000 calls: longest gap %lld ms\n",
                static_cast<long long>(gap));
}

void import(const QString& dir)
{
    if (!makeDatabase(dir, 0))
        return;
    const QString csv = dir + QStringLiteral("/calls.csv");
    {
        QFile file(csv);
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.write("Name,Number,Date,Time,SysTime\r\n");
        for (int i = 0; i < 1000000; ++i)
            file.write(QStringLiteral("CALLER %1,555-%2-%3,06/12,14:32,2021-06-12 14:%4:%5\r\n")
                           .arg(i)
                           .arg(100 + i % 900)
                           .arg(1000 + i % 9000)
                           .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
                           .arg(i % 60, 2, 10, QLatin1Char('0'))
                           .toLatin1());
    }
    Program p(dir);
    p.database.OpenCallDatabase();
    std::atomic<bool> done = false;
    ImportResult result;
    TransferProgress progress;
    const std::unique_ptr<QThread> thread(QThread::create([&] {
        DatabaseFileConnection connection(p.database.databasePath());
        connection.stopWhen(progress.cancel);
        result = importRecords(connection.database(), RecordList::Calls, csv, { 0, &progress });
        done = true;
    }));
    qint64 shown = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] { shown = progress.done; });
    poll.start(100);
    const qint64 gap = longestGap([&] { thread->start(); }, [&] { return done.load(); });
    thread->wait();
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("(d) 1,000,000-row import (%lld MB file, %lld added): longest gap %lld ms, peak memory %ld MB\n",
                static_cast<long long>(QFile(csv).size() >> 20), static_cast<long long>(result.added),
                static_cast<long long>(gap), usage.ru_maxrss / 1024);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList cases = app.arguments().mid(1);
    const auto wanted = [&cases](const char* name) { return cases.isEmpty() || cases.contains(QLatin1String(name)); };
    const std::pair<const char*, void (*)(const QString&)> runs[]
        = { { "a", fillIn }, { "b", lockedDisplay }, { "c", gridsOpen }, { "d", import } };
    for (const auto& [name, run] : runs) {
        if (!wanted(name))
            continue;
        QTemporaryDir dir;
        run(dir.path());
    }
    return 0;
}

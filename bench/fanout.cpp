// SPDX-License-Identifier: GPL-2.0-or-later
// Sharing calls with displays on loopback. Fan-out: one call to 100 connected
// displays, timed until every display holds the whole CID line (goal: median
// under 5 ms). Call path: parsing to storage in a fresh database, with
// sharing off and with sharing on to those 100 displays, which includes
// handing the line to each display's socket (goal: at most 1.1 times); what
// is left for the event loop afterwards is reported apart.
#include "config/numberformat.h"
#include "config/workingsettings.h"
#include "network/ncidcall.h"
#include "network/ncidserver.h"
#include "platform/clock.h"
#include "platform/messageboxes.h"
#include "reception/reportparser.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"
#include "records/databasefile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace Quillon;

namespace {

constexpr int displayCount = 100;

const QString report = QStringLiteral("RING\r\n\r\nDATE = 0612\r\nTIME = 1432\r\nNMBR = 5551234567\r\n"
                                      "NAME = JOHN DOE\r\n\r\nRING\r\n");

class SilentBoxes final : public MessageBoxes
{
public:
    Answer show(const QString& text, const QString&, Icon, Buttons) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return Answer::Ok;
    }
};

// A display: a plain non-blocking socket, as another process would have it.
struct Display
{
    int fd = -1;
    std::string pending;

    ~Display()
    {
        if (fd >= 0)
            ::close(fd);
    }
    bool connectTo(quint16 port)
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return false;
        return ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK) == 0;
    }
    // Takes what has arrived; counts the complete lines that start with prefix.
    int take(const char* prefix)
    {
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            pending.append(buffer, static_cast<size_t>(got));
        }
        int lines = 0;
        for (size_t lf = pending.find('\n'); lf != std::string::npos; lf = pending.find('\n')) {
            lines += pending.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
            pending.erase(0, lf + 1);
        }
        return lines;
    }
};

struct Program
{
    Program()
    {
        settings.EnableLog = false;
        server.setHelloWaitMs(0);
        server.setLogCount(0);
        ok = makeDatabase() && database.OpenCallDatabase() && server.listen(QHostAddress::LocalHost, 0);
        if (!ok)
            std::fprintf(stderr, "set-up failed: database or listening\n");
        // One at a time, each accepted before the next: the listen backlog
        // is shorter than a hundred.
        for (int i = 0; ok && i < displayCount; ++i) {
            displays.push_back(std::make_unique<Display>());
            ok = displays.back()->connectTo(server.serverPort());
            for (int round = 0; ok && server.clientCount() <= i && round < 100000; ++round)
                QCoreApplication::processEvents();
        }
        // Every display through its start-up before anything is timed.
        int started = 0;
        for (int round = 0; ok && started < displayCount && round < 100000; ++round) {
            QCoreApplication::processEvents();
            for (auto& display : displays)
                started += display->take("300 ");
        }
        ok = ok && started == displayCount && server.clientCount() == displayCount;
        if (!ok)
            std::fprintf(stderr, "set-up failed: %d of %d displays started, %d connected\n", started, displayCount,
                         server.clientCount());
    }

    bool makeDatabase()
    {
        QString error;
        const bool made = dir.isValid()
            && createCallDatabase(dir.filePath(QStringLiteral("CallerID.mdb")), QStringLiteral(QUILLON_SCHEMA_PATH),
                                  &error);
        if (!error.isEmpty())
            std::fprintf(stderr, "%s\n", qPrintable(error));
        return made;
    }

    QTemporaryDir dir;
    WorkingSettings settings;
    SystemClock clock;
    ActivityLog log { dir.path(), settings, clock };
    SilentBoxes boxes;
    CallDatabase database { dir.path(), settings, log, clock };
    NcidServer server { clock };
    std::vector<std::unique_ptr<Display>> displays;
    bool ok = false;
};

std::unique_ptr<Program> g_program;

const NcidFields fields = ncidCallFields(QStringLiteral("06/12"), QStringLiteral("14:32"),
                                         QStringLiteral("555-123-4567"), QStringLiteral("JOHN DOE"), QDateTime());

double median(std::vector<double> times)
{
    if (times.empty())
        return 0;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double microseconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - since).count();
}

double g_fanOutMedian = 0;
double g_sharingOffMedian = 0;
double g_sharingOnMedian = 0;
double g_flushMedian = 0;

void BM_FanOut(benchmark::State& state)
{
    Program& p = *g_program;
    if (!p.ok) {
        state.SkipWithError("setup");
        return;
    }
    std::vector<double> times;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        p.server.sendCall(fields, false);
        int holding = 0;
        while (holding < displayCount) {
            QCoreApplication::processEvents();
            for (auto& display : p.displays)
                holding += display->take("CID: ");
        }
        times.push_back(microseconds(start));
    }
    g_fanOutMedian = median(times);
    state.counters["median_us"] = g_fanOutMedian;
}

// Steps 4 to 10 of call processing for a caller on neither list, then the
// processed call offered to the server, which writes every socket at once;
// the event loop's remaining work afterwards is timed on its own.
double callPath(Program& p, bool sharing, std::vector<double>& flushes)
{
    const auto start = std::chrono::steady_clock::now();
    CidCall call;
    ParseCidReport(report, p.settings.NmbrLngth, call);
    FormatCidNumber(call.Number, p.settings.Format);
    call.Name = p.database.TranslateCaller(call.Name, call.Number);
    p.database.CheckReject(call.Name, call.Number);
    p.database.InsertCall(call.Name, call.Number, call.Date, call.Time);
    if (sharing)
        p.server.sendCall(ncidCallFields(call.Date, call.Time, call.Number, call.Name, p.clock.now()), false);
    const double path = microseconds(start);
    const auto flush = std::chrono::steady_clock::now();
    QCoreApplication::processEvents();
    if (sharing)
        flushes.push_back(microseconds(flush));
    return path;
}

// Sharing off and on alternate, so that both meet the same disk and load;
// the displays read in their own processes, outside the timed path.
void BM_CallPath(benchmark::State& state)
{
    Program& p = *g_program;
    if (!p.ok) {
        state.SkipWithError("setup");
        return;
    }
    std::vector<double> off;
    std::vector<double> on;
    std::vector<double> flushes;
    bool offFirst = true;
    for (auto _ : state) {
        // Each goes first every other time: a sync right after a sync costs more.
        if (offFirst) {
            off.push_back(callPath(p, false, flushes));
            on.push_back(callPath(p, true, flushes));
        } else {
            on.push_back(callPath(p, true, flushes));
            off.push_back(callPath(p, false, flushes));
        }
        offFirst = !offFirst;
        state.PauseTiming();
        for (auto& display : p.displays)
            display->take("CID: ");
        state.ResumeTiming();
    }
    g_sharingOffMedian = median(off);
    g_sharingOnMedian = median(on);
    g_flushMedian = median(flushes);
    state.counters["off_median_us"] = g_sharingOffMedian;
    state.counters["on_median_us"] = g_sharingOnMedian;
    state.counters["writes_median_us"] = g_flushMedian;
}

BENCHMARK(BM_FanOut)->UseRealTime()->Unit(benchmark::kMicrosecond)->Iterations(1000);
BENCHMARK(BM_CallPath)->UseRealTime()->Unit(benchmark::kMicrosecond)->Iterations(300);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    g_program = std::make_unique<Program>();
    benchmark::RunSpecifiedBenchmarks();
    if (g_fanOutMedian > 0)
        std::printf("summary: one call to %d displays, median %.0f us (goal < 5000 us): %s\n", displayCount,
                    g_fanOutMedian, g_fanOutMedian < 5000 ? "met" : "NOT met");
    if (g_sharingOffMedian > 0) {
        const double ratio = g_sharingOnMedian / g_sharingOffMedian;
        std::printf("summary: call path median %.0f us sharing off, %.0f us on, ratio %.2f (goal <= 1.1): %s\n",
                    g_sharingOffMedian, g_sharingOnMedian, ratio, ratio <= 1.1 ? "met" : "NOT met");
        std::printf("summary: event loop after the call with %d displays, median %.0f us\n", displayCount,
                    g_flushMedian);
    }
    benchmark::Shutdown();
    g_program.reset();
    return 0;
}

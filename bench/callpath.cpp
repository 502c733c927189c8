// SPDX-License-Identifier: GPL-2.0-or-later
// What one call costs between parsing and storage, against a large database:
// 1,000,000 stored calls and 100,000 entries in each list. The yardstick is a
// single durable insert into the same file; the call path should stay within
// 1.5 times that. For comparison, the same path reading both lists whole and
// comparing row by row in the program. Also what the check of the whole
// file (PRAGMA quick_check) costs at that size: under 100 ms it could run
// before the window shows; above, it runs beside the window.
#include "config/numberformat.h"
#include "config/workingsettings.h"
#include "platform/clock.h"
#include "platform/messageboxes.h"
#include "reception/reportparser.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"
#include "records/databasefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace Quillon;

namespace {

constexpr int storedCalls = 1'000'000;
constexpr int listEntries = 100'000;

const QString fixtureDir = QStringLiteral("/tmp/quillon-bench-callpath");

const QString report = QStringLiteral("RING\r\n\r\nDATE = 0612\r\nTIME = 1432\r\nNMBR = 5551234567\r\n"
                                      "NAME = JOHN DOE\r\n\r\nRING\r\n");

bool execAll(QSqlDatabase& db, const QString& script)
{
    QString statement;
    for (const QString& line : script.split(QLatin1Char('\n'))) {
        if (line.trimmed().startsWith(QStringLiteral("--")))
            continue;
        statement += line + QLatin1Char('\n');
        if (line.trimmed().endsWith(QLatin1Char(';'))) {
            QSqlQuery query(db);
            if (!query.exec(statement)) {
                std::fprintf(stderr, "%s\n", qPrintable(query.lastError().text()));
                return false;
            }
            statement.clear();
        }
    }
    return true;
}

// Made once and kept in /tmp: every number in the lists is in display format,
// none of them is the benchmark's caller except one translate entry.
bool makeFixture(const QString& path)
{
    if (QFile::exists(path))
        return true;
    QDir().mkpath(fixtureDir);
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    QElapsedTimer timer;
    timer.start();
    bool ok = false;
    {
        ok = createCallDatabase(partial, QStringLiteral(QUILLON_SCHEMA_PATH));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        db.setDatabaseName(partial);
        ok = ok && db.open();
        const QString fill
            = QStringLiteral(
                  "BEGIN;\n"
                  "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < %1)\n"
                  "  INSERT INTO CID (Name, Number, Date, Time, SysTime)\n"
                  "  SELECT 'CALLER ' || x, printf('%03d-%03d-%04d', 200 + x % 700, x / 10000 % 1000, x % 10000),\n"
                  "         printf('%02d/%02d', 1 + x % 12, 1 + x % 28), printf('%02d:%02d', x % 24, x % 60),\n"
                  "         datetime(1600000000 + x * 60, 'unixepoch') FROM n;\n"
                  "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < %2)\n"
                  "  INSERT INTO Reject (Number, Name) SELECT printf('800-%03d-%04d', x / 10000, x % 10000),\n"
                  "  'SPAM ' || x FROM n;\n"
                  "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < %2)\n"
                  "  INSERT INTO Translate (Number, Name) SELECT printf('444-%03d-%04d', x / 10000, x % 10000),\n"
                  "  'Friend ' || x FROM n;\n"
                  "INSERT INTO Translate (Number, Name) VALUES ('555-123-4567', 'Mom');\n"
                  "COMMIT;\n")
                  .arg(storedCalls)
                  .arg(listEntries);
        ok = ok && execAll(db, fill);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    ok = ok && QFile::rename(partial, path);
    std::fprintf(stderr, "fixture %s made in %.1f s\n", qPrintable(path), timer.elapsed() / 1000.0);
    return ok;
}

// One program-wide database as the program has it.
struct Program
{
    Program()
    {
        settings.EnableLog = false;
        settings.Reject = true;
        ok = makeFixture(fixtureDir + QStringLiteral("/CallerID.mdb")) && database.OpenCallDatabase();
        // As at every start once the file is found sound: a fixture kept
        // from an earlier version gains the indexes the look-ups rely on.
        if (ok)
            database.addLaterSchema();
    }

    class SilentBoxes final : public MessageBoxes
    {
    public:
        Answer show(const QString& text, const QString&, Icon, Buttons) override
        {
            std::fprintf(stderr, "%s\n", qPrintable(text));
            return Answer::Ok;
        }
    };

    WorkingSettings settings;
    SystemClock clock;
    ActivityLog log { fixtureDir, settings, clock };
    SilentBoxes boxes;
    CallDatabase database { fixtureDir, settings, log, clock };
    bool ok = false;
};

std::unique_ptr<Program> g_program;

Program& program()
{
    return *g_program;
}

void BM_DurableInsert(benchmark::State& state)
{
    Program& p = program();
    if (!p.ok) {
        state.SkipWithError("fixture");
        return;
    }
    for (auto _ : state) {
        if (!p.database.InsertCall(QStringLiteral("JOHN DOE"), QStringLiteral("555-123-4567"), QStringLiteral("06/12"),
                                   QStringLiteral("14:32")))
            state.SkipWithError("insert failed");
    }
}

// Steps 4 to 10 of call processing for a caller who is translated but not
// rejected, so no modem wait is included.
void BM_CallPath(benchmark::State& state)
{
    Program& p = program();
    if (!p.ok) {
        state.SkipWithError("fixture");
        return;
    }
    CidCall call;
    for (auto _ : state) {
        ParseCidReport(report, p.settings.NmbrLngth, call);
        FormatCidNumber(call.Number, p.settings.Format);
        call.Name = p.database.TranslateCaller(call.Name, call.Number);
        benchmark::DoNotOptimize(p.database.CheckReject(call.Name, call.Number));
        benchmark::DoNotOptimize(call.Name.size() + call.Number.size()); // listed
        if (!p.database.InsertCall(call.Name, call.Number, call.Date, call.Time))
            state.SkipWithError("insert failed");
    }
    if (call.Name != QStringLiteral("Mom"))
        state.SkipWithError("caller was not translated");
}

// The same path reading both lists whole for every call and comparing in the
// program, as a desktop database record set would be walked.
void BM_CallPathReadingWholeLists(benchmark::State& state)
{
    Program& p = program();
    if (!p.ok) {
        state.SkipWithError("fixture");
        return;
    }
    const QSqlDatabase db = p.database.connection();
    CidCall call;
    int rejections = 0;
    for (auto _ : state) {
        ParseCidReport(report, p.settings.NmbrLngth, call);
        FormatCidNumber(call.Number, p.settings.Format);
        {
            QSqlQuery translate(db);
            translate.setForwardOnly(true);
            translate.exec(QStringLiteral("SELECT Translate.Number, Translate.Name FROM Translate"));
            while (translate.next()) {
                if (translate.value(0).toString() == call.Number)
                    call.Name = translate.value(1).toString();
            }
        }
        {
            QSqlQuery reject(db);
            reject.setForwardOnly(true);
            reject.exec(QStringLiteral("SELECT Reject.Number, Reject.Name FROM Reject"));
            bool rejected = false;
            while (reject.next()) {
                if (!rejected && reject.value(0).toString() == call.Number)
                    rejected = true;
                if (!rejected && reject.value(1).toString() == call.Name)
                    rejected = true;
            }
            rejections += rejected;
        }
        benchmark::DoNotOptimize(call.Name.size() + call.Number.size()); // listed
        if (!p.database.InsertCall(call.Name, call.Number, call.Date, call.Time))
            state.SkipWithError("insert failed");
    }
    if (call.Name != QStringLiteral("Mom") || rejections != 0)
        state.SkipWithError("look-ups disagree with the indexed path");
}

void BM_QuickCheck(benchmark::State& state)
{
    Program& p = program();
    if (!p.ok) {
        state.SkipWithError("fixture");
        return;
    }
    for (auto _ : state) {
        const QuickCheck check = CallDatabase::quickCheck(p.database.databasePath());
        if (!check.ran || check.damaged)
            state.SkipWithError(qPrintable(check.result));
    }
}

// Disk syncs dominate and vary: several repetitions, compared by median.
BENCHMARK(BM_DurableInsert)->UseRealTime()->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_CallPath)->UseRealTime()->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_CallPathReadingWholeLists)->UseRealTime()->Unit(benchmark::kMicrosecond)->Repetitions(3);
BENCHMARK(BM_QuickCheck)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// Prints the ratios once every benchmark has run.
class SummaryReporter final : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                m_times[run.run_name.function_name].push_back(run.GetAdjustedRealTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const double insert = median("BM_DurableInsert");
        const double path = median("BM_CallPath");
        const double whole = median("BM_CallPathReadingWholeLists");
        const double check = median("BM_QuickCheck");
        if (check > 0)
            std::printf("summary: quick_check of the whole file = %.0f ms (start-up goal < 100 ms): %s\n", check,
                        check < 100 ? "at start-up" : "runs beside the window");
        if (insert <= 0 || path <= 0 || whole <= 0) {
            std::printf("summary: incomplete run\n");
            return;
        }
        std::printf("summary: call path / durable insert = %.2f (goal <= 1.5): %s\n", path / insert,
                    path / insert <= 1.5 ? "met" : "NOT met");
        std::printf("summary: reading whole lists / call path = %.1f\n", whole / path);
    }

private:
    double median(const std::string& name)
    {
        std::vector<double>& times = m_times[name];
        if (times.empty())
            return 0;
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    }

    // Real time per iteration of every repetition; disk syncs vary a lot
    // from one repetition to the next, so the summary compares medians.
    std::map<std::string, std::vector<double>> m_times;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    g_program = std::make_unique<Program>();
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    g_program.reset();
    return 0;
}

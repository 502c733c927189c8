// SPDX-License-Identifier: GPL-2.0-or-later
// What the reject check costs a call with 100,000 entries on the list: all
// exact, or 1,000 of them patterns ('*', '?'), for a caller no entry matches
// (every pattern is tried). Patterns should add no time a caller would
// notice next to the durable insert of the same call (a few milliseconds).
// Also the list with patterns in a file made before the partial indexes
// that keep them apart, where the check reads the whole list.
#include "config/workingsettings.h"
#include "platform/clock.h"
#include "records/activitylog.h"
#include "records/calldatabase.h"
#include "records/databasefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

using namespace Quillon;

namespace {

constexpr int listEntries = 100'000;
constexpr int patternEntries = 1'000;

const QString fixtureRoot = QStringLiteral("/tmp/quillon-bench-rejectlookup");

enum class Fixture
{
    Exact,
    Patterns,
    PatternsUnindexed,
};

bool exec(QSqlDatabase& db, const QString& statement)
{
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    std::fprintf(stderr, "%s\n", qPrintable(query.lastError().text()));
    return false;
}

// Half the patterns on numbers, half on names, none matching the caller.
bool makeFixture(const QString& dir, Fixture kind)
{
    const QString path = dir + QStringLiteral("/CallerID.mdb");
    if (QFile::exists(path))
        return true;
    QDir().mkpath(dir);
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    bool ok = false;
    {
        ok = createCallDatabase(partial, QStringLiteral(QUILLON_SCHEMA_PATH));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        db.setDatabaseName(partial);
        ok = ok && db.open();
        const int exact = kind == Fixture::Exact ? listEntries : listEntries - patternEntries;
        ok = ok && exec(db, QStringLiteral("BEGIN"))
            && exec(db,
                    QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < %1)"
                                   " INSERT INTO Reject (Number, Name) SELECT printf('800-%03d-%04d', x / 10000,"
                                   " x % 10000), 'SPAM ' || x FROM n")
                        .arg(exact));
        if (kind != Fixture::Exact) {
            ok = ok
                && exec(db,
                        QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < %1)"
                                       " INSERT INTO Reject (Number, Name) SELECT"
                                       " CASE x % 2 WHEN 0 THEN printf('9%02d-%03d-*', x % 100, x) ELSE"
                                       " '000-000-0000' END,"
                                       " CASE x % 2 WHEN 1 THEN printf('*SPAM?%d*', x) ELSE 'N/A' END FROM n")
                            .arg(patternEntries));
        }
        ok = ok && exec(db, QStringLiteral("COMMIT"));
        // As in a file the program could not add them to.
        if (kind == Fixture::PatternsUnindexed)
            ok = ok && exec(db, QStringLiteral("DROP INDEX idx_reject_number_pattern"))
                && exec(db, QStringLiteral("DROP INDEX idx_reject_name_pattern"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    return ok && QFile::rename(partial, path);
}

struct Program
{
    explicit Program(Fixture kind)
        : dir(fixtureRoot + QStringLiteral("/%1").arg(int(kind)))
    {
        settings.Reject = true;
        ok = makeFixture(dir, kind);
        log = std::make_unique<ActivityLog>(dir, settings, clock);
        database = std::make_unique<CallDatabase>(dir, settings, *log, clock);
        ok = ok && database->OpenCallDatabase();
    }
    QString dir;
    WorkingSettings settings;
    SystemClock clock;
    std::unique_ptr<ActivityLog> log;
    std::unique_ptr<CallDatabase> database;
    bool ok = false;
};

void lookUp(benchmark::State& state, Fixture kind)
{
    Program p(kind);
    if (!p.ok) {
        state.SkipWithError("fixture");
        return;
    }
    const QString name = QStringLiteral("JOHN DOE");
    const QString number = QStringLiteral("555-123-4567");
    for (auto _ : state) {
        QString error;
        if (p.database->CheckReject(name, number, &error))
            state.SkipWithError("the caller was rejected");
        if (!error.isEmpty())
            state.SkipWithError(qPrintable(error));
    }
    // A pattern still rejects what it should.
    if (kind != Fixture::Exact && !p.database->CheckReject(QStringLiteral("SPAM 7 LTD"), number))
        state.SkipWithError("a pattern did not match");
}

void BM_RejectExactOnly(benchmark::State& state)
{
    lookUp(state, Fixture::Exact);
}
void BM_RejectWithPatterns(benchmark::State& state)
{
    lookUp(state, Fixture::Patterns);
}
void BM_RejectWithPatternsUnindexed(benchmark::State& state)
{
    lookUp(state, Fixture::PatternsUnindexed);
}

BENCHMARK(BM_RejectExactOnly)->Unit(benchmark::kMicrosecond)->Repetitions(3);
BENCHMARK(BM_RejectWithPatterns)->Unit(benchmark::kMicrosecond)->Repetitions(3);
BENCHMARK(BM_RejectWithPatternsUnindexed)->Unit(benchmark::kMicrosecond)->Repetitions(3);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// SPDX-License-Identifier: GPL-2.0-or-later
// The search window's Name search over a million stored calls, count
// included, against the same two statements run on the SQLite C library.
#include "callfixture.h"
#include "records/callsearch.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQueryModel>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>
#include <random>
#include <sqlite3.h>
#include <string>

namespace {

using namespace Quillon;

constexpr int callCount = 1'000'000;
const QString searchText = QStringLiteral("SMI");

QTemporaryDir* dataDir = nullptr;

QString databasePath()
{
    return dataDir->filePath(QStringLiteral("CallerID.mdb"));
}

// The schema the program ships, then a million calls a minute apart with
// names drawn from a few hundred callers.
bool makeDatabase()
{
    const char* lastNames[]
        = { "SMITH",    "JONES",  "BLACKSMITH", "BROWN",    "GARCIA",   "MILLER",  "DAVIS",  "WILSON",  "ANDERSON",
            "TAYLOR",   "THOMAS", "MOORE",      "MARTIN",   "JACKSON",  "WHITE",   "HARRIS", "CLARK",   "LEWIS",
            "ROBINSON", "WALKER", "YOUNG",      "ALLEN",    "KING",     "WRIGHT",  "SCOTT",  "GREEN",   "BAKER",
            "ADAMS",    "NELSON", "HILL",       "CAMPBELL", "MITCHELL", "ROBERTS", "CARTER", "PHILLIPS" };
    const char* firstNames[] = { "JOHN", "MARY", "PAT", "ANN", "BOB", "LINDA", "JAMES", "SUSAN", "KIM", "ERIC" };
    std::mt19937 random(12345);
    char text[64];
    const auto caller = [&](int, std::string& name, std::string& number) {
        std::snprintf(text, sizeof text, "%s %s", lastNames[random() % std::size(lastNames)],
                      firstNames[random() % std::size(firstNames)]);
        name = text;
        std::snprintf(text, sizeof text, "%03u-%03u-%04u", 200 + unsigned(random() % 800), unsigned(random() % 1000),
                      unsigned(random() % 10000));
        number = text;
    };
    return Bench::makeCallDatabase(databasePath(), callCount, "0612", "1432", caller,
                                   [](sqlite3* db) { return Bench::execSql(db, "ANALYZE"); });
}

// What the window does: count, then the rows the grid fetches first.
void BM_WindowNameSearch(benchmark::State& state)
{
    const QString connection = QStringLiteral("bench");
    if (!QSqlDatabase::contains(connection)) {
        QSqlDatabase added = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        added.setDatabaseName(databasePath());
        added.open();
    }
    QSqlDatabase db = QSqlDatabase::database(connection);
    if (!db.isOpen()) {
        state.SkipWithError("cannot open the database");
        return;
    }
    qint64 count = 0;
    int fetched = 0;
    for (auto _ : state) {
        QSqlQueryModel model;
        const RecordCount result = runCallSearch(db, SearchType::Name, searchText, model);
        if (!result.ok) {
            state.SkipWithError(result.error.toStdString().c_str());
            break;
        }
        count = result.count;
        fetched = model.rowCount();
        benchmark::DoNotOptimize(model.index(0, 0).data());
    }
    state.counters["count"] = double(count);
    state.counters["rowsInModel"] = fetched;
}

// The same two statements on the C library, stepping as many rows as the
// model fetched.
void BM_DirectNameSearch(benchmark::State& state)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(databasePath()).constData(), &db, SQLITE_OPEN_READONLY, nullptr)
        != SQLITE_OK) {
        state.SkipWithError("cannot open the database");
        return;
    }
    const std::string countSql = callSearchCountStatement(SearchType::Name, searchText).toStdString();
    const std::string rowsSql = callSearchStatement(SearchType::Name, searchText).toStdString();
    const std::string text = searchText.toStdString();
    const int rowsToStep = int(state.range(0));
    sqlite3_int64 count = 0;
    for (auto _ : state) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, countSql.c_str(), -1, &statement, nullptr);
        sqlite3_bind_text(statement, 1, text.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(statement) == SQLITE_ROW)
            count = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);

        sqlite3_prepare_v2(db, rowsSql.c_str(), -1, &statement, nullptr);
        sqlite3_bind_text(statement, 1, text.c_str(), -1, SQLITE_TRANSIENT);
        for (int row = 0; row < rowsToStep && sqlite3_step(statement) == SQLITE_ROW; ++row) {
            for (int column = 0; column < 3; ++column)
                benchmark::DoNotOptimize(sqlite3_column_text(statement, column));
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    state.counters["count"] = double(count);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    dataDir = &dir;
    if (!dir.isValid() || !makeDatabase()) {
        std::fprintf(stderr, "could not build the test database\n");
        return 1;
    }

    // The window's model fetches one batch when the query is set.
    int firstBatch = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
        db.setDatabaseName(databasePath());
        db.open();
        QSqlQueryModel model;
        runCallSearch(db, SearchType::Name, searchText, model);
        firstBatch = model.rowCount();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("probe"));

    benchmark::RegisterBenchmark("BM_WindowNameSearch", BM_WindowNameSearch)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_DirectNameSearch", BM_DirectNameSearch)
        ->Arg(firstBatch)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    return 0;
}

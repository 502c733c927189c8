// SPDX-License-Identifier: GPL-2.0-or-later
// Export of a million stored calls to CSV, and import of a hundred thousand
// reject-list entries from CSV into a list that already holds some.
#include "records/csvtext.h"
#include "records/recordtransfer.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>
#include <sqlite3.h>
#include <string>

namespace {

using namespace Quillon;

constexpr int callCount = 1'000'000;
constexpr int entryCount = 100'000;

QTemporaryDir* dataDir = nullptr;

QString databasePath()
{
    return dataDir->filePath(QStringLiteral("CallerID.mdb"));
}

bool exec(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    std::fprintf(stderr, "%s\n", message);
    sqlite3_free(message);
    return false;
}

// The shipped schema and a million calls a minute apart, some names with
// the characters that need quoting.
bool makeDatabase()
{
    QFile schema(QStringLiteral(QUILLON_SCHEMA_PATH));
    if (!schema.open(QIODevice::ReadOnly))
        return false;
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(databasePath()).constData(), &db) != SQLITE_OK)
        return false;
    bool ok = exec(db, schema.readAll().toStdString()) && exec(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    ok = ok
        && sqlite3_prepare_v2(db, "INSERT INTO CID (Name, Number, Date, Time, SysTime) VALUES (?, ?, ?, ?, ?)", -1,
                              &insert, nullptr)
            == SQLITE_OK;
    char name[64];
    char number[16];
    char sysTime[32];
    const std::time_t firstCall = 1'577'836'800;
    for (int i = 0; ok && i < callCount; ++i) {
        std::snprintf(name, sizeof name, i % 10 == 0 ? "\"SMITH, J%d\" \xc3\x89" : "SMITH J%d", i % 997);
        std::snprintf(number, sizeof number, "555-%03d-%04d", i % 1000, i % 10000);
        const std::time_t when = firstCall + std::time_t(i) * 60;
        std::tm parts {};
        gmtime_r(&when, &parts);
        std::strftime(sysTime, sizeof sysTime, "%Y-%m-%d %H:%M:%S", &parts);
        sqlite3_bind_text(insert, 1, name, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, number, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, "06/12", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 4, "14:32", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 5, sysTime, -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    // A reject list of a thousand, a tenth of which the import file repeats.
    for (int i = 0; ok && i < 1000; ++i)
        ok = exec(db,
                  "INSERT INTO Reject VALUES ('800-555-" + std::to_string(10000 + i * 10).substr(1)
                      + "', 'TELEMARKETER " + std::to_string(i * 10) + "')");
    ok = ok && exec(db, "COMMIT");
    sqlite3_close(db);

    QByteArray csv;
    appendCsvRecord(csv, { QStringLiteral("Number"), QStringLiteral("Name") });
    for (int i = 0; i < entryCount; ++i)
        appendCsvRecord(
            csv,
            { QStringLiteral("800-555-%1").arg(i, 4, 10, QLatin1Char('0')), QStringLiteral("TELEMARKETER %1").arg(i) });
    QFile file(dataDir->filePath(QStringLiteral("reject.csv")));
    return ok && file.open(QIODevice::WriteOnly) && file.write(csv) == csv.size();
}

void BM_ExportMillionCalls(benchmark::State& state)
{
    DatabaseFileConnection connection(databasePath());
    const QString path = dataDir->filePath(QStringLiteral("calls.csv"));
    qint64 written = 0;
    for (auto _ : state) {
        const ExportResult result = exportRecords(connection.database(), RecordList::Calls, path);
        if (!result.ok) {
            state.SkipWithError(result.error.toStdString().c_str());
            break;
        }
        written = result.written;
    }
    state.counters["rows"] = double(written);
    state.counters["MB"] = double(QFile(path).size()) / 1e6;
}

void BM_ImportHundredThousandRejectEntries(benchmark::State& state)
{
    DatabaseFileConnection connection(databasePath());
    const QString path = dataDir->filePath(QStringLiteral("reject.csv"));
    ImportResult result;
    for (auto _ : state) {
        result = importRecords(connection.database(), RecordList::Reject, path);
        if (!result.ok) {
            state.SkipWithError(result.error.toStdString().c_str());
            break;
        }
        state.PauseTiming();
        QSqlQuery(connection.database()).exec(QStringLiteral("DELETE FROM Reject WHERE rowid > 1000"));
        state.ResumeTiming();
    }
    state.counters["added"] = double(result.added);
    state.counters["skipped"] = double(result.skipped);
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
    benchmark::RegisterBenchmark("BM_ExportMillionCalls", BM_ExportMillionCalls)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_ImportHundredThousandRejectEntries", BM_ImportHundredThousandRejectEntries)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

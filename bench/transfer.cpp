// SPDX-License-Identifier: GPL-2.0-or-later
// Export of a million stored calls to CSV, and import of a hundred thousand
// reject-list entries from CSV into a list that already holds some.
#include "callfixture.h"
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

// The shipped schema and a million calls a minute apart, some names with
// the characters that need quoting.
bool makeDatabase()
{
    char text[64];
    const auto caller = [&text](int i, std::string& name, std::string& number) {
        std::snprintf(text, sizeof text, i % 10 == 0 ? "\"SMITH, J%d\" \xc3\x89" : "SMITH J%d", i % 997);
        name = text;
        std::snprintf(text, sizeof text, "555-%03d-%04d", i % 1000, i % 10000);
        number = text;
    };
    // A reject list of a thousand, a tenth of which the import file repeats.
    const auto rejectList = [](sqlite3* db) {
        bool ok = true;
        for (int i = 0; ok && i < 1000; ++i)
            ok = Bench::execSql(db,
                                "INSERT INTO Reject VALUES ('800-555-" + std::to_string(10000 + i * 10).substr(1)
                                    + "', 'TELEMARKETER " + std::to_string(i * 10) + "')");
        return ok;
    };
    const bool ok = Bench::makeCallDatabase(databasePath(), callCount, "06/12", "14:32", caller, rejectList);

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

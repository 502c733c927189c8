// SPDX-License-Identifier: GPL-2.0-or-later
// A CallerID.mdb for benchmarks: the schema the program ships, then calls a
// minute apart written through the SQLite C library (far faster than the
// program's own one-transaction-per-call path).
#pragma once

#include <QFile>
#include <QString>

#include <cstdio>
#include <ctime>
#include <functional>
#include <sqlite3.h>
#include <string>

namespace Quillon::Bench {

inline bool execSql(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    std::fprintf(stderr, "%s\n", message);
    sqlite3_free(message);
    return false;
}

// Name and number of call i.
using CallMaker = std::function<void(int i, std::string& name, std::string& number)>;

// Creates the database at path with count calls from 2020-01-01 00:00 UTC,
// each with the given Date and Time texts; more (when given) runs inside the
// same transaction before it commits.
inline bool makeCallDatabase(const QString& path, int count, const char* date, const char* time,
                             const CallMaker& caller, const std::function<bool(sqlite3*)>& more = {})
{
    QFile schema(QStringLiteral(QUILLON_SCHEMA_PATH));
    if (!schema.open(QIODevice::ReadOnly))
        return false;
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        return false;
    bool ok = execSql(db, schema.readAll().toStdString()) && execSql(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    ok = ok
        && sqlite3_prepare_v2(db, "INSERT INTO CID (Name, Number, Date, Time, SysTime) VALUES (?, ?, ?, ?, ?)", -1,
                              &insert, nullptr)
            == SQLITE_OK;
    std::string name;
    std::string number;
    char sysTime[32];
    const std::time_t firstCall = 1'577'836'800; // 2020-01-01 00:00 UTC
    for (int i = 0; ok && i < count; ++i) {
        caller(i, name, number);
        const std::time_t when = firstCall + std::time_t(i) * 60;
        std::tm parts {};
        gmtime_r(&when, &parts);
        std::strftime(sysTime, sizeof sysTime, "%Y-%m-%d %H:%M:%S", &parts);
        sqlite3_bind_text(insert, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, number.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, date, -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 4, time, -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 5, sysTime, -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = ok && (!more || more(db)) && execSql(db, "COMMIT");
    sqlite3_close(db);
    return ok;
}

} // namespace Quillon::Bench

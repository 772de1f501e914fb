// History and favourites row-count queries: a table
// asks for its number of rows, the screen re-reads its list from the file,
// opening a connection for the operation as the system does. Tables of 500
// rows of the current city (plus 500 of another city, which the WHERE skips).
// Goal: under 1 ms per query.
//
// Build it optimised (-DCMAKE_BUILD_TYPE=Release) and run
//   build/release/bench/storage/bench_storage --benchmark_repetitions=5
// In this small process most of a favourites query's time is glibc giving
// the query's transient heap (SQLite's 87 KB page-cache block of the new
// connection, the 500 records) back to the kernel at every free and faulting
// it in again at the next query. A long-running app rarely trims that way; to
// see the figure without it, add
//   GLIBC_TUNABLES=glibc.malloc.trim_threshold=67108864
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "model/BusCollection.h"
#include "model/BusQuery.h"
#include "platform/Container.h"
#include "storage/SqliteUtil.h"
#include "storage/Statements.h"

namespace {

constexpr int kRows = 500;

std::filesystem::path gRoot;

void fill() {
    // The tables as the system creates them, by one save each.
    bus::BusQuery h;
    h.stationName = "东站";
    h.attribute = 0;
    h.lineId = 0;
    h.lineName = "0路";
    h.direction = 0;
    h.cityId = 99;
    h.save(h);
    bus::BusCollection f;
    f.cityId = 99;
    f.save(f);
    // The rows in one transaction, with the system's own insert texts.
    sqlite3* db = bus::SqliteUtil::openSqlite();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (int city : {16, 1}) {
        for (int i = 1; i <= kRows; ++i) {
            const std::string station = "站点" + std::to_string(i);
            const std::string line = std::to_string(i) + "路";
            bus::SqliteUtil::execSql(bus::sql::kInsertQuery, db,
                                     {station, i % 2, i, line, i % 2, city});
            bus::SqliteUtil::execSql(bus::sql::kInsertCollection, db,
                                     {line, station, i % 2, i % 20, city, i % 40 + 1, 3000 + i,
                                      "终点站"});
        }
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    bus::SqliteUtil::closeSqlite(db);
}

void BM_HistoryRowCount(benchmark::State& state) {
    for (auto _ : state) {
        const auto rows = bus::BusQuery().query(16);
        benchmark::DoNotOptimize(rows.size());
        if (rows.size() != kRows) state.SkipWithError("wrong history size");
    }
}
BENCHMARK(BM_HistoryRowCount)->Unit(benchmark::kMicrosecond);

void BM_FavouritesRowCount(benchmark::State& state) {
    for (auto _ : state) {
        const auto rows = bus::BusCollection().query(16);
        benchmark::DoNotOptimize(rows.size());
        if (rows.size() != kRows) state.SkipWithError("wrong favourites size");
    }
}
BENCHMARK(BM_FavouritesRowCount)->Unit(benchmark::kMicrosecond);

void BM_FavouritesOfOneLine(benchmark::State& state) {
    for (auto _ : state) {
        const auto rows = bus::BusCollection().query(16, 5, 1);
        benchmark::DoNotOptimize(rows.size());
        if (rows.size() != kRows / 20) state.SkipWithError("wrong line favourites size");
    }
}
BENCHMARK(BM_FavouritesOfOneLine)->Unit(benchmark::kMicrosecond);

// What opening and closing the connection alone costs of the figures above.
void BM_OpenAndClose(benchmark::State& state) {
    for (auto _ : state) {
        sqlite3* db = bus::SqliteUtil::openSqlite();
        benchmark::DoNotOptimize(db);
        bus::SqliteUtil::closeSqlite(db);
    }
}
BENCHMARK(BM_OpenAndClose)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    char tmpl[] = "/tmp/busreal-bench-storage-XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    gRoot = tmpl;
    platform::Container::setRoot(gRoot);
    fill();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(gRoot, ec);
    return 0;
}

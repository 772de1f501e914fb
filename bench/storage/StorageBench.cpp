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
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "platform/Container.h"
#include "storage/FavouriteStore.h"
#include "storage/HistoryStore.h"
#include "storage/Sqlite.h"
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
    bus::HistoryStore().save(h);
    bus::BusCollection f;
    f.cityId = 99;
    bus::FavouriteStore().save(f);
    // The rows in one transaction, with the system's own insert texts.
    auto db = bus::db::Connection::open();
    db.exec("BEGIN");
    for (int city : {16, 1}) {
        for (int i = 1; i <= kRows; ++i) {
            const std::string station = "站点" + std::to_string(i);
            const std::string line = std::to_string(i) + "路";
            db.exec(bus::sql::kInsertQuery, {station, i % 2, i, line, i % 2, city});
            db.exec(bus::sql::kInsertCollection, {line, station, i % 2, i % 20, city, i % 40 + 1, 3000 + i, "终点站"});
        }
    }
    db.exec("COMMIT");
}

void BM_HistoryRowCount(benchmark::State& state) {
    for (auto _ : state) {
        const auto rows = bus::HistoryStore().query(16);
        benchmark::DoNotOptimize(rows.size());
        if (rows.size() != kRows) state.SkipWithError("wrong history size");
    }
}
BENCHMARK(BM_HistoryRowCount)->Unit(benchmark::kMicrosecond);

void BM_FavouritesRowCount(benchmark::State& state) {
    for (auto _ : state) {
        const auto rows = bus::FavouriteStore().query(16);
        benchmark::DoNotOptimize(rows.size());
        if (rows.size() != kRows) state.SkipWithError("wrong favourites size");
    }
}
BENCHMARK(BM_FavouritesRowCount)->Unit(benchmark::kMicrosecond);

void BM_FavouritesOfOneLine(benchmark::State& state) {
    for (auto _ : state) {
        const auto rows = bus::FavouriteStore().query(16, 5, 1);
        benchmark::DoNotOptimize(rows.size());
        if (rows.size() != kRows / 20) state.SkipWithError("wrong line favourites size");
    }
}
BENCHMARK(BM_FavouritesOfOneLine)->Unit(benchmark::kMicrosecond);

// What opening and closing the connection alone costs of the figures above.
void BM_OpenAndClose(benchmark::State& state) {
    for (auto _ : state) {
        auto db = bus::db::Connection::open();
        benchmark::DoNotOptimize(db);
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

// What each operation logs and leaves when the file fails it, that no
// connection outlives its operation, and that a statement after a failed one
// is skipped instead of running on a closed connection.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "StorageTestSupport.h"
#include "platform/Container.h"
#include "platform/Log.h"
#include "storage/Sqlite.h"
#include "support/TestSupport.h"

using namespace bus;
using namespace bus::test;
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

TEST(StorageFailure, FreshInstallListsNothingQuietlyAndADeleteLogsOnce) {
    platform::LogCapture log;
    EXPECT_TRUE(HistoryStore().query(16).empty());
    EXPECT_TRUE(FavouriteStore().query(16, 5, 0).empty());
    EXPECT_TRUE(log.lines().empty());
    HistoryStore().removeAll(16);
    HistoryStore().remove(hit(5, 0, 16));
    FavouriteStore().remove(BusCollection());
    EXPECT_EQ(log.lines(), (Lines{kFailed, kFailed, kFailed}));
    EXPECT_TRUE(rawRows("SELECT name FROM sqlite_master").empty()) << "no table made by a query or a delete";
}

TEST(StorageFailure, AFileThatCannotBeOpenedFailsEveryOperationAndIsLeftAsItWas) {
    for (const bool documentsIsAFile : {true, false}) {
        SCOPED_TRACE(documentsIsAFile ? "Documents is a file" : "bus.sqlite is a folder");
        const fs::path obstacle = documentsIsAFile ? databaseFile().parent_path() : databaseFile();
        fs::remove_all(databaseFile().parent_path());
        if (documentsIsAFile)
            std::ofstream(obstacle) << "not a folder";
        else
            fs::create_directories(obstacle);
        platform::LogCapture log;
        EXPECT_TRUE(HistoryStore().query(16).empty());
        EXPECT_TRUE(FavouriteStore().query(16, 5, 0).empty());
        EXPECT_EQ(log.lines(), (Lines{kOpenFailed, kOpenFailed})) << "a query logs the failed open only";
        log.clear();
        save(hit(5, 0, 16));  // the create fails; remove's delete fails; the insert is skipped
        save(favourite(5, 0, 16, 3));
        HistoryStore().removeAll(16);
        EXPECT_EQ(log.lines(), (Lines{kOpenFailed, kFailed, kOpenFailed, kFailed, kOpenFailed, kFailed, kOpenFailed,
                                      kFailed}));
        EXPECT_EQ(fs::is_directory(obstacle), !documentsIsAFile);
    }
}

TEST(StorageFailure, AFileThatIsNotADatabaseSkipsTheStatementAfterAFailedOne) {
    const std::string garbage(4096, 'x');
    std::ofstream(platform::Container::documentsDirectory() / "bus.sqlite") << garbage;
    platform::LogCapture log;
    EXPECT_TRUE(HistoryStore().query(16).empty());  // cannot be prepared: quiet
    // History: the create fails and closes its connection; remove opens its
    // own, whose delete fails and closes it; the insert is skipped instead of
    // running on a closed connection (a third line would show it).
    save(hit(5, 0, 16));
    EXPECT_EQ(log.lines(), (Lines{kFailed, kFailed}));
    log.clear();
    save(favourite(5, 0, 16, 3));  // the create fails, the insert is skipped
    EXPECT_EQ(log.lines(), Lines{kFailed});
    EXPECT_EQ(readFile(databaseFile()), garbage);
    EXPECT_EQ(openHandlesOnDatabase(), 0);
}

TEST(StorageFailure, NoOperationLeavesAConnectionOpen) {
    // The counter sees an open connection, or the checks below prove nothing.
    {
        auto connection = db::Connection::open();
        ASSERT_TRUE(connection.exec("CREATE TABLE t (a)"));
        ASSERT_GE(openHandlesOnDatabase(), 1);
    }
    const std::pair<const char*, std::function<void()>> operations[] = {
        {"HistoryStore::save", [] { save(hit(5, 0, 16)); }},
        {"HistoryStore::save again (delete and insert both run)", [] { save(hit(5, 0, 16)); }},
        {"HistoryStore::query", [] { HistoryStore().query(16); }},
        {"HistoryStore::remove", [] { HistoryStore().remove(hit(5, 0, 16)); }},
        {"HistoryStore::removeAll", [] { HistoryStore().removeAll(16); }},
        {"FavouriteStore::save", [] { save(favourite(5, 0, 16, 3)); }},
        {"FavouriteStore::query", [] { FavouriteStore().query(16); }},
        {"FavouriteStore::remove", [] { FavouriteStore().remove(FavouriteStore().query(16).at(0)); }},
        {"a failed statement", [] { rawRows("DROP TABLE Bus_Query"); HistoryStore().removeAll(16); }},
    };
    for (const auto& [name, operation] : operations) {
        platform::LogCapture quiet;
        operation();
        EXPECT_EQ(openHandlesOnDatabase(), 0) << name;
    }
}

TEST(StorageFailure, AWorkerThreadReadsWhileTheMainThreadWrites) {
    // The live bus screen reads a line's favourites on a worker thread while
    // the main thread may store one: neither side may fail.
    save(favourite(5, 0, 16, 1));
    platform::LogCapture log;
    std::atomic<bool> done{false};
    std::atomic<int> emptyReads{0};
    std::thread reader([&] {
        while (!done.load())
            if (FavouriteStore().query(16, 5, 0).empty()) ++emptyReads;
    });
    for (int i = 0; i < 100; ++i) {
        save(favourite(5, 0, 16, i + 2));
        save(hit(i % 7, 0, 16));
    }
    done = true;
    reader.join();
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(emptyReads.load(), 0);
    EXPECT_EQ(FavouriteStore().query(16).size(), 101u);
    EXPECT_EQ(HistoryStore().query(16).size(), 7u);
}

// A query that gives up is a failed statement, never a silent part of a list.
TEST(StorageFailure, AQueryThatGivesUpLogsAndListsNothing) {
    save(hit(5, 0, 16));
    save(favourite(5, 0, 16, 1));
    {
        // Another connection holds the file past the busy wait (both queries wait at once).
        auto holder = db::Connection::open();
        ASSERT_TRUE(holder.exec("BEGIN EXCLUSIVE"));
        platform::LogCapture log;
        auto history = std::async(std::launch::async, [] { return HistoryStore().query(16); });
        auto favourites = std::async(std::launch::async, [] { return FavouriteStore().query(16); });
        EXPECT_TRUE(history.get().empty());
        EXPECT_TRUE(favourites.get().empty());
        EXPECT_EQ(log.lines(), (Lines{kFailed, kFailed}));
    }
    // A damaged page part-way through a long history: the rows before it are not given.
    rawRows("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
            "INSERT INTO Bus_Query SELECT printf('%0100d', i), 0, i, 'x', 0, 16 FROM n");
    ASSERT_EQ(HistoryStore().query(16).size(), 301u);
    const auto size = fs::file_size(databaseFile());
    std::fstream(databaseFile(), std::ios::in | std::ios::out | std::ios::binary).seekp(size - 4096)
        << std::string(4096, '\xff');
    platform::LogCapture log;
    EXPECT_TRUE(HistoryStore().query(16).empty());
    EXPECT_EQ(log.lines(), Lines{kFailed});
}

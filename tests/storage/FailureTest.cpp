// Failure handling, and no connection is leaked, and a
// statement after a failed one on its closed connection is skipped.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "StorageTestSupport.h"
#include "support/TestSupport.h"
#include "model/BusCollection.h"
#include "model/BusQuery.h"
#include "platform/Container.h"
#include "platform/Log.h"
#include "storage/SqliteUtil.h"

using namespace bus;
using namespace bus::test;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

const std::string kOpen = "数据库打开失败";
const std::string kFail = "数据库操作数据失败!";

void writeFile(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    ASSERT_TRUE(out) << p;
    out << bytes;
}

// The logs of every operation when the file cannot be opened at all.
void expectEveryOperationFailsToOpen() {
    platform::LogCapture log;
    EXPECT_TRUE(BusQuery().query(16).empty());
    EXPECT_TRUE(BusCollection().query(16).empty());
    EXPECT_TRUE(BusCollection().query(16, 5, 0).empty());
    EXPECT_EQ(log.lines(), (std::vector<std::string>{kOpen, kOpen, kOpen}))
        << "a query logs the failed open and nothing else";

    log.clear();
    BusQuery h = hit(5, 0, 16);
    h.save(h);
    // Create fails (no connection); remove's own open fails, then its delete;
    // the insert that would follow the failed delete is skipped.
    EXPECT_EQ(log.lines(), (std::vector<std::string>{kOpen, kFail, kOpen, kFail}));
    EXPECT_EQ(h.db, nullptr);

    log.clear();
    BusCollection f = favourite(5, 0, 16, 3);
    f.save(f);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{kOpen, kFail}));

    log.clear();
    BusQuery().removeAll(16);
    BusQuery().remove(hit(5, 0, 16));
    BusCollection().remove(f);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{kOpen, kFail, kOpen, kFail, kOpen, kFail}));
}

}  // namespace

TEST(StorageFailure, DocumentsDirectoryReplacedByAFile) {
    const fs::path docs = platform::Container::root() / "Documents";
    fs::remove_all(docs);
    writeFile(docs, "not a directory");
    expectEveryOperationFailsToOpen();
    EXPECT_EQ(readFile(docs), "not a directory");
}

TEST(StorageFailure, ADirectoryNamedBusSqlite) {
    fs::create_directories(databaseFile());
    expectEveryOperationFailsToOpen();
    EXPECT_TRUE(fs::is_directory(databaseFile()));
    EXPECT_TRUE(fs::is_empty(databaseFile()));
}

TEST(StorageFailure, OpenFailureRecoversOnceTheFileCanBeOpened) {
    fs::create_directories(databaseFile());
    {
        platform::LogCapture log;
        BusQuery h = hit(5, 0, 16);
        h.save(h);
    }
    fs::remove(databaseFile());
    platform::LogCapture log;
    BusQuery h = hit(5, 0, 16);
    h.save(h);
    EXPECT_EQ(BusQuery().query(16).size(), 1u);
    EXPECT_TRUE(log.lines().empty());
}

TEST(StorageFailure, AFileThatIsNotADatabaseSkipsTheStatementAfterAFailedOne) {
    const std::string garbage(4096, 'x');
    writeFile(databaseFile(), garbage);
    platform::LogCapture log;
    // A query cannot prepare its statement: empty, and nothing logged.
    EXPECT_TRUE(BusQuery().query(16).empty());
    EXPECT_TRUE(BusCollection().query(16).empty());
    EXPECT_TRUE(log.lines().empty());

    // History save: the create fails and closes its connection; remove
    // opens its own, whose delete fails and closes it; the insert is skipped
    // instead of running on a closed connection (a third line would show it).
    BusQuery h = hit(5, 0, 16);
    h.save(h);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{kFail, kFail}));
    EXPECT_EQ(h.db, nullptr);

    // Favourite save: the create fails, the insert is skipped.
    log.clear();
    BusCollection f = favourite(5, 0, 16, 3);
    f.save(f);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{kFail}));
    EXPECT_EQ(f.db, nullptr);

    EXPECT_TRUE(readFile(databaseFile()) == garbage) << "the damaged file is left as it was";
    EXPECT_EQ(openHandlesOnDatabase(), 0);
}

TEST(StorageFailure, ExecSqlOnNoConnectionFailsAndLogs) {
    platform::LogCapture log;
    sqlite3* db = nullptr;
    EXPECT_FALSE(SqliteUtil::execSql("CREATE TABLE t (a)", db));
    EXPECT_EQ(log.lines(), std::vector<std::string>{kFail});
}

TEST(StorageFailure, ExecSqlClosesTheConnectionOnFailureAndOnlyThen) {
    platform::LogCapture log;
    sqlite3* db = SqliteUtil::openSqlite();
    ASSERT_NE(db, nullptr);
    EXPECT_TRUE(SqliteUtil::execSql("CREATE TABLE t (a TEXT)", db));
    EXPECT_NE(db, nullptr);
    EXPECT_TRUE(SqliteUtil::execSql("INSERT INTO t VALUES (?)", db, {json("it's")}));
    EXPECT_TRUE(log.lines().empty());
    EXPECT_FALSE(SqliteUtil::execSql("INSERT INTO nowhere VALUES (1)", db));
    EXPECT_EQ(db, nullptr);
    EXPECT_EQ(openHandlesOnDatabase(), 0);
    EXPECT_EQ(log.lines(), std::vector<std::string>{kFail});
    EXPECT_EQ(rawRows("SELECT a FROM t"), (std::vector<std::vector<std::string>>{{"it's"}}));
}

TEST(StorageFailure, NoOperationLeavesAConnectionOpen) {
    // Each operation must close every connection it opened: the one that
    // `remove:` replaces inside a history save included. A leaked connection
    // keeps a file descriptor on bus.sqlite.
    ASSERT_EQ(openHandlesOnDatabase(), 0);
    BusQuery h = hit(5, 0, 16);
    h.save(h);
    EXPECT_EQ(openHandlesOnDatabase(), 0) << "BusQuery::save";
    h.save(h);  // the table exists now: delete and insert both run
    EXPECT_EQ(openHandlesOnDatabase(), 0) << "BusQuery::save again";
    BusQuery().query(16);
    EXPECT_EQ(openHandlesOnDatabase(), 0) << "BusQuery::query";
    BusQuery().remove(h);
    EXPECT_EQ(openHandlesOnDatabase(), 0) << "BusQuery::remove";
    BusQuery().removeAll(16);
    EXPECT_EQ(openHandlesOnDatabase(), 0) << "BusQuery::removeAll";

    BusCollection f = favourite(5, 0, 16, 3);
    f.save(f);
    EXPECT_EQ(openHandlesOnDatabase(), 0) << "BusCollection::save";
    const auto rows = BusCollection().query(16);
    EXPECT_EQ(openHandlesOnDatabase(), 0) << "BusCollection::query";
    BusCollection().query(16, 5, 0);
    EXPECT_EQ(openHandlesOnDatabase(), 0) << "BusCollection::query(line)";
    ASSERT_EQ(rows.size(), 1u);
    BusCollection().remove(rows[0]);
    EXPECT_EQ(openHandlesOnDatabase(), 0) << "BusCollection::remove";

    // Failed statements close their connection too.
    {
        platform::LogCapture log;
        fs::remove(databaseFile());
        BusQuery().removeAll(16);
        EXPECT_EQ(log.count(kFail), 1u);
    }
    EXPECT_EQ(openHandlesOnDatabase(), 0) << "failed removeAll";
}

TEST(StorageFailure, TheHandleCounterSeesAnOpenConnection) {
    // The leak test above is only worth something if the counter can see one.
    sqlite3* db = SqliteUtil::openSqlite();
    ASSERT_NE(db, nullptr);
    EXPECT_TRUE(SqliteUtil::execSql("CREATE TABLE t (a)", db));
    EXPECT_GE(openHandlesOnDatabase(), 1);
    SqliteUtil::closeSqlite(db);
    EXPECT_EQ(db, nullptr);
    EXPECT_EQ(openHandlesOnDatabase(), 0);
}

TEST(StorageFailure, AWorkerThreadReadsWhileTheMainThreadWrites) {
    // The live bus screen reads a line's favourites on a worker thread while
    // the main thread may store one: neither side may fail.
    BusCollection first = favourite(5, 0, 16, 1);
    first.save(first);
    platform::LogCapture log;
    std::atomic<bool> done{false};
    std::atomic<int> emptyReads{0};
    std::thread reader([&] {
        while (!done.load())
            if (BusCollection().query(16, 5, 0).empty()) ++emptyReads;
    });
    for (int i = 0; i < 100; ++i) {
        BusCollection f = favourite(5, 0, 16, i + 2);
        f.save(f);
        BusQuery h = hit(i % 7, 0, 16);
        h.save(h);
    }
    done = true;
    reader.join();
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(emptyReads.load(), 0);
    EXPECT_EQ(BusCollection().query(16).size(), 101u);
    EXPECT_EQ(BusQuery().query(16).size(), 7u);
}

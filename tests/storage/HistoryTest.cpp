// The query history (Bus_Query) through BusQuery.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "StorageTestSupport.h"
#include "model/BusQuery.h"
#include "model/Value.h"
#include "platform/Log.h"
#include "storage/SqliteUtil.h"
#include "storage/Statements.h"

using namespace bus;
using namespace bus::test;
using nlohmann::json;

namespace {

std::vector<int> lineIds(const std::vector<BusQuery>& rows) {
    std::vector<int> ids;
    for (const auto& r : rows) ids.push_back(static_cast<int>(integerValue(r.lineId)));
    return ids;
}

void save(BusQuery record) { record.save(record); }

}  // namespace

TEST(StorageHistory, FreshInstallListsNothingAndLogsNothing) {
    platform::LogCapture log;
    EXPECT_TRUE(BusQuery().query(16).empty());
    EXPECT_TRUE(BusQuery().query(json()).empty());
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(SqliteUtil::databasePath(), databaseFile());
    EXPECT_TRUE(std::filesystem::exists(databaseFile())) << "the first open creates the file";
}

TEST(StorageHistory, ClearingBeforeTheTableExistsLogsOnceAndChangesNothing) {
    BusCollection f = favourite(5, 0, 16, 3);
    f.save(f);  // another table exists; Bus_Query does not
    platform::LogCapture log;
    BusQuery().removeAll(16);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"数据库操作数据失败!"});
    EXPECT_FALSE(tableExists("Bus_Query"));
    EXPECT_EQ(BusCollection().query(16).size(), 1u);
    log.clear();
    BusQuery().remove(hit(5, 0, 16));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"数据库操作数据失败!"});
}

TEST(StorageHistory, TableDefinitionIsExact) {
    save(hit(5, 0, 16));
    const auto rows = rawRows("SELECT sql FROM sqlite_master WHERE name='Bus_Query'");
    ASSERT_EQ(rows.size(), 1u);
    // SQLite keeps the statement's text without "IF NOT EXISTS".
    EXPECT_EQ(rows[0][0],
              "CREATE TABLE Bus_Query (stationName TEXT, attribute INTEGER,lineId INTEGER,lineName "
              "TEXT,direction INTEGER,cityId INTEGER)");
}

TEST(StorageHistory, StatementTextsAreThoseOfTheSpecWithParameters) {
    EXPECT_STREQ(sql::kCreateQuery,
                 "CREATE TABLE IF NOT EXISTS Bus_Query (stationName TEXT, attribute INTEGER,lineId "
                 "INTEGER,lineName TEXT,direction INTEGER,cityId INTEGER)");
    EXPECT_STREQ(sql::kSelectQuery, "SELECT * FROM Bus_Query where cityId = ?");
    EXPECT_STREQ(sql::kInsertQuery,
                 "INSERT INTO 'Bus_Query' ('stationName', "
                 "'attribute','lineId','lineName','direction','cityId') VALUES (?, ?,?,?,?,?)");
    EXPECT_STREQ(sql::kDeleteQuery,
                 "delete from Bus_Query where lineId = ? and direction = ? and cityId = ?");
    EXPECT_STREQ(sql::kDeleteAllQuery, "delete from Bus_Query where cityId = ?");
}

TEST(StorageHistory, SavedEntriesComeBackOldestFirstWithTheirTypes) {
    platform::LogCapture log;
    save(hit(5, 0, 16, "东站", 0, "5路"));
    save(hit(12, 1, 16, "火车站", 1, "12路"));
    const auto rows = BusQuery().query(16);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(lineIds(rows), (std::vector<int>{5, 12}));
    const auto& r = rows[1];
    EXPECT_EQ(r.stationName, json("火车站"));
    EXPECT_EQ(r.attribute, json(1));
    EXPECT_TRUE(r.attribute.is_number_integer());
    EXPECT_EQ(r.lineId, json(12));
    EXPECT_TRUE(r.lineId.is_number_integer());
    EXPECT_EQ(r.lineName, json("12路"));
    EXPECT_EQ(r.direction, json(1));
    EXPECT_TRUE(r.direction.is_number_integer());
    EXPECT_TRUE(r.cityId.is_null()) << "column 5 is not read";
    EXPECT_EQ(r.db, nullptr);
    EXPECT_TRUE(log.lines().empty());
}

TEST(StorageHistory, PickingTheSameLineTwiceLeavesOneRowListedLast) {
    save(hit(5, 0, 16));
    save(hit(6, 0, 16));
    save(hit(7, 1, 16));
    save(hit(5, 0, 16));
    EXPECT_EQ(lineIds(BusQuery().query(16)), (std::vector<int>{6, 7, 5}));
    EXPECT_EQ(rawRows("SELECT * FROM Bus_Query WHERE lineId = 5").size(), 1u);
}

TEST(StorageHistory, AStopHitReplacesTheLineHitOfTheSameLineDirectionAndCity) {
    save(hit(5, 0, 16, "东站—西站", 0));
    save(hit(5, 1, 16, "西站—东站", 0));  // the other direction
    save(hit(5, 0, 1, "北京站", 0));      // another city
    save(hit(5, 0, 16, "鼓楼", 1));
    const auto rows = BusQuery().query(16);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].direction, json(1));
    EXPECT_EQ(rows[1].direction, json(0));
    EXPECT_EQ(rows[1].attribute, json(1));
    EXPECT_EQ(rows[1].stationName, json("鼓楼"));
    ASSERT_EQ(BusQuery().query(1).size(), 1u);
    EXPECT_EQ(BusQuery().query(1)[0].stationName, json("北京站"));
}

TEST(StorageHistory, EachCityListsAndClearsOnlyItsOwnRows) {
    save(hit(5, 0, 16));
    save(hit(6, 0, 1));
    save(hit(7, 0, 16));
    EXPECT_EQ(lineIds(BusQuery().query(16)), (std::vector<int>{5, 7}));
    EXPECT_EQ(lineIds(BusQuery().query(1)), (std::vector<int>{6}));
    EXPECT_TRUE(BusQuery().query(2).empty());

    platform::LogCapture log;
    BusQuery().removeAll(16);
    EXPECT_TRUE(BusQuery().query(16).empty());
    EXPECT_EQ(lineIds(BusQuery().query(1)), (std::vector<int>{6}));
    EXPECT_TRUE(log.lines().empty());
}

TEST(StorageHistory, RemoveDeletesOneLineDirectionAndCity) {
    save(hit(5, 0, 16));
    save(hit(5, 1, 16));
    save(hit(5, 0, 1));
    BusQuery().remove(hit(5, 0, 16, "whatever the stop", 1));
    const auto rows = BusQuery().query(16);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].direction, json(1));
    EXPECT_EQ(BusQuery().query(1).size(), 1u);
}

TEST(StorageHistory, IdentifiersGivenAsTextAreStoredAsIntegers) {
    // Fields hold what the JSON held: a service may send "5" for a number.
    BusQuery r = hit(0, 0, 0);
    r.lineId = "5";
    r.direction = "1";
    r.attribute = "0";
    r.cityId = "16";
    save(r);
    const auto raw = rawRows("SELECT typeof(lineId), typeof(direction), typeof(cityId) FROM Bus_Query");
    ASSERT_EQ(raw.size(), 1u);
    EXPECT_EQ(raw[0], (std::vector<std::string>{"integer", "integer", "integer"}));
    // The city id of a query is compared through its integer reading.
    ASSERT_EQ(BusQuery().query("16").size(), 1u);
    EXPECT_EQ(BusQuery().query(16)[0].lineId, json(5));
    // And the same entry saved with numbers replaces it.
    save(hit(5, 1, 16, "x", 1));
    EXPECT_EQ(BusQuery().query(16).size(), 1u);
}

TEST(StorageHistory, AwkwardTextsRoundTripExactly) {
    const std::vector<std::string> names = {
        "O'Brien's stop", "say \"hi\"", "100% 'off'", "%s%d%@", "大同站（南）",
        "'); DROP TABLE Bus_Query; --", "back\\slash", "tab\there", "😀 emoji", "",
    };
    int line = 1;
    for (const auto& name : names) save(hit(line++, 0, 16, name, 1, name + "路"));
    const auto rows = BusQuery().query(16);
    ASSERT_EQ(rows.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(rows[i].stationName, json(names[i]));
        EXPECT_EQ(rows[i].lineName, json(names[i] + "路"));
    }
    EXPECT_TRUE(tableExists("Bus_Query"));
}

TEST(StorageHistory, NoneFieldsAreStoredAsNull) {
    BusQuery r;
    r.lineId = 5;
    r.direction = 0;
    r.cityId = 16;
    save(r);
    const auto raw = rawRows("SELECT stationName, attribute, lineName FROM Bus_Query");
    ASSERT_EQ(raw.size(), 1u);
    EXPECT_EQ(raw[0], (std::vector<std::string>{"NULL", "NULL", "NULL"}));
    const auto rows = BusQuery().query(16);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].stationName.is_null());
    EXPECT_TRUE(rows[0].lineName.is_null());
    EXPECT_EQ(rows[0].attribute, json(0));  // read as an integer
}

TEST(StorageHistory, ANoneCityMatchesNothing) {
    save(hit(5, 0, 16));
    platform::LogCapture log;
    EXPECT_TRUE(BusQuery().query(json()).empty());
    BusQuery().removeAll(json());
    EXPECT_EQ(BusQuery().query(16).size(), 1u);
    EXPECT_TRUE(log.lines().empty());
}

TEST(StorageHistory, ValuesAreStoredWithTheColumnsTypes) {
    BusQuery r = hit(5, 0, 16, "东站", 1, "5路");
    r.lineName = 12;  // a line name the service sent as a number
    save(r);
    const auto raw = rawRows(
        "SELECT typeof(stationName), typeof(attribute), typeof(lineId), typeof(lineName), "
        "typeof(direction), typeof(cityId), lineName FROM Bus_Query");
    ASSERT_EQ(raw.size(), 1u);
    EXPECT_EQ(raw[0], (std::vector<std::string>{"text", "integer", "integer", "text", "integer",
                                                "integer", "12"}));
    EXPECT_EQ(BusQuery().query(16).at(0).lineName, json("12"));
}

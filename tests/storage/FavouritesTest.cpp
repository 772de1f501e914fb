// The favourites (Bus_Collection) through BusCollection.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "StorageTestSupport.h"
#include "model/BusCollection.h"
#include "model/Value.h"
#include "platform/Log.h"
#include "storage/Statements.h"

using namespace bus;
using namespace bus::test;
using nlohmann::json;

namespace {

void save(BusCollection record) { record.save(record); }

std::vector<int> orderNos(const std::vector<BusCollection>& rows) {
    std::vector<int> out;
    for (const auto& r : rows) out.push_back(static_cast<int>(integerValue(r.orderNo)));
    return out;
}

}  // namespace

TEST(StorageFavourites, FreshInstallListsNothingAndLogsNothing) {
    platform::LogCapture log;
    EXPECT_TRUE(BusCollection().query(16).empty());
    EXPECT_TRUE(BusCollection().query(16, 5, 0).empty());
    EXPECT_TRUE(log.lines().empty());
}

TEST(StorageFavourites, DeletingBeforeTheTableExistsLogsOnce) {
    platform::LogCapture log;
    BusCollection r;
    r.uid = 1;
    r.remove(r);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"数据库操作数据失败!"});
    EXPECT_FALSE(tableExists("Bus_Collection"));
}

TEST(StorageFavourites, TableDefinitionIsExact) {
    save(favourite(5, 0, 16, 3));
    const auto rows = rawRows("SELECT sql FROM sqlite_master WHERE name='Bus_Collection'");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0],
              "CREATE TABLE Bus_Collection (id INTEGER PRIMARY KEY   AUTOINCREMENT,lineName "
              "TEXT,stationName TEXT, direction INTEGER,lineId INTEGER,cityId INTEGER,orderNo "
              "INTEGER,gprsId INTEGER,endLine TEXT)");
}

TEST(StorageFavourites, StatementTextsAreThoseOfTheSpecWithParameters) {
    EXPECT_STREQ(sql::kSelectCollection,
                 "SELECT lineName,stationName,direction,lineId,cityId,orderNo,gprsId,endLine,id "
                 "FROM Bus_Collection where cityId = ? order by id desc ");
    EXPECT_STREQ(sql::kSelectCollectionOfLine,
                 "SELECT lineName,stationName,direction,lineId,cityId,orderNo,gprsId,endLine,id "
                 "FROM Bus_Collection where cityId = ?  and lineId = ? and direction = ? order by "
                 "id desc ");
    EXPECT_STREQ(sql::kInsertCollection,
                 "INSERT INTO 'Bus_Collection' "
                 "('lineName','stationName', 'direction','lineId','cityId','orderNo','gprsId',"
                 "'endLine') VALUES (?, ?,?,?,?,?,?,?)");
    EXPECT_STREQ(sql::kDeleteCollection, "delete from Bus_Collection where id = ? ");
}

TEST(StorageFavourites, ReadBackHasIntegersAndTheSavedTexts) {
    platform::LogCapture log;
    BusCollection made = favourite(12, 1, 16, 7, "鼓楼", "12路", 4012, "新开里");
    made.save(made);
    EXPECT_TRUE(made.uid.is_null()) << "save does not set uid";
    EXPECT_EQ(made.db, nullptr);
    const auto rows = BusCollection().query(16);
    ASSERT_EQ(rows.size(), 1u);
    const auto& r = rows[0];
    for (const json* f : {&r.uid, &r.direction, &r.lineId, &r.cityId, &r.orderNo, &r.gprsId})
        EXPECT_TRUE(f->is_number_integer()) << f->dump();
    EXPECT_GE(integerValue(r.uid), 1);
    EXPECT_EQ(r.lineName, json("12路"));
    EXPECT_EQ(r.stationName, json("鼓楼"));
    EXPECT_EQ(r.direction, json(1));
    EXPECT_EQ(r.lineId, json(12));
    EXPECT_EQ(r.cityId, json(16));
    EXPECT_EQ(r.orderNo, json(7));
    EXPECT_EQ(r.gprsId, json(4012));
    EXPECT_EQ(r.endLine, json("新开里"));
    EXPECT_TRUE(log.lines().empty());
}

TEST(StorageFavourites, NewestFirstAndUidsNeverReused) {
    save(favourite(5, 0, 16, 1));
    save(favourite(5, 0, 16, 2));
    save(favourite(5, 0, 16, 3));
    auto rows = BusCollection().query(16);
    EXPECT_EQ(orderNos(rows), (std::vector<int>{3, 2, 1}));
    ASSERT_EQ(rows.size(), 3u);
    const long long newest = integerValue(rows[0].uid);
    EXPECT_GT(newest, integerValue(rows[1].uid));
    EXPECT_GT(integerValue(rows[1].uid), integerValue(rows[2].uid));

    // Delete the newest, then everything: a new favourite still gets a new uid.
    BusCollection().remove(rows[0]);
    EXPECT_EQ(orderNos(BusCollection().query(16)), (std::vector<int>{2, 1}));
    for (const auto& r : BusCollection().query(16)) BusCollection().remove(r);
    EXPECT_TRUE(BusCollection().query(16).empty());
    save(favourite(5, 0, 16, 4));
    rows = BusCollection().query(16);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_GT(integerValue(rows[0].uid), newest);
}

TEST(StorageFavourites, RemoveDeletesOnlyTheRecordsUid) {
    save(favourite(5, 0, 16, 1));
    save(favourite(5, 0, 16, 2));
    auto rows = BusCollection().query(16);
    BusCollection stale = rows[1];
    stale.orderNo = 2;  // only the uid counts
    BusCollection().remove(stale);
    EXPECT_EQ(orderNos(BusCollection().query(16)), (std::vector<int>{2}));
    BusCollection none;  // no uid: nothing is deleted
    platform::LogCapture log;
    none.remove(none);
    EXPECT_EQ(BusCollection().query(16).size(), 1u);
    EXPECT_TRUE(log.lines().empty());
}

TEST(StorageFavourites, OneLineAndDirectionOfOneCity) {
    save(favourite(5, 0, 16, 1));
    save(favourite(5, 1, 16, 2));
    save(favourite(6, 0, 16, 3));
    save(favourite(5, 0, 1, 4));
    save(favourite(5, 0, 16, 5));
    EXPECT_EQ(orderNos(BusCollection().query(16, 5, 0)), (std::vector<int>{5, 1}));
    EXPECT_EQ(orderNos(BusCollection().query(16, 5, 1)), (std::vector<int>{2}));
    EXPECT_EQ(orderNos(BusCollection().query(1, 5, 0)), (std::vector<int>{4}));
    EXPECT_TRUE(BusCollection().query(16, 7, 0).empty());
    // The arguments are read through their integer value, as the screens pass them.
    EXPECT_EQ(orderNos(BusCollection().query(json("16"), json("5"), json(0))),
              (std::vector<int>{5, 1}));
}

TEST(StorageFavourites, EachCityListsOnlyItsOwn) {
    save(favourite(5, 0, 16, 1));
    save(favourite(5, 0, 1, 2));
    EXPECT_EQ(orderNos(BusCollection().query(16)), (std::vector<int>{1}));
    EXPECT_EQ(orderNos(BusCollection().query(1)), (std::vector<int>{2}));
    EXPECT_TRUE(BusCollection().query(2).empty());
}

TEST(StorageFavourites, AwkwardTextsRoundTripExactly) {
    const std::vector<std::string> names = {
        "O'Brien's stop", "say \"hi\"", "100% 'off'", "%@方向", "大同站（南）",
        "x'); DELETE FROM Bus_Collection; --", "back\\slash", "😀", "",
    };
    for (const auto& name : names) save(favourite(5, 0, 16, 1, name, name + "路", 305, name));
    auto rows = BusCollection().query(16);
    ASSERT_EQ(rows.size(), names.size());
    std::reverse(rows.begin(), rows.end());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(rows[i].stationName, json(names[i]));
        EXPECT_EQ(rows[i].lineName, json(names[i] + "路"));
        EXPECT_EQ(rows[i].endLine, json(names[i]));
    }
}

TEST(StorageFavourites, NoneFieldsAreNullAndIntegersReadZero) {
    BusCollection r;
    r.cityId = 16;
    save(r);
    const auto raw = rawRows("SELECT lineName, orderNo, gprsId, endLine FROM Bus_Collection");
    ASSERT_EQ(raw.size(), 1u);
    EXPECT_EQ(raw[0], (std::vector<std::string>{"NULL", "NULL", "NULL", "NULL"}));
    const auto rows = BusCollection().query(16);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].lineName.is_null());
    EXPECT_TRUE(rows[0].endLine.is_null());
    EXPECT_EQ(rows[0].gprsId, json(0));
    EXPECT_EQ(rows[0].orderNo, json(0));
}

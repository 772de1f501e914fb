// The favourites (Bus_Collection) through BusCollection.
#include <gtest/gtest.h>

#include "StorageTestSupport.h"
#include "model/Value.h"
#include "platform/Log.h"

using namespace bus;
using namespace bus::test;
using nlohmann::json;

namespace {

std::vector<int> orderNos(const std::vector<BusCollection>& rows) {
    std::vector<int> out;
    for (const auto& r : rows) out.push_back(static_cast<int>(integerValue(r.orderNo)));
    return out;
}

}  // namespace

TEST(StorageFavourites, ReadBackHasIntegersAndTheSavedTexts) {
    platform::LogCapture log;
    // Ids of real services run past 2^31.
    BusCollection made = favourite(3000000012, 1, 4000000016, 7, "鼓楼", "12路", 5000004012, "新开里");
    FavouriteStore().save(made);
    EXPECT_TRUE(made.uid.is_null()) << "save does not set uid";
    const auto rows = FavouriteStore().query(4000000016);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(FavouriteStore().query(4000000016, 3000000012, 1).size(), 1u);
    const auto& r = rows[0];
    EXPECT_TRUE(r.uid.is_number_integer() && r.uid >= 1) << r.uid;
    for (const auto& [field, value] : {std::pair<const json*, long long>{&r.direction, 1}, {&r.lineId, 3000000012},
                                       {&r.cityId, 4000000016}, {&r.orderNo, 7}, {&r.gprsId, 5000004012}}) {
        EXPECT_TRUE(field->is_number_integer());
        EXPECT_EQ(*field, json(value));
    }
    EXPECT_EQ(r.lineName, json("12路"));
    EXPECT_EQ(r.stationName, json("鼓楼"));
    EXPECT_EQ(r.endLine, json("新开里"));
    EXPECT_TRUE(log.lines().empty());
}

TEST(StorageFavourites, NewestFirstPerCityRemovedByUidAndUidsNeverReused) {
    for (int orderNo : {1, 2, 3}) save(favourite(5, 0, 16, orderNo));
    save(favourite(5, 0, 1, 9));
    auto rows = FavouriteStore().query(16);
    ASSERT_EQ(orderNos(rows), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(orderNos(FavouriteStore().query(1)), std::vector<int>{9});
    const long long newest = integerValue(rows[0].uid);
    EXPECT_GT(newest, integerValue(rows[1].uid));
    EXPECT_GT(integerValue(rows[1].uid), integerValue(rows[2].uid));

    BusCollection stale = rows[1];
    stale.orderNo = 3;  // only the uid counts
    FavouriteStore().remove(stale);
    EXPECT_EQ(orderNos(FavouriteStore().query(16)), (std::vector<int>{3, 1}));
    platform::LogCapture log;
    FavouriteStore().remove(BusCollection());  // no uid: nothing is deleted
    EXPECT_EQ(orderNos(FavouriteStore().query(16)), (std::vector<int>{3, 1}));
    EXPECT_TRUE(log.lines().empty());
    // Delete everything: a new favourite still gets a new uid.
    for (const auto& r : FavouriteStore().query(16)) FavouriteStore().remove(r);
    save(favourite(5, 0, 16, 4));
    rows = FavouriteStore().query(16);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_GT(integerValue(rows[0].uid), newest);
}

TEST(StorageFavourites, OneLineAndDirectionOfOneCity) {
    save(favourite(5, 0, 16, 1));
    save(favourite(5, 1, 16, 2));
    save(favourite(6, 0, 16, 3));
    save(favourite(5, 0, 1, 4));
    save(favourite(5, 0, 16, 5));
    EXPECT_EQ(orderNos(FavouriteStore().query(16, 5, 0)), (std::vector<int>{5, 1}));
    EXPECT_EQ(orderNos(FavouriteStore().query(16, 5, 1)), (std::vector<int>{2}));
    EXPECT_EQ(orderNos(FavouriteStore().query(1, 5, 0)), (std::vector<int>{4}));
    EXPECT_TRUE(FavouriteStore().query(16, 7, 0).empty());
    // The arguments are read through their integer value, as the screens pass them.
    EXPECT_EQ(orderNos(FavouriteStore().query(json("16"), json("5"), json(0))), (std::vector<int>{5, 1}));
}

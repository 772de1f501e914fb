// The query history (Bus_Query) through BusQuery.
#include <functional>

#include <gtest/gtest.h>

#include "StorageTestSupport.h"
#include "model/Value.h"
#include "platform/Log.h"

using namespace bus;
using namespace bus::test;
using nlohmann::json;

namespace {

// A city's history in its listed order, one "lineId/direction/attribute/stationName"
// per entry; the numbers as JSON, so an integer reads 5 and a text "5".
std::vector<std::string> history(const json& cityId) {
    std::vector<std::string> out;
    for (const auto& r : HistoryStore().query(cityId)) {
        EXPECT_TRUE(r.cityId.is_null()) << "the city column is not read";
        out.push_back(r.lineId.dump() + "/" + r.direction.dump() + "/" + r.attribute.dump() + "/" +
                      textValue(r.stationName));
    }
    return out;
}

}  // namespace

// Each row acts on an empty file, then lists cities 16 and 1, oldest first.
TEST(StorageHistory, OneEntryPerLineDirectionAndCity) {
    struct Case {
        const char* name;
        std::function<void()> act;
        std::vector<std::string> city16, city1;
    };
    const Case cases[] = {
        {"picking a line again lists it last",
         [] { for (int line : {5, 6, 7, 5}) save(hit(line, line == 7, 16)); },
         {"6/0/0/东站", "7/1/0/东站", "5/0/0/东站"}, {}},
        {"a stop hit replaces the line hit of its line, direction and city",
         [] {
             save(hit(5, 0, 16, "东站—西站", 0));
             save(hit(5, 1, 16, "西站—东站", 0));
             save(hit(5, 0, 1, "北京站", 0));
             save(hit(5, 0, 16, "鼓楼", 1));
         },
         {"5/1/0/西站—东站", "5/0/1/鼓楼"}, {"5/0/0/北京站"}},
        {"remove deletes one line, direction and city whatever the stop",
         [] {
             for (auto [dir, city] : {std::pair{0, 16}, {1, 16}, {0, 1}}) save(hit(5, dir, city));
             HistoryStore().remove(hit(5, 0, 16, "another stop", 1));
         },
         {"5/1/0/东站"}, {"5/0/0/东站"}},
        {"clearing a city leaves the others",
         [] {
             save(hit(5, 0, 16));
             save(hit(6, 0, 1));
             save(hit(7, 0, 16));
             HistoryStore().removeAll(16);
         },
         {}, {"6/0/0/东站"}},
        {"a none city matches nothing",
         [] {
             save(hit(5, 0, 16));
             HistoryStore().removeAll(json());
             EXPECT_TRUE(HistoryStore().query(json()).empty());
         },
         {"5/0/0/东站"}, {}},
        {"ids past 2^31 read back whole",
         [] {
             save(hit(3000001609, 0, 16));
             save(hit(3000001609, 0, 4000000016LL));
             EXPECT_EQ(history(4000000016LL), std::vector<std::string>{"3000001609/0/0/东站"});
         },
         {"3000001609/0/0/东站"}, {}},
        {"identifiers sent as text are stored and compared as integers",
         [] {
             save(BusQuery{.stationName = "x", .attribute = "0", .lineId = "5", .lineName = {}, .direction = "1",
                           .cityId = "16"});
             EXPECT_EQ(rawRows("SELECT typeof(lineId), typeof(direction), typeof(cityId) FROM Bus_Query"),
                       (std::vector<std::vector<std::string>>{{"integer", "integer", "integer"}}));
             EXPECT_EQ(HistoryStore().query("16").size(), 1u);
             save(hit(5, 1, 16, "y", 1));
         },
         {"5/1/1/y"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(databaseFile());
        platform::LogCapture log;
        c.act();
        EXPECT_EQ(history(16), c.city16);
        EXPECT_EQ(history(1), c.city1);
        EXPECT_TRUE(log.lines().empty());
    }
}

TEST(StorageHistory, ValuesAreBoundByTypeAndTextsRoundTripExactly) {
    const std::vector<std::string> names = {"O'Brien's stop", "say \"hi\"", "100% 'off'", "%s%d%@", "大同站（南）",
                                            "'); DROP TABLE Bus_Query; --", "back\\slash", "tab\there", "😀", ""};
    int line = 1;
    for (const auto& name : names) save(hit(line++, 0, 16, name, 1, name + "路"));
    // A line name sent as a number, no stop, no attribute.
    save(BusQuery{.stationName = {}, .attribute = {}, .lineId = 99, .lineName = 12, .direction = 0, .cityId = 16});
    EXPECT_EQ(rawRows("SELECT typeof(stationName), typeof(attribute), typeof(lineName), lineName FROM Bus_Query "
                      "WHERE lineId = 99"),
              (std::vector<std::vector<std::string>>{{"null", "null", "text", "12"}}));
    const auto rows = HistoryStore().query(16);
    ASSERT_EQ(rows.size(), names.size() + 1);
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(rows[i].stationName, json(names[i]));
        EXPECT_EQ(rows[i].lineName, json(names[i] + "路"));
    }
    EXPECT_TRUE(rows.back().stationName.is_null());
    EXPECT_EQ(rows.back().attribute, json(0));
    EXPECT_EQ(rows.back().lineName, json("12"));
}

// The city and directory operations on the bundled data, without a network.
#include <algorithm>
#include <set>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "StandinTestSupport.h"
#include "standin/Operations.h"

namespace bus::standin {
namespace {

using test::at;
using test::bundledCity;

class CityOperations : public testing::Test {
protected:
    std::shared_ptr<const City> city = bundledCity(16);
    ManualClock clock{at("2024-05-06T12:00:00+08:00")};
    CityService service{city, clock};

    // How many line directions of the data call at a stop of this name.
    std::size_t directionsServing(const std::string& stop) const {
        std::size_t n = 0;
        for (const auto& line : city->lines)
            for (const auto& dir : line.directions)
                if (dir) n += static_cast<std::size_t>(std::count(dir->stops.begin(), dir->stops.end(), stop));
        return n;
    }
};

TEST_F(CityOperations, AStopNameFindsEveryLineAndDirectionThatServesIt) {
    const Json hits = service.queryKeyword("华严寺");
    EXPECT_EQ(hits.size(), directionsServing("华严寺"));
    EXPECT_GE(hits.size(), 6u);
    std::set<std::pair<std::int64_t, int>> seen;
    for (const auto& h : hits) {
        EXPECT_EQ(h["attribute"], 1);
        EXPECT_EQ(h["stationName"], "华严寺");
        const Line* line = city->lineById(h["lineId"].get<std::int64_t>());
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(h["lineName"], line->lineName);
        const auto& stops = line->directions[h["direction"].get<std::size_t>()]->stops;
        EXPECT_NE(std::find(stops.begin(), stops.end(), "华严寺"), stops.end());
        EXPECT_TRUE(seen.insert({h["lineId"].get<std::int64_t>(), h["direction"].get<int>()}).second);
    }
}

TEST_F(CityOperations, PartOfANameFindsLinesAndStops) {
    const Json byLine = service.queryKeyword("9路");
    ASSERT_EQ(byLine.size(), 2u);  // 9路 in both directions, no stop holds "9路"
    for (int d = 0; d < 2; ++d) {
        EXPECT_EQ(byLine[d]["attribute"], 0);
        EXPECT_EQ(byLine[d]["lineName"], "9路");
        EXPECT_EQ(byLine[d]["direction"], d);
        const auto& stops = city->lineById(1609)->directions[static_cast<std::size_t>(d)]->stops;
        EXPECT_EQ(byLine[d]["stationName"], stops.front() + "→" + stops.back());
    }
    const Json partial = service.queryKeyword("广场");
    std::set<std::string> names;
    for (const auto& h : partial) {
        EXPECT_EQ(h["attribute"], 1);
        names.insert(h["stationName"].get<std::string>());
    }
    EXPECT_EQ(names, (std::set<std::string>{"红旗广场", "东信广场"}));
    // Line hits come before stop hits.
    const Json both = service.queryKeyword("1");
    ASSERT_FALSE(both.empty());
    EXPECT_EQ(both.front()["attribute"], 0);
}

TEST_F(CityOperations, AnEmptyOrUnknownKeywordFindsNothing) {
    EXPECT_EQ(service.queryKeyword(""), Json::array());
    EXPECT_EQ(service.queryKeyword("不存在的站"), Json::array());
}

TEST(CityOperationsLatin, LatinLettersMatchInEitherCase) {
    ManualClock clock;
    const CityService taiyuan(bundledCity(1), clock);
    const Json hits = taiyuan.queryKeyword("k1");
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[0]["lineName"], "K1路");
}

TEST_F(CityOperations, ALineHoldsItsStopsInOrderAsItsOnlyArray) {
    for (const auto& line : city->lines) {
        for (int d = 0; d < 2; ++d) {
            SCOPED_TRACE(line.lineName + " direction " + std::to_string(d));
            const Json j = service.queryLine(line.lineId, d);
            EXPECT_EQ(j["lineId"], line.lineId);
            EXPECT_EQ(j["lineName"], line.lineName);
            EXPECT_EQ(j["cityId"], 16);
            EXPECT_EQ(j["gprsId"], line.gprsId);
            EXPECT_EQ(j["ticketPrice"], line.ticketPrice);
            EXPECT_EQ(j["opTime"], line.opTime);
            EXPECT_TRUE(j["gjgs"].is_string());
            const std::string text = jsonText(j);
            const auto open = text.find('[');
            const auto close = text.find(']');
            ASSERT_LT(open, close);
            const auto cut = nlohmann::json::parse(text.substr(open, close - open + 1));
            const auto& stops = line.directions[static_cast<std::size_t>(d)]->stops;
            ASSERT_EQ(cut.size(), stops.size());
            std::set<std::int64_t> ids;
            for (std::size_t i = 0; i < stops.size(); ++i) {
                EXPECT_EQ(cut[i]["stationName"], stops[i]);
                EXPECT_EQ(cut[i]["orderNo"], i + 1);
                EXPECT_EQ(cut[i]["direction"], d);
                EXPECT_EQ(cut[i]["lineId"], line.lineId);
                EXPECT_EQ(cut[i]["cityId"], 16);
                EXPECT_EQ(cut[i]["flagId"], i + 1 == stops.size() ? 2 : (i == 0 ? 1 : 0));
                EXPECT_TRUE(ids.insert(cut[i]["id"].get<std::int64_t>()).second);
            }
            // Nothing after the stop array opens another one.
            EXPECT_EQ(text.find('[', close), std::string::npos);
        }
    }
}

TEST_F(CityOperations, ADirectionMayTakeOtherStreetsBack) {
    const Line* line3 = city->lineById(1603);
    ASSERT_NE(line3, nullptr);
    const auto out = line3->directions[0]->stops;
    const auto back = line3->directions[1]->stops;
    EXPECT_NE(std::vector<std::string>(out.rbegin(), out.rend()), back);
    EXPECT_EQ(back.front(), out.back());
    EXPECT_EQ(back.back(), out.front());
}

TEST_F(CityOperations, RequestsAreCheckedBeforeTheyAreAnswered) {
    auto faultOf = [&](const std::string& op, const std::vector<std::pair<std::string, std::string>>& params) {
        SoapRequest r;
        r.operation = op;
        r.params = params;
        try {
            service.handle(r);
        } catch (const SoapFault& f) {
            return std::string(f.what());
        }
        return std::string("answered");
    };
    EXPECT_NE(faultOf("queryBus", {}).find("unknown operation \"queryBus\""), std::string::npos);
    EXPECT_NE(faultOf("queryCity", {}).find("unknown operation"), std::string::npos);
    EXPECT_NE(faultOf("realBus", {{"gprsId", "16009"}, {"direction", "0"}}).find("missing parameter \"orderNo\""),
              std::string::npos);
    EXPECT_NE(faultOf("queryLine", {{"lineId", "1609"}, {"direction", "2"}}).find("0 or 1"), std::string::npos);
    EXPECT_NE(faultOf("queryLine", {{"lineId", "x"}, {"direction", "0"}}).find("whole number"), std::string::npos);
    EXPECT_NE(faultOf("queryKeyword", {}).find("missing parameter \"keyword\""), std::string::npos);
    EXPECT_EQ(faultOf("queryKeyword", {{"keyword", ""}}), "answered");
}

TEST_F(CityOperations, UnknownLinesGiveEmptyResultsNotFaults) {
    SoapRequest r;
    r.operation = "queryLine";
    r.params = {{"lineId", "999999"}, {"direction", "0"}};
    EXPECT_EQ(service.handle(r), "");
    EXPECT_EQ(service.realBus(424242, 3, 0), Json::array());
    EXPECT_EQ(service.realBusStation(424242, 3, 0), "");
}

TEST(DirectoryOperations, ListsEachCityWithItsAddress) {
    const DirectoryService dir({{16, "大同", "http://127.0.0.1:18116"}, {1, "太原", "http://127.0.0.1:18101"}});
    SoapRequest r;
    r.operation = "queryCity";
    const auto cities = nlohmann::json::parse(dir.handle(r));
    ASSERT_EQ(cities.size(), 2u);
    EXPECT_EQ(cities[0], (nlohmann::json{{"codeValue", 16}, {"name", "大同"}, {"ylzd2", "http://127.0.0.1:18116"}}));
    r.operation = "realBus";
    EXPECT_THROW(dir.handle(r), SoapFault);
}

}  // namespace
}  // namespace bus::standin

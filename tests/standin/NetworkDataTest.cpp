// The bundled cities: what a rider and the app rely on in the data files.
#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "StandinTestSupport.h"
#include "support/TestSupport.h"
#include "standin/Network.h"
#include "standin/Standin.h"

namespace bus::standin {
namespace {

using test::bundledData;

bool hasChinese(const std::string& s) {
    // Every CJK unified ideograph is a three-byte UTF-8 sequence led by 0xE4..0xE9.
    return std::any_of(s.begin(), s.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b >= 0xE4 && b <= 0xE9;
    });
}

class BundledCities : public testing::Test {
protected:
    std::vector<City> cities = loadDataFolder(bundledData());
};

TEST_F(BundledCities, IncludeDatongAsCity16OnTheAppsDefaultPort) {
    ASSERT_GE(cities.size(), 3u);
    const auto it = std::find_if(cities.begin(), cities.end(), [](const City& c) { return c.cityId == 16; });
    ASSERT_NE(it, cities.end());
    EXPECT_EQ(it->name, "大同");
    EXPECT_EQ(it->port, 18116);
    std::set<int> ports;
    for (const auto& c : cities) {
        EXPECT_TRUE(ports.insert(c.port).second) << "two cities on port " << c.port;
        EXPECT_NE(c.port, kDefaultDirectoryPort);
    }
}

TEST_F(BundledCities, EachHasARealisticNetwork) {
    for (const auto& city : cities) {
        SCOPED_TRACE(city.name);
        EXPECT_GE(city.lines.size(), 12u);
        int withoutLiveData = 0;
        std::map<std::string, std::set<std::int64_t>> linesAtStop;
        for (const auto& line : city.lines) {
            SCOPED_TRACE(line.lineName);
            if (line.gprsId == 0) ++withoutLiveData;
            EXPECT_FALSE(line.ticketPrice.empty());
            EXPECT_FALSE(line.opTime.empty());
            ASSERT_TRUE(line.headway.has_value());
            for (const auto& dir : line.directions) {
                ASSERT_TRUE(dir.has_value());
                EXPECT_GE(dir->stops.size(), 10u);
                EXPECT_LE(dir->stops.size(), 45u);
                for (const auto& stop : dir->stops) {
                    EXPECT_TRUE(hasChinese(stop)) << stop;
                    EXPECT_EQ(stop.find_first_of("[]"), std::string::npos) << stop;
                    linesAtStop[stop].insert(line.lineId);
                }
            }
        }
        EXPECT_EQ(withoutLiveData, 1);
        // Transfers exist: many stops are served by more than one line.
        const auto shared = std::count_if(linesAtStop.begin(), linesAtStop.end(),
                                          [](const auto& kv) { return kv.second.size() >= 2; });
        EXPECT_GE(shared, 10);
        const auto busiest = std::max_element(linesAtStop.begin(), linesAtStop.end(), [](const auto& a, const auto& b) {
            return a.second.size() < b.second.size();
        });
        EXPECT_GE(busiest->second.size(), 3u) << busiest->first;
    }
}

TEST_F(BundledCities, DatongHasAFortyStopLineForMeasuring) {
    const auto& datong = *std::find_if(cities.begin(), cities.end(), [](const City& c) { return c.cityId == 16; });
    const Line* line = datong.lineByGprsId(16009);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->directions[0]->stops.size(), 40u);
}

TEST(CityFiles, AFaultyFileIsNamedWithItsFault) {
    const auto dir = bus::test::containerRoot() / "data";
    std::filesystem::create_directories(dir / "cities");
    auto write = [&](const std::string& text) {
        std::ofstream(dir / "cities" / "x.json") << text;
    };
    const std::string good =
        R"({"cityId": 5, "name": "测试", "lines": [{"lineId": 1, "lineName": "1路", "gprsId": 9,
            "firstBus": "06:00", "lastBus": "22:00", "headwayMinutes": 10, "runSeconds": 60,
            "dwellSeconds": 20, "stops": ["甲", "乙", "丙"]}]})";
    write(good);
    const auto cities = loadDataFolder(dir);
    ASSERT_EQ(cities.size(), 1u);
    EXPECT_EQ(cities[0].lines[0].directions[1]->stops, (std::vector<std::string>{"丙", "乙", "甲"}));
    EXPECT_EQ(cities[0].lines[0].opTime, "06:00-22:00");

    auto faultOf = [&](const std::string& text) -> std::string {
        write(text);
        try {
            loadDataFolder(dir);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "accepted";
    };
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    EXPECT_NE(faultOf(replaced("\"乙\"", "\"乙[东]\"")).find("bracket"), std::string::npos);
    EXPECT_NE(faultOf(replaced("\"06:00\"", "\"6 am\"")).find("HH:MM"), std::string::npos);
    EXPECT_NE(faultOf(replaced("\"stops\": [\"甲\", \"乙\", \"丙\"]", "\"stops\": [\"甲\"]")).find("two stops"),
              std::string::npos);
    EXPECT_NE(faultOf("{not json").find("x.json"), std::string::npos);
    EXPECT_NE(faultOf(replaced("\"cityId\": 5,", "")).find("cityId"), std::string::npos);
}

}  // namespace
}  // namespace bus::standin

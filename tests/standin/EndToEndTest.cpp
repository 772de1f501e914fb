// The app's own SOAP client against the stand-in: the city list, every line
// and the live vehicles, read into the records the screens use.
#include <set>

#include <gtest/gtest.h>

#include "StandinTestSupport.h"
#include "model/Preferences.h"
#include "model/Value.h"
#include "platform/AlertView.h"
#include "platform/UserDefaults.h"
#include "service/Operations.h"
#include "standin/Vehicles.h"

namespace bus::standin {
namespace {

class ThroughTheAppsClient : public testing::Test {
protected:
    void SetUp() override { chooseCity(16); }
    void chooseCity(std::int64_t cityId) {
        auto& store = platform::UserDefaults::standard();
        store.setObject(standin.cityBaseUrl(cityId), prefs::kPostUrl);
        store.setObject(prefs::kDefaultWebService, prefs::kPostWebService);
    }
    void TearDown() override {
        // A failed call would have shown the notice.
        EXPECT_TRUE(platform::AlertCenter::shared().history().empty());
    }
    test::RunningStandin running;
    Standin& standin = running.standin();
    std::shared_ptr<const City> datong = test::bundledCity(16);
};

TEST_F(ThroughTheAppsClient, TheCityListGivesEachCityItsServiceAddress) {
    const auto cities = ops::queryCity(standin.directoryBaseUrl());
    ASSERT_EQ(cities.size(), 3u);
    for (const auto& c : cities) EXPECT_EQ(textValue(c.cityUrl), standin.cityBaseUrl(integerValue(c.cityId)));
    EXPECT_EQ(cities[1].cityName, "大同");  // in the order of their ids: 1, 16, 17
}

// The app cuts the stop array out of the text (from the first "[" to the
// first "]"), so every bundled line is read that way, in both directions.
TEST_F(ThroughTheAppsClient, EveryLineReadsWithItsStopsAndEndStop) {
    for (std::int64_t cityId : {1, 16, 17}) {
        chooseCity(cityId);
        const auto city = test::bundledCity(cityId);
        for (const auto& line : city->lines) {
            for (int d = 0; d < 2; ++d) {
                SCOPED_TRACE(city->name + " " + line.lineName + " " + std::to_string(d));
                const auto reading = ops::queryLine(d, line.lineId);
                ASSERT_TRUE(reading.line.has_value());
                EXPECT_EQ(reading.line->uid, line.lineId);
                EXPECT_EQ(reading.line->gprsId, line.gprsId);
                EXPECT_EQ(reading.line->lineName, line.lineName);
                EXPECT_EQ(reading.line->ticketPrice, line.ticketPrice);
                EXPECT_EQ(reading.line->opTime, line.opTime);
                EXPECT_EQ(reading.line->cityId, cityId);
                const auto& stops = line.directions[static_cast<std::size_t>(d)]->stops;
                ASSERT_EQ(reading.stations.size(), stops.size());
                std::set<long long> ids;
                for (std::size_t i = 0; i < stops.size(); ++i) {
                    const auto& s = reading.stations[i];
                    EXPECT_EQ(s.stationName, stops[i]);
                    EXPECT_EQ(integerValue(s.orderNo), static_cast<long long>(i + 1));
                    EXPECT_EQ(s.direction, d);
                    EXPECT_EQ(s.lineId, line.lineId);
                    EXPECT_EQ(s.cityId, cityId);
                    // The live screen takes flag 2 for the end of the line.
                    EXPECT_EQ(integerValue(s.flagId) == 2, i + 1 == stops.size()) << i;
                    EXPECT_TRUE(ids.insert(integerValue(s.uid)).second) << "stop id twice: " << integerValue(s.uid);
                }
                EXPECT_EQ(reading.endStation, stops.back());
            }
        }
    }
}

TEST_F(ThroughTheAppsClient, VehiclesAndAFavouritesTextFollowTheTimetableAndTheClock) {
    const Line& line9 = *datong->lineByGprsId(16009);
    const auto before = ops::realBus(16009, 25, 0);
    const auto expected = vehiclesAt(*datong, line9, 0, running.clock.now(), {});
    ASSERT_GE(before.size(), 8u);
    ASSERT_EQ(before.size(), expected.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(before[i].busNum, 1);
        EXPECT_EQ(before[i].stationNo, expected[i].stationNo);
        EXPECT_EQ(before[i].inStation, expected[i].inStation ? 1 : 0);
        EXPECT_EQ(before[i].toNextStop, approachText(expected[i], 25));
    }
    // A favourite shows the text of the nearest vehicle coming.
    const auto coming = nearestApproachText(vehiclesAt(*datong, line9, 1, running.clock.now(), {}), 30);
    ASSERT_FALSE(coming.empty());
    EXPECT_EQ(ops::realBusStation(16009, 30, 1), coming);
    running.clock.advance(std::chrono::minutes(4));
    const auto after = ops::realBus(16009, 25, 0);
    long long movedOn = 0;
    for (const auto& a : after)
        for (const auto& b : before)
            if (a.licensePlate == b.licensePlate) movedOn += integerValue(a.stationNo) - integerValue(b.stationNo);
    EXPECT_GT(movedOn, 0);
}

}  // namespace
}  // namespace bus::standin

// The app's own SOAP client against the stand-in: every line and the live
// vehicles, read into the records the screens use.
#include <set>

#include <gtest/gtest.h>

#include "StandinTestSupport.h"
#include "model/Preferences.h"
#include "model/Value.h"
#include "platform/UserDefaults.h"
#include "city/CityService.h"
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
    test::RunningStandin running;
    Standin& standin = running.standin();
    std::shared_ptr<const City> datong = test::bundledCity(16);
};

// The app cuts the stop array out of the text (from the first "[" to the
// first "]"), so every bundled line is read that way, in both directions.
TEST_F(ThroughTheAppsClient, EveryLineReadsWithItsStopsAndEndStop) {
    for (std::int64_t cityId : {1, 16, 17}) {
        chooseCity(cityId);
        const auto city = test::bundledCity(cityId);
        for (const auto& line : city->lines) {
            for (int d = 0; d < 2; ++d) {
                SCOPED_TRACE(city->name + " " + line.lineName + " " + std::to_string(d));
                const auto reading = city::line(d, line.lineId).value();
                ASSERT_TRUE(reading.line.has_value());
                const auto& l = *reading.line;
                EXPECT_EQ(Json({l.uid, l.gprsId, l.lineName, l.ticketPrice, l.opTime, l.cityId}),
                          Json({line.lineId, line.gprsId, line.lineName, line.ticketPrice, line.opTime, cityId}));
                const auto& stops = line.directions[static_cast<std::size_t>(d)]->stops;
                ASSERT_EQ(reading.stations.size(), stops.size());
                std::set<long long> ids;
                for (std::size_t i = 0; i < stops.size(); ++i) {
                    const auto& s = reading.stations[i];
                    // The live screen takes flag 2 for the end of the line.
                    EXPECT_EQ(Json({s.stationName, integerValue(s.orderNo), s.direction, s.lineId, s.cityId, s.flagId == 2}),
                              Json({stops[i], i + 1, d, line.lineId, cityId, i + 1 == stops.size()}));
                    EXPECT_TRUE(ids.insert(integerValue(s.uid)).second) << "stop id twice: " << integerValue(s.uid);
                }
                EXPECT_EQ(reading.endStation, stops.back());
            }
        }
    }
}

// Read now and four minutes later: the service reads the stand-in's clock.
TEST_F(ThroughTheAppsClient, VehiclesAndAFavouritesTextFollowTheTimetableAndTheClock) {
    const Line& line9 = *datong->lineByGprsId(16009);
    for (int minutes : {0, 4}) {
        running.clock.advance(std::chrono::minutes(minutes));
        const auto read = city::vehicles(16009, 25, 0).value();
        const auto expected = vehiclesAt(*datong, line9, 0, running.clock.now(), {});
        ASSERT_GE(expected.size(), 8u);
        ASSERT_EQ(read.size(), expected.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            const auto& r = read[i];
            EXPECT_EQ(Json({r.busNum, r.stationNo, r.inStation, r.toNextStop}),
                      Json({1, expected[i].stationNo, expected[i].inStation ? 1 : 0, approachText(expected[i], 25)}));
        }
        // A favourite shows the text of the nearest vehicle coming.
        const auto coming = nearestApproachText(vehiclesAt(*datong, line9, 1, running.clock.now(), {}), 30);
        EXPECT_FALSE(coming.empty());
        EXPECT_EQ(city::stationText(16009, 30, 1).value(), coming);
    }
}

}  // namespace
}  // namespace bus::standin

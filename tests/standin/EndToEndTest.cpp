// The app's own SOAP client against the stand-in: every operation, read into
// the records the screens use.
#include <algorithm>

#include <gtest/gtest.h>

#include "StandinTestSupport.h"
#include "model/Preferences.h"
#include "model/Value.h"
#include "platform/AlertView.h"
#include "platform/UserDefaults.h"
#include "service/JSONValue.h"
#include "service/Operations.h"
#include "service/SoapService.h"
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
    const auto dt = std::find_if(cities.begin(), cities.end(), [](const BusCity& c) { return c.cityId == 16; });
    ASSERT_NE(dt, cities.end());
    EXPECT_EQ(dt->cityName, "大同");
    EXPECT_EQ(dt->cityUrl, standin.cityBaseUrl(16));
    for (const auto& c : cities) EXPECT_EQ(textValue(c.cityUrl), standin.cityBaseUrl(integerValue(c.cityId)));
}

TEST_F(ThroughTheAppsClient, AKeywordGivesLineAndStopHits) {
    const auto hits = ops::queryKeyword("鼓楼");
    ASSERT_GE(hits.size(), 4u);
    for (const auto& h : hits) {
        EXPECT_EQ(h.attribute, 1);
        EXPECT_EQ(h.stationName, "鼓楼");
        EXPECT_NE(datong->lineById(integerValue(h.lineId)), nullptr);
        EXPECT_TRUE(integerValue(h.direction) == 0 || integerValue(h.direction) == 1);
        EXPECT_TRUE(h.lineName.is_string());
    }
    const auto lines = ops::queryKeyword("13路");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].attribute, 0);
    EXPECT_EQ(lines[0].lineId, 1613);
}

TEST_F(ThroughTheAppsClient, EveryLineReadsWithItsStopsAndEndStop) {
    for (std::int64_t cityId : {1, 16, 17}) {
        chooseCity(cityId);
        const auto city = test::bundledCity(cityId);
        for (const auto& line : city->lines) {
            for (int d = 0; d < 2; ++d) {
                SCOPED_TRACE(city->name + " " + line.lineName + " " + std::to_string(d));
                // The raw content too: the stop array is the first array and
                // the cut ends at its own end.
                const auto content = SoapService::initWithPostUrl(ops::kQueryLine)
                                         .PostSync({{"direction", std::int64_t{d}}, {"lineId", line.lineId}})
                                         .Content;
                const auto cut = ops::stopArrayText(content);
                ASSERT_TRUE(cut.has_value());
                EXPECT_EQ(content.find('['), content.find("\"stations\":[") + 11);
                const auto reading = ops::readLine(content);
                ASSERT_TRUE(reading.line.has_value());
                EXPECT_EQ(reading.line->uid, line.lineId);
                EXPECT_EQ(reading.line->gprsId, line.gprsId);
                EXPECT_EQ(reading.line->lineName, line.lineName);
                EXPECT_EQ(reading.line->cityId, cityId);
                const auto& stops = line.directions[static_cast<std::size_t>(d)]->stops;
                ASSERT_EQ(reading.stations.size(), stops.size());
                for (std::size_t i = 0; i < stops.size(); ++i) {
                    EXPECT_EQ(reading.stations[i].stationName, stops[i]);
                    EXPECT_EQ(integerValue(reading.stations[i].orderNo), static_cast<long long>(i + 1));
                }
                EXPECT_EQ(reading.stations.back().flagId, 2);
                EXPECT_EQ(reading.endStation, stops.back());
                // The same through the operation the screens call.
                EXPECT_EQ(ops::queryLine(d, line.lineId).stations.size(), stops.size());
            }
        }
    }
}

TEST_F(ThroughTheAppsClient, VehiclesComeHighestStopFirstAndMoveWithTheClock) {
    const auto before = ops::realBus(16009, 25, 0);
    ASSERT_GE(before.size(), 8u);
    const auto expected = vehiclesAt(*datong, *datong->lineByGprsId(16009), 0, running.clock.now(), {});
    ASSERT_EQ(before.size(), expected.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(before[i].busNum, 1);
        EXPECT_EQ(before[i].stationNo, expected[i].stationNo);
        EXPECT_EQ(before[i].inStation, expected[i].inStation ? 1 : 0);
        EXPECT_EQ(before[i].toNextStop, approachText(expected[i], 25));
        if (i > 0) {
            EXPECT_GE(integerValue(before[i - 1].stationNo), integerValue(before[i].stationNo));
        }
    }
    running.clock.advance(std::chrono::minutes(4));
    const auto after = ops::realBus(16009, 25, 0);
    long long movedOn = 0;
    for (const auto& a : after)
        for (const auto& b : before)
            if (a.licensePlate == b.licensePlate) movedOn += integerValue(a.stationNo) - integerValue(b.stationNo);
    EXPECT_GT(movedOn, 0);
}

TEST_F(ThroughTheAppsClient, AFavouritesLiveTextIsTheNearestVehicle) {
    const auto text = ops::realBusStation(16009, 30, 1);
    const auto expected =
        nearestApproachText(vehiclesAt(*datong, *datong->lineByGprsId(16009), 1, running.clock.now(), {}), 30);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(text, expected);
    // A line the service knows no vehicles of: an empty text, which the app
    // shows as its own "no live data" text.
    EXPECT_EQ(ops::realBusStation(99999, 3, 0), ops::kNoLiveInfo);
}

TEST_F(ThroughTheAppsClient, TheLineWithoutLiveDataReadsWithGprsIdZero) {
    const auto hits = ops::queryKeyword("旅游");
    ASSERT_FALSE(hits.empty());
    const auto reading = ops::queryLine(0, integerValue(hits[0].lineId));
    ASSERT_TRUE(reading.line.has_value());
    EXPECT_EQ(integerValue(reading.line->gprsId), 0);
    // The screens make no call then; asked anyway, the service has no vehicles.
    const auto raw = SoapService::initWithPostUrl(ops::kRealBus)
                         .PostSync({{"gprsId", std::int64_t{0}}, {"orderNo", std::int64_t{3}}, {"direction", std::int64_t{0}}});
    EXPECT_EQ(raw.StatusCode, 200);
    EXPECT_EQ(JSONValue(raw.Content), nlohmann::json::array());
}

TEST_F(ThroughTheAppsClient, AFaultReachesTheClientAsAFailedCall) {
    const auto r = SoapService::initWithPostUrl(ops::kRealBus).PostSync({{"gprsId", std::string("abc")}});
    EXPECT_EQ(r.StatusCode, 500);
    EXPECT_EQ(r.Content, "");
    EXPECT_EQ(platform::AlertCenter::shared().history().size(), 1u);
    platform::AlertCenter::shared().clear();
}

}  // namespace
}  // namespace bus::standin

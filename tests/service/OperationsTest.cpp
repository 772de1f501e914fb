// Each operation end to end against a loopback service that answers with
// recorded replies: the request it makes, and the records it reads.
#include <string>

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "model/Value.h"
#include "platform/AlertView.h"
#include "service/Operations.h"

namespace bus::ops {
namespace {

using platform::AlertCenter;
using test::RecordedService;

// The text of tests/service/replies/<name>.
std::string recordedReply(const std::string& name) { return test::readFile(std::string(BUS_SERVICE_REPLIES) + "/" + name); }

// The operation element of a request body, with its parameters.
std::string operationElement(const std::string& body) {
    const auto open = body.find("<ns1:");
    const auto close = body.find("</soapenv:Body>");
    return open == std::string::npos || close == std::string::npos ? "" : body.substr(open, close - open);
}

class Operations : public testing::Test {
protected:
    void SetUp() override { service.makeCurrentCity(); }
    RecordedService service;
};

TEST_F(Operations, QueryCityAsksTheDirectoryWithoutParametersAndReadsEveryCity) {
    service.reply(kQueryCity, recordedReply("queryCity.xml"));
    const auto cities = queryCity(service.url());
    ASSERT_EQ(service.bodies().size(), 1u);
    EXPECT_EQ(operationElement(service.bodies()[0]), "<ns1:queryCity></ns1:queryCity>");
    ASSERT_EQ(cities.size(), 3u);
    EXPECT_EQ(cities[0].cityId, 16);
    EXPECT_EQ(cities[0].cityName, "大同");
    EXPECT_EQ(cities[0].cityUrl, "http://127.0.0.1:18116");
    EXPECT_EQ(cities[2].cityName, "朔州");
}

TEST_F(Operations, QueryCityGivesNoCitiesForADictionaryOrAFailure) {
    service.reply(kQueryCity, recordedReply("queryCity-dictionary.xml"));
    EXPECT_TRUE(queryCity(service.url()).empty());
    EXPECT_TRUE(AlertCenter::shared().history().empty());
    service.reply(kQueryCity, recordedReply("queryCity.xml"), 503);
    EXPECT_TRUE(queryCity(service.url()).empty());
    EXPECT_EQ(AlertCenter::shared().visibleAlerts().size(), 1u);
}

TEST_F(Operations, QueryKeywordSendsTheKeywordAndReadsHitsInOrder) {
    service.reply(kQueryKeyword, recordedReply("queryKeyword.xml"));
    const auto hits = queryKeyword("A&B 12");
    EXPECT_EQ(operationElement(service.bodies().at(0)),
              "<ns1:queryKeyword><keyword>A&amp;B 12</keyword></ns1:queryKeyword>");
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0].lineName, "12路");
    EXPECT_EQ(hits[0].attribute, 0);
    EXPECT_EQ(hits[1].stationName, "新开里");
    EXPECT_EQ(hits[1].direction, 1);
    EXPECT_EQ(hits[2].stationName, "A&B <东> 门");
    EXPECT_TRUE(hits[2].cityId.is_null());
}

TEST_F(Operations, QueryKeywordKeepsNullsAndMissingKeysAsNoneAndSkipsNonDictionaries) {
    service.reply(kQueryKeyword, recordedReply("queryKeyword-odd.xml"));
    const auto hits = queryKeyword("7");
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_TRUE(hits[0].lineName.is_null());
    EXPECT_TRUE(hits[0].direction.is_null());
    EXPECT_EQ(hits[0].lineId, 7);
    EXPECT_EQ(hits[1].lineId, "8");  // stored as sent
    EXPECT_EQ(integerValue(hits[1].lineId), 8);
    EXPECT_TRUE(hits[1].stationName.is_null());
    EXPECT_EQ(hits[2].lineName, "9路");
    EXPECT_TRUE(hits[2].cityId.is_null());  // not read from the reply
}

TEST_F(Operations, QueryLineSendsDirectionThenLineAndReadsTheLineWithItsStops) {
    service.reply(kQueryLine, recordedReply("queryLine.xml"));
    const LineReading r = queryLine(1, 12);
    EXPECT_EQ(operationElement(service.bodies().at(0)),
              "<ns1:queryLine><direction>1</direction><lineId>12</lineId></ns1:queryLine>");
    ASSERT_TRUE(r.line);
    EXPECT_EQ(r.line->uid, 12);
    EXPECT_EQ(r.line->gprsId, 1201);
    EXPECT_EQ(r.line->opTime, "06:00-21:30");
    ASSERT_EQ(r.stations.size(), 6u);
    for (std::size_t i = 0; i < r.stations.size(); ++i) EXPECT_EQ(r.stations[i].orderNo, i + 1);
    EXPECT_EQ(r.stations[3].stationName, "A&B <东> 门");
    EXPECT_EQ(r.stations[5].flagId, 2);
    EXPECT_EQ(r.endStation, "新开里");
}

TEST_F(Operations, QueryLineWithoutAStopArrayStillGivesTheLine) {
    service.reply(kQueryLine, recordedReply("queryLine-no-stops.xml"));
    const LineReading r = queryLine(0, 12);
    ASSERT_TRUE(r.line);
    EXPECT_EQ(r.line->lineName, "12路");
    EXPECT_EQ(integerValue(r.line->gprsId), 0);
    EXPECT_TRUE(r.stations.empty());
    EXPECT_TRUE(r.endStation.is_null());
}

TEST_F(Operations, QueryLineThatFailsGivesNoLine) {
    service.reply(kQueryLine, recordedReply("queryLine.xml"), 500);
    const LineReading r = queryLine(0, 12);
    EXPECT_FALSE(r.line);
    EXPECT_TRUE(r.stations.empty());
    EXPECT_EQ(AlertCenter::shared().visibleAlerts().size(), 1u);
}

TEST_F(Operations, RealBusSendsItsThreeParametersAndSortsVehiclesByStopHighestFirst) {
    service.reply(kRealBus, recordedReply("realBus.xml"));
    const auto vehicles = realBus(1201, 4, 0);
    EXPECT_EQ(operationElement(service.bodies().at(0)),
              "<ns1:realBus><gprsId>1201</gprsId><orderNo>4</orderNo><direction>0</direction></ns1:realBus>");
    ASSERT_EQ(vehicles.size(), 3u);
    EXPECT_EQ(vehicles[0].stationNo, 9);
    EXPECT_EQ(vehicles[1].stationNo, 5);
    EXPECT_EQ(vehicles[2].stationNo, 3);
    EXPECT_EQ(vehicles[0].licensePlate, "晋B·1009");
    EXPECT_EQ(vehicles[0].inStation, 1);
    EXPECT_EQ(vehicles[2].toNextStop, "距下站300米");
    for (const auto& v : vehicles) EXPECT_EQ(v.busNum, 1);
}

TEST_F(Operations, RealBusGivesNoVehiclesForADictionaryOrNoReturnText) {
    service.reply(kRealBus, recordedReply("realBus-dictionary.xml"));
    EXPECT_TRUE(realBus(1201, 4, 0).empty());
    service.reply(kRealBus, recordedReply("realBus-empty.xml"));
    EXPECT_TRUE(realBus(1201, 4, 0).empty());
    EXPECT_TRUE(AlertCenter::shared().history().empty());
}

TEST_F(Operations, RealBusForALineWithoutLiveDataAsksNothing) {
    service.reply(kRealBus, recordedReply("realBus.xml"));
    EXPECT_TRUE(realBus(0, 4, 0).empty());
    EXPECT_TRUE(service.bodies().empty());
}

TEST_F(Operations, RealBusStationShowsTheTextOrTheNoInformationText) {
    service.reply(kRealBusStation, recordedReply("realBusStation.xml"));
    EXPECT_EQ(realBusStation(1201, 3, 1), "还有2站 约4分钟");
    EXPECT_EQ(operationElement(service.bodies().at(0)),
              "<ns1:realBusStation><gprsId>1201</gprsId><orderNo>3</orderNo><direction>1</direction>"
              "</ns1:realBusStation>");
    service.reply(kRealBusStation, recordedReply("realBusStation-empty.xml"));
    EXPECT_EQ(realBusStation(1201, 3, 1), "无实时信息");
    service.reply(kRealBusStation, recordedReply("realBusStation.xml"), 500);
    EXPECT_EQ(realBusStation(1201, 3, 1), "无实时信息");
    EXPECT_EQ(AlertCenter::shared().visibleAlerts().size(), 1u);
}

}  // namespace
}  // namespace bus::ops

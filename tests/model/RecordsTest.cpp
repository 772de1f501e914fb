// InitData reads exactly the listed keys, values unchanged.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/BusCity.h"
#include "model/BusCollection.h"
#include "model/BusLine.h"
#include "model/BusQuery.h"
#include "model/BusReal.h"
#include "model/BusStation.h"
#include "model/BusTransfer.h"
#include "model/Config.h"
#include "model/Value.h"

using namespace bus;
using nlohmann::json;

namespace {

// Inputs that are not dictionaries: every record made from them is empty.
std::vector<json> notObjects() {
    return {json(), json(nullptr), json::array(), json::array({json{{"lineId", 1}}}),
            json("lineId"), json(12), json(true)};
}

}  // namespace

TEST(ModelBusLine, ReadsEveryListedKeyUnchanged) {
    const auto line = BusLine::initData(json::parse(R"({
        "lineId": 12, "lineName": "5路", "gprsId": 305, "ticketPrice": "1.00",
        "opTime": "06:00-21:30", "gjgs": "一公司", "cityId": 16})"));
    EXPECT_EQ(line.uid, json(12));
    EXPECT_TRUE(line.uid.is_number_integer());
    EXPECT_EQ(line.lineName, json("5路"));
    EXPECT_EQ(line.gprsId, json(305));
    EXPECT_EQ(line.ticketPrice, json("1.00"));  // not turned into a number
    EXPECT_EQ(line.opTime, json("06:00-21:30"));
    EXPECT_EQ(line.gjgs, json("一公司"));
    EXPECT_EQ(line.cityId, json(16));
    EXPECT_TRUE(line.endStation.is_null());
    EXPECT_TRUE(line.direction.is_null());
}

TEST(ModelBusLine, FieldsNotFromJsonStayEmptyEvenWhenTheKeysArePresent) {
    const auto line = BusLine::initData(
        json{{"endStation", "终点"}, {"direction", 1}, {"uid", 99}, {"id", 98}});
    EXPECT_TRUE(line.endStation.is_null());
    EXPECT_TRUE(line.direction.is_null());
    EXPECT_TRUE(line.uid.is_null()) << "uid comes from \"lineId\" only";
}

TEST(ModelBusLine, MissingGprsIdIsNoneAndReadsZero) {
    const auto line = BusLine::initData(json{{"lineId", 12}, {"lineName", "5路"}});
    EXPECT_TRUE(line.gprsId.is_null());
    EXPECT_EQ(integerValue(line.gprsId), 0);
    EXPECT_TRUE(line.ticketPrice.is_null());
    EXPECT_TRUE(line.cityId.is_null());
}

TEST(ModelBusLine, WrongTypesAndNullsAreHeldAsTheyCame) {
    const auto line = BusLine::initData(json::parse(R"({
        "lineId": "12", "lineName": 5, "gprsId": [1, 2], "ticketPrice": null,
        "opTime": {"a": 1}, "gjgs": 1.5, "cityId": true})"));
    EXPECT_EQ(line.uid, json("12"));
    EXPECT_EQ(integerValue(line.uid), 12);
    EXPECT_EQ(line.lineName, json(5));
    EXPECT_EQ(textValue(line.lineName), "5");
    EXPECT_EQ(line.gprsId, json::array({1, 2}));
    EXPECT_EQ(integerValue(line.gprsId), 0);
    EXPECT_TRUE(line.ticketPrice.is_null());
    EXPECT_EQ(textValue(line.ticketPrice), "");
    EXPECT_EQ(line.opTime, json({{"a", 1}}));
    EXPECT_EQ(line.gjgs, json(1.5));
    EXPECT_EQ(line.cityId, json(true));
}

TEST(ModelBusStation, ReadsIdIntoUidAndIgnoresExtraKeys) {
    const auto stop = BusStation::initData(json::parse(R"({
        "id": 7001, "stationName": "火车站", "orderNo": 3, "direction": 0,
        "lineId": 12, "cityId": 16, "flagId": 2, "uid": 5, "lng": 113.3, "extra": {"x": 1}})"));
    EXPECT_EQ(stop.uid, json(7001));
    EXPECT_EQ(stop.stationName, json("火车站"));
    EXPECT_EQ(stop.orderNo, json(3));
    EXPECT_EQ(stop.direction, json(0));
    EXPECT_FALSE(stop.direction.is_null()) << "0 is a value, not none";
    EXPECT_EQ(stop.lineId, json(12));
    EXPECT_EQ(stop.cityId, json(16));
    EXPECT_EQ(stop.flagId, json(2));
}

TEST(ModelBusStation, MissingKeysLeaveTheirFieldsEmpty) {
    const auto stop = BusStation::initData(json{{"stationName", "A"}});
    EXPECT_EQ(stop.stationName, json("A"));
    for (const json* f : {&stop.uid, &stop.orderNo, &stop.direction, &stop.lineId, &stop.cityId,
                          &stop.flagId})
        EXPECT_TRUE(f->is_null());
}

TEST(ModelBusReal, BusNumIsOneWhateverTheDictionaryHolds) {
    const auto bus1 = BusReal::initData(json::parse(R"({
        "licensePlate": "晋B12345", "stationNo": 4, "inStation": 1,
        "toNextStop": "距下一站300米", "busNum": 9})"));
    EXPECT_EQ(bus1.licensePlate, json("晋B12345"));
    EXPECT_EQ(bus1.stationNo, json(4));
    EXPECT_EQ(bus1.inStation, json(1));
    EXPECT_EQ(bus1.toNextStop, json("距下一站300米"));
    EXPECT_EQ(bus1.busNum, json(1));
    EXPECT_TRUE(bus1.busNum.is_number_integer());
    EXPECT_EQ(BusReal::initData(json::object()).busNum, json(1));
    for (const auto& input : notObjects()) EXPECT_EQ(BusReal::initData(input).busNum, json(1));
}

TEST(ModelBusCity, ReadsExactlyCodeValueNameAndYlzd2) {
    const auto city = BusCity::initData(json::parse(
        R"({"codeValue": 1, "name": "北京", "ylzd2": "http://10.0.0.1:8080", "cityId": 99})"));
    EXPECT_EQ(city.cityId, json(1));
    EXPECT_EQ(city.cityName, json("北京"));
    EXPECT_EQ(city.cityUrl, json("http://10.0.0.1:8080"));
}

TEST(ModelBusCity, CityIdInsteadOfCodeValueGivesNoCityId) {
    const auto city = BusCity::initData(json{{"cityId", 1}, {"name", "北京"}, {"ylzd2", "u"}});
    EXPECT_TRUE(city.cityId.is_null());
    EXPECT_EQ(city.cityName, json("北京"));
    EXPECT_EQ(city.cityUrl, json("u"));
}

TEST(ModelBusCity, InitDateIsTheDefaultCity) {
    const auto city = BusCity::initDate();
    EXPECT_EQ(city.cityId, json(16));
    EXPECT_TRUE(city.cityId.is_number_integer());
    EXPECT_EQ(city.cityName, json("大同"));
    ASSERT_TRUE(city.cityUrl.is_string());
    EXPECT_EQ(city.cityUrl.get<std::string>(), std::string(config::kDefaultCityUrl));
}

TEST(ModelConfig, AddressesAreBaseAddressesWithoutAPath) {
    // A path is appended to both; a trailing slash or a path would double it.
    for (std::string url : {std::string(config::kDirectoryUrl), std::string(config::kDefaultCityUrl)}) {
        ASSERT_EQ(url.rfind("http://", 0), 0u) << url;
        EXPECT_EQ(url.find('/', 7), std::string::npos) << url;
    }
    EXPECT_FALSE(std::string(config::kCityNamespace).empty());
    EXPECT_FALSE(std::string(config::kDirectoryNamespace).empty());
    EXPECT_NE(std::string(config::kCityNamespace), std::string(config::kDirectoryNamespace));
}

TEST(ModelBusQuery, ReadsTheFiveKeysButNotTheCity) {
    const auto hit = BusQuery::initData(json::parse(R"({
        "stationName": "东站", "attribute": 1, "lineId": 12, "lineName": "5路",
        "direction": 1, "cityId": 16})"));
    EXPECT_EQ(hit.stationName, json("东站"));
    EXPECT_EQ(hit.attribute, json(1));
    EXPECT_EQ(hit.lineId, json(12));
    EXPECT_EQ(hit.lineName, json("5路"));
    EXPECT_EQ(hit.direction, json(1));
    EXPECT_TRUE(hit.cityId.is_null()) << "the search screen sets cityId, not the JSON";
    EXPECT_EQ(hit.db, nullptr);
}

TEST(ModelRecords, NonObjectInputGivesEmptyRecords) {
    for (const auto& input : notObjects()) {
        SCOPED_TRACE(input.dump());
        const auto line = BusLine::initData(input);
        for (const json* f : {&line.uid, &line.lineName, &line.gprsId, &line.ticketPrice,
                              &line.opTime, &line.gjgs, &line.cityId})
            EXPECT_TRUE(f->is_null());
        const auto stop = BusStation::initData(input);
        EXPECT_TRUE(stop.uid.is_null());
        EXPECT_TRUE(stop.stationName.is_null());
        const auto vehicle = BusReal::initData(input);
        EXPECT_TRUE(vehicle.stationNo.is_null());
        EXPECT_TRUE(vehicle.toNextStop.is_null());
        const auto city = BusCity::initData(input);
        EXPECT_TRUE(city.cityId.is_null());
        EXPECT_TRUE(city.cityUrl.is_null());
        const auto hit = BusQuery::initData(input);
        EXPECT_TRUE(hit.lineId.is_null());
        EXPECT_TRUE(hit.stationName.is_null());
    }
}

TEST(ModelRecords, NullValuesAreHeldAsNone) {
    const auto hit = BusQuery::initData(json::parse(
        R"({"stationName": null, "attribute": null, "lineId": null, "lineName": null, "direction": null})"));
    for (const json* f : {&hit.stationName, &hit.attribute, &hit.lineId, &hit.lineName, &hit.direction})
        EXPECT_TRUE(f->is_null());
    EXPECT_EQ(integerValue(hit.direction), 0);
    EXPECT_EQ(textValue(hit.lineName), "");
}

TEST(ModelRecords, DeclaredRecordsStartEmpty) {
    const BusCollection favourite;
    for (const json* f : {&favourite.uid, &favourite.lineName, &favourite.stationName,
                          &favourite.direction, &favourite.lineId, &favourite.cityId,
                          &favourite.orderNo, &favourite.gprsId, &favourite.endLine})
        EXPECT_TRUE(f->is_null());
    EXPECT_EQ(favourite.db, nullptr);
    const BusTransfer plan;
    EXPECT_TRUE(plan.sxsj.is_null());
    EXPECT_TRUE(plan.bxjl.is_null());
    EXPECT_TRUE(plan.vehicleInfos.is_null());
}

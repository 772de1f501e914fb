// initData reads exactly the listed keys of a JSON object, values unchanged.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/BusCity.h"
#include "model/BusLine.h"
#include "model/BusQuery.h"
#include "model/BusReal.h"
#include "model/BusStation.h"
#include "model/Config.h"

using namespace bus;
using nlohmann::json;

namespace {

// Every field of a record built from `dict`, by field name.
json line(const json& dict) {
    const auto r = BusLine::initData(dict);
    return {{"uid", r.uid}, {"lineName", r.lineName}, {"gprsId", r.gprsId}, {"ticketPrice", r.ticketPrice},
            {"opTime", r.opTime}, {"gjgs", r.gjgs}, {"cityId", r.cityId}, {"endStation", r.endStation},
            {"direction", r.direction}};
}
json stop(const json& dict) {
    const auto r = BusStation::initData(dict);
    return {{"uid", r.uid}, {"stationName", r.stationName}, {"orderNo", r.orderNo}, {"direction", r.direction},
            {"lineId", r.lineId}, {"cityId", r.cityId}, {"flagId", r.flagId}};
}
json vehicle(const json& dict) {
    const auto r = BusReal::initData(dict);
    return {{"licensePlate", r.licensePlate}, {"stationNo", r.stationNo}, {"inStation", r.inStation},
            {"toNextStop", r.toNextStop}, {"busNum", r.busNum}};
}
json city(const json& dict) {
    const auto r = BusCity::initData(dict);
    return {{"cityId", r.cityId}, {"cityName", r.cityName}, {"cityUrl", r.cityUrl}};
}
json hit(const json& dict) {
    const auto r = BusQuery::initData(dict);
    return {{"stationName", r.stationName}, {"attribute", r.attribute}, {"lineId", r.lineId},
            {"lineName", r.lineName}, {"direction", r.direction}, {"cityId", r.cityId}};
}

// The fields of `record` that are not none.
json setFields(const json& record) {
    json out = json::object();
    for (const auto& [key, value] : record.items())
        if (!value.is_null()) out[key] = value;
    return out;
}

}  // namespace

// Compared as dumped text, so "1.00" stays text, 5 stays an integer and 1.5 a decimal.
TEST(ModelRecords, InitDataReadsExactlyTheListedKeysUnchanged) {
    struct Case {
        const char* name;
        std::function<json(const json&)> read;
        const char* input;
        json expected;  // the fields that are not none
    };
    const Case cases[] = {
        {"line", line, R"({"lineId":12,"lineName":"5路","gprsId":305,"ticketPrice":"1.00","opTime":"06:00-21:30",
                          "gjgs":"一公司","cityId":16,"endStation":"终点","direction":1,"uid":99,"id":98})",
         {{"uid", 12}, {"lineName", "5路"}, {"gprsId", 305}, {"ticketPrice", "1.00"}, {"opTime", "06:00-21:30"},
          {"gjgs", "一公司"}, {"cityId", 16}}},
        {"line of odd types", line, R"({"lineId":"12","lineName":5,"gprsId":[1,2],"ticketPrice":null,
                                       "opTime":{"a":1},"gjgs":1.5,"cityId":true})",
         {{"uid", "12"}, {"lineName", 5}, {"gprsId", {1, 2}}, {"opTime", {{"a", 1}}}, {"gjgs", 1.5}, {"cityId", true}}},
        {"stop", stop, R"({"id":7001,"stationName":"火车站","orderNo":3,"direction":0,"lineId":12,"cityId":16,
                          "flagId":2,"uid":5,"lng":113.3})",
         {{"uid", 7001}, {"stationName", "火车站"}, {"orderNo", 3}, {"direction", 0}, {"lineId", 12}, {"cityId", 16},
          {"flagId", 2}}},
        {"stop with one key", stop, R"({"stationName":"A"})", {{"stationName", "A"}}},
        {"vehicle", vehicle, R"({"licensePlate":"晋B12345","stationNo":4,"inStation":1,"toNextStop":"距下一站300米",
                                "busNum":9})",
         {{"licensePlate", "晋B12345"}, {"stationNo", 4}, {"inStation", 1}, {"toNextStop", "距下一站300米"}, {"busNum", 1}}},
        {"city", city, R"({"codeValue":1,"name":"北京","ylzd2":"http://10.0.0.1:8080","cityId":99})",
         {{"cityId", 1}, {"cityName", "北京"}, {"cityUrl", "http://10.0.0.1:8080"}}},
        {"search hit", hit, R"({"stationName":"东站","attribute":1,"lineId":12,"lineName":"5路","direction":1,
                               "cityId":16})",
         {{"stationName", "东站"}, {"attribute", 1}, {"lineId", 12}, {"lineName", "5路"}, {"direction", 1}}},
        {"search hit of nulls", hit,
         R"({"stationName":null,"attribute":null,"lineId":null,"lineName":null,"direction":null})", json::object()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(setFields(c.read(json::parse(c.input))).dump(), c.expected.dump());
        // Whatever is not a dictionary gives an empty record (a vehicle still counts one).
        for (const json& notADictionary : {json(), json::array({json::parse(c.input)}), json("lineId"), json(12),
                                           json(true)})
            EXPECT_EQ(setFields(c.read(notADictionary)).dump(), std::string(c.name) == "vehicle" ? R"({"busNum":1})" : "{}");
    }
}

TEST(ModelBusCity, InitDateIsTheDefaultCity) {
    const auto city = BusCity::initDate();
    EXPECT_EQ(json({city.cityId, city.cityName, city.cityUrl}).dump(),
              json({16, "大同", config::kDefaultCityUrl}).dump());
}

TEST(ModelConfig, AddressesAreBaseAddressesWithoutAPath) {
    // A path is appended to both; a trailing slash or a path would double it.
    for (const std::string url : {config::kDirectoryUrl, config::kDefaultCityUrl}) {
        ASSERT_EQ(url.rfind("http://", 0), 0u) << url;
        EXPECT_EQ(url.find('/', 7), std::string::npos) << url;
    }
    EXPECT_NE(std::string(config::kCityNamespace), std::string(config::kDirectoryNamespace));
}

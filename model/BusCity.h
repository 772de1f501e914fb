#pragma once
// One city that the system serves, built from each element of the
// "queryCity" result; initDate() is the default city of the first start.
#include <nlohmann/json.hpp>

namespace bus {

struct BusCity {
    nlohmann::json cityId;    // number, JSON "codeValue"
    nlohmann::json cityName;  // string, "name"
    nlohmann::json cityUrl;   // string, "ylzd2": service base address, no path

    static BusCity initData(const nlohmann::json& dict);
    // cityId 16, cityName "大同", cityUrl = config::kDefaultCityUrl.
    static BusCity initDate();
};

}  // namespace bus

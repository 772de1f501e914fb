#include "model/BusCity.h"

#include <string>

#include "model/Config.h"
#include "model/Value.h"

namespace bus {

BusCity BusCity::initData(const json& dict) {
    BusCity r;
    r.cityId = valueForKey(dict, "codeValue");
    r.cityName = valueForKey(dict, "name");
    r.cityUrl = valueForKey(dict, "ylzd2");
    return r;
}

BusCity BusCity::initDate() {
    BusCity r;
    r.cityId = 16;
    r.cityName = "大同";
    r.cityUrl = std::string(config::kDefaultCityUrl);
    return r;
}

}  // namespace bus

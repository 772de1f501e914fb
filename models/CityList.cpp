#include "models/CityList.h"

#include "city/CityService.h"
#include "model/Value.h"

namespace bus::models {

// Every later call goes to the chosen city's address and every favourite and
// history row is stored under its id: a directory entry without an id, or
// with an address the transport cannot post to, would leave the rider with
// no working city, so it is not offered.
bool canBeChosen(const BusCity& city) {
    const bool hasId = city.cityId.is_number() || (city.cityId.is_string() && !textValue(city.cityId).empty());
    if (!hasId || !city.cityUrl.is_string()) return false;
    const std::string url = textValue(city.cityUrl);
    return url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
}

void CityList::ask(const std::string& directoryUrl) {
    requests_.ask<Cities>(
        "cities",
        [directoryUrl] {
            Cities offered;
            for (auto& entry : city::cities(directoryUrl).value())
                if (canBeChosen(entry)) offered.push_back(std::move(entry));
            return offered;
        },
        [this](Cities offered) {
            cities_ = std::make_shared<const Cities>(std::move(offered));
            if (changed) changed(cities_);
        });
}

}  // namespace bus::models

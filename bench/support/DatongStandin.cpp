#include "DatongStandin.h"

#include <chrono>

#include "platform/UserDefaults.h"
#include "standin/Network.h"

namespace bench {

DatongStandin::DatongStandin() {
    bus::standin::StandinConfig config;
    config.directoryPort = 0;
    for (auto& city : bus::standin::loadDataFolder(BUS_STANDIN_DATA))
        if (city.cityId == kCityId) {
            bus::standin::ServedCity served;
            served.city = std::make_shared<const bus::standin::City>(std::move(city));
            config.cities.push_back(std::move(served));
        }
    clock.set(bus::standin::TimePoint(std::chrono::seconds(1714968000)));  // 2024-05-06 12:00 +08:00
    standin = std::make_unique<bus::standin::Standin>(std::move(config), clock, log);
    standin->start();
}

void DatongStandin::makeCurrentCity() const {
    auto& prefs = platform::UserDefaults::standard();
    prefs.setObject(kCityId, "cityId");
    prefs.setObject("大同", "cityName");
    prefs.setObject(standin->cityBaseUrl(kCityId), "postUrl");
    prefs.setObject(bus::standin::kCityPath, "postWebService");
}

}  // namespace bench

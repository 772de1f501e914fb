#include "model/Preferences.h"

#include "model/BusCity.h"

namespace bus::prefs {

bool seedFirstStart(platform::UserDefaults& store) {
    const auto postUrl = store.objectForKey(kPostUrl);
    if (postUrl && !postUrl->is_null()) return false;
    const BusCity city = BusCity::initDate();
    store.setObject(city.cityId, kCityId);
    store.setObject(city.cityName, kCityName);
    store.setObject(city.cityUrl, kPostUrl);
    store.setObject(kDefaultWebService, kPostWebService);
    store.synchronize();
    return true;
}

}  // namespace bus::prefs

#include "city/CurrentCity.h"

#include "city/CityService.h"
#include "model/Preferences.h"
#include "model/Value.h"
#include "platform/UserDefaults.h"
#include "storage/FavouriteStore.h"
#include "storage/HistoryStore.h"

namespace bus::city {

using nlohmann::json;

json currentId() { return platform::UserDefaults::standard().objectForKey(prefs::kCityId).value_or(json()); }

std::string currentName() {
    return textValue(platform::UserDefaults::standard().objectForKey(prefs::kCityName).value_or(json()));
}

bool choose(const BusCity& city) {
    auto& store = platform::UserDefaults::standard();
    const bool changes = integerValue(currentId()) != integerValue(city.cityId);
    store.setObject(city.cityId, prefs::kCityId);
    store.setObject(city.cityName, prefs::kCityName);
    store.setObject(city.cityUrl, prefs::kPostUrl);
    store.synchronize();
    // A city chosen, even the same one again, may have been given the
    // alerts its service lacked.
    forgetServicesWithoutAlerts();
    return changes;
}

std::vector<BusQuery> history() { return HistoryStore().query(currentId()); }

void remember(BusQuery hit) {
    hit.cityId = currentId();
    HistoryStore().save(hit);
}

void forgetHistory() { HistoryStore().removeAll(currentId()); }

std::vector<BusCollection> favourites() { return FavouriteStore().query(currentId()); }

std::vector<BusCollection> favourites(const json& lineId, const json& direction) {
    return FavouriteStore().query(currentId(), lineId, direction);
}

void addFavourite(BusCollection favourite) {
    favourite.cityId = currentId();
    FavouriteStore().save(favourite);
}

void removeFavourite(const BusCollection& favourite) { FavouriteStore().remove(favourite); }

}  // namespace bus::city

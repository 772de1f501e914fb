#pragma once
// The city the rider chose, as the preferences hold it, with its history and
// favourites. Every call reads "cityId" at that moment, so a screen that
// outlives a city change asks for the new city's rows.
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/BusCity.h"
#include "model/BusCollection.h"
#include "model/BusQuery.h"

namespace bus::city {

// The stored "cityId" and "cityName" (none and "" before the first start's
// seeding).
nlohmann::json currentId();
std::string currentName();

// Makes the city the current one: "cityId", "cityName" and "postUrl" stored
// and flushed to the disk; "postWebService" stays. False when it was the
// current city already.
bool choose(const BusCity& city);

// The current city's history, oldest first; a hit remembered becomes its
// newest entry for its line and direction.
std::vector<BusQuery> history();
void remember(BusQuery hit);
void forgetHistory();

// The current city's favourites, newest first: all, or those of one line in
// one direction.
std::vector<BusCollection> favourites();
std::vector<BusCollection> favourites(const nlohmann::json& lineId, const nlohmann::json& direction);
// Stores a favourite under the current city.
void addFavourite(BusCollection favourite);
void removeFavourite(const BusCollection& favourite);

}  // namespace bus::city

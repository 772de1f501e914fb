#pragma once
// The six preference keys and the first-start seeding of the city
// keys. Values keep their types: "cityId" is a number, all others strings.
#include "platform/UserDefaults.h"

namespace bus::prefs {

inline constexpr char kCityId[] = "cityId";                  // number
inline constexpr char kCityName[] = "cityName";              // string
inline constexpr char kPostUrl[] = "postUrl";                // string, base address
inline constexpr char kPostWebService[] = "postWebService";  // string, path
inline constexpr char kRefreshTime[] = "refreshTime";        // string: "10" "20" "30" "100"
inline constexpr char kOrderNo[] = "orderNo";                // string: decimal orderNo

// The path of every city service, stored under "postWebService" by seeding.
inline constexpr char kDefaultWebService[] = "/realBus/CXFWebService/bus";

// First-start seeding: when "postUrl" is absent (or holds a JSON null), store
// "cityId" 16 (a number), "cityName" "大同", "postUrl" the default city's
// base address and "postWebService" kDefaultWebService, then synchronize.
// Returns whether it seeded.
bool seedFirstStart(platform::UserDefaults& store = platform::UserDefaults::standard());

}  // namespace bus::prefs

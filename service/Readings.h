#pragma once
// Reading the return text of each operation into records. Pure functions of
// the text, apart from the posting in Operations.h, so that they can be
// fuzzed and measured on their own.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/BusAlert.h"
#include "model/BusCity.h"
#include "model/BusLine.h"
#include "model/BusQuery.h"
#include "model/BusReal.h"
#include "model/BusStation.h"

namespace bus::ops {

// Shown for a favourite when its live query gave nothing.
inline constexpr char kNoLiveInfo[] = "无实时信息";

// "queryCity" and "queryKeyword": one record per dictionary of the decoded
// array, in array order. Anything but an array gives an empty list; an
// element that is not a dictionary carries nothing to show and is skipped.
std::vector<BusCity> readCities(std::string_view content);
std::vector<BusQuery> readQueries(std::string_view content);

// "queryLine": the line from the whole text, and its stops from the stop
// array, which is found by its place in the text (from the first "[" to the
// first "]" after it), not by a key.
struct LineReading {
    // None for an empty text (a failed call) and for a text that is not one
    // JSON dictionary.
    std::optional<BusLine> line;
    // In array order; empty when the text has no "[" with a "]" after it or
    // that cut is not a JSON array. The line is read all the same.
    std::vector<BusStation> stations;
    // The stationName of the last stop; none without stops.
    nlohmann::json endStation;
    // Whether the text holds a stop array cut at all (stopArrayText).
    bool hasStopArray = false;
};
std::optional<std::string_view> stopArrayText(std::string_view content);
LineReading readLine(std::string_view content);

// "realBus": one record per vehicle dictionary, highest "stationNo" (integer
// reading) first; vehicles at the same stop keep the service's order.
std::vector<BusReal> readRealBus(std::string_view content);

// "queryAlert": one alert per dictionary of the array, in the service's
// order (most severe first, then newest). Texts that are not strings read as
// "", numbers that are not numbers as 0, stop numbers that are not numbers
// are left out; a level the app does not know reads as a warning, neither
// the calmest nor the loudest. Anything but an array gives no alerts.
std::vector<BusAlert> readAlerts(std::string_view content);

// "realBusStation": the text unchanged, or kNoLiveInfo when it is empty.
std::string readRealBusStation(std::string_view content);

}  // namespace bus::ops

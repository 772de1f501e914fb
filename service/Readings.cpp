#include "service/Readings.h"

#include <algorithm>

#include "model/Value.h"
#include "service/JSONValue.h"

namespace bus::ops {
namespace {

template <class Record>
std::vector<Record> readArray(std::string_view content) {
    std::vector<Record> records;
    const auto value = JSONValue(content);
    if (!value || !value->is_array()) return records;
    records.reserve(value->size());
    for (const auto& element : *value)
        if (element.is_object()) records.push_back(Record::initData(element));
    return records;
}

}  // namespace

std::vector<BusCity> readCities(std::string_view content) { return readArray<BusCity>(content); }

std::vector<BusQuery> readQueries(std::string_view content) { return readArray<BusQuery>(content); }

std::optional<std::string_view> stopArrayText(std::string_view content) {
    const std::size_t open = content.find('[');
    if (open == std::string_view::npos) return std::nullopt;
    const std::size_t close = content.find(']', open);
    if (close == std::string_view::npos) return std::nullopt;
    return content.substr(open, close - open + 1);
}

LineReading readLine(std::string_view content) {
    LineReading reading;
    if (content.empty()) return reading;
    if (const auto whole = JSONValue(content); whole && whole->is_object()) reading.line = BusLine::initData(*whole);
    if (const auto cut = stopArrayText(content)) {
        reading.stations = readArray<BusStation>(*cut);
        if (!reading.stations.empty()) reading.endStation = reading.stations.back().stationName;
    }
    return reading;
}

std::vector<BusReal> readRealBus(std::string_view content) {
    auto vehicles = readArray<BusReal>(content);
    std::stable_sort(vehicles.begin(), vehicles.end(), [](const BusReal& a, const BusReal& b) {
        return integerValue(a.stationNo) > integerValue(b.stationNo);
    });
    return vehicles;
}

std::string readRealBusStation(std::string_view content) {
    return content.empty() ? std::string(kNoLiveInfo) : std::string(content);
}

}  // namespace bus::ops

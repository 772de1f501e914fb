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

namespace {

bool startsOutsideAString(std::string_view text, std::size_t at) {
    bool inString = false;
    for (std::size_t i = 0; i < at; ++i) {
        if (inString) {
            if (text[i] == '\\') ++i;
            else if (text[i] == '"') inString = false;
        } else if (text[i] == '"') {
            inString = true;
        }
    }
    return !inString;
}

bool anyLineValueIsContainer(const nlohmann::json& dict) {
    for (const char* key : {"lineId", "lineName", "gprsId", "ticketPrice", "opTime", "gjgs", "cityId"}) {
        const auto it = dict.find(key);
        if (it != dict.end() && it->is_structured()) return true;
    }
    return false;
}

// The line from the whole text. The stop array makes up most of a line reply
// and has been decoded on its own already; decoding it again inside the whole
// text would double the cost of every line shown. When the cut is a complete
// JSON value that starts outside any string, the whole text decodes exactly
// when the text with an empty array in its place does, and to the same
// dictionary apart from that one value. The line reads only scalar keys, so
// that value matters only if one of them holds a container: then, and in
// every other case, the whole text is decoded as it is.
std::optional<BusLine> readLineDictionary(std::string_view content, std::optional<std::string_view> cut,
                                          bool cutDecoded) {
    if (cut && cutDecoded) {
        const std::size_t open = static_cast<std::size_t>(cut->data() - content.data());
        if (startsOutsideAString(content, open) && !nestsTooDeep(content)) {
            std::string stand;
            stand.reserve(content.size() - cut->size() + 2);
            stand.append(content.substr(0, open)).append("[]").append(content.substr(open + cut->size()));
            auto value = nlohmann::json::parse(stand, nullptr, /*allow_exceptions=*/false);
            if (value.is_discarded() || !value.is_object()) return std::nullopt;
            if (!anyLineValueIsContainer(value)) return BusLine::initData(value);
        }
    }
    const auto whole = JSONValue(content);
    if (!whole || !whole->is_object()) return std::nullopt;
    return BusLine::initData(*whole);
}

}  // namespace

LineReading readLine(std::string_view content) {
    LineReading reading;
    if (content.empty()) return reading;
    const auto cut = stopArrayText(content);
    reading.hasStopArray = cut.has_value();
    std::optional<nlohmann::json> stops;
    if (cut) stops = JSONValue(*cut);
    if (stops && stops->is_array()) {
        reading.stations.reserve(stops->size());
        for (const auto& element : *stops)
            if (element.is_object()) reading.stations.push_back(BusStation::initData(element));
        if (!reading.stations.empty()) reading.endStation = reading.stations.back().stationName;
    }
    reading.line = readLineDictionary(content, cut, stops.has_value());
    return reading;
}

std::vector<BusReal> readRealBus(std::string_view content) {
    auto vehicles = readArray<BusReal>(content);
    std::stable_sort(vehicles.begin(), vehicles.end(), [](const BusReal& a, const BusReal& b) {
        return integerValue(a.stationNo) > integerValue(b.stationNo);
    });
    return vehicles;
}

std::vector<BusAlert> readAlerts(std::string_view content) {
    std::vector<BusAlert> alerts;
    const auto value = JSONValue(content);
    if (!value || !value->is_array()) return alerts;
    const auto text = [](const nlohmann::json& o, const char* key) {
        const auto it = o.find(key);
        return it != o.end() && it->is_string() ? it->get<std::string>() : std::string();
    };
    const auto number = [](const nlohmann::json& o, const char* key) -> std::int64_t {
        const auto it = o.find(key);
        return it != o.end() && it->is_number() ? integerValue(*it) : 0;
    };
    for (const auto& o : *value) {
        if (!o.is_object()) continue;
        BusAlert alert;
        alert.id = text(o, "id"), alert.title = text(o, "title"), alert.text = text(o, "text");
        alert.url = text(o, "url"), alert.cause = text(o, "cause"), alert.effect = text(o, "effect");
        const std::string level = text(o, "level");
        alert.level = level == "severe" ? BusAlert::Level::Severe
                      : level == "info" ? BusAlert::Level::Info
                                        : BusAlert::Level::Warning;
        alert.start = number(o, "start"), alert.end = number(o, "end");
        if (const auto it = o.find("stations"); it != o.end() && it->is_array())
            for (const auto& stop : *it)
                if (stop.is_number()) alert.stations.push_back(integerValue(stop));
        alerts.push_back(std::move(alert));
    }
    return alerts;
}

std::string readRealBusStation(std::string_view content) {
    return content.empty() ? std::string(kNoLiveInfo) : std::string(content);
}

}  // namespace bus::ops

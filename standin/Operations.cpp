#include "standin/Operations.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace bus::standin {

namespace {

constexpr std::size_t kMaxKeywordHits = 200;

int directionParam(const SoapRequest& req) {
    const auto d = req.integer("direction");
    if (d != 0 && d != 1) throw SoapFault("Client", "parameter \"direction\" must be 0 or 1");
    return static_cast<int>(d);
}

// A stop number far outside any line still compares sensibly.
int clampOrder(std::int64_t orderNo) {
    return static_cast<int>(std::clamp<std::int64_t>(orderNo, -1000000, 1000000));
}

// Latin letters in line names ("K1", "B2") match in either case.
std::string foldAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace

CityService::CityService(std::shared_ptr<const City> city, const Clock& clock, VehicleRules rules,
                         const LiveFeed* live)
    : city_(std::move(city)), clock_(clock), rules_(rules), live_(live) {}

std::vector<VehiclePosition> CityService::vehicles(const Line& line, int direction, TimePoint now,
                                                   const LiveData* live) const {
    if (!live || !live->hasVehicles()) return vehiclesAt(*city_, line, direction, now, rules_);
    return live->vehiclesOf(line.lineId, direction);
}

std::string CityService::text(const VehiclePosition& v, int orderNo, TimePoint now, const LiveData* live) const {
    return approachText(v, orderNo, live ? live->secondsAway(v.trip, orderNo, now) : std::nullopt, city_->language);
}

Json CityService::queryKeyword(std::string_view keyword) const {
    auto hits = Json::array();
    const std::string key = foldAscii(keyword);
    if (key.empty()) return hits;
    auto hit = [&](const Line& line, int direction, const std::string& text, int attribute) {
        Json h;
        h["stationName"] = text;
        h["attribute"] = attribute;
        h["lineId"] = line.lineId;
        h["lineName"] = line.lineName;
        h["direction"] = direction;
        hits.push_back(std::move(h));
    };
    for (const auto& line : city_->lines) {
        if (foldAscii(line.lineName).find(key) == std::string::npos) continue;
        for (int d = 0; d < 2 && hits.size() < kMaxKeywordHits; ++d) {
            const auto& dir = line.directions[static_cast<std::size_t>(d)];
            if (dir) hit(line, d, dir->stops.front() + "→" + dir->stops.back(), 0);
        }
    }
    for (const auto& line : city_->lines) {
        for (int d = 0; d < 2; ++d) {
            const auto& dir = line.directions[static_cast<std::size_t>(d)];
            if (!dir) continue;
            for (const auto& stop : dir->stops) {
                if (hits.size() >= kMaxKeywordHits) return hits;
                if (foldAscii(stop).find(key) != std::string::npos) hit(line, d, stop, 1);
            }
        }
    }
    return hits;
}

Json CityService::queryLine(std::int64_t lineId, int direction) const {
    const Line* line = city_->lineById(lineId);
    if (!line || direction < 0 || direction > 1) return nullptr;
    const auto& dir = line->directions[static_cast<std::size_t>(direction)];
    if (!dir) return nullptr;
    // The stop array must stay the only array in the line: the app cuts it
    // out of the text at the first "[" and the first "]".
    Json j;
    j["lineId"] = line->lineId;
    j["lineName"] = line->lineName;
    j["cityId"] = city_->cityId;
    j["gprsId"] = line->gprsId;
    j["direction"] = direction;
    j["ticketPrice"] = line->ticketPrice;
    j["opTime"] = line->opTime;
    j["gjgs"] = line->gjgs;
    j["startStation"] = dir->stops.front();
    j["endStation"] = dir->stops.back();
    auto stops = Json::array();
    const int n = static_cast<int>(dir->stops.size());
    for (int i = 0; i < n; ++i) {
        Json s;
        s["id"] = line->lineId * 1000 + direction * 100 + (i + 1);
        s["lineId"] = line->lineId;
        s["cityId"] = city_->cityId;
        s["direction"] = direction;
        s["flagId"] = i == 0 ? 1 : (i == n - 1 ? 2 : 0);
        s["orderNo"] = i + 1;
        s["stationName"] = dir->stops[static_cast<std::size_t>(i)];
        stops.push_back(std::move(s));
    }
    j["stations"] = std::move(stops);
    return j;
}

Json CityService::realBus(std::int64_t gprsId, std::int64_t orderNo, int direction) const {
    auto out = Json::array();
    const Line* line = city_->lineByGprsId(gprsId);
    if (!line) return out;
    const int order = clampOrder(orderNo);
    const TimePoint now = clock_.now();
    const auto live = live_ ? live_->fresh() : nullptr;
    for (const auto& v : vehicles(*line, direction, now, live.get())) {
        Json j;
        j["licensePlate"] = v.licensePlate;
        j["stationNo"] = v.stationNo;
        j["inStation"] = v.inStation ? 1 : 0;
        j["toNextStop"] = text(v, order, now, live.get());
        out.push_back(std::move(j));
    }
    return out;
}

std::string CityService::realBusStation(std::int64_t gprsId, std::int64_t orderNo, int direction) const {
    const Line* line = city_->lineByGprsId(gprsId);
    if (!line || direction < 0 || direction > 1) return {};
    const int order = clampOrder(orderNo);
    const TimePoint now = clock_.now();
    const auto live = live_ ? live_->fresh() : nullptr;
    const auto all = vehicles(*line, direction, now, live.get());
    const VehiclePosition* v = nearestComing(all, order);
    return v ? text(*v, order, now, live.get()) : std::string();
}

Json CityService::queryAlert(std::int64_t lineId, int direction, std::string_view lang) const {
    const Line* line = city_->lineById(lineId);
    if (!line || direction < 0 || direction > 1 || !line->directions[static_cast<std::size_t>(direction)]) return nullptr;
    const auto live = live_ ? live_->fresh() : nullptr;
    std::vector<const ServiceAlert*> all;
    for (const auto& a : city_->alerts) all.push_back(&a);
    if (live)
        for (const auto& a : live->alerts) all.push_back(&a);
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(clock_.now().time_since_epoch()).count();
    return alertsJson(all, lineId, direction, lang, now);
}

std::string CityService::handle(const SoapRequest& req) const {
    const std::string& op = req.operation;
    if (op == "queryKeyword") return jsonText(queryKeyword(req.text("keyword")));
    if (op == "queryLine") {
        const auto lineId = req.integer("lineId");
        const auto line = queryLine(lineId, directionParam(req));
        return line.is_null() ? std::string() : jsonText(line);
    }
    if (op == "realBus") {
        const auto gprsId = req.integer("gprsId");
        const auto orderNo = req.integer("orderNo");
        return jsonText(realBus(gprsId, orderNo, directionParam(req)));
    }
    if (op == "realBusStation") {
        const auto gprsId = req.integer("gprsId");
        const auto orderNo = req.integer("orderNo");
        return realBusStation(gprsId, orderNo, directionParam(req));
    }
    if (op == "queryAlert") {
        const auto lineId = req.integer("lineId");
        const int direction = directionParam(req);
        // A client that has no language to ask for may leave it out.
        const std::string lang = req.find("lang") ? req.text("lang") : std::string();
        const auto alerts = queryAlert(lineId, direction, lang);
        return alerts.is_null() ? std::string() : jsonText(alerts);
    }
    throw SoapFault("Client", "unknown operation \"" + validUtf8(op.substr(0, 80)) +
                                  "\"; this city service answers queryKeyword, queryLine, realBus, realBusStation, "
                                  "queryAlert");
}

const std::vector<WsdlOperation>& CityService::operations() {
    static const std::vector<WsdlOperation> ops = {
        {"queryKeyword", {{"keyword", "xs:string"}}},
        {"queryLine", {{"direction", "xs:int"}, {"lineId", "xs:int"}}},
        {"realBus", {{"gprsId", "xs:int"}, {"orderNo", "xs:int"}, {"direction", "xs:int"}}},
        {"realBusStation", {{"gprsId", "xs:int"}, {"orderNo", "xs:int"}, {"direction", "xs:int"}}},
        {"queryAlert", {{"lineId", "xs:int"}, {"direction", "xs:int"}, {"lang", "xs:string", true}}},
    };
    return ops;
}

Json DirectoryService::queryCity() const {
    auto out = Json::array();
    for (const auto& c : cities_) {
        Json j;
        j["codeValue"] = c.cityId;
        j["name"] = c.name;
        j["ylzd2"] = c.baseUrl;
        out.push_back(std::move(j));
    }
    return out;
}

std::string DirectoryService::handle(const SoapRequest& req) const {
    if (req.operation == "queryCity") return jsonText(queryCity());
    throw SoapFault("Client", "unknown operation \"" + validUtf8(req.operation.substr(0, 80)) +
                                  "\"; the directory service answers queryCity");
}

const std::vector<WsdlOperation>& DirectoryService::operations() {
    static const std::vector<WsdlOperation> ops = {{"queryCity", {}}};
    return ops;
}

}  // namespace bus::standin

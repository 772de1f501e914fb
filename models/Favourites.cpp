#include "models/Favourites.h"

#include <algorithm>

#include "city/CityService.h"
#include "city/CurrentCity.h"
#include "model/Value.h"
#include "models/LastKnown.h"
#include "platform/Translation.h"

namespace bus::models {

namespace {

// One request per stop of a line and direction: what realBusStation asks by.
std::string stopKey(const BusCollection& f) {
    return std::to_string(integerValue(f.gprsId)) + "/" + std::to_string(integerValue(f.orderNo)) + "/" +
           std::to_string(integerValue(f.direction));
}

}  // namespace

std::size_t Favourites::Snapshot::waiting() const {
    return static_cast<std::size_t>(std::count_if(rows.begin(), rows.end(), [](const Row& r) { return !r.liveText; }));
}

void Favourites::reload() {
    requests_.forget();
    auto next = std::make_shared<Snapshot>();
    for (auto& favourite : city::favourites()) next->rows.push_back({std::move(favourite), std::nullopt});
    // The rows in their order, each stop once however often it is listed.
    std::vector<std::string> keys;
    std::vector<std::function<city::Answer<std::string>()>> asks;
    const auto cityId = city::currentId();
    // The texts the service gave, on the worker only, kept in its last turn.
    auto heardLive = std::make_shared<std::vector<OfflineCopies::StopText>>();
    for (const auto& row : next->rows) {
        const std::string key = stopKey(row.favourite);
        if (std::find(keys.begin(), keys.end(), key) != keys.end()) continue;
        keys.push_back(key);
        const auto gprsId = integerValue(row.favourite.gprsId), orderNo = integerValue(row.favourite.orderNo),
                   direction = integerValue(row.favourite.direction);
        asks.push_back([cityId, gprsId, orderNo, direction, heardLive] {
            auto text = stationTextOrCopy(cityId, gprsId, orderNo, direction);
            if (!text.failed() && !text.fromCopy()) heardLive->push_back({gprsId, orderNo, direction, text.value()});
            return text;
        });
    }
    if (!asks.empty())
        asks.push_back([cityId, heardLive] {
            keepStationTexts(cityId, *heardLive);
            return city::Answer<std::string>::failure();  // not shown: no row's
        });
    publish(std::move(next));
    requests_.askInTurn<city::Answer<std::string>>(
        "live texts", std::move(asks), [this, keys](std::size_t i, city::Answer<std::string> text) {
            if (i < keys.size())
                heard(keys[i], text.value(), text.fromCopy());
            else
                askAlerts();  // every text is in and kept
        });
}

// Once for each line and direction, in the rows' order, after the live
// texts: alerts are no reason for a live text to wait.
void Favourites::askAlerts() {
    std::vector<std::pair<std::int64_t, std::int64_t>> lines;
    for (const auto& row : snapshot_->rows) {
        const std::pair<std::int64_t, std::int64_t> line{integerValue(row.favourite.lineId),
                                                        integerValue(row.favourite.direction)};
        if (std::find(lines.begin(), lines.end(), line) == lines.end()) lines.push_back(line);
    }
    std::vector<std::function<city::Answer<std::vector<BusAlert>>()>> asks;
    // In the rider's language, where the service has it.
    const std::string lang = platform::language();
    for (const auto& [lineId, direction] : lines)
        asks.push_back([lineId, direction, lang] { return city::alerts(lineId, direction, lang); });
    requests_.askInTurn<city::Answer<std::vector<BusAlert>>>(
        "alerts", std::move(asks), [this, lines](std::size_t i, city::Answer<std::vector<BusAlert>> alerts) {
            if (!alerts.failed()) heardAlerts(lines[i].first, lines[i].second, alerts.value());
        });
}

void Favourites::heardAlerts(std::int64_t lineId, std::int64_t direction, const std::vector<BusAlert>& alerts) {
    auto next = std::make_shared<Snapshot>(*snapshot_);
    for (auto& row : next->rows) {
        if (integerValue(row.favourite.lineId) != lineId || integerValue(row.favourite.direction) != direction)
            continue;
        const auto stop = integerValue(row.favourite.orderNo);
        row.alerted = std::any_of(alerts.begin(), alerts.end(), [stop](const BusAlert& a) {
            return a.stations.empty() || std::find(a.stations.begin(), a.stations.end(), stop) != a.stations.end();
        });
    }
    publish(std::move(next));
}

void Favourites::remove(const BusCollection& favourite) {
    city::removeFavourite(favourite);
    auto next = std::make_shared<Snapshot>(*snapshot_);
    std::erase_if(next->rows, [&](const Row& r) { return r.favourite.uid == favourite.uid; });
    publish(std::move(next));
}

void Favourites::heard(const std::string& key, const std::string& text, bool offline) {
    auto next = std::make_shared<Snapshot>(*snapshot_);
    for (auto& row : next->rows)
        if (stopKey(row.favourite) == key) {
            row.liveText = text;
            row.offline = offline;
        }
    publish(std::move(next));
}

void Favourites::publish(std::shared_ptr<const Snapshot> next) {
    snapshot_ = std::move(next);
    if (changed) changed(snapshot_);
}

}  // namespace bus::models

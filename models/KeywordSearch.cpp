#include "models/KeywordSearch.h"

#include "city/CityService.h"

namespace bus::models {

void KeywordSearch::search(const std::string& keyword) {
    if (keyword.empty()) return;
    requests_.ask<std::vector<BusQuery>>(
        "keyword", [keyword] { return city::keywordHits(keyword).value(); },
        [this, keyword](std::vector<BusQuery> hits) {
            snapshot_ = std::make_shared<Snapshot>(Snapshot{keyword, std::move(hits)});
            if (changed) changed(snapshot_);
        });
}

void KeywordSearch::clear() {
    requests_.forget();
    snapshot_ = std::make_shared<Snapshot>();
}

}  // namespace bus::models

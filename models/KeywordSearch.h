#pragma once
// The keyword search of the search screen and of the favourite search: the
// hits of the last keyword whose reply came in. Each search is asked on a
// worker thread; a reply that a newer search overtook is dropped, so the
// hits shown are never those of a keyword the rider typed past. An emptied
// field asks nothing and keeps the last hits.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/BusQuery.h"
#include "models/Requests.h"

namespace bus::models {

class KeywordSearch {
public:
    struct Snapshot {
        std::string keyword;  // whose hits these are ("" before the first reply)
        std::vector<BusQuery> hits;
    };

    // Told on the main thread when new hits are in.
    std::function<void(const std::shared_ptr<const Snapshot>&)> changed;

    // Asks for the keyword's hits; "" asks nothing.
    void search(const std::string& keyword);
    // No hits, and no reply still to come will bring any.
    void clear();
    // Whether a keyword's reply is still to come.
    bool waiting() const { return requests_.waiting(); }
    const std::shared_ptr<const Snapshot>& snapshot() const { return snapshot_; }

private:
    std::shared_ptr<const Snapshot> snapshot_ = std::make_shared<Snapshot>();
    Requests requests_;
};

}  // namespace bus::models

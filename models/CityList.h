#pragma once
// The city selection's model: the cities of the directory service that can
// be chosen, in the reply's order. Each ask goes out on a worker thread; the
// cities of the reply that came last are handed over on the main thread,
// and a reply that a newer ask overtook is dropped.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/BusCity.h"
#include "models/Requests.h"

namespace bus::models {

class CityList {
public:
    using Cities = std::vector<BusCity>;

    // Told on the main thread when a reply is in.
    std::function<void(const std::shared_ptr<const Cities>&)> changed;

    // Asks the directory at `directoryUrl` for its cities.
    void ask(const std::string& directoryUrl);
    bool waiting() const { return requests_.waiting(); }
    const std::shared_ptr<const Cities>& cities() const { return cities_; }

private:
    std::shared_ptr<const Cities> cities_ = std::make_shared<Cities>();
    Requests requests_;
};

// Whether the rider can be offered the city: it has an id and an address the
// transport can post to.
bool canBeChosen(const BusCity& city);

}  // namespace bus::models

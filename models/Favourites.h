#pragma once
// The favourites list's model: the current city's favourites, newest first,
// each with the live text of its stop as its service last told it. A reload
// reads the favourites at once and asks every row's live text on a worker
// thread; the screen is told of each change on the main thread, with a
// snapshot it may keep, so it paints the rows at once and fills each text as
// it arrives. Nothing here waits for the network. A stop whose service
// cannot be reached shows the last text it gave, marked offline, until a
// reply comes again (models/LastKnown). The alerts of each line and
// direction listed are asked once per reload, once the live texts are in.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/BusAlert.h"
#include "model/BusCollection.h"
#include "models/Requests.h"

namespace bus::models {

class Favourites {
public:
    struct Row {
        BusCollection favourite;
        // The service's text for the stop, "" when it wrote none or could
        // not be asked; empty while the request is under way.
        std::optional<std::string> liveText;
        // The service could not be reached: the text is the last one it
        // gave, kept from an earlier reply.
        bool offline = false;
        // An alert of the row's line and direction concerns its stop: it
        // names the stop, or the whole line.
        bool alerted = false;
    };
    struct Snapshot {
        std::vector<Row> rows;
        // Rows whose live text is still to come.
        std::size_t waiting() const;
    };

    // Told on the main thread after every change, the first one included.
    std::function<void(const std::shared_ptr<const Snapshot>&)> changed;

    // Reads the current city's favourites again and asks each row's live
    // text, once for each stop however often it is listed. Replies to an
    // earlier reload are dropped.
    void reload();
    // Removes the favourite from the store and the list, without asking the
    // other rows again.
    void remove(const BusCollection& favourite);

    const std::shared_ptr<const Snapshot>& snapshot() const { return snapshot_; }

private:
    void publish(std::shared_ptr<const Snapshot> next);
    void heard(const std::string& key, const std::string& text, bool offline);
    void heardAlerts(std::int64_t lineId, std::int64_t direction, const std::vector<BusAlert>& alerts);
    void askAlerts();

    std::shared_ptr<const Snapshot> snapshot_ = std::make_shared<Snapshot>();
    Requests requests_;
};

}  // namespace bus::models

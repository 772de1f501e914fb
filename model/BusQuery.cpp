#include "model/BusQuery.h"

#include "model/Value.h"

namespace bus {

BusQuery BusQuery::initData(const json& dict) {
    BusQuery r;
    r.stationName = valueForKey(dict, "stationName");
    r.attribute = valueForKey(dict, "attribute");
    r.lineId = valueForKey(dict, "lineId");
    r.lineName = valueForKey(dict, "lineName");
    r.direction = valueForKey(dict, "direction");
    return r;
}

}  // namespace bus

#include "model/BusStation.h"

#include "model/Value.h"

namespace bus {

BusStation BusStation::initData(const json& dict) {
    BusStation r;
    r.uid = valueForKey(dict, "id");
    r.stationName = valueForKey(dict, "stationName");
    r.orderNo = valueForKey(dict, "orderNo");
    r.direction = valueForKey(dict, "direction");
    r.lineId = valueForKey(dict, "lineId");
    r.cityId = valueForKey(dict, "cityId");
    r.flagId = valueForKey(dict, "flagId");
    return r;
}

}  // namespace bus

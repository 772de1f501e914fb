#include "model/BusLine.h"

#include "model/Value.h"

namespace bus {

BusLine BusLine::initData(const json& dict) {
    BusLine r;
    r.uid = valueForKey(dict, "lineId");
    r.lineName = valueForKey(dict, "lineName");
    r.gprsId = valueForKey(dict, "gprsId");
    r.ticketPrice = valueForKey(dict, "ticketPrice");
    r.opTime = valueForKey(dict, "opTime");
    r.gjgs = valueForKey(dict, "gjgs");
    r.cityId = valueForKey(dict, "cityId");
    return r;
}

}  // namespace bus

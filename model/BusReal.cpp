#include "model/BusReal.h"

#include "model/Value.h"

namespace bus {

BusReal BusReal::initData(const json& dict) {
    BusReal r;
    r.licensePlate = valueForKey(dict, "licensePlate");
    r.stationNo = valueForKey(dict, "stationNo");
    r.inStation = valueForKey(dict, "inStation");
    r.toNextStop = valueForKey(dict, "toNextStop");
    r.busNum = 1;
    return r;
}

}  // namespace bus

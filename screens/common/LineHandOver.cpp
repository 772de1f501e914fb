#include "screens/common/LineHandOver.h"

#include "model/Value.h"

namespace bus {

LineHandOver LineHandOver::at(nlohmann::json lineId, nlohmann::json direction, const nlohmann::json& stationName) {
    return {std::move(lineId), std::move(direction), isNone(stationName) ? std::string() : textValue(stationName)};
}

void LineHandOver::handTo(ui::ViewController& destination) const {
    destination.setValue(lineId, "lineId");
    destination.setValue(direction, "direction");
    destination.setValue(currentStation, "currentStation");
}

}  // namespace bus

#include "screens/common/BusDirection.h"

#include "model/Value.h"

namespace bus {

std::string directionTitle(const nlohmann::json& endStation) { return "开往 " + textValue(endStation) + "方向"; }

}  // namespace bus

#include "screens/common/BusDirection.h"

#include "model/Value.h"
#include "platform/Translation.h"

namespace bus {

std::string directionTitle(const nlohmann::json& endStation) {
    // TRANSLATORS: the direction of a line, shown over its stops; {} is its last stop that way.
    return platform::fill(platform::tr("开往 {}方向"), {textValue(endStation)});
}

}  // namespace bus

#pragma once
// The declared transfer-plan record. Nothing in the system builds,
// fills or reads it.
#include <nlohmann/json.hpp>

namespace bus {

struct BusTransfer {
    nlohmann::json sxsj;          // string
    nlohmann::json bxjl;          // string
    nlohmann::json vehicleInfos;  // array
};

}  // namespace bus

#pragma once
// One journey plan of the transfer result: the ride as text ("乘车N站"), the
// walk between legs, and the legs themselves. BusTransferPlanner builds them.
#include <nlohmann/json.hpp>

namespace bus {

struct BusTransfer {
    nlohmann::json sxsj;          // string
    nlohmann::json bxjl;          // string
    nlohmann::json vehicleInfos;  // array
};

}  // namespace bus

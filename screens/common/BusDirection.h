#pragma once
// How the app names a line's direction wherever it shows one: "开往 X方向",
// X being the line's last stop in that direction, in the rider's language.
#include <string>

#include <nlohmann/json.hpp>

namespace bus {

std::string directionTitle(const nlohmann::json& endStation);

}  // namespace bus

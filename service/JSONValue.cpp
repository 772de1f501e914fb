#include "service/JSONValue.h"

namespace bus {

std::optional<nlohmann::json> JSONValue(std::string_view text) {
    if (nestsTooDeep(text)) return std::nullopt;
    auto value = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (value.is_discarded()) return std::nullopt;
    return value;
}

}  // namespace bus

#pragma once
// Decoding the JSON that the services send as return text.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "platform/JsonDepth.h"

namespace bus {

// Deeper nesting is refused like any other undecodable text, so that every
// later (recursive) copy of a decoded value stays within the stack.
using platform::kMaxJsonDepth;
using platform::nestsTooDeep;

// The decoded value of the text, or none when it is not JSON. Any JSON value
// is accepted at the top level (a bare number, string or null too); "" is not
// JSON.
std::optional<nlohmann::json> JSONValue(std::string_view text);

}  // namespace bus

#pragma once
// Decoding the JSON that the services send as return text.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace bus {

// Deeper nesting is refused like any other undecodable text: the phone
// platform's decoder stops at the same depth, and it keeps every later
// (recursive) copy of a decoded value within the stack on a hostile reply.
inline constexpr std::size_t kMaxJsonDepth = 512;

// The decoded value of the text, or none when it is not JSON. Any JSON value
// is accepted at the top level (a bare number, string or null too); "" is not
// JSON.
std::optional<nlohmann::json> JSONValue(std::string_view text);

// Whether arrays and objects in the text nest deeper than kMaxJsonDepth
// (strings are skipped; the text need not be valid JSON).
bool nestsTooDeep(std::string_view text);

}  // namespace bus

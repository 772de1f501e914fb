#pragma once
// How deep JSON may nest before the app refuses it. nlohmann's parser holds
// any depth, but copying, comparing or writing a value recurses once per
// level: a hostile reply or a damaged file nested a few hundred thousand
// levels deep would overflow the stack long after it parsed.
#include <cstddef>
#include <string_view>

namespace platform {

// The phone platform's decoder stops at the same depth.
inline constexpr std::size_t kMaxJsonDepth = 512;

// Whether arrays and objects in the text nest deeper than kMaxJsonDepth
// (strings are skipped; the text need not be valid JSON).
bool nestsTooDeep(std::string_view text);

}  // namespace platform

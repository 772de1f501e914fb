#pragma once
// How record fields are read. A field holds what the
// JSON held, unchanged; JSON null (also a default-constructed json) is "none".
#include <string>

#include <nlohmann/json.hpp>

namespace bus {

using json = nlohmann::json;

// The integer reading of a field, as the phone platform's `integerValue`:
// - a JSON integer as is (an unsigned one above the range saturates);
// - a JSON decimal truncated toward zero, saturating outside the range;
// - a JSON boolean 1 or 0 (the platform's booleans are numbers);
// - a string read like a C strtoll prefix in base 10: leading blanks, an
//   optional sign, then digits ("12abc" -> 12, " -7" -> -7, "abc" -> 0,
//   "1.9" -> 1), saturating at the 64-bit limits instead of overflowing;
// - none, null, arrays and objects -> 0.
long long integerValue(const json& value);

// a + b held at the 64-bit limits instead of overflowing: stop numbers and
// directions come from a service and may sit at either edge.
long long saturatingAdd(long long a, long long b);
long long saturatingSub(long long a, long long b);

// The decimal text of integerValue: what goes into a service parameter or an
// SQL statement where a statement takes a number's decimal text.
std::string decimalText(const json& value);

// Display text: a string's own text, a number's decimal text (integers as
// digits, decimals in their shortest form), a boolean "1" or "0", "" for
// none/null; arrays and objects give their compact JSON text.
std::string textValue(const json& value);

// The value under `key` when `dict` is a JSON object holding it, else none:
// a reply's array element may be any JSON value, and the initData readers
// take a missing key and a wrong shape alike as an empty field.
json valueForKey(const json& dict, const std::string& key);

// True when the field is none (never set, or set from a JSON null).
inline bool isNone(const json& value) { return value.is_null(); }

}  // namespace bus

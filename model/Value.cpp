#include "model/Value.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>

namespace bus {
namespace {

constexpr long long kMax = std::numeric_limits<long long>::max();
constexpr long long kMin = std::numeric_limits<long long>::min();

long long fromDouble(double d) {
    if (std::isnan(d)) return 0;
    d = std::trunc(d);
    // 2^63 is exactly representable; every double below it converts safely.
    if (d >= 9223372036854775808.0) return kMax;
    if (d < -9223372036854775808.0) return kMin;
    return static_cast<long long>(d);
}

long long fromText(const std::string& s) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    // strtoll skips what isspace() accepts in the C locale.
    while (i < n && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\v' ||
                     s[i] == '\f' || s[i] == '\r'))
        ++i;
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    // Accumulate toward the sign's side so that the minimum is reachable.
    long long result = 0;
    for (; i < n && s[i] >= '0' && s[i] <= '9'; ++i) {
        const int digit = s[i] - '0';
        if (negative) {
            if (result < (kMin + digit) / 10) return kMin;
            result = result * 10 - digit;
        } else {
            if (result > (kMax - digit) / 10) return kMax;
            result = result * 10 + digit;
        }
    }
    return result;
}

}  // namespace

long long integerValue(const json& value) {
    switch (value.type()) {
        case json::value_t::number_integer:
            return value.get<std::int64_t>();
        case json::value_t::number_unsigned: {
            const auto u = value.get<std::uint64_t>();
            return u > static_cast<std::uint64_t>(kMax) ? kMax : static_cast<long long>(u);
        }
        case json::value_t::number_float:
            return fromDouble(value.get<double>());
        case json::value_t::boolean:
            return value.get<bool>() ? 1 : 0;
        case json::value_t::string:
            return fromText(value.get_ref<const std::string&>());
        default:
            return 0;
    }
}

long long saturatingAdd(long long a, long long b) {
    long long sum;
    if (!__builtin_add_overflow(a, b, &sum)) return sum;
    return b > 0 ? kMax : kMin;
}

long long saturatingSub(long long a, long long b) {
    long long difference;
    if (!__builtin_sub_overflow(a, b, &difference)) return difference;
    return b < 0 ? kMax : kMin;
}

json valueForKey(const json& dict, const std::string& key) {
    if (!dict.is_object()) return json();
    auto it = dict.find(key);
    return it == dict.end() ? json() : *it;
}

std::string decimalText(const json& value) { return std::to_string(integerValue(value)); }

std::string textValue(const json& value) {
    switch (value.type()) {
        case json::value_t::null:
        case json::value_t::discarded:
            return "";
        case json::value_t::string:
            return value.get<std::string>();
        case json::value_t::boolean:
            return value.get<bool>() ? "1" : "0";
        default:
            // Numbers (nlohmann writes integers as digits and decimals in
            // their shortest round-tripping form), arrays and objects.
            return value.dump(-1, ' ', false, json::error_handler_t::replace);
    }
}

}  // namespace bus

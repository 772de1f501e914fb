// The integer reading, decimal text and display text of record fields.
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "model/Value.h"

using bus::decimalText;
using bus::integerValue;
using bus::textValue;
using nlohmann::json;

namespace {
constexpr long long kMax = std::numeric_limits<long long>::max();
constexpr long long kMin = std::numeric_limits<long long>::min();
constexpr double kInf = std::numeric_limits<double>::infinity();
}  // namespace

// What the random comparison with strtoll below does not reach: other JSON
// types, other blanks and digits, an embedded NUL and the saturation limits.
TEST(ModelIntegerValue, EveryKindOfValueAndItsDecimalText) {
    const std::pair<json, long long> cases[] = {
        {0, 0}, {-5, -5}, {kMax, kMax}, {kMin, kMin},
        // Decimals truncate toward zero and saturate; NaN reads 0.
        {2.9, 2}, {-2.9, -2}, {-0.0, 0}, {json::parse("7.99"), 7}, {json::parse("1e2"), 100},
        {1e300, kMax}, {-1e300, kMin}, {9223372036854775807.0, kMax}, {-9223372036854775808.0, kMin},
        {kInf, kMax}, {-kInf, kMin}, {std::numeric_limits<double>::quiet_NaN(), 0},
        // Unsigned integers above the range saturate.
        {std::numeric_limits<unsigned long long>::max(), kMax}, {json::parse("9223372036854775808"), kMax},
        // Strings: C blanks only, ASCII digits only, up to a NUL, saturating.
        {"\t\n\v\f\r-7", -7}, {"\xC2\xA0" "5", 0}, {"１２", 0}, {std::string("4\0" "2", 3), 4},
        {"9223372036854775808", kMax}, {"-9223372036854775809", kMin}, {"99999999999999999999999999999xyz", kMax},
        // None and containers read 0; booleans are the platform's numbers 1 and 0.
        {json(), 0}, {nullptr, 0}, {json::array({5}), 0}, {json::object({{"a", 5}}), 0},
        {json(json::value_t::discarded), 0}, {true, 1}, {false, 0},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(integerValue(value), expected) << value.dump();
        EXPECT_EQ(decimalText(value), std::to_string(expected)) << value.dump();
    }
}

TEST(ModelIntegerValue, AgreesWithStrtollOnRandomText) {
    // strtoll in the C locale is the reference for the string reading.
    const std::string alphabet = " \t\n+-0123456789a.x9";
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<std::size_t> len(0, 24), pick(0, alphabet.size() - 1);
    for (int i = 0; i < 20000; ++i) {
        std::string s;
        for (std::size_t n = len(rng); n > 0; --n) s += alphabet[pick(rng)];
        const long long expected = std::strtoll(s.c_str(), nullptr, 10);
        ASSERT_EQ(integerValue(json(s)), expected) << "text: \"" << s << "\"";
    }
}

TEST(ModelTextValue, StringsUnchangedNumbersInDecimalNoneEmpty) {
    const std::pair<json, std::string> cases[] = {
        {"大同", "大同"}, {" 5 ", " 5 "}, {"", ""}, {12, "12"}, {-3, "-3"}, {2.5, "2.5"},
        {18446744073709551615ULL, "18446744073709551615"}, {json(), ""}, {nullptr, ""}, {true, "1"},
        {json::array({1, "a"}), "[1,\"a\"]"},
    };
    for (const auto& [value, expected] : cases) EXPECT_EQ(textValue(value), expected) << value.dump();
}

TEST(ModelValueForKey, OnlyObjectsHoldKeys) {
    EXPECT_EQ(bus::valueForKey(json{{"a", 1}}, "a"), json(1));
    for (const json& holder : {json{{"a", 1}}, json::array({"a"}), json("a"), json()})
        EXPECT_TRUE(bus::valueForKey(holder, holder.is_object() ? "b" : "a").is_null()) << holder.dump();
}

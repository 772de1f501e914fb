// The integer reading, decimal text and display text of record fields.
#include <cerrno>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "model/Value.h"

using bus::decimalText;
using bus::integerValue;
using bus::textValue;
using nlohmann::json;

namespace {
constexpr long long kMax = std::numeric_limits<long long>::max();
constexpr long long kMin = std::numeric_limits<long long>::min();
}  // namespace

TEST(ModelIntegerValue, NumbersAsIsAndDecimalsTruncatedTowardZero) {
    EXPECT_EQ(integerValue(json(0)), 0);
    EXPECT_EQ(integerValue(json(12)), 12);
    EXPECT_EQ(integerValue(json(-5)), -5);
    EXPECT_EQ(integerValue(json(kMax)), kMax);
    EXPECT_EQ(integerValue(json(kMin)), kMin);
    EXPECT_EQ(integerValue(json(2.9)), 2);
    EXPECT_EQ(integerValue(json(-2.9)), -2);
    EXPECT_EQ(integerValue(json(0.5)), 0);
    EXPECT_EQ(integerValue(json(-0.0)), 0);
    EXPECT_EQ(integerValue(json(3.0)), 3);
    // What the JSON decoder makes of a number written with a fraction.
    EXPECT_EQ(integerValue(json::parse("7.99")), 7);
    EXPECT_EQ(integerValue(json::parse("1e2")), 100);
}

TEST(ModelIntegerValue, OutOfRangeNumbersSaturate) {
    EXPECT_EQ(integerValue(json(std::numeric_limits<unsigned long long>::max())), kMax);
    EXPECT_EQ(integerValue(json::parse("9223372036854775808")), kMax);  // parsed as unsigned
    EXPECT_EQ(integerValue(json(1e300)), kMax);
    EXPECT_EQ(integerValue(json(-1e300)), kMin);
    EXPECT_EQ(integerValue(json(9223372036854775807.0)), kMax);  // == 2^63 as a double
    EXPECT_EQ(integerValue(json(-9223372036854775808.0)), kMin);
    EXPECT_EQ(integerValue(json(std::numeric_limits<double>::infinity())), kMax);
    EXPECT_EQ(integerValue(json(-std::numeric_limits<double>::infinity())), kMin);
    EXPECT_EQ(integerValue(json(std::numeric_limits<double>::quiet_NaN())), 0);
}

TEST(ModelIntegerValue, StringsReadAsADecimalPrefix) {
    EXPECT_EQ(integerValue(json("12")), 12);
    EXPECT_EQ(integerValue(json("12abc")), 12);
    EXPECT_EQ(integerValue(json("abc")), 0);
    EXPECT_EQ(integerValue(json("")), 0);
    EXPECT_EQ(integerValue(json("   42")), 42);
    EXPECT_EQ(integerValue(json("\t\n\v\f\r-7")), -7);
    EXPECT_EQ(integerValue(json("+3")), 3);
    EXPECT_EQ(integerValue(json("-")), 0);
    EXPECT_EQ(integerValue(json("+-3")), 0);
    EXPECT_EQ(integerValue(json("- 3")), 0);
    EXPECT_EQ(integerValue(json("1.9")), 1);
    EXPECT_EQ(integerValue(json("-1.9")), -1);
    EXPECT_EQ(integerValue(json("0x1F")), 0);
    EXPECT_EQ(integerValue(json("00012")), 12);
    EXPECT_EQ(integerValue(json("12 34")), 12);
    EXPECT_EQ(integerValue(json("1e3")), 1);
    EXPECT_EQ(integerValue(json("\xC2\xA0" "5")), 0);  // a no-break space is not a blank
    EXPECT_EQ(integerValue(json("１２")), 0);          // full-width digits are not digits
    EXPECT_EQ(integerValue(json(std::string("4\0" "2", 3))), 4);
}

TEST(ModelIntegerValue, StringsSaturateInsteadOfOverflowing) {
    EXPECT_EQ(integerValue(json("9223372036854775807")), kMax);
    EXPECT_EQ(integerValue(json("9223372036854775808")), kMax);
    EXPECT_EQ(integerValue(json("-9223372036854775808")), kMin);
    EXPECT_EQ(integerValue(json("-9223372036854775809")), kMin);
    EXPECT_EQ(integerValue(json("99999999999999999999999999999xyz")), kMax);
    EXPECT_EQ(integerValue(json("-99999999999999999999999999999")), kMin);
}

TEST(ModelIntegerValue, AgreesWithStrtollOnRandomText) {
    // strtoll in the C locale is the reference for the string reading.
    const std::string alphabet = " \t\n+-0123456789a.x9";
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<std::size_t> len(0, 24), pick(0, alphabet.size() - 1);
    for (int i = 0; i < 20000; ++i) {
        std::string s;
        for (std::size_t n = len(rng); n > 0; --n) s += alphabet[pick(rng)];
        errno = 0;
        const long long expected = std::strtoll(s.c_str(), nullptr, 10);
        ASSERT_EQ(integerValue(json(s)), expected) << "text: \"" << s << "\"";
    }
}

TEST(ModelIntegerValue, NoneAndContainersReadZero) {
    EXPECT_EQ(integerValue(json()), 0);
    EXPECT_EQ(integerValue(json(nullptr)), 0);
    EXPECT_EQ(integerValue(json::array({5})), 0);
    EXPECT_EQ(integerValue(json::object({{"a", 5}})), 0);
    EXPECT_EQ(integerValue(json(json::value_t::discarded)), 0);
}

TEST(ModelIntegerValue, BooleansReadAsThePlatformsNumbers) {
    // The platform's JSON decoder gives booleans as numbers 1 and 0.
    EXPECT_EQ(integerValue(json(true)), 1);
    EXPECT_EQ(integerValue(json(false)), 0);
}

TEST(ModelDecimalText, IsTheDecimalTextOfTheIntegerReading) {
    EXPECT_EQ(decimalText(json(12)), "12");
    EXPECT_EQ(decimalText(json(0)), "0");
    EXPECT_EQ(decimalText(json(-3)), "-3");
    EXPECT_EQ(decimalText(json("12abc")), "12");
    EXPECT_EQ(decimalText(json(" 007")), "7");
    EXPECT_EQ(decimalText(json(2.7)), "2");
    EXPECT_EQ(decimalText(json("-0")), "0");
    EXPECT_EQ(decimalText(json()), "0");
    EXPECT_EQ(decimalText(json("x")), "0");
    EXPECT_EQ(decimalText(json("-99999999999999999999")), "-9223372036854775808");
}

TEST(ModelTextValue, StringsNumbersAndNone) {
    EXPECT_EQ(textValue(json("abc")), "abc");
    EXPECT_EQ(textValue(json("大同")), "大同");
    EXPECT_EQ(textValue(json("")), "");
    EXPECT_EQ(textValue(json(" 5 ")), " 5 ");  // a string is shown unchanged
    EXPECT_EQ(textValue(json(12)), "12");
    EXPECT_EQ(textValue(json(-3)), "-3");
    EXPECT_EQ(textValue(json(2.5)), "2.5");
    EXPECT_EQ(textValue(json(18446744073709551615ULL)), "18446744073709551615");
    EXPECT_EQ(textValue(json()), "");
    EXPECT_EQ(textValue(json(nullptr)), "");
    EXPECT_EQ(textValue(json(true)), "1");
    EXPECT_EQ(textValue(json::array({1, "a"})), "[1,\"a\"]");
}

TEST(ModelValueForKey, OnlyObjectsHoldKeys) {
    EXPECT_EQ(bus::valueForKey(json{{"a", 1}}, "a"), json(1));
    EXPECT_TRUE(bus::valueForKey(json{{"a", 1}}, "b").is_null());
    EXPECT_TRUE(bus::valueForKey(json::array({"a"}), "a").is_null());
    EXPECT_TRUE(bus::valueForKey(json("a"), "a").is_null());
    EXPECT_TRUE(bus::valueForKey(json(), "a").is_null());
}

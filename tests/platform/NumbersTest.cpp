#include "platform/Numbers.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

TEST(Numbers, ParseDigitsTakesBareDigitsOfOneBase) {
    const struct {
        std::string text;
        int base;
        std::optional<std::uint64_t> value;
    } cases[] = {
        {"007", 10, 7},
        {"18446744073709551615", 10, 18446744073709551615u},
        {"18446744073709551616", 10, std::nullopt},
        {"fF", 16, 255},
        {"", 10, std::nullopt},
        {"-1", 10, std::nullopt},
        {" 1", 10, std::nullopt},
        {"1 ", 10, std::nullopt},
        {"1a", 10, std::nullopt},
        {"0x1", 16, std::nullopt},
        {std::string("1\0", 2), 10, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseDigits(c.text, c.base), c.value) << c.text << " base " << c.base;
}

TEST(Numbers, SignedDecimalAndHexPatterns) {
    constexpr std::optional<int> none;
    const struct {
        std::string text;
        std::optional<int> asInt;
        std::optional<int> asIntOrHex;
    } cases[] = {
        {"42", 42, 42},
        {"+5", 5, 5},
        {"-0", 0, 0},
        {"2147483647", 2147483647, 2147483647},
        {"-2147483648", -2147483647 - 1, -2147483647 - 1},
        {"2147483648", none, none},
        {"-2147483649", none, none},
        {"-", none, none},
        {"--1", none, none},
        {"$ff", none, 255},
        {"0X80000000", none, -2147483647 - 1},
        {"-$FFFFFFFF", none, 1},
        {"$-1", none, none},
        {"0x0x1", none, none},
        {"$", none, none},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseInt(c.text), c.asInt) << c.text;
        EXPECT_EQ(ParseIntOrHex(c.text), c.asIntOrHex) << c.text;
    }
}

TEST(Numbers, Hex4WritesAtLeastFourUpperCaseDigits) {
    const std::pair<std::uint32_t, std::string> cases[] = {
        {0, "0000"}, {0x2A, "002A"}, {0xABCD, "ABCD"}, {0x10000, "10000"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(Hex4(value), text) << value;
}

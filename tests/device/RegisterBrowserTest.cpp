// The register browser's arithmetic: the value views, address steps and what
// the edits take from the keyboard.
#include "device/RegisterBrowser.h"

#include <gtest/gtest.h>

TEST(RegisterBrowser, ValueViews) {
    struct Row {
        uint32_t value;
        const char *unsignedText, *signedText, *hex, *bits;
    };
    for (const Row& r : {Row{0x8001, "32769", "-32767", "8001", "1000000000000001"},
                         Row{0xFFFF, "65535", "-1", "FFFF", "1111111111111111"},
                         Row{0x7FFF, "32767", "32767", "7FFF", "0111111111111111"},
                         Row{0x1FFFF, "65535", "-1", "FFFF", "1111111111111111"}}) {
        const RegisterViews v = ViewsOf(r.value);
        EXPECT_EQ(v.unsignedText, r.unsignedText) << r.value;
        EXPECT_EQ(v.signedText, r.signedText) << r.value;
        EXPECT_EQ(v.hexText, r.hex) << r.value;
        EXPECT_EQ(v.bitText, r.bits) << r.value;
        EXPECT_EQ(BinaryTextToDecimalText(v.bitText), r.unsignedText) << r.value;
    }
    // Typed hex as the edit takes it: "ff" is 0x00FF; no hex number is 0.
    EXPECT_EQ(HexTextToBinaryText(PadHexText("ff")), "0000000011111111");
    EXPECT_EQ(HexTextToBinaryText("x1"), std::string(16, '0'));
    EXPECT_EQ(InvertBit(std::string(16, '0'), 15), "0000000000000001");
}

TEST(RegisterBrowser, AddressStepsWrapWithinSixteenBits) {
    struct Row {
        uint32_t from;
        int step;
        uint32_t to;
    };
    for (const Row& r : {Row{65535, 1, 0}, Row{0, -1, 65535}, Row{100, 10, 110}, Row{5, -10, 65531},
                         Row{65530, 10, 4}, Row{900, -1, 899}})
        EXPECT_EQ(StepAddress(r.from, r.step), r.to) << r.from << " + " << r.step;
}

// Typed addresses and values above 65535 are refused, not cut to 16 bits;
// each edit takes only its own characters.
TEST(RegisterBrowser, WhatTheEditsTake) {
    EXPECT_EQ(ParseWordText("65535"), 65535u);
    EXPECT_EQ(ParseWordText("00900"), 900u);
    for (const char* bad : {"70000", "65536", "", "12a", "-1", "123456"})
        EXPECT_FALSE(ParseWordText(bad).has_value()) << bad;
    struct Row {
        BrowserField field;
        char typed, taken;
    };
    for (const Row& r : {Row{BrowserField::Address, '7', '7'}, Row{BrowserField::Address, 'a', 0},
                         Row{BrowserField::Decimal, '\b', '\b'}, Row{BrowserField::Decimal, '-', 0},
                         Row{BrowserField::Hex, 'f', 'F'}, Row{BrowserField::Hex, 'g', 0},
                         Row{BrowserField::Hex, 'A', 0}, Row{BrowserField::Hex, '0', '0'}})
        EXPECT_EQ(FilterBrowserKey(r.field, r.typed), r.taken) << r.typed;
}

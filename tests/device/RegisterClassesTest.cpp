// The bit holders of the pages and the register-number access to the image.
#include "device/RegisterClasses.h"

#include "device/RegisterImage.h"

#include <gtest/gtest.h>

namespace {

TEST(GBits, BitOperationsReturnTheNewValueAndTakeBitNumbersModulo32) {
    GBits bits;
    EXPECT_EQ(bits.GetValue(), 0u);
    EXPECT_EQ(bits.SetBit(33), 0x2u) << "bit 33 is bit 1";
    EXPECT_TRUE(bits.TestBit(1));
    EXPECT_TRUE(bits.TestBit(33));
    EXPECT_FALSE(bits.TestBit(32)) << "bit 32 is bit 0";
    EXPECT_EQ(bits.SetBit(31), 0x80000002u);
    EXPECT_TRUE(bits.TestBit(63));
    EXPECT_EQ(bits.ClearBit(63), 0x2u);
    EXPECT_EQ(bits.ToggleBit(64), 0x3u);
    EXPECT_EQ(bits.ToggleBit(0), 0x2u);
    EXPECT_EQ(bits.ToggleBit(1), 0x0u);
    EXPECT_EQ(bits.ClearBit(5), 0x0u) << "clearing a clear bit";

    bits.SetValue(0xFFFFFFFF);
    EXPECT_EQ(bits.ClearBit(32), 0xFFFFFFFEu);
    EXPECT_TRUE(bits.TestBit(31));
    EXPECT_FALSE(bits.TestBit(0));
    EXPECT_EQ(bits.GetValue(), 0xFFFFFFFEu);
}

TEST(TRegister, HoldsACopyAndSharesTheBitRules) {
    TRegister reg;
    EXPECT_EQ(reg.GetValue(), 0u);
    uint32_t source = 0x00F0;
    reg.SetValue(source);
    source = 0;
    EXPECT_EQ(reg.GetValue(), 0xF0u) << "the value is copied, not referenced";
    EXPECT_EQ(reg.SetBit(32), 0xF1u);
    EXPECT_TRUE(reg.TestBit(36));
    EXPECT_FALSE(reg.TestBit(35 + 32));
    EXPECT_EQ(reg.ClearBit(68), 0xE1u);
    EXPECT_EQ(reg.SetBit(31), 0x800000E1u);
    EXPECT_TRUE(reg.TestBit(95));
}

TEST(TGetSpeicherRegister, ReadsRegisters900To1471AndNothingElse) {
    TRegisterImage image{};
    for (int i = 0; i < RegisterImageSize; ++i)
        image[i] = static_cast<uint32_t>(1000 + i);
    image[571] = 0xFFFF;
    const TGetSpeicherRegister access(image.data());
    EXPECT_EQ(access.Get(899), -1);
    EXPECT_EQ(access.Get(900), 1000);
    EXPECT_EQ(access.Get(906), 1006);
    EXPECT_EQ(access.Get(1471), 0xFFFF) << "cell 571";
    EXPECT_EQ(access.Get(1472), -1) << "cells 572 and above are not reached by number";
    EXPECT_EQ(access.Get(1499), -1);
    EXPECT_EQ(access.Get(0), -1);
    EXPECT_EQ(access.Get(0xFFFFFFFFu), -1);

    // It reads the image as it is now.
    image[6] = 0x21;
    EXPECT_EQ(access.Get(906), 0x21);

    const TGetSpeicherRegister none(nullptr);
    EXPECT_EQ(none.Get(906), -1);
}

} // namespace

// Device type codes: the lookup, the model names that share its index, and
// the one mapping from type code to family.
#include "device/DeviceTypes.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace {

struct TypeRow {
    uint32_t code;
    const char* name;
    int family;
    FamilySetup setup;
    int chooserList;
    bool has3964R;
};

// The supported types in table order.
const TypeRow rows[] = {
    {0x21, "KVL-420 GN", 0x21, FamilySetup::Family33, 1, false},
    {0x22, "KVL-420 GNV", 0x21, FamilySetup::Family33, 1, false},
    {0x23, "KVL-420 GNVE", 0x21, FamilySetup::Family33, 1, false},
    {0x28, "KVL-420 R4W", 0x21, FamilySetup::Family33, 1, false},
    {0x29, "KVL-420 R7W", 0x21, FamilySetup::Family33, 1, false},
    {0x2A, "KVL-420 H4Y", 0x21, FamilySetup::Family33, 1, false},
    {0x10, "WBS-420 MQ2", 0x10, FamilySetup::Family16, 2, false},
    {0x11, "WBS-420 MQ1", 0x10, FamilySetup::Family16, 2, false},
    {0x12, "WBS-420 MQ3", 0x10, FamilySetup::Family16, 2, false},
    {0x18, "WBS-420 KX2", 0x10, FamilySetup::Family16, 2, false},
    {0x19, "WBS-420 KX1", 0x10, FamilySetup::Family16, 2, false},
    {0x1A, "WBS-420 KX3", 0x10, FamilySetup::Family16, 2, false},
    {0x30, "HNQ-120 MQ2", 0x30, FamilySetup::AsSet, 3, false},
    {0x31, "HNQ-120 MQ1", 0x30, FamilySetup::AsSet, 3, false},
    {0x32, "HNQ-120 MQ3", 0x30, FamilySetup::AsSet, 3, false},
    {0xD0, "HNQ-130 ", 0xD0, FamilySetup::AsSet, 4, false},
    {0xD1, "HNQ-860 ", 0xD0, FamilySetup::AsSet, 5, false},
    {0x70, "KVL-420 KXR", 0x21, FamilySetup::Family33, 6, true},
    {0x71, "DZF-420 ", 0x71, FamilySetup::AsSet, 7, false},
    {0x13, "WBS-420 MQ4", 0x10, FamilySetup::Family16, 2, false},
    {0x14, "WBS-420 MQ5", 0x10, FamilySetup::Family16, 2, false},
    {0x1B, "WBS-420 KX4", 0x10, FamilySetup::Family16, 2, false},
    {0x1C, "WBS-420 KX5", 0x10, FamilySetup::Family16, 2, false},
};
constexpr size_t rowCount = std::size(rows);

const TypeRow* RowOf(uint32_t code) {
    for (const TypeRow& r : rows)
        if (r.code == code)
            return &r;
    return nullptr;
}

TEST(DeviceTypes, TableHoldsTheSupportedCodesInOrderEndedByZero) {
    ASSERT_EQ(rowCount, 23u);
    for (size_t i = 0; i < rowCount; ++i)
        EXPECT_EQ(SupportedDeviceTypes[i], rows[i].code) << "index " << i;
    EXPECT_EQ(SupportedDeviceTypes[rowCount], 0u);
}

TEST(DeviceTypes, FindDeviceTypeGivesTheIndexOrTwoHundredFiftyFive) {
    for (size_t i = 0; i < rowCount; ++i) {
        uint32_t index = 1000;
        EXPECT_TRUE(FindDeviceType(rows[i].code, index)) << std::hex << rows[i].code;
        EXPECT_EQ(index, i);
    }
    uint32_t index = 0;
    EXPECT_TRUE(FindDeviceType(0x1C, index));
    EXPECT_EQ(index, 22u);

    // The end mark is no type; neither are codes that share a low byte.
    for (uint32_t code : {0x15u, 0x00u, 0x24u, 0x33u, 0x72u, 0xD2u, 0xFFu, 0x121u, 0xFFFFFFFFu}) {
        index = 0;
        EXPECT_FALSE(FindDeviceType(code, index)) << std::hex << code;
        EXPECT_EQ(index, 255u);
    }
}

TEST(DeviceTypes, EveryCodeMapsToItsFamilyAndSetUp) {
    for (const TypeRow& r : rows) {
        SCOPED_TRACE(r.name);
        const DeviceTypeInfo info = DeviceTypeInfoOf(r.code);
        EXPECT_EQ(info.family, r.family);
        EXPECT_EQ(info.setup, r.setup);
        EXPECT_EQ(info.chooserList, r.chooserList);
        EXPECT_EQ(info.has3964R, r.has3964R);
    }
    // A code is known to the mapping exactly when it stands in the table.
    for (uint32_t code = 0; code <= 0x1FF; ++code) {
        uint32_t index = 0;
        const bool supported = FindDeviceType(code, index);
        const DeviceTypeInfo info = DeviceTypeInfoOf(code);
        EXPECT_EQ(supported, RowOf(code) != nullptr) << std::hex << code;
        if (!supported) {
            EXPECT_EQ(info.family, 0) << std::hex << code;
            EXPECT_EQ(info.setup, FamilySetup::None) << std::hex << code;
            EXPECT_FALSE(info.has3964R) << std::hex << code;
        }
    }
    EXPECT_EQ(DeviceTypeInfoOf(0x10000 + 0x21).family, 0) << "no truncation to a byte";
}

TEST(DeviceTypes, ModelNamesShareTheIndexOfTheirCode) {
    ModelNames[255] = "stale";
    ModelNames[23] = "stale";
    FillModelNameTable();
    for (size_t i = 0; i < rowCount; ++i) {
        uint32_t index = 0;
        ASSERT_TRUE(FindDeviceType(rows[i].code, index));
        EXPECT_EQ(ModelNames[index], rows[i].name);
        // The model word, one blank, the variant.
        ASSERT_GE(ModelNames[index].size(), 8u);
        EXPECT_EQ(ModelNames[index][7], ' ') << ModelNames[index];
    }
    for (size_t i = rowCount; i < ModelNames.size(); ++i)
        EXPECT_TRUE(ModelNames[i].empty()) << "entry " << i;

    uint32_t index = 0;
    EXPECT_FALSE(FindDeviceType(0x15, index));
    EXPECT_EQ(ModelNames[index], "") << "an unknown code names no model";
}

} // namespace

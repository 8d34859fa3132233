#include "device/DeviceTypes.h"

const std::array<uint32_t, 24> SupportedDeviceTypes = {
    0x21, 0x22, 0x23, 0x28, 0x29, 0x2A, 0x10, 0x11, 0x12, 0x18, 0x19, 0x1A,
    0x30, 0x31, 0x32, 0xD0, 0xD1, 0x70, 0x71, 0x13, 0x14, 0x1B, 0x1C, 0};

std::array<std::string, 256> ModelNames;

void FillModelNameTable() {
    static const char* const names[] = {
        "KVL-420 GN",  "KVL-420 GNV", "KVL-420 GNVE", "KVL-420 R4W", "KVL-420 R7W", "KVL-420 H4Y",
        "WBS-420 MQ2", "WBS-420 MQ1", "WBS-420 MQ3",  "WBS-420 KX2", "WBS-420 KX1", "WBS-420 KX3",
        "HNQ-120 MQ2", "HNQ-120 MQ1", "HNQ-120 MQ3",  "HNQ-130 ",    "HNQ-860 ",    "KVL-420 KXR",
        "DZF-420 ",    "WBS-420 MQ4", "WBS-420 MQ5",  "WBS-420 KX4", "WBS-420 KX5"};
    for (std::string& name : ModelNames)
        name.clear();
    for (size_t i = 0; i < std::size(names); ++i)
        ModelNames[i] = names[i];
}

bool FindDeviceType(uint32_t code, uint32_t& index) {
    for (uint32_t i = 0; i < SupportedDeviceTypes.size() && SupportedDeviceTypes[i] != 0; ++i) {
        if (SupportedDeviceTypes[i] == code) {
            index = i;
            return true;
        }
    }
    index = 255;
    return false;
}

DeviceTypeInfo DeviceTypeInfoOf(uint32_t code) {
    switch (code) {
    case 0x21:
    case 0x22:
    case 0x23:
    case 0x28:
    case 0x29:
    case 0x2A:
        return {FamilyKVL420, FamilySetup::Family33, 1, false};
    case 0x10:
    case 0x11:
    case 0x12:
    case 0x13:
    case 0x14:
    case 0x18:
    case 0x19:
    case 0x1A:
    case 0x1B:
    case 0x1C:
        return {FamilyWBS420, FamilySetup::Family16, 2, false};
    case 0x30:
    case 0x31:
    case 0x32:
        return {FamilyHNQ120, FamilySetup::AsSet, 3, false};
    case 0xD0:
        return {FamilyHNQ130, FamilySetup::AsSet, 4, false};
    case 0xD1:
        return {FamilyHNQ130, FamilySetup::AsSet, 5, false};
    case 0x70:
        return {FamilyKVL420, FamilySetup::Family33, 6, true};
    case 0x71:
        return {FamilyDZF420, FamilySetup::AsSet, 7, false};
    default:
        return {};
    }
}

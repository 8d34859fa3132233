#pragma once
// Device type codes (register 906), their model names and their families.

#include <array>
#include <cstdint>
#include <string>

// The device families. DeviceFamily holds one of them, or FamilyNone while no
// parameter set is loaded; the family decides pages, writers and the register
// map's model section (named after the family's model word).
constexpr int FamilyNone = 0;
constexpr int FamilyKVL420 = 0x21; // radio modems (type 0x70 with the 3964R protocol too)
constexpr int FamilyWBS420 = 0x10; // radio remote terminal units
constexpr int FamilyHNQ120 = 0x30;
constexpr int FamilyHNQ130 = 0xD0;
constexpr int FamilyDZF420 = 0x71; // radio repeaters

// The supported type codes in model-name order, ended by a 0 entry.
extern const std::array<uint32_t, 24> SupportedDeviceTypes;
// Entry i names the type at index i of SupportedDeviceTypes; entry 255 (the
// answer for an unknown code) stays empty. Filled by FillModelNames.
extern std::array<std::string, 256> ModelNames;
void FillModelNameTable();

// Finds code in SupportedDeviceTypes: its index and true, or index 255 and
// false when the search reaches the end mark.
bool FindDeviceType(uint32_t code, uint32_t& index);

// How the program sets itself up for a type code.
enum class FamilySetup { None, Family33, Family16, AsSet };
struct DeviceTypeInfo {
    int family = 0; // 0 for a code the program does not know
    FamilySetup setup = FamilySetup::None;
    int chooserList = 0; // list of the model-variant chooser
    bool has3964R = false;
};
// The one mapping from type code to family, used by the read, its
// completion and the opening of files.
DeviceTypeInfo DeviceTypeInfoOf(uint32_t code);

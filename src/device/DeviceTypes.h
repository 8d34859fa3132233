#pragma once
// Device type codes (register 906), their model names and their families.

#include <array>
#include <cstdint>
#include <string>

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

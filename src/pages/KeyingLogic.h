#pragma once
// The keying test's arithmetic, free of windows: the power values of its two
// level groups, the group a device's power table asks for, the level that
// matches the device's current power, and the frequency caption.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// Registers the keying test works on directly (not through the map).
namespace keying {
constexpr int PowerRegister = 912;        // current transmit power
constexpr int PowerOnPowerRegister = 913; // transmit power after power-on
constexpr int TimeRegister = 939;         // keying time, counted down by the device
constexpr int ChannelRegister = 910;      // current channel (table entry)
constexpr int PowerTableRegister = 1200;  // 1200..1215, one value per level
constexpr int ChannelNumberRegister = 1216;
constexpr int ChannelStepRegister = 1344;
constexpr int TableEntries = 128;
constexpr int HighPowerLevels = 16;
constexpr int LowPowerLevels = 4;
// The keying time of one test, in the device's unit.
constexpr int Duration = 3000;
} // namespace keying

// The value register 912 receives for level index of the 16-level group
// (highPower) or the 4-level group; nullopt for an index the group does not
// have.
std::optional<int> KeyingPowerValue(bool highPower, unsigned index);

// The message for a level without a value:
// Leistungswert "4" konnte nicht gesetzt werden!
std::string PowerLevelRefusal(unsigned index);

// The group of a device: the first level of its power table that holds 100
// is level 3 (4 levels) or level 15 (16 levels); at any other level, or
// none (-1), the user is asked.
enum class KeyingVariant { LowPower, HighPower, Ask };
KeyingVariant VariantOf(int levelOf100);

// The level of a group (table: the values of its levels only) for the
// device's power: the first level holding it exactly; else the nearer level
// of a pair of neighbours that brackets it, a tie going to the upper one and
// a later pair overriding an earlier one (nearest is then set); else the
// group's last level.
struct KeyingLevel {
    int level = 0;
    bool nearest = false;
};
KeyingLevel FindKeyingLevel(std::span<const int> table, int power);

// Whether the current-channel register names an entry of the table.
bool IsTableEntry(int channel);

// The caption of the current frequency: " " and channel number x step (Hz)
// in MHz with 4 decimals, rounded, and " MHz" (" 433.1250 MHz").
std::string KeyingFrequencyText(uint32_t channel, uint32_t stepHz);

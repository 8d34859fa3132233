#pragma once
// The device's own register layout: the registers whose meaning the device
// fixes by number, and the register-map keys that name one of them. The
// program addresses these registers by number as well as through its map
// (steuerung.cfg), so a map may move only the other keys, and only onto
// registers that none of these use.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace devsim {

class RegisterMap;

constexpr std::uint16_t typeRegister = 906;

namespace reg {
constexpr std::uint16_t type = typeRegister;
constexpr std::uint16_t serialNumber = 908;
constexpr std::uint16_t channel = 910;        // current channel (0-based table entry)
constexpr std::uint16_t powerOnChannel = 911; // channel after power-on
constexpr std::uint16_t power = 912;          // current transmit power
constexpr std::uint16_t powerOnPower = 913;   // transmit power after power-on
constexpr std::uint16_t mop2Switch = 915;     // bit 0 set: second MoP line on (0x30, 0xD0)
constexpr std::uint16_t stationAddress = 916;
constexpr std::uint16_t settingsWord = 917;  // operating mode in bits 0..2, feature flags
constexpr std::uint16_t mopTimeout = 918;    // 0x21: gateway time-out in 10 ms;
                                             // 0x10: counter/timer use of the inputs
constexpr std::uint16_t charDelay3964 = 932; // 3964R character delay in 10 ms
constexpr std::uint16_t ackDelay3964 = 933;  // 3964R acknowledge delay in 10 ms
constexpr std::uint16_t protocol = 934;      // protocol of the serial interface
constexpr std::uint16_t repeaterStart = 935; // 0x21: station-address range; 0x71: start
constexpr std::uint16_t repeaterSize = 936;  // 0x70: 3964R time-out in 4 us; 0x71: size
constexpr std::uint16_t keyingTime = 939;    // remaining time of a keying test
constexpr std::uint16_t timeSlots = 944;     // active time slots, bits 0..9
constexpr std::uint16_t modbusFirst = 958;   // 958..964 Modbus settings (0x30, 0xD0)
constexpr std::uint16_t modbusLast = 964;
constexpr std::uint16_t lowerLimitHigh = 990; // 990/991: lower limit in Hz
constexpr std::uint16_t upperLimitHigh = 992; // 992/993: upper limit in Hz
constexpr std::uint16_t unlock = 999;
constexpr std::uint16_t inputDelays = 1070; // 1070..1085 in 0.1 s (0x10)
constexpr std::uint16_t inputDelaysLast = 1085;
constexpr std::uint16_t channelCount = 1150; // entries in use minus 1
constexpr std::uint16_t powerTable = 1200;   // 1200..1215, one value per level
constexpr std::uint16_t powerTableLast = 1215;
constexpr std::uint16_t channelTable = 1216; // 1216..1343 channel numbers
constexpr std::uint16_t channelTableLast = 1343;
constexpr std::uint16_t stepTable = 1344; // 1344..1471 channel steps in Hz
constexpr std::uint16_t stepTableLast = 1471;
} // namespace reg

// Registers first..last that the device uses for one thing.
struct FixedRange {
    std::uint16_t first;
    std::uint16_t last;
    std::string_view meaning; // e.g. "the serial number"
};

// Every register whose meaning the device fixes, ascending, none overlapping.
std::span<const FixedRange> fixedRegisters();

// The fixed range that holds `reg`; nullptr for a register the device leaves
// free.
const FixedRange* fixedRegisterAt(std::uint16_t reg);

// A register-map key that names a fixed register, in a section the program
// reads it from (lower case: "steuerung", "kvl420", ...).
struct FixedKey {
    std::string_view section;
    std::string_view key;
    std::uint16_t reg;
};

std::span<const FixedKey> fixedKeys();

// Every way in which `map` contradicts the fixed layout, one sentence each
// naming section, key, index and registers: a key of fixedKeys() on another
// register, or another key that the program reads on a fixed register. Keys
// the program does not read, and keys that are missing, are not looked at.
// Empty when the map agrees.
std::vector<std::string> layoutConflicts(const RegisterMap& map);

} // namespace devsim

#pragma once
// The register browser without its window: the state of the register shown
// and edited, its value in the four views (unsigned, signed 16-bit, 4 hex
// digits, 16 bits), stepping through the addresses, and what the browser's
// edits take from the keyboard.

#include "link/ParameterSet.h"

#include <cstdint>
#include <optional>
#include <string>

struct TBrowserState {
    uint32_t address = FirstImageRegister; // register shown, 0..65535
    uint32_t value = 0;                    // value being edited; written on Enter
    uint32_t readValue = 0;                // value of the last read (Esc brings it back)
    std::string hexText;                   // value as hex digits, kept at 4 digits
    std::string bitText;                   // 16 characters '0'/'1', most significant bit first
    uint8_t editPending = 0;               // 1 after an edit changed and before Enter or Esc
    bool readFailed = false;               // the last read of the shown register failed
    std::string savedName;                 // reg_name, reg_dezi, reg_hex when each took the focus
    std::string savedDezi;
    std::string savedHex;
};

extern TBrowserState BrowserState;

constexpr uint32_t HighestRegister = 0xFFFF;

// The value of hex digits (at most 16 bits are kept) in binary, most
// significant bit first, padded with '0' to 16 characters. Text that is no
// hex number counts as 0.
std::string HexTextToBinaryText(const std::string& hex);

// The value of a text of binary digits as decimal text; every character but
// '0' counts as a set bit.
std::string BinaryTextToDecimalText(const std::string& bits);

// The four views of a register value (its low 16 bits).
struct RegisterViews {
    std::string unsignedText; // "32769"
    std::string signedText;   // "-32767" (16-bit two's complement)
    std::string hexText;      // "8001", 4 upper-case digits
    std::string bitText;      // "1000000000000001"
};
RegisterViews ViewsOf(uint32_t value);

// Hex digits padded on the left with '0' to 4 digits (longer text unchanged).
std::string PadHexText(const std::string& hex);

// Character i (0-based) of bits inverted: '0' becomes '1', anything else '0'.
std::string InvertBit(std::string bits, int i);

// address + step, wrapping within 0..65535.
uint32_t StepAddress(uint32_t address, int step);

// A register address or value as typed: 1 to 5 decimal digits up to 65535;
// nothing for anything else (so 70000 is refused, not cut to 16 bits).
std::optional<uint32_t> ParseWordText(const std::string& text);

// The edits of the browser and what they take from the keyboard.
enum class BrowserField { Address, Decimal, Hex };

// A typed character as the edit takes it: digits and Backspace in each edit,
// the letters a..f (shown as A..F) in the hex edit; 0 for a discarded one.
char FilterBrowserKey(BrowserField field, char key);

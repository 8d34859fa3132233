#pragma once
// The validated numeric edits of the settings pages without their widgets:
// how a text becomes a cell and a cell a text, each member's limits, and the
// station address's limits per device.

#include <cstdint>
#include <optional>
#include <string>

// How an edit's number is kept in its cell.
enum class EditEncoding {
    Decimal,       // the value itself
    HighByte,      // bits 8..15, the cell's low byte kept
    SignMagnitude, // bit 15 the sign (set: negative), bits 0..11 the magnitude
    Hundredths,    // a decimal fraction with up to two decimals kept (gain)
};

struct NumericEdit {
    EditEncoding encoding = EditEncoding::Decimal;
    // The limits, in hundredths for Hundredths, else in units.
    int64_t minimum = 0;
    int64_t maximum = 0;
    const char* messageId = "$T30018";
};

// The edits of the settings pages (the targets are the windows' business).
namespace Edits {
inline constexpr NumericEdit Timeout16{EditEncoding::Decimal, 0, 65535};
inline constexpr NumericEdit Interleaving{EditEncoding::Decimal, 0, 20};
inline constexpr NumericEdit ModbusTimeout{EditEncoding::Decimal, 0, 65534};
inline constexpr NumericEdit MeasuringInterval{EditEncoding::HighByte, 0, 255};
inline constexpr NumericEdit Offset{EditEncoding::SignMagnitude, -4095, 4095, "$T30019"};
inline constexpr NumericEdit Gain{EditEncoding::Hundredths, 0, 10000};
inline constexpr NumericEdit RadioAddress{EditEncoding::Decimal, 0, 14};
} // namespace Edits

// The text a cell shows in the edit: decimal; the decimal high byte; the
// magnitude of bits 0..11 with "-" for bit 15; cell / 100 with three
// decimals, 0 shown as "1.000".
std::string EditDisplayText(const NumericEdit& edit, uint32_t cell);

// A limit as the edit shows it ("0.000", "-4095", "239").
std::string EditLimitText(const NumericEdit& edit, int64_t limit);

// What an entry does to the cell: the new cell, or nothing when the text is
// no number of the edit's kind (a whole number with an optional sign; for
// Hundredths a decimal fraction with '.', a third decimal cut) or lies
// outside the limits. Numbers too long for any cell are no number.
std::optional<uint32_t> EncodeEditText(const NumericEdit& edit, const std::string& text,
                                       uint32_t oldCell);

// The limits of the station address: 1..239 for families 0xD0 and 0x30;
// 0..14 when register 935 is 1 on any other family but 0x10; else 0..239.
NumericEdit StationAddressEdit(int family, uint32_t reg935);

#pragma once
// Whole numbers read from text: settings values, language ids, port numbers,
// register indexes, typed frequencies. Every byte of the text belongs to the
// number: blanks or anything after the digits make the text no number.
// And register values written as hex text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Digits of base 10 or 16 (hex in either case) and nothing else: no sign, no
// prefix. Nothing for an empty text or a value past 64 bits.
std::optional<std::uint64_t> ParseDigits(std::string_view text, int base = 10);

// An optional '+' or '-', then decimal digits; nothing outside the range of int.
std::optional<int> ParseInt(std::string_view text);

// An optional '+' or '-', then decimal digits, "$" + hex digits or "0x"/"0X"
// + hex digits. Decimal values must lie in the range of int; hex values up to
// FFFFFFFF give their 32-bit pattern, so "$FFFFFFFF" is -1 and "-$10" is -16.
std::optional<int> ParseIntOrHex(std::string_view text);

// Upper-case hex digits of value, at least four ("002A"); a value past 16
// bits shows all its digits.
std::string Hex4(std::uint32_t value);

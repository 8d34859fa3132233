#pragma once
// Parsing of the numbers and register lines that options, image files and the
// control channel accept.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace devsim {

// A number as decimal ("33"), "$21" or "0x21" (hex, either case), at most
// `max`. Surrounding blanks are ignored. nullopt for anything else.
std::optional<std::uint32_t> parseNumber(std::string_view text, std::uint32_t max = 0xFFFF);

struct RegisterValue {
    std::uint16_t reg = 0;
    std::uint16_t value = 0;
};

// "NNN=value" with an optional leading 'r' or 'R' ("r906=$0021", "906=33").
std::optional<RegisterValue> parseRegisterValue(std::string_view text);

// An image text: one "rNNN=value" per line; ';' starts a comment; blank lines
// are skipped. On a bad line returns nullopt and puts "line N: <line>" into
// `error`.
std::optional<std::vector<RegisterValue>> parseImageText(std::string_view text, std::string* error);

std::string_view trim(std::string_view text);

} // namespace devsim

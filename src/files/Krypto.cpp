#include "files/Krypto.h"

#include "platform/Numbers.h"

#include <cstdio>
#include <cstdlib>

std::optional<std::pair<uint32_t, uint32_t>> ParseWordPair(std::string_view line) {
    if (line.size() != 16)
        return std::nullopt;
    const auto first = ParseDigits(line.substr(0, 8), 16);
    const auto second = ParseDigits(line.substr(8, 8), 16);
    if (!first || !second)
        return std::nullopt;
    return std::pair{static_cast<uint32_t>(*first), static_cast<uint32_t>(*second)};
}

std::string FormatWordPair(uint32_t first, uint32_t second) {
    char text[17];
    std::snprintf(text, sizeof text, "%08X%08X", first, second);
    return text;
}

std::string TKrypto::Encode(const TStringList& lines) {
    total1_ = 0;
    total2_ = 0;
    result_.Clear();
    result_.Lines().reserve(lines.Count() + 1);
    for (const std::string& line : lines.Lines()) {
        const auto words = ParseWordPair(line).value_or(std::pair<uint32_t, uint32_t>{0, 0});
        const uint32_t s1 = words.first ^ mask1_;
        const uint32_t s2 = words.second ^ mask2_;
        total1_ ^= s1;
        total2_ ^= s2;
        result_.Add(FormatWordPair(s1, s2));
    }
    result_.Add(FormatWordPair(total1_ ^ mask1_, total2_ ^ mask2_));
    return result_.Text();
}

namespace {

// An 8-character field of a stored line read as the C library's strtoul
// reads it at base 16: leading blanks skipped, reading stops at the first
// character that is no hexadecimal digit, no digit gives 0.
uint32_t HexField(std::string_view line, std::size_t from) {
    const std::string field(from < line.size() ? line.substr(from, 8) : std::string_view());
    return static_cast<uint32_t>(std::strtoul(field.c_str(), nullptr, 16));
}

} // namespace

bool TKrypto::Decode(const TStringList& lines) {
    total1_ = 0;
    total2_ = 0;
    result_.Clear();
    const std::size_t count = lines.Count();
    if (count == 0)
        return false;
    std::vector<std::string>& out = result_.Lines();
    out.reserve(count - 1);
    // The last line, whatever it holds, is the checksum line: with an empty
    // line after the real one (as the saves write it) the real checksum line
    // counts as a data line behind the end line, and the test still holds.
    for (std::size_t i = 0; i < count; ++i) {
        const uint32_t u1 = HexField(lines[i], 0) ^ mask1_;
        const uint32_t u2 = HexField(lines[i], 8) ^ mask2_;
        total1_ ^= u1;
        total2_ ^= u2;
        if (i + 1 < count)
            out.push_back(FormatWordPair(u1, u2));
    }
    total1_ ^= mask1_;
    total2_ ^= mask2_;
    // An odd number of lines leaves 0, an even number the mask.
    if ((total1_ == 0 && total2_ == 0) || (total1_ == mask1_ && total2_ == mask2_))
        return false;
    result_.Clear();
    return true;
}

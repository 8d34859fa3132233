#include "files/Krypto.h"

#include "platform/Numbers.h"

#include <cstdio>

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

bool TKrypto::Decode(const TStringList& lines) {
    total1_ = 0;
    total2_ = 0;
    result_.Clear();
    std::size_t count = lines.Count();
    if (count > 0 && lines[count - 1].empty())
        --count; // the empty line the editor's save puts after the checksum
    if (count == 0)
        return false;
    std::vector<std::string>& out = result_.Lines();
    out.reserve(count - 1);
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const auto words = ParseWordPair(lines[i]);
        if (!words) {
            result_.Clear();
            return true;
        }
        total1_ ^= words->first;
        total2_ ^= words->second;
        out.push_back(FormatWordPair(words->first ^ mask1_, words->second ^ mask2_));
    }
    // The checksum line holds the XOR of every scrambled word, XOR the mask.
    const auto checksum = ParseWordPair(lines[count - 1]);
    if (!checksum || checksum->first != (total1_ ^ mask1_) ||
        checksum->second != (total2_ ^ mask2_)) {
        result_.Clear();
        return true;
    }
    return false;
}

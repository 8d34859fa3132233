#include "platform/Numbers.h"

#include <charconv>
#include <climits>
#include <cstdio>

namespace {

// Takes a leading '+' or '-' off text; true when it was '-'.
bool TakeSign(std::string_view& text) {
    if (text.empty() || (text.front() != '+' && text.front() != '-'))
        return false;
    const bool negative = text.front() == '-';
    text.remove_prefix(1);
    return negative;
}

// The magnitude with its sign, when that fits int.
std::optional<int> Signed(bool negative, std::uint64_t magnitude) {
    constexpr std::uint64_t largest = INT_MAX;
    if (magnitude > largest + (negative ? 1 : 0))
        return std::nullopt;
    return negative ? static_cast<int>(-static_cast<std::int64_t>(magnitude))
                    : static_cast<int>(magnitude);
}

} // namespace

std::optional<std::uint64_t> ParseDigits(std::string_view text, int base) {
    // For an unsigned type from_chars takes no sign, no blanks and no "0x".
    std::uint64_t value = 0;
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(text.data(), last, value, base);
    if (ec != std::errc() || end != last)
        return std::nullopt;
    return value;
}

std::optional<int> ParseInt(std::string_view text) {
    const bool negative = TakeSign(text);
    const auto magnitude = ParseDigits(text);
    return magnitude ? Signed(negative, *magnitude) : std::nullopt;
}

std::optional<int> ParseIntOrHex(std::string_view text) {
    std::string_view rest = text;
    const bool negative = TakeSign(rest);
    if (rest.starts_with('$'))
        rest.remove_prefix(1);
    else if (rest.starts_with("0x") || rest.starts_with("0X"))
        rest.remove_prefix(2);
    else
        return ParseInt(text);
    const auto digits = ParseDigits(rest, 16);
    if (!digits || *digits > 0xFFFFFFFFu)
        return std::nullopt;
    const auto pattern = static_cast<std::uint32_t>(*digits);
    return static_cast<int>(negative ? 0u - pattern : pattern);
}

std::string Hex4(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

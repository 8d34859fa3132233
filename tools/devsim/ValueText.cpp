#include "ValueText.h"

namespace devsim {

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

std::optional<std::uint32_t> parseNumber(std::string_view text, std::uint32_t max) {
    text = trim(text);
    unsigned base = 10;
    if (text.size() > 1 && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
        value = value * base + digit;
        if (value > max)
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<RegisterValue> parseRegisterValue(std::string_view text) {
    text = trim(text);
    if (!text.empty() && (text.front() == 'r' || text.front() == 'R'))
        text.remove_prefix(1);
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    const auto reg = parseNumber(text.substr(0, eq));
    const auto value = parseNumber(text.substr(eq + 1));
    if (!reg || !value)
        return std::nullopt;
    return RegisterValue{static_cast<std::uint16_t>(*reg), static_cast<std::uint16_t>(*value)};
}

std::optional<std::vector<RegisterValue>> parseImageText(std::string_view text,
                                                         std::string* error) {
    std::vector<RegisterValue> out;
    int lineNo = 0;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
        ++lineNo;
        const std::size_t semi = line.find(';');
        if (semi != std::string_view::npos)
            line = line.substr(0, semi);
        line = trim(line);
        if (line.empty())
            continue;
        const auto item = parseRegisterValue(line);
        if (!item) {
            if (error)
                *error = "line " + std::to_string(lineNo) + ": " + std::string(line);
            return std::nullopt;
        }
        out.push_back(*item);
    }
    return out;
}

} // namespace devsim

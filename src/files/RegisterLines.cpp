#include "files/RegisterLines.h"

#include "files/KundenFile.h"

#include "platform/Numbers.h"
#include "platform/StringList.h"

#include <bitset>
#include <cstdio>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || static_cast<unsigned char>(c) < ' ';
}

bool AllDigits(std::string_view text) {
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return !text.empty();
}

// The digits after a "$" or "%": at most maxDigits of base.
std::optional<uint32_t> Digits(std::string_view text, std::size_t maxDigits, int base) {
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    const auto value = ParseDigits(text, base);
    if (!value)
        return std::nullopt;
    return static_cast<uint32_t>(*value);
}

RegisterLine Faulty(LineFault fault, uint32_t reg = 0) {
    return {fault, reg, InvalidRegisterValue};
}

} // namespace

std::string CleanRegisterLine(std::string_view line) {
    const std::size_t comment = line.find(';');
    if (comment != std::string_view::npos)
        line = line.substr(0, comment);
    std::size_t first = 0;
    std::size_t last = line.size();
    while (first < last && IsBlank(line[first]))
        ++first;
    while (last > first && IsBlank(line[last - 1]))
        --last;
    return std::string(line.substr(first, last - first));
}

RegisterLine ParseRegisterLine(std::string_view cleaned, NameForm names) {
    if (cleaned.empty())
        return Faulty(LineFault::Blank);
    const std::size_t eq = cleaned.find('=');
    if (eq == std::string_view::npos || eq == 0)
        return Faulty(LineFault::BadName);
    std::string_view name = cleaned.substr(0, eq);
    const std::string_view value = cleaned.substr(eq + 1);

    const bool prefixed = name.front() == 'r' || name.front() == 'R';
    if ((names == NameForm::Bare && prefixed) || (names == NameForm::Prefixed && !prefixed))
        return Faulty(LineFault::WrongKind);
    if (prefixed)
        name.remove_prefix(1);
    if (name.size() > 8 || !AllDigits(name))
        return Faulty(LineFault::BadName);
    const auto reg = static_cast<uint32_t>(*ParseDigits(name, 10));

    if (value.empty())
        return Faulty(LineFault::UnknownForm, reg);
    const char form = value.front();
    std::optional<uint32_t> number;
    LineFault fault = LineFault::None;
    if (form == '$') {
        number = Digits(value.substr(1), 4, 16);
        fault = LineFault::HexValue;
    } else if (form == '%') {
        number = Digits(value.substr(1), 16, 2);
        fault = LineFault::BinaryValue;
    } else if (form >= '0' && form <= '9') {
        number = Digits(value, 5, 10);
        if (number && *number > 0xFFFF)
            number.reset();
        fault = LineFault::DecimalValue;
    } else {
        return Faulty(LineFault::UnknownForm, reg);
    }
    if (!number)
        return Faulty(fault, reg);
    return {LineFault::None, reg, *number};
}

std::string FaultTextId(LineFault fault) {
    switch (fault) {
    case LineFault::HexValue:
        return "$T30009";
    case LineFault::BinaryValue:
        return "$T30010";
    case LineFault::DecimalValue:
        return "$T30011";
    case LineFault::UnknownForm:
        return "$T30039";
    default:
        return {};
    }
}

LinesFault ParseRegisterLines(TStringList& lines, NameForm names, TRegisterImage& image) {
    std::bitset<LastImageRegister - FirstImageRegister + 1> stored;
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        lines[i] = CleanRegisterLine(lines[i]);
        const RegisterLine line = ParseRegisterLine(lines[i], names);
        if (line.fault == LineFault::Blank)
            continue;
        if (line.fault != LineFault::None)
            return {line.fault, i};
        if (line.reg < FirstImageRegister || line.reg > LastImageRegister)
            continue;
        const std::size_t cell = line.reg - FirstImageRegister;
        if (stored[cell])
            continue; // the first line of a register counts
        stored[cell] = true;
        image[cell] = line.value;
    }
    return {};
}

std::string DumpLine(uint32_t reg, uint32_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "r%u=$%04X", reg, value & 0xFFFF);
    return text;
}

void BuildCustomerSaveLines(const TRegisterImage& image, TStringList& lines) {
    lines.Clear();
    lines.Lines().reserve(LastImageRegister - FirstImageRegister + 1);
    for (uint32_t reg = FirstImageRegister; reg <= LastImageRegister; ++reg) {
        char text[32];
        std::snprintf(text, sizeof text, "%u=%04X", reg, image[reg - FirstImageRegister] & 0xFFFF);
        lines.Add(text);
    }
}

std::string CustomerSaveBytes(TKundenFile& file, const TRegisterImage& image) {
    file.Reset();
    file.SetFlag9(true);
    file.SetKind(10);
    file.Info().SetVersion(FileFormatVersion);
    TStringList lines;
    BuildCustomerSaveLines(image, lines);
    const std::string text = file.Write(lines);
    return text.empty() ? text : text + "\r\n";
}

#include "files/KundenFile.h"

#include "platform/Numbers.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace {

constexpr char textFiller = '\xA7'; // the section sign, put before a short last piece
constexpr int kindParameterSet = 10;

std::string CodeLine(uint32_t code, uint32_t value) {
    return FormatWordPair(code, value);
}

// The register number of a 0x1000 line: its 8 characters are decimal digits.
std::optional<uint32_t> RegisterField(std::string_view line) {
    const auto number = ParseDigits(line.substr(8, 8), 10);
    if (!number)
        return std::nullopt;
    return static_cast<uint32_t>(*number);
}

// A line of blanks only, or none at all.
bool BlankLine(std::string_view line) {
    return line.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos;
}

std::string OutputLine(uint32_t reg, uint32_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "%u=$%04X", reg, value);
    return text;
}

// name=value of an input register line: the number's digits and the value.
struct InputRegister {
    std::string_view digits;
    uint32_t value = 0;
};

std::optional<InputRegister> ParseInputRegister(std::string_view line) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    std::string_view name = line.substr(0, eq);
    std::string_view value = line.substr(eq + 1);
    if (!name.empty() && (name.front() == 'r' || name.front() == 'R'))
        name.remove_prefix(1);
    if (!value.empty() && value.front() == '$')
        value.remove_prefix(1);
    if (name.empty() || name.size() > 8 || value.empty() || value.size() > 8)
        return std::nullopt;
    if (!ParseDigits(name, 10))
        return std::nullopt;
    const auto number = ParseDigits(value, 16);
    if (!number)
        return std::nullopt;
    return InputRegister{name, static_cast<uint32_t>(*number)};
}

} // namespace

void TKundenFile::Reset() {
    Kind = 0;
    Serial = -1;
    ControllerType = -1;
    Editable = false;
    ServiceFlag = false;
    FrequencySet = false;
}

bool TKundenFile::TakeError() {
    const bool error = error_;
    error_ = false;
    return error;
}

bool TKundenFile::BuildRegisterLines(const TStringList& registers) {
    for (const std::string& line : registers.Lines()) {
        const auto reg = ParseInputRegister(line);
        if (!reg)
            return false;
        // The number field holds the number's decimal digits, not hex.
        std::string number = "00001000";
        number.append(8 - reg->digits.size(), '0');
        number += reg->digits;
        lines_.Add(number);
        lines_.Add(CodeLine(CodeValue, reg->value));
    }
    return true;
}

std::string TKundenFile::Write(TStringList& registers) {
    if (info_.Version() == 0)
        return {};
    lines_.Clear();
    lines_.Lines().reserve(8 + 2 * registers.Count());
    lines_.Add(CodeLine(CodeVersion, static_cast<uint32_t>(info_.Version())));
    lines_.Add(CodeLine(CodeSerial, static_cast<uint32_t>(Serial)));
    lines_.Add(CodeLine(CodeControllerType, static_cast<uint32_t>(ControllerType)));
    lines_.Add(CodeLine(CodeServiceFlag, ServiceFlag ? 1 : 0));
    lines_.Add(CodeLine(CodeKind, static_cast<uint32_t>(Kind)));
    lines_.Add(CodeLine(CodeEditable, Editable ? 1 : 0));
    lines_.Add(CodeLine(CodeFrequencySet, FrequencySet ? 1 : 0));
    if (!BuildRegisterLines(registers)) {
        lines_.Clear();
        return {};
    }
    lines_.Add(CodeLine(CodeEnd, 0));
    std::string text = krypto_.Encode(lines_);
    registers.Lines() = krypto_.Result().Lines();
    return text;
}

std::string TKundenFile::WriteExtended(const TStringList& registers, TStringList& text) {
    if (info_.Version() == 0)
        return {};
    lines_.Clear();
    lines_.Add(CodeLine(CodeVersion, static_cast<uint32_t>(info_.Version())));
    lines_.Add(CodeLine(CodeKind, kindParameterSet));
    lines_.Add(CodeLine(CodeEditable, 0));
    if (!BuildRegisterLines(registers)) {
        lines_.Clear();
        return {};
    }
    lines_.Add(CodeLine(CodeText, 1));
    std::string rest = text.Text();
    std::size_t at = 0;
    while (at < rest.size()) {
        std::string piece = rest.substr(at, 8);
        at += piece.size();
        if (piece.size() < 8)
            piece.insert(0, 8 - piece.size(), textFiller);
        std::string line;
        for (char c : piece) {
            char pair[3];
            std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(c));
            line += pair;
        }
        lines_.Add(line);
    }
    lines_.Add(CodeLine(CodeText, 2));
    lines_.Add(CodeLine(CodeEnd, 0));
    text.Clear();
    std::string result = krypto_.Encode(lines_);
    lines_ = krypto_.Result();
    return result;
}

void TKundenFile::StartRead() {
    Reset();
    info_.SetVersion(0);
    error_ = false;
}

std::string TKundenFile::Fail(TStringList& list, ReadResult result) {
    StartRead();
    error_ = result == ReadResult::Damaged;
    lastResult_ = result;
    lines_.Clear();
    list.Clear();
    return {};
}

std::string TKundenFile::ReadMain(TStringList& list) {
    return ReadLines(list, false);
}

std::string TKundenFile::Read(TStringList& list) {
    return ReadLines(list, true);
}

std::string TKundenFile::ReadLines(TStringList& list, bool withText) {
    StartRead();
    // Blank lines alone hold no data, however many there are.
    if (std::all_of(list.Lines().begin(), list.Lines().end(), BlankLine))
        return Fail(list, ReadResult::Empty);
    if (krypto_.Decode(list))
        return Fail(list, ReadResult::Damaged);
    // A checksum line alone (or an empty line alone) holds no data.
    if (krypto_.Result().Count() == 0)
        return Fail(list, ReadResult::Empty);
    lines_.Clear();
    uint32_t reg = 0;
    bool ended = false;
    bool inText = false;
    std::string text;
    for (const std::string& line : krypto_.Result().Lines()) {
        const auto words = ParseWordPair(line);
        if (!words)
            return Fail(list, ReadResult::Damaged);
        const auto [code, value] = *words;
        if (inText) {
            if (code == CodeText && value == 2) {
                lines_.Add(text);
                inText = false;
                continue;
            }
            // Eight characters as pairs of digits; codes of 0x80 and above
            // (the filler among them) are dropped.
            for (int i = 0; i < 8; ++i) {
                const uint32_t word = i < 4 ? code : value;
                const auto c = static_cast<unsigned char>(word >> (24 - 8 * (i % 4)));
                if (c < 0x80)
                    text.push_back(static_cast<char>(c));
            }
            continue;
        }
        if (code == 0 || code == CodeEnd) {
            ended = true;
            break;
        }
        switch (code) {
        case CodeVersion:
            info_.SetVersion(static_cast<int>(value));
            break;
        case CodeSerial:
            Serial = static_cast<int32_t>(value);
            break;
        case CodeControllerType:
            ControllerType = static_cast<int32_t>(value);
            break;
        case CodeServiceFlag:
            ServiceFlag = value != 0;
            break;
        case CodeKind:
            Kind = static_cast<int32_t>(value);
            break;
        case CodeFrequencySet:
            FrequencySet = value != 0;
            break;
        case CodeEditable:
            Editable = value != 0;
            break;
        case CodeRegister: {
            const auto number = RegisterField(line);
            if (!number)
                return Fail(list, ReadResult::Damaged);
            reg = *number;
            break;
        }
        case CodeValue:
            lines_.Add(OutputLine(reg, value));
            break;
        case CodeText:
            if (withText) {
                const auto opens = RegisterField(line);
                if (!opens)
                    return Fail(list, ReadResult::Damaged);
                if (*opens != 0) {
                    inText = true;
                    text.clear();
                }
            }
            break;
        default:
            break;
        }
    }
    if (!ended || inText)
        return Fail(list, ReadResult::Damaged);
    lastResult_ = ReadResult::Ok;
    list = lines_;
    return list.Text();
}

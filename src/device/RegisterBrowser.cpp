#include "device/RegisterBrowser.h"

#include "platform/Numbers.h"

TBrowserState BrowserState;

std::string HexTextToBinaryText(const std::string& hex) {
    const std::optional<uint64_t> v = ParseDigits(hex, 16);
    const uint32_t word = v ? static_cast<uint32_t>(*v & HighestRegister) : 0;
    std::string bits(16, '0');
    for (int i = 0; i < 16; ++i)
        if (word & (1u << (15 - i)))
            bits[static_cast<size_t>(i)] = '1';
    return bits;
}

std::string BinaryTextToDecimalText(const std::string& bits) {
    uint64_t v = 0;
    for (char c : bits)
        v = (v << 1) | (c != '0' ? 1u : 0u);
    return std::to_string(v);
}

RegisterViews ViewsOf(uint32_t value) {
    const uint32_t word = value & HighestRegister;
    RegisterViews v;
    v.unsignedText = std::to_string(word);
    v.signedText = std::to_string(static_cast<int16_t>(static_cast<uint16_t>(word)));
    v.hexText = Hex4(word);
    v.bitText = HexTextToBinaryText(v.hexText);
    return v;
}

std::string PadHexText(const std::string& hex) {
    return hex.size() >= 4 ? hex : std::string(4 - hex.size(), '0') + hex;
}

std::string InvertBit(std::string bits, int i) {
    if (i >= 0 && static_cast<size_t>(i) < bits.size())
        bits[static_cast<size_t>(i)] = bits[static_cast<size_t>(i)] == '0' ? '1' : '0';
    return bits;
}

uint32_t StepAddress(uint32_t address, int step) {
    const int64_t span = int64_t{HighestRegister} + 1;
    const int64_t next = ((int64_t{address} + step) % span + span) % span;
    return static_cast<uint32_t>(next);
}

std::optional<uint32_t> ParseWordText(const std::string& text) {
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    const std::optional<uint64_t> v = ParseDigits(text, 10);
    if (!v || *v > HighestRegister)
        return std::nullopt;
    return static_cast<uint32_t>(*v);
}

char FilterBrowserKey(BrowserField field, char key) {
    if ((key >= '0' && key <= '9') || key == '\b')
        return key;
    if (field == BrowserField::Hex && key >= 'a' && key <= 'f')
        return static_cast<char>(key - 'a' + 'A');
    return 0;
}

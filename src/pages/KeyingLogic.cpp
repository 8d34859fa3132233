#include "pages/KeyingLogic.h"

#include <array>

namespace {

constexpr std::array<int, keying::HighPowerLevels> HighPowerValues = {
    0, 8, 15, 20, 25, 28, 31, 38, 43, 50, 54, 59, 66, 74, 85, 100};
constexpr std::array<int, keying::LowPowerLevels> LowPowerValues = {0, 28, 50, 100};

} // namespace

std::optional<int> KeyingPowerValue(bool highPower, unsigned index) {
    if (highPower)
        return index < HighPowerValues.size() ? std::optional(HighPowerValues[index])
                                              : std::nullopt;
    return index < LowPowerValues.size() ? std::optional(LowPowerValues[index]) : std::nullopt;
}

std::string PowerLevelRefusal(unsigned index) {
    return "Leistungswert \"" + std::to_string(index) + "\" konnte nicht gesetzt werden!";
}

KeyingVariant VariantOf(int levelOf100) {
    if (levelOf100 == keying::LowPowerLevels - 1)
        return KeyingVariant::LowPower;
    if (levelOf100 == keying::HighPowerLevels - 1)
        return KeyingVariant::HighPower;
    return KeyingVariant::Ask;
}

KeyingLevel FindKeyingLevel(std::span<const int> table, int power) {
    const int levels = static_cast<int>(table.size());
    for (int i = 0; i < levels; ++i) {
        if (table[i] == power)
            return {i, false};
    }
    KeyingLevel found{levels > 0 ? levels - 1 : 0, false};
    for (int i = 0; i + 1 < levels; ++i) {
        const int below = table[i];
        const int above = table[i + 1];
        if (below < power && power < above)
            found = {power - below < above - power ? i : i + 1, true};
    }
    return found;
}

bool IsTableEntry(int channel) {
    return channel >= 0 && channel < keying::TableEntries;
}

std::string KeyingFrequencyText(uint32_t channel, uint32_t stepHz) {
    const uint64_t hz = static_cast<uint64_t>(channel) * stepHz;
    const uint64_t tenThousandths = (hz + 50) / 100; // of a MHz
    std::string decimals = std::to_string(tenThousandths % 10000);
    decimals.insert(0, 4 - decimals.size(), '0');
    return " " + std::to_string(tenThousandths / 10000) + "." + decimals + " MHz";
}

#include "pages/RadioLogic.h"

#include "device/DeviceTypes.h"
#include "device/FrequencyLimits.h"
#include "device/RegisterMap.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <optional>

// ---- Frequencies -----------------------------------------------------------

uint64_t EntryFrequencyHz(uint32_t channel, uint32_t stepHz) {
    return static_cast<uint64_t>(channel) * stepHz;
}

int64_t EntryFrequencyUnits(uint32_t channel, uint32_t stepHz) {
    const uint64_t hz = EntryFrequencyHz(channel, stepHz);
    return static_cast<int64_t>(hz / 100 + (hz % 100 > 50 ? 1 : 0));
}

std::string FrequencyText(int64_t units) {
    if (units < 0)
        units = 0;
    std::string mhz = std::to_string(units / 10000);
    if (mhz.size() < 3)
        mhz.insert(0, 3 - mhz.size(), '0');
    std::string decimals = std::to_string(units % 10000);
    decimals.insert(0, 4 - decimals.size(), '0');
    return mhz + "." + decimals;
}

int64_t FrequencyFromText(const std::string& text) {
    std::string t = text;
    if (t.find('.') == std::string::npos) {
        if (t.size() < 3)
            t.append(3 - t.size(), '0');
        t.insert(3, ".");
    }
    if (t.size() > 8)
        t.resize(8);
    else
        t.append(8 - t.size(), '0');
    // A point only after the eighth character is cut off with the rest: no number.
    const size_t point = t.find('.');
    if (point == std::string::npos)
        return 0;
    t.erase(point, 1);
    const std::optional<uint64_t> v = ParseDigits(t);
    return v && *v >= 1 && *v <= MaxTypedFrequency ? static_cast<int64_t>(*v) : 0;
}

FrequencyRange EditorFrequencyRange(const TRegisterImage& image) {
    uint64_t lo = 0, hi = 0;
    DeviceLimitsHz(image, lo, hi);
    FrequencyRange range;
    range.minimum = static_cast<int64_t>(lo / 100);
    range.maximum = static_cast<int64_t>(hi / 100);
    if (range.minimum == 0 || range.maximum == 0) {
        range.minimum = DefaultMinimumFrequency;
        range.maximum = DefaultMaximumFrequency;
        range.isDefault = true;
    }
    return range;
}

std::string FrequencyRangeText(const FrequencyRange& range) {
    const std::string text =
        FrequencyText(range.minimum) + " MHz  -  " + FrequencyText(range.maximum) + " MHz";
    return range.isDefault ? "!! " + text + " !!" : text;
}

int RasterStep(int64_t units, const FrequencyRange& range) {
    if (units < range.minimum || units > range.maximum)
        return 0;
    const int64_t hz = units * 100;
    if (hz % WideStepHz == 0)
        return WideStepHz / 100;
    if (hz % NarrowStepHz == 0)
        return NarrowStepHz / 100;
    return 0;
}

bool IsValidFrequency(int64_t units, const FrequencyRange& range) {
    return RasterStep(units, range) != 0;
}

EntryCells EntryCellsFor(int64_t units, const FrequencyRange& range) {
    const int step = RasterStep(units, range);
    if (step == 0 || units <= 0)
        return {};
    const uint64_t channel = static_cast<uint64_t>(units) / static_cast<uint64_t>(step);
    if (channel > 0xFFFFu) // a register holds 16 bits
        return {};
    return {static_cast<uint32_t>(channel), static_cast<uint32_t>(step) * 100};
}

// ---- The editor's pages ----------------------------------------------------

int ClampEntryCount(int64_t count) {
    return static_cast<int>(std::clamp<int64_t>(count, 1, FrequencyTableEntries));
}

int PageCount(int64_t count) {
    const int n = ClampEntryCount(count);
    return (n + RowsPerPage - 1) / RowsPerPage;
}

int RowsOnPage(int64_t count, int page) {
    if (page < 1 || page > PageCount(count))
        return -1;
    return std::min(RowsPerPage, ClampEntryCount(count) - FirstEntryOfPage(page));
}

int FirstEntryOfPage(int page) {
    return page < 1 ? -1 : (page - 1) * RowsPerPage;
}

std::string PageRangeText(int64_t count, int page) {
    const int rows = RowsOnPage(count, page);
    if (rows < 0)
        return {};
    const int first = FirstEntryOfPage(page);
    return std::to_string(first + 1) + " - " + std::to_string(first + rows);
}

// ---- Time slots ------------------------------------------------------------

bool TimeSlotActive(uint32_t word, int slot) {
    return slot >= 1 && slot <= TimeSlotCount && (word >> (slot - 1) & 1u) != 0;
}

uint32_t WithTimeSlot(uint32_t word, int slot, bool active) {
    if (slot < 1 || slot > TimeSlotCount)
        return word;
    const uint32_t bit = 1u << (slot - 1);
    return active ? (word | bit) : (word & ~bit);
}

uint32_t SubSlotCode(int item) {
    static constexpr uint32_t codes[SubSlotItemCount] = {0, 8, 4, 2, 1};
    return item >= 0 && item < SubSlotItemCount ? codes[item] : 0;
}

int SubSlotItem(uint32_t word) {
    for (int item = 1; item < SubSlotItemCount; ++item) {
        if (word & (SubSlotCode(item) << 12))
            return item;
    }
    return 0;
}

uint32_t WithSubSlot(uint32_t word, int item) {
    return (word & ~0xF000u) | (SubSlotCode(item) << 12);
}

// ---- Operating mode --------------------------------------------------------

namespace {

constexpr uint32_t family10Codes[] = {0, 6, 4, 1, 3, 5, 7};
constexpr int family10Items = sizeof(family10Codes) / sizeof(family10Codes[0]);

} // namespace

int OperatingModeItemCount(const OperatingModeVariant& variant) {
    if (variant.family == FamilyKVL420)
        return variant.konfGeraetBit0 ? 4 : variant.has3964R ? 2 : 3;
    if (variant.family == FamilyWBS420)
        return family10Items;
    return 0;
}

std::optional<uint32_t> OperatingModeCode(const OperatingModeVariant& variant, int item) {
    if (variant.family == FamilyKVL420) {
        if (item < 0 || item >= OperatingModeItemCount(variant))
            return std::nullopt;
        return static_cast<uint32_t>(item);
    }
    if (variant.family == FamilyWBS420)
        return item >= 0 && item < family10Items ? family10Codes[item] : 0;
    return std::nullopt;
}

int OperatingModeItem(const OperatingModeVariant& variant, uint32_t cell) {
    const uint32_t mode = cell & 7u;
    if (variant.family == FamilyKVL420)
        return static_cast<int>(mode) < OperatingModeItemCount(variant) ? static_cast<int>(mode)
                                                                        : -1;
    if (variant.family == FamilyWBS420) {
        for (int item = 0; item < family10Items; ++item) {
            if (family10Codes[item] == mode)
                return item;
        }
    }
    return -1;
}

uint32_t WithOperatingMode(uint32_t cell, uint32_t code) {
    return (cell & 0xFFF8u) | (code & 7u);
}

// ---- Values read from the image --------------------------------------------

ClampedValue ClampToRange(int64_t value, int lo, int hi) {
    const int64_t kept = std::clamp<int64_t>(value, lo, hi);
    return {static_cast<int>(kept), kept != value};
}

ClampedValue LastEntryIndex(const TRegisterImage& image, const TRegisterMap& map) {
    if (!IsImageIndex(map.max_anzahl_funkkanal))
        return {0, true};
    return ClampToRange(image[static_cast<size_t>(map.max_anzahl_funkkanal)], 0,
                        FrequencyTableEntries - 1);
}

ClampedValue CurrentChannelIndex(const TRegisterImage& image, const TRegisterMap& map) {
    if (!IsImageIndex(map.aktu_funkkanal))
        return {0, true};
    return ClampToRange(image[static_cast<size_t>(map.aktu_funkkanal)], 0,
                        FrequencyTableEntries - 1);
}

int PowerLevelCount(bool lowPowerModule) {
    return lowPowerModule ? 4 : 16;
}

ClampedValue PowerTableLength(const TRegisterMap& map, bool lowPowerModule) {
    const int lo = map.tab_anf_sendeleistung;
    const int hi = map.tab_end_sendeleistung;
    if (!IsImageIndex(lo) || !IsImageIndex(hi) || hi < lo)
        return {0, true};
    return ClampToRange(int64_t{hi} - lo + 1, 1, PowerLevelCount(lowPowerModule));
}

bool FrequencyTablesInImage(const TRegisterMap& map) {
    const auto inside = [](long long first) {
        return IsImageIndex(first) && IsImageIndex(first + FrequencyTableEntries - 1);
    };
    return inside(map.tab_anf_frequenz) && inside(map.tab_anf_fraster);
}

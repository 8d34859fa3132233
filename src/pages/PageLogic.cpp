#include "pages/PageLogic.h"

#include "device/DeviceTypes.h"
#include "device/RegisterMap.h"

#include <algorithm>

// ---- Visibility profiles ---------------------------------------------------

std::vector<TabShown> SettingsProfile(uint32_t family) {
    using T = SettingsTab;
    switch (family) {
    case FamilyKVL420:
        return {{T::Grundeinstellung, true}, {T::rtu_io, false},      {T::zaehler_a, false},
                {T::zaehler_b, false},       {T::Betriebsart1, true}, {T::comport, true},
                {T::Impulsausgabe1, false},  {T::Modbus, false},      {T::dzfEinstellung, false}};
    case FamilyHNQ130:
    case FamilyHNQ120: {
        const bool d0 = family == FamilyHNQ130;
        return {{T::Grundeinstellung, true}, {T::rtu_io, false},       {T::zaehler_a, false},
                {T::zaehler_b, false},       {T::Betriebsart1, false}, {T::comport, d0},
                {T::Impulsausgabe1, false},  {T::Modbus, d0},          {T::dzfEinstellung, false}};
    }
    case FamilyDZF420:
        return {{T::Grundeinstellung, false}, {T::rtu_io, false},       {T::zaehler_a, false},
                {T::zaehler_b, false},        {T::Betriebsart1, false}, {T::comport, false},
                {T::Impulsausgabe1, false},   {T::Modbus, false},       {T::dzfEinstellung, true}};
    case FamilyWBS420:
        return {{T::Grundeinstellung, true}, {T::rtu_io, true},       {T::zaehler_a, true},
                {T::zaehler_b, true},        {T::Betriebsart1, true}, {T::comport, true},
                {T::Impulsausgabe1, true},   {T::Modbus, false},      {T::dzfEinstellung, false}};
    default:
        return {};
    }
}

// ---- Page layout selector --------------------------------------------------

int KonfGeraetBit0For(uint32_t family, uint32_t konfGeraet) {
    return family == FamilyWBS420 ? 1000 : static_cast<int>(konfGeraet & 1u);
}

bool TimeSlotsShown(int konfGeraetBit0, uint32_t family, uint32_t register917) {
    if (konfGeraetBit0 == 1 || family == FamilyHNQ130 || family == FamilyHNQ120)
        return true;
    if (family != FamilyWBS420)
        return false;
    const uint32_t mode = register917 & 7u;
    return mode != 0 && mode != 4 && mode != 6;
}

// ---- Protocol group --------------------------------------------------------

int ProtocolItemCount33(int firmwareHundredths, bool has3964R) {
    return firmwareHundredths >= 502 && !has3964R ? 5 : 4;
}

namespace {

constexpr uint32_t family16Protocols[] = {0, 0x2012, 0x0710, 0x2209};
constexpr int family16ProtocolCount = sizeof(family16Protocols) / sizeof(family16Protocols[0]);

} // namespace

int ProtocolItem16(uint32_t word) {
    for (int item = 1; item < family16ProtocolCount; ++item) {
        if (family16Protocols[item] == word)
            return item;
    }
    return 0;
}

uint32_t ProtocolWord16(int item) {
    return item >= 0 && item < family16ProtocolCount ? family16Protocols[item] : 0;
}

// ---- Power group -----------------------------------------------------------

std::vector<std::string> PowerCaptions(bool lowPowerModule) {
    if (lowPowerModule)
        return {"10 mW", "100 mW", "250 mW", "500 mW"};
    return {"100 mW", "250 mW", "500 mW", "750 mW", "1 W",   "1,25 W", "1,5 W", "2 W",
            "2,5 W",  "3 W",    "3,5 W",  "4 W",    "4,5 W", "5 W",    "5,5 W", "6 W"};
}

int PowerColumns(bool lowPowerModule) {
    return lowPowerModule ? 2 : 4;
}

std::string MarkedPowerCaption(const std::string& caption) {
    return "(- " + caption + " -)";
}

// ---- Channel list ----------------------------------------------------------

int ChannelColumns(int count) {
    if (count < 1)
        count = 1; // an empty list still has one entry
    int d;
    if (count < 5)
        d = 1;
    else if (count < 10)
        d = 2;
    else if (count < 20)
        d = 4;
    else if (count < 110)
        d = count / 10 + 3; // 20..29 -> 5 .. 100..109 -> 13
    else if (count <= 128)
        d = 14;
    else
        d = 15;
    return count / d;
}

int FittingColumns(int wanted, int itemWidth, int room) {
    const int fit = itemWidth > 0 ? room / itemWidth : wanted;
    return std::max(1, std::min(wanted, fit));
}

std::string ChannelItemText(int entry, uint32_t channel, uint32_t stepHz) {
    const int64_t units = EntryFrequencyUnits(channel, stepHz);
    std::string decimals = std::to_string(units % 10000);
    decimals.insert(0, 4 - decimals.size(), '0');
    return "f" + std::to_string(entry + 1) + " = " + std::to_string(units / 10000) + "." + decimals;
}

// ---- Frequency editor ------------------------------------------------------

namespace {

constexpr size_t PointPosition = 3;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void InsertPointIfMissing(std::string& t) {
    if (t.find('.') == std::string::npos)
        t.insert(std::min(t.size(), PointPosition), ".");
}

// What follows every key: the text is read as a frequency (brought to eight
// characters with a point first) and shown as the value it stands for; a
// text that reads as nothing becomes zero.
RowKeyResult FinishRow(const std::string& t, int caret) {
    RowKeyResult result;
    result.units = FrequencyFromText(t);
    result.text = FrequencyText(result.units);
    result.caret = std::clamp(caret, 0, static_cast<int>(result.text.size()));
    return result;
}

} // namespace

RowKeyResult TypeRowKey(const std::string& text, int caret, int selLength, char key) {
    std::string t = text;
    const int length = static_cast<int>(t.size());
    int c = std::clamp(caret, 0, length);
    const int s = std::clamp(selLength, 0, length - c);

    if (s > 0) {
        // The selection is replaced by the key and zeros, its length kept.
        t.replace(static_cast<size_t>(c), static_cast<size_t>(s), 1, key);
        t.insert(static_cast<size_t>(c) + 1, static_cast<size_t>(s - 1), '0');
        InsertPointIfMissing(t);
    } else if (key == BackspaceKey) {
        if (c > 0) {
            t.erase(static_cast<size_t>(c) - 1, 1);
            --c;
        }
    } else if (IsDigit(key)) {
        if (c == static_cast<int>(PointPosition))
            c = PointPosition + 1; // step over the point
        if (c < static_cast<int>(t.size()))
            t[static_cast<size_t>(c)] = key;
        ++c;
    }
    // Any other key, "." included, leaves the text as it is.
    return FinishRow(t, c);
}

RowKeyResult DeleteInRow(const std::string& text, int caret, int selLength) {
    std::string t = text;
    const int length = static_cast<int>(t.size());
    const int c = std::clamp(caret, 0, length);
    const int s = std::clamp(selLength, 0, length - c);
    if (s > 0)
        t.erase(static_cast<size_t>(c), static_cast<size_t>(s));
    else if (c < length)
        t.erase(static_cast<size_t>(c), 1);
    // The re-padding of a typed blank, with the caret put back.
    return FinishRow(t, c);
}

void FillEmptyEntries(TRegisterImage& image, const TRegisterMap& map, const std::set<int>& keep) {
    if (!FrequencyTablesInImage(map))
        return;
    const auto channel = static_cast<size_t>(map.tab_anf_frequenz);
    const auto step = static_cast<size_t>(map.tab_anf_fraster);
    const auto product = [&](size_t i) {
        return static_cast<uint64_t>(image[step + i]) * image[channel + i];
    };
    for (size_t i = 1; i < FrequencyTableEntries; ++i) {
        if (keep.count(static_cast<int>(i)) != 0)
            continue;
        if (product(i) == 0 && product(i - 1) > 0) {
            image[step + i] = image[step + i - 1];
            image[channel + i] = image[channel + i - 1];
        }
    }
}

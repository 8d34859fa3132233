#include "Presets.h"

#include "Device.h"
#include "RegisterMap.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace devsim {

namespace {

constexpr std::array<std::uint16_t, 16> highPowerLevels = {0,  8,  15, 20, 25, 28, 31, 38,
                                                           43, 50, 54, 59, 66, 74, 85, 100};
constexpr std::array<std::uint16_t, 4> lowPowerLevels = {0, 28, 50, 100};
constexpr std::uint16_t powerValue = 50; // level 9 (3 W) or level 2 (250 mW)

constexpr std::uint16_t serialNumber = 0x0027;
constexpr std::uint16_t radioLayerAddress = 0x1234;
constexpr std::uint16_t allTimeSlots = 0x03FF;
constexpr std::uint16_t serial9600 = 3; // 9600 bps, 8 data bits, no parity
constexpr std::uint16_t protocolMop = 0;

struct FamilySet {
    std::uint16_t firmware;
    bool highPower;             // 16 levels up to 100 (6 W), else 4 levels up to 100 (500 mW)
    std::uint32_t lowerLimitHz; // 0: the device reports no limits (65535 words)
    std::uint32_t upperLimitHz;
    std::uint16_t stepHz; // 12500 or 10000
    std::uint32_t firstChannelHz;
    std::uint16_t operatingMode; // settings word: mode in bits 0..2
};

FamilySet familySet(int family) {
    switch (family) {
    case 0x10:
        return {0x0501, false, 400000000, 470000000, 12500, 433125000, 0x0001};
    case 0x30:
        return {0x0210, false, 350000000, 500000000, 10000, 433120000, 0x0001};
    case 0xD0:
        return {0x0105, true, 0, 0, 12500, 434050000, 0x0001};
    case 0x71: // radio data rate 1200 bps (bit 9)
        return {0x0300, true, 350000000, 500000000, 12500, 433125000, 0x0200};
    default: // 0x21
        return {0x0530, true, 350000000, 500000000, 12500, 433125000, 0x0001};
    }
}

using Keyed = std::vector<std::pair<std::string_view, std::uint16_t>>;

// The values that the program finds through the map, by key (tables apart).
Keyed keyedValues(std::uint16_t type, int family, const FamilySet& set, int channels) {
    const auto activeChannel = static_cast<std::uint16_t>(std::min(1, channels - 1));
    Keyed v = {
        {"geraete_id", type},
        {"firmware", set.firmware},
        {"seriennr", serialNumber},
        {"adr_funklayer", radioLayerAddress},
        {"aktu_funkkanal", activeChannel},
        {"def_funkkanal", activeChannel},
        {"aktu_sendeleistung", powerValue},
        {"def_sendeleistung", powerValue},
        {"g_betriebsart", set.operatingMode},
        {"max_anzahl_funkkanal", static_cast<std::uint16_t>(channels - 1)},
        {"frequenzraster", set.stepHz},
        {"aktiv_zeit", allTimeSlots},
        {"konf_com0", serial9600},
        {"protokoll_com0", protocolMop},
    };
    const Keyed model = [family]() -> Keyed {
        switch (family) {
        case 0x21:
            return {{"konf_geraet", 1}, {"defstationsadresse", 1}};
        case 0x10:
            return {{"defstationsadresse", 1},
                    {"konf_int_eing", 0x0300}, // counters A0, A1 count events
                    {"t_time", 100},
                    {"x_time", 300},
                    {"abtastrate", 10},
                    {"binaereingaenge", 16},
                    {"analogeingaenge", 4},
                    {"binaerausgaenge", 8},
                    {"analogausgaenge", 2},
                    {"zaehler", 16},
                    {"timer", 4},
                    {"benachbarte_zaehler", 0x0001}, // A0-A1 paired
                    {"konf_impulsausgabe", 0x0A05},  // interval 10, impulses and analog on
                    {"gain", 100},                   // 1.000
                    {"offset", 20}};
        case 0x30:
            return {{"defstationsadresse", 1}};
        case 0xD0:
            return {{"konf_geraet", 1}, {"defstationsadresse", 1}, {"deffunkadresse", 3}};
        default:
            return {};
        }
    }();
    v.insert(v.end(), model.begin(), model.end());
    return v;
}

struct Tables {
    std::vector<std::uint16_t> power;    // 16 levels, ascending
    std::vector<std::uint16_t> channels; // 128 channel numbers
    std::vector<std::uint16_t> steps;    // 128 steps in Hz
};

Tables tables(const FamilySet& set, int channels) {
    Tables t;
    for (std::size_t i = 0; i < highPowerLevels.size(); ++i) {
        if (set.highPower)
            t.power.push_back(highPowerLevels[i]);
        else // 4 levels; the rest stays at the top so the table keeps ascending
            t.power.push_back(lowPowerLevels[std::min(i, lowPowerLevels.size() - 1)]);
    }
    // Channel number x step = frequency in Hz; every second channel; unused entries 0.
    for (int i = 0; i < maxChannels; ++i) {
        const bool used = i < channels;
        const std::uint32_t hz = set.firstChannelHz + 2u * set.stepHz * static_cast<unsigned>(i);
        t.channels.push_back(used ? static_cast<std::uint16_t>(hz / set.stepHz) : 0);
        t.steps.push_back(used ? set.stepHz : 0);
    }
    return t;
}

void setLimit(Device& device, std::uint16_t highReg, std::uint32_t hz) {
    if (hz == 0) {
        device.set(highReg, 0xFFFF);
        device.set(highReg + 1, 0xFFFF);
        return;
    }
    device.set(highReg, static_cast<std::uint16_t>(hz >> 16));
    device.set(highReg + 1, static_cast<std::uint16_t>(hz & 0xFFFF));
}

void setFixedRegisters(Device& device, std::uint16_t type, int family, const FamilySet& set) {
    setLimit(device, reg::lowerLimitHigh, set.lowerLimitHz);
    setLimit(device, reg::upperLimitHigh, set.upperLimitHz);
    switch (family) {
    case 0x21:
        device.set(reg::mopTimeout, 10); // 100 ms
        device.set(reg::charDelay3964, 2);
        device.set(reg::ackDelay3964, 2);
        device.set(reg::repeaterStart, 0); // station addresses 0..239
        if (type == 0x70)
            device.set(reg::repeaterSize, 7500); // 3964R time-out 30 ms
        break;
    case 0x10:
        for (std::uint16_t i = 0; i < 16; ++i)
            device.set(reg::inputDelays + i, 10); // 1.0 s
        break;
    case 0x30:
    case 0xD0: {
        device.set(reg::mop2Switch, 1);
        constexpr std::array<std::uint16_t, 7> modbus = {1, 0, 600, 1, 2, 50, 200};
        for (std::size_t i = 0; i < modbus.size(); ++i)
            device.set(static_cast<std::uint16_t>(reg::modbusFirst + i), modbus[i]);
        break;
    }
    case 0x71:
        device.set(reg::repeaterStart, 1); // addresses from 8
        device.set(reg::repeaterSize, 0);  // 8 addresses
        break;
    default:
        break;
    }
}

void placeTable(Device& device, std::optional<std::uint16_t> first,
                std::optional<std::uint16_t> last, const std::vector<std::uint16_t>& values) {
    if (!first || !last || *first > *last)
        return;
    const std::size_t n = std::min<std::size_t>(*last - *first + 1u, values.size());
    for (std::size_t i = 0; i < n; ++i)
        device.set(static_cast<std::uint16_t>(*first + i), values[i]);
}

// Puts every keyed value and the three tables where `find` says.
template <class Find>
void placeKeyed(Device& device, const Keyed& values, const Tables& t, Find find) {
    for (const auto& [key, value] : values) {
        if (const auto r = find(key))
            device.set(*r, value);
    }
    placeTable(device, find("tab_anf_sendeleistung"), find("tab_end_sendeleistung"), t.power);
    placeTable(device, find("tab_anf_frequenz"), find("tab_end_frequenz"), t.channels);
    placeTable(device, find("tab_anf_fraster"), find("tab_end_fraster"), t.steps);
}

} // namespace

int defaultChannelCount(int family) {
    switch (family) {
    case 0x30:
        return 3;
    case 0xD0:
    case 0x71:
        return 2;
    default:
        return 4;
    }
}

int familyOf(std::uint16_t type) {
    switch (type) {
    case 0x21:
    case 0x22:
    case 0x23:
    case 0x28:
    case 0x29:
    case 0x2A:
    case 0x70:
        return 0x21;
    case 0x10:
    case 0x11:
    case 0x12:
    case 0x13:
    case 0x14:
    case 0x18:
    case 0x19:
    case 0x1A:
    case 0x1B:
    case 0x1C:
        return 0x10;
    case 0x30:
    case 0x31:
    case 0x32:
        return 0x30;
    case 0xD0:
    case 0xD1:
        return 0xD0;
    case 0x71:
        return 0x71;
    default:
        return 0;
    }
}

void fillPlausibleSet(Device& device, std::uint16_t type, const RegisterMap& map, int channels) {
    device.set(typeRegister, type);
    const int family = familyOf(type);
    if (family == 0)
        return;
    if (channels <= 0)
        channels = defaultChannelCount(family);
    channels = std::min(channels, maxChannels);
    const FamilySet set = familySet(family);
    const Keyed values = keyedValues(type, family, set, channels);
    const Tables t = tables(set, channels);

    setFixedRegisters(device, type, family, set);
    const RegisterMap& own = builtInRegisterMap();
    placeKeyed(device, values, t, [&](std::string_view key) { return own.anyReg(key); });
    placeKeyed(device, values, t, [&](std::string_view key) { return map.reg(key, family); });
}

void fillPlausibleSet(Device& device, std::uint16_t type) {
    fillPlausibleSet(device, type, builtInRegisterMap());
}

} // namespace devsim

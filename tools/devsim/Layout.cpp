#include "Layout.h"

#include "Device.h"
#include "RegisterMap.h"

#include <array>

namespace devsim {

namespace {

static_assert(reg::unlock == unlockRegister);

constexpr auto fixed = std::to_array<FixedRange>({
    {reg::type, reg::type, "the device type"},
    {reg::serialNumber, reg::serialNumber, "the serial number"},
    {reg::channel, reg::channel, "the current channel"},
    {reg::powerOnChannel, reg::powerOnChannel, "the power-on channel"},
    {reg::power, reg::power, "the current transmit power"},
    {reg::powerOnPower, reg::powerOnPower, "the power-on transmit power"},
    {reg::mop2Switch, reg::mop2Switch, "the second MoP line switch"},
    {reg::stationAddress, reg::stationAddress, "the station address"},
    {reg::settingsWord, reg::settingsWord, "the operating mode and settings word"},
    {reg::mopTimeout, reg::mopTimeout, "the MoP time-out or counter/timer word"},
    {reg::charDelay3964, reg::charDelay3964, "the 3964R character delay"},
    {reg::ackDelay3964, reg::ackDelay3964, "the 3964R acknowledge delay"},
    {reg::protocol, reg::protocol, "the interface protocol"},
    {reg::repeaterStart, reg::repeaterStart, "the start of the address range"},
    {reg::repeaterSize, reg::repeaterSize, "the address range size or 3964R time-out"},
    {reg::keyingTime, reg::keyingTime, "the keying time"},
    {reg::timeSlots, reg::timeSlots, "the active time slots"},
    {reg::modbusFirst, reg::modbusLast, "the Modbus settings"},
    {reg::lowerLimitHigh, reg::lowerLimitHigh + 1, "the lower frequency limit"},
    {reg::upperLimitHigh, reg::upperLimitHigh + 1, "the upper frequency limit"},
    {reg::unlock, reg::unlock, "the unlock register"},
    {reg::inputDelays, reg::inputDelaysLast, "the input power-on delays"},
    {reg::channelCount, reg::channelCount, "the channel count (entries in use minus 1)"},
    {reg::powerTable, reg::powerTableLast, "the power table"},
    {reg::channelTable, reg::channelTableLast, "the channel numbers"},
    {reg::stepTable, reg::stepTableLast, "the channel steps"},
});

constexpr auto keys = std::to_array<FixedKey>({
    {"steuerung", "geraete_id", reg::type},
    {"steuerung", "seriennr", reg::serialNumber},
    {"steuerung", "aktu_funkkanal", reg::channel},
    {"steuerung", "def_funkkanal", reg::powerOnChannel},
    {"steuerung", "aktu_sendeleistung", reg::power},
    {"steuerung", "def_sendeleistung", reg::powerOnPower},
    {"steuerung", "g_betriebsart", reg::settingsWord},
    {"steuerung", "aktiv_zeit", reg::timeSlots},
    {"steuerung", "max_anzahl_funkkanal", reg::channelCount},
    {"steuerung", "tab_anf_sendeleistung", reg::powerTable},
    {"steuerung", "tab_end_sendeleistung", reg::powerTableLast},
    {"steuerung", "tab_anf_frequenz", reg::channelTable},
    {"steuerung", "tab_end_frequenz", reg::channelTableLast},
    {"steuerung", "tab_anf_fraster", reg::stepTable},
    {"steuerung", "tab_end_fraster", reg::stepTableLast},
    {"kvl420", "defstationsadresse", reg::stationAddress},
    {"kvl420", "protokoll_com0", reg::protocol},
    {"wbs420", "defstationsadresse", reg::stationAddress},
    {"wbs420", "protokoll_com0", reg::protocol},
    {"wbs420", "konf_int_eing", reg::mopTimeout},
    {"hnq120", "defstationsadresse", reg::stationAddress},
    {"hnq130", "defstationsadresse", reg::stationAddress},
    {"hnq130", "protokoll_com0", reg::protocol},
});

const FixedKey* fixedKeyOf(std::string_view section, std::string_view key) {
    for (const FixedKey& k : fixedKeys()) {
        if (k.section == section && k.key == key)
            return &k;
    }
    return nullptr;
}

// "[Steuerung] seriennr=2 names register 902"
std::string where(std::string_view section, std::string_view key, std::uint16_t reg) {
    std::string title(section);
    if (section == "steuerung") {
        title = "Steuerung";
    } else {
        for (char& c : title) {
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return "[" + title + "] " + std::string(key) + "=" +
           std::to_string(reg - RegisterMap::indexBase) + " names register " + std::to_string(reg);
}

} // namespace

std::span<const FixedRange> fixedRegisters() {
    return fixed;
}

const FixedRange* fixedRegisterAt(std::uint16_t reg) {
    for (const FixedRange& r : fixedRegisters()) {
        if (r.first <= reg && reg <= r.last)
            return &r;
    }
    return nullptr;
}

std::span<const FixedKey> fixedKeys() {
    return keys;
}

std::vector<std::string> layoutConflicts(const RegisterMap& map) {
    std::vector<std::string> out;
    for (std::string_view section : programSections()) {
        const auto s = map.sections().find(std::string(section));
        if (s == map.sections().end())
            continue;
        for (std::string_view key : programKeys(section)) {
            const auto k = s->second.find(std::string(key));
            if (k == s->second.end())
                continue;
            const std::uint16_t named = k->second;
            if (const FixedKey* own = fixedKeyOf(section, key)) {
                if (named != own->reg)
                    out.push_back(where(section, key, named) + ", but the device keeps " +
                                  std::string(fixedRegisterAt(own->reg)->meaning) +
                                  " in register " + std::to_string(own->reg) + " (index " +
                                  std::to_string(own->reg - RegisterMap::indexBase) + ")");
            } else if (const FixedRange* taken = fixedRegisterAt(named)) {
                out.push_back(where(section, key, named) + ", which the device uses for " +
                              std::string(taken->meaning));
            }
        }
    }
    return out;
}

} // namespace devsim

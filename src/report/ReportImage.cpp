#include "report/ReportImage.h"

#include "device/DeviceTypes.h"
#include "device/PowerTable.h"
#include "device/RegisterMap.h"
#include "platform/Numbers.h"

#include <cstdio>
#include <vector>

namespace {

// The frequency table has 128 entries; a count cell past them is refused.
constexpr uint32_t MaxChannelCount = 128;
// Up to this many channels the report lists each one.
constexpr int MaxListedChannels = 16;
// Marks the current channel when the device's value lies past the channels.
constexpr const char* ChannelOutOfRange = " *!* ";
// The model's power mark goes before this character (0-based).
constexpr size_t PowerMarkPosition = 7;

ReportOutcome Refuse(RefusalMessage message, std::string detail = {}) {
    ReportOutcome out;
    out.refusal = message;
    out.logDetail = std::move(detail);
    return out;
}

} // namespace

std::string ModeTextId(int family, int deviceConfiguration, bool has3964R, uint32_t mode) {
    static const char* const withConfiguration[8] = {"$T18002", "$T18003", "$T18004", "$T18005"};
    static const char* const plain21[8] = {"$T18006", "$T18007", "$T18008"};
    static const char* const family10[8] = {"$T18009", "$T18012", nullptr,   "$T18013",
                                            "$T18011", "$T18014", "$T18010", "$T18015"};
    mode &= 7u;
    const char* id = nullptr;
    switch (family) {
    case FamilyKVL420:
        if (deviceConfiguration == 1)
            id = withConfiguration[mode];
        else if (has3964R)
            id = mode == 0 ? "$T18016" : "$T18017";
        else
            id = plain21[mode];
        break;
    case FamilyWBS420:
        id = family10[mode];
        break;
    case FamilyDZF420:
        id = mode == 0 ? "$T07007" : "$T07008";
        break;
    default:
        break;
    }
    return id ? id : "";
}

InterfaceFormat InterfaceFormatOf(uint32_t konfCom0) {
    // Data bits and parity item per format code (bits 3..5); 2, 4 and 6 name
    // no format.
    static constexpr struct {
        int dataBits, parityIndex;
    } formats[8] = {{8, 0}, {7, 1}, {0, 0}, {7, 2}, {0, 0}, {8, 1}, {0, 0}, {8, 2}};
    const auto& format = formats[(konfCom0 & 0x38u) >> 3];
    InterfaceFormat f;
    f.baudIndex = static_cast<int>(konfCom0 & 7u);
    f.dataBits = format.dataBits;
    f.parityIndex = format.parityIndex;
    return f;
}

std::string ReportFrequencyText(uint64_t hz) {
    const uint64_t units = (hz + 50) / 100; // 100 Hz, half up
    char decimals[12];
    std::snprintf(decimals, sizeof decimals, "%04u", static_cast<unsigned>(units % 10000));
    return std::to_string(units / 10000) + "." + decimals;
}

ReportOutcome ReportFromImage(const ReportSource& s) {
    const TRegisterMap& m = s.map;
    const auto cell = [&s](long long index) -> uint32_t {
        return IsImageIndex(index) ? s.image[static_cast<size_t>(index)] : 0;
    };
    if (s.changesPending)
        return Refuse(RefusalMessage::UnsavedChanges);
    uint32_t typeIndex = 255;
    if (cell(DeviceTypeCell) == 0 || s.family == 0 ||
        !FindDeviceType(cell(m.geraete_id), typeIndex))
        return Refuse(RefusalMessage::NoData);

    ReportOutcome out;
    ReportValues& v = out.values;
    const uint32_t address = cell(m.adr_funklayer);
    v.radioAddressText = Hex4(address);
    if (address == 0)
        return Refuse(RefusalMessage::Aborted, " PRINT: adresse funklayer=NULL");
    if (v.radioAddressText == "4711" || v.radioAddressText == "9999")
        return Refuse(RefusalMessage::Aborted, " PRINT: adresse funklayer=0x" + v.radioAddressText);
    const int deviceConfiguration =
        s.family == FamilyWBS420 ? 1000 : static_cast<int>(cell(m.konf_geraet) & 1u);

    const uint32_t serial = cell(m.seriennr);
    if (serial == 0)
        return Refuse(RefusalMessage::Aborted, " PRINT: SerienNr=NULL");
    v.serialText = std::to_string(serial);
    if (v.serialText.size() < 4)
        v.serialText.insert(0, 4 - v.serialText.size(), '0');

    const uint32_t firmware = cell(m.firmware);
    if (firmware == 0)
        return Refuse(RefusalMessage::Aborted, " PRINT: FirmwareNr=NULL");
    v.firmwareText = Hex4(firmware);
    v.firmwareText.insert(2, ".");

    v.family = s.family;
    v.protocolValue = cell(m.protokoll_com0);
    out.modeTextId = ModeTextId(s.family, deviceConfiguration, s.has3964R, cell(m.g_betriebsart));

    const InterfaceFormat format = InterfaceFormatOf(cell(m.konf_com0));
    v.baudIndex = format.baudIndex;
    v.dataBits = format.dataBits;
    v.parityIndex = format.parityIndex;

    // Channels: every frequency, the list, the lowest and the highest.
    const uint32_t lastChannel = cell(m.max_anzahl_funkkanal);
    if (lastChannel >= MaxChannelCount)
        return Refuse(RefusalMessage::Aborted,
                      " PRINT: max_anzahl_funkkanal=" + std::to_string(lastChannel));
    const uint32_t count = lastChannel + 1;
    std::vector<std::string> texts;
    size_t lowest = 0, highest = 0;
    uint64_t lowestHz = 0, highestHz = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const long long entry = i;
        const uint64_t hz = static_cast<uint64_t>(cell(m.tab_anf_fraster + entry)) *
                            cell(m.tab_anf_frequenz + entry);
        texts.push_back(ReportFrequencyText(hz));
        v.channelList += texts.back() + ";";
        if (i == 0 || hz < lowestHz) {
            lowest = i;
            lowestHz = hz;
        }
        if (i == 0 || hz > highestHz) {
            highest = i;
            highestHz = hz;
        }
    }
    if (count > MaxListedChannels)
        v.channelList = texts[lowest] + " - " + texts[highest];
    v.currentChannel = cell(m.aktu_funkkanal);
    v.channelCount = static_cast<int>(count);
    v.frequencyText =
        v.currentChannel < count ? texts[v.currentChannel] : texts.front() + ChannelOutOfRange;

    const uint32_t settingsWord = cell(SettingsWordCell);
    if (settingsWord & (1u << 9))
        v.dataRateText = "1200 bps";

    bool exact = false;
    v.powerIndex = FindNearestIndex(s.image, m.tab_anf_sendeleistung, m.tab_end_sendeleistung,
                                    cell(m.aktu_sendeleistung), exact);

    v.lowPower = s.lowPower;
    v.modelText = s.modelNames[typeIndex];
    if (v.modelText.size() >= PowerMarkPosition)
        v.modelText.insert(PowerMarkPosition, s.lowPower ? "M/" : "H/");

    v.stationText = std::to_string(cell(m.defstationsadresse));
    v.analogInputs = static_cast<int16_t>(cell(m.analogeingaenge) & 0xFFFFu);
    v.binaryInputs = static_cast<uint16_t>(cell(m.binaereingaenge));
    v.binaryOutputs = static_cast<uint16_t>(cell(m.binaerausgaenge));

    const uint32_t mode = settingsWord & 7u;
    const bool timeSlots = deviceConfiguration == 1 || s.family == FamilyHNQ130 ||
                           s.family == FamilyHNQ120 ||
                           (s.family == FamilyWBS420 && mode != 0 && mode != 4 && mode != 6);
    v.timeSlots = timeSlots ? static_cast<uint16_t>(cell(TimeSlotWordCell)) : 0;

    if (s.family == FamilyDZF420) {
        v.shortValue1 = static_cast<uint16_t>((cell(RepeaterStartCell) & 0x1Fu) * 8);
        v.shortValue2 = static_cast<uint16_t>(((cell(RepeaterSizeCell) & 7u) + 1) * 8);
    }
    out.printable = true;
    return out;
}

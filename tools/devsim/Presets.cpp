#include "Presets.h"

#include "Device.h"

#include <array>
#include <cstddef>

namespace devsim {

namespace {

// Where the parameter set lives. The fixed numbers (906, 910..918, 932..939,
// 944, 958..964, 990..993, 1200.., 1216.., 1344..) are the device's own; the
// others are where this simulator keeps the values that the program finds
// through its register map.
namespace reg {
constexpr std::uint16_t firmware = 901;
constexpr std::uint16_t serial = 902;
constexpr std::uint16_t radioAddress = 903;
constexpr std::uint16_t activeChannel = 910;
constexpr std::uint16_t defaultChannel = 911;
constexpr std::uint16_t activePower = 912;
constexpr std::uint16_t defaultPower = 913;
constexpr std::uint16_t channelCount = 914;
constexpr std::uint16_t stationAddress = 916;
constexpr std::uint16_t operatingMode = 917;
constexpr std::uint16_t channelRaster = 919;
constexpr std::uint16_t serialConfig = 930;
constexpr std::uint16_t charDelay3964 = 932;
constexpr std::uint16_t retries3964 = 933;
constexpr std::uint16_t protocol = 934;
constexpr std::uint16_t timeout3964 = 936;
constexpr std::uint16_t activeSlots = 944;
constexpr std::uint16_t lowerLimitHigh = 990; // 990/991: lower limit in Hz
constexpr std::uint16_t upperLimitHigh = 992; // 992/993: upper limit in Hz
constexpr std::uint16_t powerTable = 1200;    // 16 levels
constexpr std::uint16_t channelTable = 1216;  // 128 channel numbers
constexpr std::uint16_t stepTable = 1344;     // 128 channel steps in Hz
} // namespace reg

constexpr std::array<std::uint16_t, 16> highPowerLevels = {0,  8,  15, 20, 25, 28, 31, 38,
                                                           43, 50, 54, 59, 66, 74, 85, 100};
constexpr std::array<std::uint16_t, 4> lowPowerLevels = {0, 28, 50, 100};

struct FamilySet {
    std::uint16_t firmware;
    bool highPower;             // 16 levels with 100 at 1215, else 4 with 100 at 1203
    std::uint32_t lowerLimitHz; // 0: the device reports no limits (65535 words)
    std::uint32_t upperLimitHz;
    std::uint16_t stepHz; // 12500 or 10000
    std::uint32_t firstChannelHz;
    std::uint16_t channels; // entries in use
};

FamilySet familySet(int family) {
    switch (family) {
    case 0x10:
        return {0x0501, false, 400000000, 470000000, 12500, 433125000, 4};
    case 0x30:
        return {0x0210, false, 350000000, 500000000, 10000, 433120000, 3};
    case 0xD0:
        return {0x0105, true, 0, 0, 12500, 434050000, 2};
    case 0x71:
        return {0x0300, true, 350000000, 500000000, 12500, 433125000, 2};
    default: // 0x21
        return {0x0530, true, 350000000, 500000000, 12500, 433125000, 4};
    }
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

} // namespace

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

void fillPlausibleSet(Device& device, std::uint16_t type) {
    device.set(typeRegister, type);
    const int family = familyOf(type);
    if (family == 0)
        return;
    const FamilySet set = familySet(family);

    device.set(reg::firmware, set.firmware);
    device.set(reg::serial, 0x0027);
    device.set(reg::radioAddress, 0x1234);
    device.set(reg::stationAddress, 1);
    device.set(reg::operatingMode, 1);
    device.set(reg::serialConfig, 3); // 9600 bps
    device.set(reg::protocol, 0);
    device.set(reg::activeSlots, 0x03FF);
    device.set(reg::channelRaster, set.stepHz);

    setLimit(device, reg::lowerLimitHigh, set.lowerLimitHz);
    setLimit(device, reg::upperLimitHigh, set.upperLimitHz);

    // Power table, ascending, ending at 100 on the top level.
    for (std::size_t i = 0; i < 16; ++i) {
        std::uint16_t value = 100;
        if (set.highPower)
            value = highPowerLevels[i];
        else if (i < lowPowerLevels.size())
            value = lowPowerLevels[i];
        device.set(static_cast<std::uint16_t>(reg::powerTable + i), value);
    }
    const std::uint16_t power = set.highPower ? highPowerLevels[9] : lowPowerLevels[2];
    device.set(reg::activePower, power);
    device.set(reg::defaultPower, power);

    // Frequency table: channel number x step = frequency in Hz; unused entries 0.
    for (std::uint16_t i = 0; i < 128; ++i) {
        const bool used = i < set.channels;
        const std::uint32_t hz = set.firstChannelHz + 2u * set.stepHz * i;
        device.set(reg::channelTable + i, used ? static_cast<std::uint16_t>(hz / set.stepHz) : 0);
        device.set(reg::stepTable + i, used ? set.stepHz : 0);
    }
    device.set(reg::channelCount, static_cast<std::uint16_t>(set.channels - 1));
    device.set(reg::activeChannel, 0);
    device.set(reg::defaultChannel, 0);

    if (type == 0x70 || family == 0x21) {
        device.set(reg::charDelay3964, 2);
        device.set(reg::retries3964, 2);
    }
    if (type == 0x70) {
        device.set(reg::protocol, 0); // 3964R
        device.set(reg::timeout3964, 2000);
    }
    if (family == 0x10) {
        for (std::uint16_t i = 0; i < 16; ++i)
            device.set(1070 + i, 10); // input power-on delays
    }
    if (family == 0x71) {
        device.set(935, 1);
        device.set(936, 0);
        device.set(reg::operatingMode, 1u << 9); // 1200 bps radio data rate
    }
}

} // namespace devsim

#include "device/FrequencyLimits.h"

#include "device/RegisterMap.h"

namespace {

constexpr int tableEntries = 128;
constexpr int channelCell = 1216 - FirstImageRegister;
constexpr int stepCell = 1344 - FirstImageRegister;

} // namespace

void DeviceLimitsHz(const TRegisterImage& image, uint64_t& lo, uint64_t& hi) {
    const uint32_t r990 = image[90] & 0xFFFF, r991 = image[91] & 0xFFFF;
    const uint32_t r992 = image[92] & 0xFFFF, r993 = image[93] & 0xFFFF;
    lo = hi = 0;
    if (r990 == 65535 || r991 == 65535 || r992 == 65535 || r993 == 65535)
        return;
    lo = (uint64_t{r990} << 16) | r991;
    hi = (uint64_t{r992} << 16) | r993;
}

void DeviceFrequencyRange(const TRegisterImage& image, uint32_t& lo, uint32_t& hi) {
    uint64_t deviceLo = 0, deviceHi = 0;
    DeviceLimitsHz(image, deviceLo, deviceHi);
    lo = static_cast<uint32_t>(deviceLo);
    hi = static_cast<uint32_t>(deviceHi);
    if (lo == 0 || hi == 0) {
        lo = 350000000;
        hi = 500000000;
    }
}

bool CheckFrequencyLimits(const TRegisterImage& image, const TRegisterMap& map) {
    uint32_t lo = 0, hi = 0;
    DeviceFrequencyRange(image, lo, hi);
    if (!IsImageIndex(map.max_anzahl_funkkanal))
        return true;
    const uint32_t last = image[map.max_anzahl_funkkanal];
    if (last >= tableEntries)
        return true;
    for (uint32_t i = 0; i <= last; ++i) {
        const uint32_t f = image[stepCell + i] * image[channelCell + i];
        if (f < lo || f > hi)
            return true;
    }
    return false;
}

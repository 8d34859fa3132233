#include "device/PowerTable.h"

#include <algorithm>

uint32_t FindNearestIndex(const TRegisterImage& image, int lo, int hi, uint32_t value,
                          bool& exact) {
    lo = std::clamp(lo, 0, RegisterImageSize - 1);
    hi = std::clamp(hi, 0, RegisterImageSize - 1);
    for (int i = lo; i <= hi; ++i) {
        if (image[i] == value) {
            exact = true;
            return static_cast<uint32_t>(i - lo);
        }
    }
    exact = false;
    if (lo >= hi)
        return 0;
    for (int i = lo; i < hi; ++i) {
        const uint32_t below = image[i];
        const uint32_t above = image[i + 1];
        if (below < value && value < above)
            return static_cast<uint32_t>(value - below <= above - value ? i - lo : i + 1 - lo);
    }
    return static_cast<uint32_t>(hi - lo);
}

uint8_t LowPowerModule = 0;

#include "pages/IoLogic.h"

#include "device/DeviceTypes.h"
#include "device/RegisterMap.h"

int ImpulseItem(uint32_t word, int bit) {
    return ((word >> bit) & 1u) ? 0 : 1;
}

uint32_t WithImpulseItem(uint32_t word, int bit, int item) {
    const uint32_t mask = 1u << bit;
    return item == 0 ? word | mask : word & ~mask;
}

CounterBit CounterBitOf(int control) {
    if (control < 8) // za0..za7
        return {false, 8 + control};
    if (control < 16) // zb8..zb15
        return {false, control - 8};
    return {true, control - 16}; // za0_a1..za7_b8, zb8_b9..zb14_b15
}

int LedLeft(int i, int margin, int width, int gap, int groupGap) {
    int left = margin;
    for (int k = 1; k <= i; ++k)
        left += width + (k == 8 ? groupGap : gap);
    return left;
}

void MergeWorkingCopies(TRegisterImage& image, const TRegisterMap& map, int family,
                        uint32_t impulseWord, const int (&delays)[InputDelayCount],
                        bool delaysChanged) {
    if (family != FamilyWBS420)
        return;
    const int cell = map.konf_impulsausgabe;
    if (cell != 0 && IsImageIndex(cell))
        image[cell] = (image[cell] & 0xFF00u) | (impulseWord & 0xFFu);
    if (delaysChanged)
        for (int i = 0; i < InputDelayCount; ++i)
            image[FirstInputDelayCell + i] = static_cast<uint32_t>(delays[i]) & 0xFFFFu;
}

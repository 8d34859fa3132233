#include "device/PendingRegisters.h"

#include "device/DeviceTypes.h"
#include "link/ParameterSet.h"

namespace {

constexpr uint32_t firstTableRegister = 1216;

// The register of a map key; none (0) for a key the map leaves out, whose
// index 0 would be register 900.
uint32_t RegisterOfKey(int32_t index) {
    return index > 0 ? static_cast<uint32_t>(index) + FirstImageRegister : 0;
}

} // namespace

std::set<uint32_t> PendingPresetRegisters;

bool WrittenUnlocked(uint32_t reg, int family, const TRegisterMap& map) {
    if (reg >= firstTableRegister && reg <= LastImageRegister)
        return true;
    if (reg == RegisterOfKey(map.max_anzahl_funkkanal))
        return true;
    return family == FamilyWBS420 && reg == RegisterOfKey(map.protokoll_com0);
}

PendingWrites PendingWritesAfter(const std::set<uint32_t>& pending, const std::set<long long>& sent,
                                 int family, const TRegisterMap& map) {
    PendingWrites out;
    for (const uint32_t reg : pending) {
        if (reg == UnlockRegister || sent.count(reg) != 0)
            continue;
        (WrittenUnlocked(reg, family, map) ? out.locked : out.free).push_back(reg);
    }
    return out;
}

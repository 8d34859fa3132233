#pragma once
// Registers a preset stored into the register image. The family writers send
// fixed lists of registers, so the next write also sends those of them that
// its writer did not send. A write that went through and every new image (a
// read, opening a file, Clear) forget them.

#include "device/RegisterMap.h"

#include <cstdint>
#include <set>
#include <vector>

extern std::set<uint32_t> PendingPresetRegisters;

// Whether the writers of family send reg only behind the unlock of register
// 999: the frequency tables (1216 to 1471), the channel count, and for
// family 0x10 the interface protocol.
bool WrittenUnlocked(uint32_t reg, int family, const TRegisterMap& map);

// The pending registers a writer left out, in register order: those it sends
// freely, then those behind the unlock. The lock register 999 is never sent
// as a value.
struct PendingWrites {
    std::vector<uint32_t> free;
    std::vector<uint32_t> locked;
};
PendingWrites PendingWritesAfter(const std::set<uint32_t>& pending, const std::set<long long>& sent,
                                 int family, const TRegisterMap& map);

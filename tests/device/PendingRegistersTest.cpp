// Which registers a preset left for the write still has to send, free or behind the unlock.
#include "device/PendingRegisters.h"

#include <gtest/gtest.h>

TEST(PendingRegisters, WhatTheWriterLeftOutGoesFreeOrBehindTheUnlock) {
    const TRegisterMap map{.max_anzahl_funkkanal = 250, .protokoll_com0 = 34}; // 1150, 934
    // family, map, free, locked; 916 went with the writer, 999 is the lock.
    const std::tuple<int, TRegisterMap, std::vector<uint32_t>, std::vector<uint32_t>> cases[] = {
        {0x21, map, {900, 934, 1215}, {1150, 1216, 1471}},
        {0x10, map, {900, 1215}, {934, 1150, 1216, 1471}},
        {0x10, {}, {900, 934, 1150, 1215}, {1216, 1471}}}; // keys left out
    for (const auto& [family, m, free, locked] : cases) {
        const PendingWrites rest =
            PendingWritesAfter({900, 916, 934, 999, 1150, 1215, 1216, 1471}, {916}, family, m);
        EXPECT_EQ(std::pair(rest.free, rest.locked), std::pair(free, locked)) << family;
    }
}

#pragma once
// Frequency-set files: a device's frequency table alone (the channel count
// and its two 128-entry tables) as register lines, and back into a copy of
// the register image. The count register holds c, the highest table index in
// use; the tables are registers 1216 .. 1216 + c (channel numbers) and
// 1344 .. 1344 + c (steps), so c lies in 0..127.
//
// A register text file (*.rtu) holds the unlock lines, the count line, both
// tables and the relock line; a customer file (*.qdv) holds the count line
// and both tables through the codec, marked as a frequency set.

#include "files/RegisterLines.h"
#include "link/ParameterSet.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TKundenFile;

constexpr uint32_t ChannelTableRegister = 1216;
constexpr uint32_t StepTableRegister = 1344;
// The highest index a table has.
constexpr uint32_t MaxFrequencyIndex = 127;

// The count line of countCell and one line per register of both tables, each
// "r" + number + "=$" + 4 hex digits. Empty when the count is above 127 or
// countCell lies outside the image: such a table cannot be carried.
std::vector<std::string> FrequencySetLines(const TRegisterImage& image, int countCell);

// The register text file of lines: unlock lines first, relock line last.
std::string FrequencySetRegisterText(const std::vector<std::string>& lines);

// The customer file of lines: header kind 10, version 100, not editable,
// service flag, frequency-set flag, bound to no device; one empty line
// follows the checksum line. codec is Reset before and after. "" when the
// codec refuses the lines.
std::string FrequencySetCustomerFile(TKundenFile& codec, const std::vector<std::string>& lines);

struct FrequencySetLoad {
    LineFault fault = LineFault::None; // the first line that is not valid
    std::size_t line = 0;              // and its index
    bool countTooLarge = false;        // the count would end above 127
    // Lines that change the active channel (each is told to the user).
    int activeChannelChanges = 0;
    TRegisterImage image{}; // the image with the file's set in it
};

// Reads a frequency-set file's lines (names of the file's kind) into a copy
// of image, line by line in order: registers 1216 .. 1471, the count
// register (countCell) and the active-channel register (activeCell) are
// stored, every other register is skipped. Blank and comment lines are
// skipped. The copy is complete only when fault is None and countTooLarge is
// false; the caller applies nothing otherwise.
FrequencySetLoad DecodeFrequencySet(const std::vector<std::string>& lines, NameForm names,
                                    const TRegisterImage& image, int countCell, int activeCell);

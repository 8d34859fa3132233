#pragma once
// Loading a parameter file straight into a device, without a window: the
// file's lines read and checked as a whole before the device is touched, and
// grouped into the writes that send them.
//
// Consecutive registers go out as runs of at most 10 in one block write with
// read-back; a register that breaks a run is written by itself. In the
// unlock register, the first line with the first code unlocks the device
// (first code, 200 ms, second code); a line with the second code right after
// it sends the second code once more as the start of a run, the way register
// dumps have always been loaded. Every other line of the unlock register is
// skipped, so that data can never relock the device partway or send half an
// unlock. The last step always locks the device again.

#include "files/RegisterLines.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t LastDeviceRegister = 0xFFFF;
constexpr std::size_t LoadRunLength = 10;
constexpr int UnlockPauseMs = 200;

struct LoadLine {
    uint32_t reg = 0;
    uint32_t value = 0;
    std::size_t line = 0; // index in the file's lines
};

struct LoadLines {
    LineFault fault = LineFault::None; // the first invalid line's fault
    std::size_t line = 0;              // and its index
    std::vector<LoadLine> lines;       // the register lines, blank ones left out
};

// Cleans and reads every line; names is the form of the file's kind. A
// register number above 65535 is no register (BadName). Stops at the first
// invalid line.
LoadLines ReadLoadLines(const std::vector<std::string>& lines, NameForm names);

enum class LoadStepKind {
    Write,  // one register with read-back
    Block,  // a run of 2 to 10 consecutive registers with read-back
    Pause,  // the pause between the two unlock codes
    Skip,   // a line of the unlock register that is not sent
    Relock, // the relock of the unlock register, the last step
};

struct LoadStep {
    LoadStepKind kind = LoadStepKind::Write;
    uint32_t reg = 0;             // the (first) register
    std::vector<uint32_t> values; // Write and Skip: one; Block: the run
    std::size_t line = 0;         // the file line that brought the step
    // The memo line for a register not confirmed starts with "Register: "
    // (full runs of 10) or "Error Reg.Nr.: ".
    bool registerMemo = false;
    // The run still open after the last line.
    bool closing = false;
};

// The ordered steps that send lines into a device.
std::vector<LoadStep> PlanDeviceLoad(const std::vector<LoadLine>& lines);

// A device type as the binding messages name it: its model name without
// trailing blanks, or 4
// upper-case hexadecimal digits for a code the program does not know.
std::string DeviceTypeName(uint32_t code);

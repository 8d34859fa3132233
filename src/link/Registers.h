#pragma once
// Register-level access to the device through the protocol object: single
// reads and writes, block writes with read-back. Every function fills the
// request fields it needs and runs the exchange with two retries.
// Register numbers outside 0..65535 are refused without an exchange.

#include "link/ParameterSet.h"

#include <cstdint>
#include <functional>
#include <string>

class TMop;

namespace registers {

constexpr int retries = 2;
constexpr uint32_t maxRegister = 0xFFFF;

enum class ReadOutcome { Ok, LinkFailed, WrongRegister };

// The register's value; -1 when the exchange failed (or the number is out of
// range); 0 when the answer is not for this register. outcome tells which.
int ReadRegister(TMop& mop, long long reg, ReadOutcome& outcome);

// 0 and the value on success; 1 and value 0 otherwise.
int ReadRegisterQuiet(TMop& mop, long long reg, uint32_t& value);

// What became of a write with read-back.
enum class WriteOutcome {
    Taken,    // the device echoed exactly one word equal to the value
    Refused,  // it answered with anything else
    NoAnswer, // the exchange failed (or the number is out of range)
};
WriteOutcome WriteRegister(TMop& mop, long long reg, int value);

// 0 when the device took the write (WriteOutcome::Taken); 1 otherwise.
int WriteRegisterChecked(TMop& mop, long long reg, int value);

// Writes value to reg, and once more when the device did not take the
// first write; true when one of them was taken.
bool WriteWithSecondTry(TMop& mop, long long reg, int value);

// The unlock sequence: the first code, then the second, to the unlock
// register. Done (true) when the device answered both; what it read back is
// not compared, as the register may read its lock state. Without an answer
// to the first code the second is not sent.
bool Unlock(TMop& mop);

// The relock: RelockValue to the unlock register with a second try; true
// when the device took it.
bool Relock(TMop& mop);

// 2 bytes per register, high byte first, from count cells of the image from
// firstIndex on. Cells outside the image are not read: the text stops there.
std::string RegistersToText(const TRegisterImage& image, int firstIndex, int count);

// What a block write reports while it runs.
struct BlockWriteHooks {
    std::function<void(const std::string&)> mismatch;     // "Register NR: n"
    std::function<void(const std::string&)> transferLine; // wrong answer count
    std::function<void(int)> advance;                     // registers done
    std::function<void(int ms)> wait;                     // pause before re-applying
    std::function<void()> exchangeFailed; // a block's exchange failed (TMop tells why)
};

// The cells of the active channel and of the channel count (entries in use
// minus 1), whose registers make the device take over fresh tables.
struct ChannelCells {
    int active;
    int count;
};

// Writes first..last in blocks of up to 15 registers from the image, reads
// each block back and compares; then re-applies the active channel so the
// device takes over the fresh tables (nothing when a channel cell lies
// outside the image). A block whose exchange failed counts all its registers
// as mismatches. Returns the mismatch count.
int WriteRegisterBlock(TMop& mop, const TRegisterImage& image, ChannelCells channel,
                       long long first, long long last, const BlockWriteHooks& hooks);

// One exchange writing cells firstIndex..endIndex-1 to firstRegister on,
// reading them back. Returns 1000 when the exchange failed or answered a wrong
// count (nothing stored); otherwise the number k of differing registers, whose
// numbers are stored into image cells 0..k-1.
int WriteAndVerifyRegisters(TMop& mop, TRegisterImage& image, long long firstRegister,
                            int firstIndex, int endIndex);

} // namespace registers

#pragma once
// The program's register access on its one protocol object (the main
// window's) and its register image. See link/Registers.h for the rules.

#include <cstdint>
#include <set>
#include <string>

// Opens the port named by PortName; true when it is open afterwards. When the
// connection on the open port is lost later while nothing uses it, the user
// is told once (message and log line naming the port).
bool OpenPort();
// The port ready for a command's exchanges: a closed or lost port is opened
// again. When that fails, shows the closed-port message of the start-up and
// returns false.
bool EnsurePortOpen();
void ClosePort();
// The value; -1 after a failed exchange, 0 for an answer about another
// register; both failures are reported in a message box (and *failed, when
// given, tells whether one happened).
// The fixed message of an exchange the device did not answer.
void ShowNoAnswerMessage();
int ReadRegister(long long reg, bool* failed = nullptr);
int ReadRegisterQuiet(long long reg, uint32_t& value);
int WriteRegisterChecked(long long reg, int value);
// Writes value, and once more when the device did not take it; true when
// one write was taken.
bool WriteRegisterWithSecondTry(long long reg, int value);
// Collects the registers that WriteRegisterChecked and the main window's
// WriteRegisterBlock send, from StartWriteRecording on; TakeWrittenRegisters
// ends the recording. The write command learns from it which registers its
// family writer sent.
void StartWriteRecording();
std::set<long long> TakeWrittenRegisters();
int WriteAndVerifyRegisters(long long firstRegister, int firstIndex, int endIndex);
std::string RegistersToText(int firstIndex, int count);
// The unlock sequence of the protected registers: true when the device
// answered both codes (the read-back of the unlock register is not compared).
bool UnlockDevice();
// The relock, the only one of the program: RelockValue to the unlock
// register, a second time when the device did not take the first; true when
// it took one. Telling the user that it took neither is the caller's.
bool RelockDevice();

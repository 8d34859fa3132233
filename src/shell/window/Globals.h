#pragma once
// Program-wide state of the windows: title, start-up, service mode and
// whether controls are being filled by code.

#include <cstdint>
#include <string>

extern const float ProgramVersion; // 2.23
extern std::string ProgramTitle;   // "Ostara V. 2.23" once the entry point has run
extern uint8_t AppStarted;         // 1 once every form exists and the loop runs
extern int ActivationCount;        // 0 only before the first activation
extern uint8_t ServiceMode;        // the register-browser mode is unlocked
extern uint8_t PasswordAccepted;   // the password dialog was closed with OK

// 1 while controls are filled from the register image or retranslated.
extern uint8_t ControlsUpdating;

// The oldest language file version the program reads.
constexpr int MinLangVersion = 122;

// The access code of the service mode.
extern const char* const ServiceAccessCode;

// Builds ProgramTitle from ProgramVersion ("Ostara V. " + version with two
// decimals, '.' as separator whatever the locale).
void BuildProgramTitle();

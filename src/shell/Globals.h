#pragma once
// Program-wide values shared by the main window and its helpers.

#include <cstdint>
#include <string>

extern const float ProgramVersion; // 2.23
extern std::string ProgramTitle;   // "Ostara V. 2.23" once the entry point has run
extern uint8_t AppStarted;         // 1 once every form exists and the loop runs
extern int ActivationCount;        // 0 only before the first activation
extern uint8_t ServiceMode;        // the register-browser mode is unlocked
extern uint8_t PasswordAccepted;   // the password dialog was closed with OK

// Change flags (set by the pages, cleared by a complete write, Clear, a read).
extern uint8_t RadioSettingsChanged;
extern uint8_t DeviceSettingsChanged;
extern bool InputDelaysChanged;
// 1 while controls are filled from the register image or retranslated.
extern uint8_t ControlsUpdating;
// The input page's working copy of the 16 input power-on delays (tenths of a second).
extern int InputDelayValues[16];

// The access code of the service mode.
extern const char* const ServiceAccessCode;

// Builds ProgramTitle from ProgramVersion ("Ostara V. " + version with two
// decimals, '.' as separator whatever the locale).
void BuildProgramTitle();

// Serial settings (kept in ostra.ini).
extern std::string PortName; // "COM1" until the settings say otherwise
extern int PortBaudRate;
extern int PortDataBits;
extern int PortParity;
// 1: the radio has the 4-level power table up to 500 mW; 0: 16 levels up to 6 W.
extern uint8_t LowPowerModule;

#include "shell/Globals.h"

#include "platform/Text.h"

const float ProgramVersion = 2.23f;
std::string ProgramTitle = "Ostara V. ";
uint8_t AppStarted = 0;
int ActivationCount = 0;
uint8_t ServiceMode = 0;
uint8_t PasswordAccepted = 0;
uint8_t RadioSettingsChanged = 0;
uint8_t DeviceSettingsChanged = 0;
bool InputDelaysChanged = false;
uint8_t ControlsUpdating = 0;
int InputDelayValues[16] = {};
const char* const ServiceAccessCode = "Kiesel mal";

void BuildProgramTitle() {
    ProgramTitle = "Ostara V. " + FormatFixed(ProgramVersion, 2);
}

std::string PortName = "COM1";
int PortBaudRate = 9600;
int PortDataBits = 8;
int PortParity = 0;
uint8_t LowPowerModule = 0;

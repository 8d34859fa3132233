#include "shell/window/Globals.h"

#include "platform/Text.h"

const float ProgramVersion = 2.23f;
std::string ProgramTitle = "Ostara V. ";
uint8_t AppStarted = 0;
int ActivationCount = 0;
uint8_t ServiceMode = 0;
uint8_t PasswordAccepted = 0;
uint8_t ControlsUpdating = 0;
const char* const ServiceAccessCode = "Kiesel mal";

void BuildProgramTitle() {
    ProgramTitle = "Ostara V. " + FormatFixed(ProgramVersion, 2);
}

#include "device/ChangeFlags.h"

uint8_t RadioSettingsChanged = 0;
uint8_t DeviceSettingsChanged = 0;
bool InputDelaysChanged = false;
int InputDelayValues[16] = {};

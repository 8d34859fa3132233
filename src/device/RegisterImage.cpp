#include "device/RegisterImage.h"

#include "device/DeviceTypes.h"

TRegisterImage RegisterImage{};
int DeviceFamily = FamilyNone;

#include "device/RegisterImage.h"

TRegisterImage RegisterImage{};
int DeviceFamily = 0;

#include "link/PortSettings.h"

std::string PortName = "COM1";
int PortBaudRate = 9600;
int PortDataBits = 8;
int PortParity = 0;

#pragma once
// The serial settings the user chose (kept in ostra.ini): the port the
// program's protocol object opens and the line the settings dialog shows.

#include <string>

extern std::string PortName; // "COM1" until the settings say otherwise
extern int PortBaudRate;
extern int PortDataBits;
extern int PortParity;

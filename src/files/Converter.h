#pragma once
// The file converter: the lines of an old register text file become a
// customer file, bound to a device serial number or a controller type and
// marked for the service unlock when wanted. The lines keep the strict forms
// of every register text reader; each register goes into the customer file
// with its value as 4 hexadecimal digits. Lines of register 999 (the unlock
// and relock lines of a register dump) are left out, and so are lines of
// registers above 65535.

#include "files/RegisterLines.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TKundenFile;

enum class ConvertFault {
    None,
    Address,     // a name of the other kind, or no register number
    Hex,         // "$" without 1 to 4 hexadecimal digits
    Binary,      // "%" without 1 to 16 binary digits
    Decimal,     // more than 5 decimal digits or above 65535
    UnknownForm, // a value of none of the three forms
    NoData,      // no register line is left to convert
};

struct ConvertedLines {
    ConvertFault fault = ConvertFault::None;
    std::size_t line = 0;           // index of the line at fault
    std::vector<std::string> lines; // "rNNN=$XXXX", in the file's order
};

// Reads every line (names of the source's kind); stops at the first line
// that is not valid.
ConvertedLines ConvertRegisterText(const std::vector<std::string>& lines, NameForm names);

// What the customer file carries besides the registers.
struct CustomerBinding {
    bool service = false;
    int32_t serial = -1;         // -1: any device
    int32_t controllerType = -1; // -1: any type
    int version = 0;             // the file-format version
};

// The customer file of converted lines on codec, whose kind and
// frequency-set flag stay as they are; the file is not editable. "" when the
// version is 0: nothing is built.
std::string WriteConvertedFile(TKundenFile& codec, const std::vector<std::string>& lines,
                               const CustomerBinding& binding);

// The fixed message of a fault; source is the source file's name. "" for
// None and NoData.
std::string ConvertFaultMessage(ConvertFault fault, const std::string& source);

// The controller types the converter binds to: entry i of its list.
extern const std::array<uint32_t, 19> ConverterTypeCodes;

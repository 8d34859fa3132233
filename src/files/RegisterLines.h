#pragma once
// Register text lines, the one reader for every file that holds them:
// register text files (*.rtu), the output of the customer-file codec, the
// files loaded into a device and the frequency-set files.
//
// A line is cleaned first: everything from the first ";" on is a comment,
// blanks around the rest are trimmed; what is left empty is skipped. The rest
// is name=value. The name is "r" or "R" and the register number (register
// text files) or the bare number (customer files), 1 to 8 decimal digits.
// The value is "$" and 1 to 4 hexadecimal digits (either case), "%" and 1 to
// 16 binary digits, or 1 to 5 decimal digits up to 65535; nothing else.

#include "link/ParameterSet.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TKundenFile;
class TStringList;

// Marks an invalid value while lines are parsed; never a register value.
constexpr uint32_t InvalidRegisterValue = 100000;

// The unlock codes of register 999 as a register dump writes them.
constexpr const char* UnlockLineFirst = "r999=$20AA";
constexpr const char* UnlockLineSecond = "r999=$2446";

enum class LineFault {
    None,
    Blank,        // nothing left after the comment cut and the trim
    WrongKind,    // a name of the other file kind ("r900" in a customer file)
    BadName,      // no "=", or a name that is no register number
    HexValue,     // "$" without 1 to 4 hexadecimal digits
    BinaryValue,  // "%" without 1 to 16 binary digits
    DecimalValue, // more than 5 decimal digits, above 65535, or not all digits
    UnknownForm,  // a value that starts with none of "$", "%", "0" to "9"
};

// Which names a file's lines carry.
enum class NameForm {
    Prefixed, // "r900" (register text files)
    Bare,     // "900" (customer files)
    Either,   // both (the syntax check of files loaded into a device)
};

struct RegisterLine {
    LineFault fault = LineFault::None;
    uint32_t reg = 0;
    uint32_t value = InvalidRegisterValue;
};

// The line without its comment and surrounding blanks.
std::string CleanRegisterLine(std::string_view line);

// Reads a cleaned line.
RegisterLine ParseRegisterLine(std::string_view cleaned, NameForm names);

// The text id of the message for a value fault ("$T30009", "$T30010",
// "$T30011", "$T30039"); "" for the other faults.
std::string FaultTextId(LineFault fault);

// The first fault of a list and the line it stands on.
struct LinesFault {
    LineFault fault = LineFault::None;
    std::size_t line = 0;
};

// Cleans every line of lines in place and stores the values of registers
// 900 to 1471 into image; lines for other registers are read, tested and
// skipped, and when a register occurs on more than one line its first value
// counts. Stops at the first line that is not valid (blank lines are
// skipped); what was stored until then stays.
LinesFault ParseRegisterLines(TStringList& lines, NameForm names, TRegisterImage& image);

// A register dump line: "r" + number + "=$" + 4 upper-case hex digits.
std::string DumpLine(uint32_t reg, uint32_t value);

// The input of the customer-file save: one line per register 900 to 1471,
// the number in decimal, "=", the cell's 16-bit value in 4 hexadecimal
// digits.
void BuildCustomerSaveLines(const TRegisterImage& image, TStringList& lines);

// The bytes of the editor's save of image: file's header prepared for it
// (unbound, editable, kind 10, the current file-format version), the save
// lines scrambled, one empty line after the checksum line. "" when the codec
// refuses.
std::string CustomerSaveBytes(TKundenFile& file, const TRegisterImage& image);

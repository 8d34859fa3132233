#pragma once
// Command line of ostara-devsim.

#include "Device.h"
#include "Faults.h"
#include "Presets.h"
#include "ValueText.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace devsim {

struct Options {
    std::uint16_t type = defaultDeviceType;
    std::string mapPath;                 // "": the device's own layout
    int channels = 0;                    // frequency-table entries in use; 0: the family's default
    std::vector<std::string> imageFiles; // applied in order after the preset
    std::vector<RegisterValue> sets;     // applied last, in order
    std::optional<std::vector<RegisterRange>> protect; // replaces the default table
    int keyingSpeed = defaultKeyingSpeed;              // units of register 939 per second
    bool echoUnlock = false; // a write's read-back of register 999 echoes the value
    int paceBaud = 0;        // 0: requests count and answers go out at once
    std::string logPath;
    std::string linkPath;
    std::vector<Fault> faults;
    bool quitOnEof = false;
    std::uint32_t seed = 0x5EED1234u;
    bool help = false;
};

// Parses the arguments after the program name; "--opt VALUE" and "--opt=VALUE"
// both work. nullopt with a message in `error` on a bad argument.
std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string* error);

// Appends the range "FROM-TO" or the single register "NNN" to `ranges`;
// "none" appends nothing (so "--protect none" alone leaves no protection).
// Returns false on bad text, `ranges` unchanged.
bool parseProtect(std::string_view text, std::vector<RegisterRange>& ranges);

std::string helpText();

} // namespace devsim

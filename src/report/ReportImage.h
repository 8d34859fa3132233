#pragma once
// The values of the configuration report, worked out from the register image:
// identity, operating mode, serial interface, channels, power, counts and
// time slots. A parameter set that cannot be printed sanely is refused with
// the message to show and the detail for the error log.

#include "device/RegisterImage.h"
#include "report/ReportLayout.h"

#include <array>
#include <cstdint>
#include <string>

struct TRegisterMap;

// Registers the report reads by number (image cells).
constexpr int SettingsWordCell = 17;  // register 917: mode bits 0..2, bit 9 radio data rate
constexpr int RepeaterStartCell = 35; // register 935
constexpr int RepeaterSizeCell = 36;  // register 936
constexpr int TimeSlotWordCell = 44;  // register 944

// What the print command has besides the image.
struct ReportSource {
    const TRegisterImage& image;
    const TRegisterMap& map;
    int family = 0;
    bool has3964R = false;
    bool lowPower = false;
    const std::array<std::string, 256>& modelNames;
    bool changesPending = false; // radio or device settings not yet written
};

enum class RefusalMessage {
    UnsavedChanges, // the texts of group 38, numbers 1 and 2, joined
    NoData,         // "$T30022"
    Aborted,        // "$T30026"
};

struct ReportOutcome {
    bool printable = false;
    ReportValues values;
    // The language text of the operating mode ("" for none); the print looks
    // it up in its own language.
    std::string modeTextId;
    RefusalMessage refusal = RefusalMessage::NoData;
    // Appended to the message in the error log; "" when nothing is logged.
    std::string logDetail;
};

// Every value of the report but the interface choice, the signature flag and
// the mode text itself; or the refusal.
ReportOutcome ReportFromImage(const ReportSource& source);

// The language text of the operating mode in bits 0..2 of mode; "" for none.
// deviceConfiguration is 1000 for family 0x10, else bit 0 of konf_geraet.
std::string ModeTextId(int family, int deviceConfiguration, bool has3964R, uint32_t mode);

// Baud index, data bits and parity of the device's serial-interface word.
struct InterfaceFormat {
    int baudIndex = 0;
    int dataBits = 0;
    int parityIndex = 0;
};
InterfaceFormat InterfaceFormatOf(uint32_t konfCom0);

// A frequency in Hz as MHz with four decimals and '.', rounded to 100 Hz
// ("433.1250").
std::string ReportFrequencyText(uint64_t hz);

#pragma once
// The texts of the main window's status line, composed from the register
// image: model, radio frequency of the active channel, serial number, radio
// address and firmware version. No widgets here; the main window applies the
// result (TForm1::UpdateStatusLine).

#include "device/RegisterImage.h"
#include "device/RegisterMap.h"

#include <array>
#include <cstdint>
#include <string>

struct StatusLineTexts {
    // The firmware value as 4 hexadecimal digits with '.' after the first
    // two (0x0530 -> "05.30").
    std::string FirmwareText;
    // False when FirmwareText does not form a number: nothing else is then
    // filled in, and the panels and the version are to stay as they were.
    bool FirmwareValid = false;
    // FirmwareText read as a decimal number (0x0530 -> 5.3) ...
    double FirmwareVersion = 0;
    // ... and the same number in integer hundredths (0x0530 -> 530), for
    // threshold comparisons that must hold exactly (0x0502 >= 502).
    int FirmwareHundredths = 0;

    // The serial number in decimal, at least 4 characters ("0027").
    std::string SerialText;

    // False when the device type is not supported; the two texts below
    // then tell so and the model name is empty.
    bool TypeKnown = false;
    std::string UnknownTypeMessage; // for the message box (with line breaks)
    std::string UnknownTypeLogLine; // for the error log (one line)

    // The model with the power variant inserted ("KVL-420 H / GN").
    std::string ModelText;
    // The frequency of the active channel in MHz, 4 decimals ("425.0000").
    std::string FrequencyText;
    // The radio address as 4 upper-case hexadecimal digits ("00A3").
    std::string AddressText;

    // Panels 0 to 4 of the status line; panel 5 belongs to the transfers.
    std::array<std::string, 5> Panels;
};

// Composes the status line of the parameter set in image, with the cells
// found through map, the model names in modelNames (indexed as
// SupportedDeviceTypes), the device family (for the pulse-output mark of
// family 0x10) and the power variant (lowPowerModule 1: " M /", else " H /").
// A cell index outside the image reads as 0.
StatusLineTexts ComposeStatusLine(const TRegisterImage& image, const TRegisterMap& map,
                                  const std::array<std::string, 256>& modelNames, int family,
                                  uint8_t lowPowerModule);

// The firmware text of a firmware value ("05.30" for 0x0530; values above
// 0xFFFF keep all their digits).
std::string FirmwareTextOf(uint32_t firmware);

// Reads a firmware text as a decimal number the way the number conversion
// does ('.' as decimal separator, the whole text must be used). False when
// it does not form a number; version and hundredths are then untouched.
bool ParseFirmwareText(const std::string& text, double& version, int& hundredths);

#include "device/StatusLine.h"

#include "device/DeviceTypes.h"
#include "platform/Numbers.h"
#include "platform/Text.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

namespace {

uint32_t CellValue(const TRegisterImage& image, long long index) {
    return IsImageIndex(index) ? image[static_cast<size_t>(index)] : 0;
}

} // namespace

std::string FirmwareTextOf(uint32_t firmware) {
    std::string text = Hex4(firmware);
    text.insert(2, ".");
    return text;
}

bool ParseFirmwareText(const std::string& text, double& version, int& hundredths) {
    if (text.empty())
        return false;
    // The conversion takes what a decimal number may hold, an exponent
    // included ("05.E1" is 50); a hexadecimal digit anywhere else fails.
    double v = 0;
    const char* const first = text.data();
    const char* const last = first + text.size();
    const auto [end, ec] = std::from_chars(first, last, v, std::chars_format::general);
    if (ec != std::errc() || end != last || !std::isfinite(v))
        return false;
    const double scaled = std::round(v * 100.0);
    version = v;
    hundredths = scaled >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(scaled);
    return true;
}

StatusLineTexts ComposeStatusLine(const TRegisterImage& image, const TRegisterMap& map,
                                  const std::array<std::string, 256>& modelNames, int family,
                                  uint8_t lowPowerModule) {
    StatusLineTexts s;
    // Firmware.
    s.FirmwareText = FirmwareTextOf(CellValue(image, map.firmware));
    s.FirmwareValid = ParseFirmwareText(s.FirmwareText, s.FirmwareVersion, s.FirmwareHundredths);
    if (!s.FirmwareValid)
        return s;

    // Serial number.
    s.SerialText = std::to_string(CellValue(image, map.seriennr));
    if (s.SerialText.size() < 4)
        s.SerialText.insert(0, 4 - s.SerialText.size(), '0');

    // Device type and model name.
    const uint32_t type = image[DeviceTypeCell];
    uint32_t index = 255;
    s.TypeKnown = FindDeviceType(type, index);
    if (!s.TypeKnown) {
        const std::string head = "Error in \"FunkId=" + std::to_string(type) + "\" number!";
        s.UnknownTypeMessage = head + "\n FW:" + s.FirmwareText + "\n SN:" + s.SerialText;
        s.UnknownTypeLogLine = head + " FW:" + s.FirmwareText + " SN:" + s.SerialText;
    }
    std::string model = index < modelNames.size() ? modelNames[index] : std::string();
    if (family == FamilyWBS420 && (CellValue(image, map.konf_impulsausgabe) & 1u) != 0)
        model += " MI";
    if (model.empty())
        model = std::string(8, ' ');
    model.insert(std::min<size_t>(7, model.size()), lowPowerModule == 1 ? " M /" : " H /");
    s.ModelText = model;

    // Frequency of the active channel.
    const long long channel = CellValue(image, map.aktu_funkkanal);
    const uint64_t number = CellValue(image, map.tab_anf_frequenz + channel);
    const uint64_t step = CellValue(image, map.tab_anf_fraster + channel);
    s.FrequencyText = FormatFixed(static_cast<double>(number * step) * 0.000001, 4);

    // Radio address.
    s.AddressText = Hex4(CellValue(image, map.adr_funklayer));

    s.Panels[0] = " TYP: " + s.ModelText;
    s.Panels[1] = " " + s.FrequencyText + " MHz";
    s.Panels[2] = " S/N: " + s.SerialText;
    s.Panels[3] = " Kd-Adr.: " + s.AddressText;
    s.Panels[4] = " SoftVers.: " + s.FirmwareText;
    return s;
}

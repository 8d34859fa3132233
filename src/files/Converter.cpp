#include "files/Converter.h"

#include "files/DeviceLoad.h"
#include "files/KundenFile.h"

const std::array<uint32_t, 19> ConverterTypeCodes = {0x21, 0x22, 0x23, 0x28, 0x29, 0x2A, 0x10,
                                                     0x11, 0x12, 0x18, 0x19, 0x1A, 0x30, 0x31,
                                                     0x32, 0xD0, 0xD1, 0x70, 0x71};

namespace {

ConvertFault FaultOf(LineFault fault) {
    switch (fault) {
    case LineFault::None:
    case LineFault::Blank:
        return ConvertFault::None;
    case LineFault::HexValue:
        return ConvertFault::Hex;
    case LineFault::BinaryValue:
        return ConvertFault::Binary;
    case LineFault::DecimalValue:
        return ConvertFault::Decimal;
    case LineFault::UnknownForm:
        return ConvertFault::UnknownForm;
    default:
        return ConvertFault::Address;
    }
}

} // namespace

ConvertedLines ConvertRegisterText(const std::vector<std::string>& lines, NameForm names) {
    ConvertedLines out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const RegisterLine line = ParseRegisterLine(CleanRegisterLine(lines[i]), names);
        if (line.fault == LineFault::Blank)
            continue;
        out.fault = FaultOf(line.fault);
        if (out.fault != ConvertFault::None) {
            out.line = i;
            out.lines.clear();
            return out;
        }
        if (line.reg <= LastDeviceRegister && line.reg != UnlockRegister)
            out.lines.push_back(DumpLine(line.reg, line.value));
    }
    if (out.lines.empty())
        out.fault = ConvertFault::NoData;
    return out;
}

std::string WriteConvertedFile(TKundenFile& codec, const std::vector<std::string>& lines,
                               const CustomerBinding& binding) {
    codec.SetServiceMode(binding.service);
    codec.SetSerial(binding.serial);
    codec.SetFlag9(false);
    codec.Info().SetVersion(binding.version);
    codec.SetControllerType(binding.controllerType);
    TStringList registers;
    registers.Lines() = lines;
    return codec.Write(registers);
}

std::string ConvertFaultMessage(ConvertFault fault, const std::string& source) {
    switch (fault) {
    case ConvertFault::Address:
        return "Parameter in RTU-File sind falsch! (ADR)";
    case ConvertFault::Hex:
        return "Parameter in RTU-File zu gro\xDF! (HEX)";
    case ConvertFault::Binary:
        return "Parameter in RTU-File zu gro\xDF! (BIN)";
    case ConvertFault::Decimal:
        return "Parameter in RTU-File zu gro\xDF! (DEZI)";
    case ConvertFault::UnknownForm:
        return "Die Datei * " + source +
               " * wird nicht unterst\xFCtzt! (keine BIN, HEX, Dezi-Datei)";
    default:
        return {};
    }
}

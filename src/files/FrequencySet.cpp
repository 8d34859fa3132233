#include "files/FrequencySet.h"

#include "files/KundenFile.h"
#include "platform/StringList.h"

namespace {

constexpr int32_t kindParameterSet = 10;
constexpr char relockLine[] = "r999=$0000";

uint32_t RegisterOfCell(int cell) {
    return static_cast<uint32_t>(cell) + FirstImageRegister;
}

} // namespace

std::vector<std::string> FrequencySetLines(const TRegisterImage& image, int countCell) {
    if (!IsImageIndex(countCell) || image[static_cast<std::size_t>(countCell)] > MaxFrequencyIndex)
        return {};
    const uint32_t count = image[static_cast<std::size_t>(countCell)];
    std::vector<std::string> lines = {DumpLine(RegisterOfCell(countCell), count)};
    for (const uint32_t table : {ChannelTableRegister, StepTableRegister})
        for (uint32_t reg = table; reg <= table + count; ++reg)
            lines.push_back(DumpLine(reg, image[reg - FirstImageRegister]));
    return lines;
}

std::string FrequencySetRegisterText(const std::vector<std::string>& lines) {
    TStringList file;
    file.Add(UnlockLineFirst);
    file.Add(UnlockLineSecond);
    file.Lines().insert(file.Lines().end(), lines.begin(), lines.end());
    file.Add(relockLine);
    return file.Text();
}

std::string FrequencySetCustomerFile(TKundenFile& codec, const std::vector<std::string>& lines) {
    codec.Reset();
    codec.SetKind(kindParameterSet);
    codec.Info().SetVersion(FileFormatVersion);
    codec.SetFlag9(false);
    codec.SetServiceMode(true);
    codec.SetFlag6(true);
    TStringList registers;
    registers.Lines() = lines;
    const std::string text = codec.Write(registers);
    codec.Reset();
    return text.empty() ? text : text + "\r\n";
}

FrequencySetLoad DecodeFrequencySet(const std::vector<std::string>& lines, NameForm names,
                                    const TRegisterImage& image, int countCell, int activeCell) {
    FrequencySetLoad load;
    load.image = image;
    const auto accepted = [&](uint32_t reg) {
        return (reg >= ChannelTableRegister && reg <= LastImageRegister) ||
               (IsImageIndex(countCell) && reg == RegisterOfCell(countCell)) ||
               (IsImageIndex(activeCell) && reg == RegisterOfCell(activeCell));
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const RegisterLine line = ParseRegisterLine(CleanRegisterLine(lines[i]), names);
        if (line.fault == LineFault::Blank)
            continue;
        if (line.fault != LineFault::None) {
            load.fault = line.fault;
            load.line = i;
            return load;
        }
        if (!accepted(line.reg))
            continue;
        uint32_t& cell = load.image[line.reg - FirstImageRegister];
        if (IsImageIndex(activeCell) && line.reg == RegisterOfCell(activeCell) &&
            cell != line.value)
            ++load.activeChannelChanges;
        cell = line.value;
    }
    load.countTooLarge = IsImageIndex(countCell) &&
                         load.image[static_cast<std::size_t>(countCell)] > MaxFrequencyIndex;
    return load;
}

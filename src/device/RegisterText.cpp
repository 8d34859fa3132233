#include "device/RegisterText.h"

#include "platform/Numbers.h"

#include <cstdio>

namespace {

// A register number as the file gives it: an integer in 0..65535.
uint32_t RegisterNumber(const std::string& text) {
    const std::optional<int> v = ParseIntOrHex(text);
    if (!v || *v < 0 || *v > 0xFFFF)
        return TRegisterText::NoRegister;
    return static_cast<uint32_t>(*v);
}

} // namespace

TRegisterText::TRegisterText() : TRegisterText(RegisterTextFile) {}

TRegisterText::TRegisterText(const std::filesystem::path& file) : ini_(file) {}

ReadRefusal TRegisterText::TakeRefusal() {
    const ReadRefusal tell = refusalTold_ ? ReadRefusal::None : ini_.LoadRefusal();
    refusalTold_ = true;
    return tell;
}

void TRegisterText::ListNames(TStringList& list, uint32_t deviceType) {
    list.Clear();
    names_.Clear();
    section_.clear();
    if (!ini_.SectionExists("Steuerung"))
        return;
    char key[16];
    std::snprintf(key, sizeof key, "0x%02X", static_cast<unsigned>(deviceType));
    // A key that names a missing section chooses it all the same: its names
    // are none, and NameOf answers "" rather than "-1".
    section_ = ini_.ReadString("Steuerung", key, "");
    if (section_.empty() || !ini_.SectionExists(section_))
        return;
    for (const std::string& name : ini_.ReadSection(section_))
        list.Add(name);
    for (const std::string& line : ini_.ReadSectionValues(section_))
        names_.Add(line);
}

uint32_t TRegisterText::NumberOf(const std::string& name) const {
    if (section_.empty() || !ini_.ValueExists(section_, name))
        return NoRegister;
    return RegisterNumber(ini_.ReadString(section_, name, ""));
}

std::string TRegisterText::NameOf(uint32_t number) const {
    if (section_.empty())
        return "-1";
    for (const std::string& line : names_.Lines()) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const uint32_t n = RegisterNumber(line.substr(eq + 1));
        if (n != NoRegister && n == number)
            return line.substr(0, eq);
    }
    return "";
}

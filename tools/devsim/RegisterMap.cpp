#include "RegisterMap.h"

#include "Layout.h"
#include "ValueText.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <vector>

namespace devsim {

namespace {

constexpr std::string_view controlSection = "steuerung";
constexpr std::array<std::string_view, 5> sectionsRead = {controlSection, "kvl420", "wbs420",
                                                          "hnq120", "hnq130"};
constexpr std::span<const std::string_view> modelSections{sectionsRead.begin() + 1,
                                                          sectionsRead.end()};

// The device's own layout. The keys of Layout.h's fixedKeys() lie on their
// registers (a test keeps the two in step); the others on free registers.
constexpr std::string_view builtInText = R"([Steuerung]
geraete_id=6
firmware=1
aktu_funkkanal=10
def_funkkanal=11
aktu_sendeleistung=12
def_sendeleistung=13
g_betriebsart=17
max_anzahl_funkkanal=250
frequenzraster=19
aktiv_zeit=44
tab_anf_sendeleistung=300
tab_end_sendeleistung=315
tab_anf_frequenz=316
tab_end_frequenz=443
tab_anf_fraster=444
tab_end_fraster=571
adr_funklayer=3
seriennr=8

[KVL420]
konf_com0=30
protokoll_com0=34
konf_geraet=37
defstationsadresse=16

[WBS420]
konf_int_eing=18
t_time=50
x_time=51
abtastrate=52
binaereingaenge=20
analogeingaenge=21
binaerausgaenge=22
analogausgaenge=23
zaehler=24
timer=25
benachbarte_zaehler=53
konf_impulsausgabe=54
gain=55
offset=56
defstationsadresse=16
konf_com0=30
protokoll_com0=34

[HNQ120]
defstationsadresse=16

[HNQ130]
konf_com0=30
protokoll_com0=34
konf_geraet=37
defstationsadresse=16
deffunkadresse=40
)";

// The keys that the program reads from [Steuerung]; every other key it reads
// from the model section of the device's family.
constexpr std::array<std::string_view, 18> controlKeys = {
    "geraete_id",         "firmware",          "aktu_funkkanal",        "def_funkkanal",
    "aktu_sendeleistung", "def_sendeleistung", "g_betriebsart",         "max_anzahl_funkkanal",
    "frequenzraster",     "aktiv_zeit",        "tab_anf_sendeleistung", "tab_end_sendeleistung",
    "tab_anf_frequenz",   "tab_end_frequenz",  "tab_anf_fraster",       "tab_end_fraster",
    "adr_funklayer",      "seriennr"};

// The keys that the program reads from each model section.
constexpr std::array<std::string_view, 4> kvlKeys = {"konf_com0", "protokoll_com0", "konf_geraet",
                                                     "defstationsadresse"};
constexpr std::array<std::string_view, 17> wbsKeys = {"konf_int_eing",
                                                      "t_time",
                                                      "x_time",
                                                      "abtastrate",
                                                      "binaereingaenge",
                                                      "analogeingaenge",
                                                      "binaerausgaenge",
                                                      "analogausgaenge",
                                                      "zaehler",
                                                      "timer",
                                                      "benachbarte_zaehler",
                                                      "konf_impulsausgabe",
                                                      "gain",
                                                      "offset",
                                                      "defstationsadresse",
                                                      "konf_com0",
                                                      "protokoll_com0"};
constexpr std::array<std::string_view, 1> hnq120Keys = {"defstationsadresse"};
constexpr std::array<std::string_view, 5> hnq130Keys = {
    "konf_com0", "protokoll_com0", "konf_geraet", "defstationsadresse", "deffunkadresse"};

bool isControlKey(std::string_view key) {
    for (std::string_view k : controlKeys) {
        if (k == key)
            return true;
    }
    return false;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::optional<std::uint16_t> find(const RegisterMap::Sections& sections, std::string_view section,
                                  const std::string& key) {
    const auto s = sections.find(std::string(section));
    if (s == sections.end())
        return std::nullopt;
    const auto k = s->second.find(key);
    if (k == s->second.end())
        return std::nullopt;
    return k->second;
}

} // namespace

std::span<const std::string_view> programSections() {
    return sectionsRead;
}

std::span<const std::string_view> programKeys(std::string_view section) {
    if (section == controlSection)
        return controlKeys;
    if (section == modelSections[0])
        return kvlKeys;
    if (section == modelSections[1])
        return wbsKeys;
    if (section == modelSections[2])
        return hnq120Keys;
    if (section == modelSections[3])
        return hnq130Keys;
    return {};
}

std::string_view modelSectionOf(int family) {
    switch (family) {
    case 0x21:
        return modelSections[0];
    case 0x10:
        return modelSections[1];
    case 0x30:
        return modelSections[2];
    case 0xD0:
        return modelSections[3];
    default:
        return {};
    }
}

void RegisterMap::add(std::string_view section, std::string_view key, std::uint16_t reg) {
    sections_[lower(section)].emplace(lower(key), reg);
}

std::optional<std::uint16_t> RegisterMap::reg(std::string_view key, int family) const {
    const std::string k = lower(key);
    if (isControlKey(k))
        return find(sections_, controlSection, k);
    const std::string_view model = modelSectionOf(family);
    if (model.empty())
        return std::nullopt;
    return find(sections_, model, k);
}

std::optional<std::uint16_t> RegisterMap::anyReg(std::string_view key) const {
    const std::string k = lower(key);
    if (isControlKey(k))
        return find(sections_, controlSection, k);
    for (std::string_view model : modelSections) {
        if (const auto r = find(sections_, model, k))
            return r;
    }
    return std::nullopt;
}

std::optional<RegisterMap> parseRegisterMap(std::string_view text, std::string* error) {
    RegisterMap map;
    std::string section;
    bool inSection = false;
    int lineNo = 0;
    const auto fail = [&](const std::string& why) -> std::optional<RegisterMap> {
        if (error)
            *error = "line " + std::to_string(lineNo) + ": " + why;
        return std::nullopt;
    };
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
        ++lineNo;
        if (const std::size_t semi = line.find(';'); semi != std::string_view::npos)
            line = line.substr(0, semi);
        line = trim(line);
        if (line.empty())
            continue;
        if (line.front() == '[') {
            if (line.back() != ']' || trim(line.substr(1, line.size() - 2)).empty())
                return fail("bad section line \"" + std::string(line) + "\"");
            section = lower(trim(line.substr(1, line.size() - 2)));
            inSection = true;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || trim(line.substr(0, eq)).empty())
            return fail("neither a section nor key=value: \"" + std::string(line) + "\"");
        if (!inSection)
            return fail("key outside a section: \"" + std::string(line) + "\"");
        const std::string_view key = trim(line.substr(0, eq));
        const auto index = parseNumber(line.substr(eq + 1), RegisterMap::maxIndex);
        if (!index)
            return fail("\"" + std::string(key) + "\" needs an index 0.." +
                        std::to_string(RegisterMap::maxIndex) + ", not \"" +
                        std::string(trim(line.substr(eq + 1))) + "\"");
        map.add(section, key, static_cast<std::uint16_t>(RegisterMap::indexBase + *index));
    }
    if (!map.sections().contains(std::string(controlSection))) {
        if (error)
            *error = "no section [Steuerung]";
        return std::nullopt;
    }
    return map;
}

std::optional<RegisterMap> loadRegisterMap(const std::string& path, std::string* error) {
    const auto fail = [&](const std::string& why) -> std::optional<RegisterMap> {
        if (error)
            *error = "cannot read register map " + path + ": " + why;
        return std::nullopt;
    };
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return fail(std::strerror(errno));
    if (S_ISDIR(st.st_mode))
        return fail("it is a folder");
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail(errno != 0 ? std::strerror(errno) : "cannot open it");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return fail("read error");
    std::string why;
    auto map = parseRegisterMap(text.str(), &why);
    if (!map && error)
        *error = "register map " + path + ": " + why;
    return map;
}

const RegisterMap& builtInRegisterMap() {
    static const RegisterMap map = [] {
        auto parsed = parseRegisterMap(builtInText, nullptr);
        return parsed ? *parsed : RegisterMap{};
    }();
    return map;
}

std::optional<MapChoice> chooseRegisterMap(const std::string& path, std::string* error) {
    if (path.empty())
        return MapChoice{builtInRegisterMap(), "built-in"};
    auto map = loadRegisterMap(path, error);
    if (!map)
        return std::nullopt;
    const std::vector<std::string> conflicts = layoutConflicts(*map);
    if (!conflicts.empty()) {
        if (error) {
            *error = "register map " + path + " contradicts the device's layout:";
            for (const std::string& c : conflicts)
                *error += "\n  " + c;
        }
        return std::nullopt;
    }
    return MapChoice{std::move(*map), path};
}

} // namespace devsim

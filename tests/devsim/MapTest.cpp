// The register map: reading steuerung.cfg, the device's own layout and the
// maps that contradict it, the parameter sets placed through a map, and how
// the process chooses its map.
#include "Device.h"
#include "Layout.h"
#include "Presets.h"
#include "RegisterMap.h"
#include "support/Devsim.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <utility>
#include <vector>

using namespace devsim;

namespace {

namespace fs = std::filesystem;

const std::string shippedMapPath = std::string(OSTARA_PROGRAM_DIR) + "/steuerung.cfg";
constexpr std::uint16_t sentinel = 0xBEEF; // in every register before a preset runs

using KeyValues = std::vector<std::pair<std::string, std::uint16_t>>;

// What the program finds through the map, per family (tables apart).
const KeyValues commonKvl = {{"geraete_id", 0x21},       {"firmware", 0x0530},
                             {"seriennr", 0x0027},       {"adr_funklayer", 0x1234},
                             {"aktu_funkkanal", 1},      {"def_funkkanal", 1},
                             {"aktu_sendeleistung", 50}, {"def_sendeleistung", 50},
                             {"g_betriebsart", 0x0001},  {"max_anzahl_funkkanal", 3},
                             {"frequenzraster", 12500},  {"aktiv_zeit", 0x03FF},
                             {"konf_com0", 3},           {"protokoll_com0", 0},
                             {"konf_geraet", 1},         {"defstationsadresse", 1}};

const KeyValues commonWbs = {{"geraete_id", 0x10},
                             {"firmware", 0x0501},
                             {"seriennr", 0x0027},
                             {"adr_funklayer", 0x1234},
                             {"aktu_funkkanal", 1},
                             {"def_funkkanal", 1},
                             {"aktu_sendeleistung", 50},
                             {"def_sendeleistung", 50},
                             {"g_betriebsart", 0x0001},
                             {"max_anzahl_funkkanal", 3},
                             {"frequenzraster", 12500},
                             {"aktiv_zeit", 0x03FF},
                             {"konf_com0", 3},
                             {"protokoll_com0", 0},
                             {"defstationsadresse", 1},
                             {"konf_int_eing", 0x0300},
                             {"t_time", 100},
                             {"x_time", 300},
                             {"abtastrate", 10},
                             {"binaereingaenge", 16},
                             {"analogeingaenge", 4},
                             {"binaerausgaenge", 8},
                             {"analogausgaenge", 2},
                             {"zaehler", 16},
                             {"timer", 4},
                             {"benachbarte_zaehler", 1},
                             {"konf_impulsausgabe", 0x0A05},
                             {"gain", 100},
                             {"offset", 20}};

// Every key the device does not fix moves to a free register (1000..1064);
// the fixed keys stay where the device keeps them.
const char* const movedMapText = R"(; a map that moves every free value
[STEUERUNG]
Geraete_ID=6
firmware=0x64
seriennr=8
adr_funklayer=103
aktu_funkkanal=10
def_funkkanal=11
aktu_sendeleistung=12
def_sendeleistung=13
g_betriebsart=17
max_anzahl_funkkanal=$FA
frequenzraster=110
aktiv_zeit=44
tab_anf_sendeleistung=300
tab_end_sendeleistung=315
tab_anf_frequenz=316
tab_end_frequenz=443
tab_anf_fraster=444
tab_end_fraster=571

[kvl420]
konf_com0=120
protokoll_com0=34
konf_geraet=122
defstationsadresse=16

[WBS420]
konf_int_eing=18
t_time=131
x_time=132
abtastrate=133
binaereingaenge=134
analogeingaenge=135
binaerausgaenge=136
analogausgaenge=137
zaehler=138
timer=139
benachbarte_zaehler=140
konf_impulsausgabe=141
gain=142
offset=143
defstationsadresse=16
konf_com0=145
protokoll_com0=34

[HNQ120]
defstationsadresse=16

[HNQ130]
konf_com0=160
protokoll_com0=34
konf_geraet=162
defstationsadresse=16
deffunkadresse=164
)";

// The map text with the line "key=..." of section replaced by line.
std::string movedWith(const std::string& section, const std::string& key, const std::string& line,
                      std::string text = movedMapText) {
    const std::size_t sec = text.find("[" + section + "]");
    const std::size_t at = text.find("\n" + key + "=", sec);
    if (sec == std::string::npos || at == std::string::npos)
        return text + "; " + section + " " + key + " not found\n";
    text.replace(at + 1, text.find('\n', at + 1) - at - 1, line);
    return text;
}

RegisterMap mapOf(const std::string& text) {
    std::string error;
    auto map = parseRegisterMap(text, &error);
    EXPECT_TRUE(map.has_value()) << error;
    return map.value_or(RegisterMap{});
}

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// A device whose every register holds the sentinel, then the preset.
Device presetDevice(std::uint16_t type, const RegisterMap& map, int channels = 0) {
    Device d;
    for (unsigned r = 0; r <= 0xFFFF; ++r)
        d.set(static_cast<std::uint16_t>(r), sentinel);
    fillPlausibleSet(d, type, map, channels);
    return d;
}

std::uint32_t limitHz(const Device& d, std::uint16_t high) {
    return (static_cast<std::uint32_t>(d.read(high)) << 16) | d.read(high + 1);
}

// The first level of the power table that holds 100, as the program's
// power-variant search finds it; -1 for none.
int levelOf100(const Device& d, std::uint16_t first, std::uint16_t last) {
    for (std::uint16_t r = first; r <= last; ++r) {
        if (d.read(r) == 100)
            return r - first;
    }
    return -1;
}

} // namespace

TEST(RegisterMap, ReadsSectionsKeysAndNumbersAsTheProgramDoes) {
    const RegisterMap map = mapOf("; comment line\r\n"
                                  "[steuerung]\r\n"
                                  "  Firmware = 0x10 ; hex\r\n"
                                  "SERIENNR=$11\n"
                                  "aktu_funkkanal=5\n"
                                  "aktu_funkkanal=6\n"
                                  "defstationsadresse=99\n"
                                  "[KVL420]\n"
                                  "DefStationsAdresse=16\n"
                                  "[Wbs420]\n"
                                  "defstationsadresse=17\n"
                                  "gain=55\n"
                                  "[HNQ130]\n"
                                  "deffunkadresse=40\n"
                                  "[Extra]\n"
                                  "firmware=1\n");
    EXPECT_EQ(map.reg("firmware", 0x21), 916);
    EXPECT_EQ(map.reg("seriennr", 0x71), 917);
    EXPECT_EQ(map.reg("aktu_funkkanal", 0x10), 905) << "the first of two equal keys counts";
    // A model key comes from the family's section only, never from [Steuerung].
    EXPECT_EQ(map.reg("defstationsadresse", 0x21), 916);
    EXPECT_EQ(map.reg("defstationsadresse", 0x10), 917);
    EXPECT_FALSE(map.reg("defstationsadresse", 0x30).has_value()) << "no [HNQ120] here";
    EXPECT_FALSE(map.reg("defstationsadresse", 0x71).has_value()) << "0x71 has no section";
    EXPECT_FALSE(map.reg("gain", 0x21).has_value());
    EXPECT_EQ(map.reg("gain", 0x10), 955);
    EXPECT_EQ(map.reg("deffunkadresse", 0xD0), 940);
    EXPECT_FALSE(map.reg("tab_anf_frequenz", 0x21).has_value());
    EXPECT_EQ(map.anyReg("defstationsadresse"), 916) << "[KVL420] before [WBS420]";
    EXPECT_EQ(map.anyReg("gain"), 955);

    EXPECT_EQ(mapOf("[Steuerung]\nfirmware=64635\n").reg("firmware", 0x21), 0xFFFF);
}

TEST(RegisterMap, RejectsBadLinesWithTheirNumber) {
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"[Steuerung]\nfirmware=1\nfirmware\n", "line 3: "},
        {"[Steuerung]\nfirmware=x1\n", "line 2: \"firmware\" needs an index"},
        {"[Steuerung]\nfirmware=-1\n", "line 2: "},
        {"[Steuerung]\nfirmware=64636\n", "line 2: "},
        {"[Steuerung]\nfirmware=\n", "line 2: "},
        {"firmware=1\n[Steuerung]\n", "line 1: key outside a section"},
        {"[Steuerung\nfirmware=1\n", "line 1: bad section"},
        {"[Steuerung]\n=5\n", "line 2: "},
        {"[KVL420]\nkonf_com0=30\n", "no section [Steuerung]"},
        {"", "no section [Steuerung]"}};
    for (const auto& [text, reason] : bad) {
        std::string error;
        EXPECT_FALSE(parseRegisterMap(text, &error).has_value()) << text;
        EXPECT_EQ(error.rfind(reason, 0), 0u) << text << " -> " << error;
    }
}

TEST(RegisterMap, BuiltInLayoutKeepsEveryFixedRegister) {
    const RegisterMap& own = builtInRegisterMap();
    EXPECT_EQ(layoutConflicts(own), std::vector<std::string>{});
    EXPECT_EQ(own.sections().size(), 5u);
    // Every fixed key is one that the program reads from that section, so
    // none of them goes unchecked; the built-in layout has every key the
    // program reads.
    for (const FixedKey& k : fixedKeys()) {
        const auto keys = programKeys(k.section);
        EXPECT_NE(std::find(keys.begin(), keys.end(), k.key), keys.end())
            << k.section << " " << k.key;
        ASSERT_NE(fixedRegisterAt(k.reg), nullptr) << k.key;
    }
    for (std::string_view section : programSections()) {
        for (std::string_view key : programKeys(section)) {
            ASSERT_TRUE(own.sections().at(std::string(section)).contains(std::string(key)))
                << section << " " << key;
        }
    }
    // The registers the program reads by number and through the map alike.
    EXPECT_EQ(own.reg("geraete_id", 0x21), typeRegister);
    EXPECT_EQ(own.reg("seriennr", 0x21), 908);
    EXPECT_EQ(own.reg("max_anzahl_funkkanal", 0x21), 1150);
}

TEST(RegisterMap, AMapThatContradictsTheLayoutIsNamedKeyByKey) {
    struct Case {
        const char* section; // as movedMapText spells it
        const char* key;
        const char* line;
        const char* conflict; // "" when the map agrees
    };
    const Case cases[] = {
        // A fixed key on another register.
        {"STEUERUNG", "max_anzahl_funkkanal", "max_anzahl_funkkanal=14",
         "[Steuerung] max_anzahl_funkkanal=14 names register 914, but the device keeps the "
         "channel count (entries in use minus 1) in register 1150 (index 250)"},
        {"STEUERUNG", "seriennr", "seriennr=2",
         "[Steuerung] seriennr=2 names register 902, but the device keeps the serial number in "
         "register 908 (index 8)"},
        {"STEUERUNG", "tab_end_frequenz", "tab_end_frequenz=442",
         "[Steuerung] tab_end_frequenz=442 names register 1342, but the device keeps the channel "
         "numbers in register 1343 (index 443)"},
        {"kvl420", "protokoll_com0", "protokoll_com0=35",
         "[KVL420] protokoll_com0=35 names register 935, but the device keeps the interface "
         "protocol in register 934 (index 34)"},
        {"WBS420", "konf_int_eing", "konf_int_eing=130",
         "[WBS420] konf_int_eing=130 names register 1030, but the device keeps the MoP time-out "
         "or counter/timer word in register 918 (index 18)"},
        {"HNQ130", "defstationsadresse", "defstationsadresse=17",
         "[HNQ130] defstationsadresse=17 names register 917, but the device keeps the station "
         "address in register 916 (index 16)"},
        // A free key on a fixed register.
        {"STEUERUNG", "frequenzraster", "frequenzraster=99",
         "[Steuerung] frequenzraster=99 names register 999, which the device uses for the unlock "
         "register"},
        {"STEUERUNG", "firmware", "firmware=180",
         "[Steuerung] firmware=180 names register 1080, which the device uses for the input "
         "power-on delays"},
        {"HNQ130", "deffunkadresse", "deffunkadresse=60",
         "[HNQ130] deffunkadresse=60 names register 960, which the device uses for the Modbus "
         "settings"},
        {"kvl420", "konf_com0", "konf_com0=8",
         "[KVL420] konf_com0=8 names register 908, which the device uses for the serial number"},
        {"WBS420", "gain", "gain=93",
         "[WBS420] gain=93 names register 993, which the device uses for the upper frequency "
         "limit"},
        // Keys the program does not read there, and missing keys, are not looked at.
        {"STEUERUNG", "aktiv_zeit", "aktiv_zeit=44\ndefstationsadresse=99", ""},
        {"HNQ120", "defstationsadresse", "defstationsadresse=16\nkonf_com0=99", ""},
        {"HNQ130", "deffunkadresse", "deffunkadresse=164\n[Extra]\nseriennr=2", ""},
        {"STEUERUNG", "seriennr", "", ""},
    };
    EXPECT_EQ(layoutConflicts(mapOf(movedMapText)), std::vector<std::string>{});
    for (const Case& c : cases) {
        const std::string text = movedWith(c.section, c.key, c.line);
        const std::vector<std::string> expected =
            *c.conflict ? std::vector<std::string>{c.conflict} : std::vector<std::string>{};
        EXPECT_EQ(layoutConflicts(mapOf(text)), expected) << c.line;
    }
}

TEST(RegisterMap, ChoiceOfTheMapFile) {
    TempDir dir("ostara-devsim-map");
    const fs::path moved = dir.Path() / "moved.cfg";
    const fs::path broken = dir.Path() / "broken.cfg";
    const fs::path contrary = dir.Path() / "contrary.cfg";
    writeFile(moved, movedMapText);
    writeFile(broken, "[Steuerung]\nfirmware=one\n");
    writeFile(contrary, movedWith("STEUERUNG", "seriennr", "seriennr=2"));
    const std::string missing = (dir.Path() / "missing.cfg").string();
    std::string error;

    auto choice = chooseRegisterMap("", &error);
    ASSERT_TRUE(choice.has_value()) << error;
    EXPECT_EQ(choice->source, "built-in");
    EXPECT_EQ(choice->map, builtInRegisterMap());

    choice = chooseRegisterMap(moved.string(), &error);
    ASSERT_TRUE(choice.has_value()) << error;
    EXPECT_EQ(choice->source, moved.string());
    EXPECT_EQ(choice->map.reg("firmware", 0x21), 1000);

    // A file that is missing, a folder, bad, or at odds with the layout.
    for (const std::string& path :
         {missing, dir.Path().string(), broken.string(), contrary.string()}) {
        error.clear();
        EXPECT_FALSE(chooseRegisterMap(path, &error).has_value()) << path;
        EXPECT_NE(error.find(path), std::string::npos) << error;
    }
    error.clear();
    EXPECT_FALSE(chooseRegisterMap(broken.string(), &error).has_value());
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
}

TEST(Presets, ValuesLieWhereTheOwnLayoutSays) {
    const RegisterMap* shipped = &builtInRegisterMap();
    const std::vector<std::pair<std::uint16_t, const KeyValues*>> cases = {{0x21, &commonKvl},
                                                                           {0x10, &commonWbs}};
    for (const auto& [type, values] : cases) {
        const int family = familyOf(type);
        const Device d = presetDevice(type, *shipped);
        for (const auto& [key, value] : *values) {
            const auto r = shipped->reg(key, family);
            ASSERT_TRUE(r.has_value()) << key;
            EXPECT_EQ(d.read(*r), value) << type << " " << key << " at " << *r;
        }
        // Power table: ascending; 100 first at level 15 (6 W) or level 3 (500 mW).
        const std::uint16_t p0 = *shipped->reg("tab_anf_sendeleistung", family);
        const std::uint16_t p1 = *shipped->reg("tab_end_sendeleistung", family);
        for (std::uint16_t r = p0 + 1; r <= p1; ++r)
            EXPECT_LE(d.read(r - 1), d.read(r)) << type << " at " << r;
        EXPECT_EQ(levelOf100(d, p0, p1), type == 0x21 ? 15 : 3);
        // The current power is a level of the table.
        bool isLevel = false;
        for (std::uint16_t r = p0; r <= p1; ++r)
            isLevel = isLevel || d.read(r) == d.read(*shipped->reg("aktu_sendeleistung", family));
        EXPECT_TRUE(isLevel) << type;
        // Four channels in use, every second 12.5 kHz channel from 433.125 MHz.
        const std::uint16_t c0 = *shipped->reg("tab_anf_frequenz", family);
        const std::uint16_t s0 = *shipped->reg("tab_anf_fraster", family);
        for (std::uint16_t i = 0; i < 128; ++i) {
            const std::uint32_t hz = std::uint32_t(d.read(c0 + i)) * d.read(s0 + i);
            EXPECT_EQ(hz, i < 4 ? 433125000u + 25000u * i : 0u) << type << " entry " << i;
        }
    }
    // The device's own registers next to the mapped ones.
    const Device kvl = presetDevice(0x21, *shipped);
    EXPECT_EQ(limitHz(kvl, 990), 350000000u);
    EXPECT_EQ(limitHz(kvl, 992), 500000000u);
    EXPECT_EQ(kvl.read(918), 10);
    EXPECT_EQ(kvl.read(932), 2);
    EXPECT_EQ(kvl.read(933), 2);
    EXPECT_EQ(kvl.read(935), 0);
    EXPECT_EQ(kvl.read(936), sentinel) << "only the 3964R type has a time-out";
    EXPECT_EQ(presetDevice(0x70, *shipped).read(936), 7500);
    const Device wbs = presetDevice(0x10, *shipped);
    EXPECT_EQ(limitHz(wbs, 990), 400000000u);
    EXPECT_EQ(limitHz(wbs, 992), 470000000u);
    for (std::uint16_t r = 1070; r <= 1085; ++r)
        EXPECT_EQ(wbs.read(r), 10) << r;
    EXPECT_EQ(wbs.read(937), sentinel) << "konf_geraet is not a key of this family";
    // Serial number and channel count where the device keeps them, nothing
    // where an older layout had them.
    EXPECT_EQ(kvl.read(908), 0x0027);
    EXPECT_EQ(kvl.read(1150), 3);
    EXPECT_EQ(kvl.read(902), sentinel);
    EXPECT_EQ(kvl.read(914), sentinel);
}

TEST(Presets, AMovedMapMovesEveryFreeValue) {
    const RegisterMap moved = mapOf(movedMapText);
    const RegisterMap& own = builtInRegisterMap();
    for (std::uint16_t type : {0x21, 0x10, 0x30, 0xD0, 0x71}) {
        const int family = familyOf(type);
        const Device reference = presetDevice(type, own);
        const Device d = presetDevice(type, moved);
        int placed = 0;
        for (const auto& [section, keys] : moved.sections()) {
            for (const auto& [key, movedReg] : keys) {
                const auto r = moved.reg(key, family);
                if (!r || *r != movedReg)
                    continue; // the program does not read this section for the family
                ++placed;
                ASSERT_TRUE(own.reg(key, family).has_value()) << key;
                if (key.rfind("tab_", 0) == 0)
                    continue;
                EXPECT_EQ(d.read(*r), reference.read(*own.reg(key, family)))
                    << type << " " << key << " at " << *r;
                EXPECT_NE(d.read(*r), sentinel) << type << " " << key;
            }
        }
        EXPECT_GE(placed, 18) << type; // the keys of [Steuerung] at least
        // A model section of another family is left alone.
        if (family != 0x10) {
            EXPECT_EQ(d.read(1042), sentinel) << type << ": gain of [WBS420]";
        }
        if (family != 0xD0) {
            EXPECT_EQ(d.read(1064), sentinel) << type << ": deffunkadresse of [HNQ130]";
        }
        // Every register the device fixes holds what the own layout gives it.
        for (const FixedRange& fixedRange : fixedRegisters()) {
            for (unsigned r = fixedRange.first; r <= fixedRange.last; ++r)
                EXPECT_EQ(d.read(r), reference.read(r)) << type << " register " << r;
        }
    }
}

TEST(Presets, ChannelCountFromOneTo128) {
    const RegisterMap& own = builtInRegisterMap();
    for (std::uint16_t type : {0x21, 0x30}) {
        const Device full = presetDevice(type, own, 128);
        EXPECT_EQ(full.read(1150), 127);
        const std::uint32_t lo = limitHz(full, 990), hi = limitHz(full, 992);
        std::uint32_t previous = 0;
        for (std::uint16_t i = 0; i < 128; ++i) {
            const std::uint32_t hz = std::uint32_t(full.read(1216 + i)) * full.read(1344 + i);
            EXPECT_GT(hz, previous) << type << " entry " << i;
            EXPECT_GE(hz, lo);
            EXPECT_LE(hz, hi);
            previous = hz;
        }
        EXPECT_NE(full.read(1343), 0);
        EXPECT_EQ(full.read(1471), type == 0x30 ? 10000 : 12500);
    }
    const Device one = presetDevice(0x21, own, 1);
    EXPECT_EQ(one.read(1150), 0);
    EXPECT_EQ(one.read(910), 0) << "the current channel must be an entry in use";
    EXPECT_EQ(one.read(911), 0);
    EXPECT_EQ(one.read(1216), 34650);
    EXPECT_EQ(one.read(1217), 0);
    EXPECT_EQ(one.read(1345), 0);
    EXPECT_EQ(presetDevice(0x21, own, 500).read(1150), 127);
    EXPECT_EQ(presetDevice(0xD0, own).read(1150), 1) << "family default";
}

namespace {

struct Finished {
    int status = -1; // raw wait status
    std::string output;
};

// Runs `program` with `args`, stdin empty, stdout and stderr together, to its
// end. --quit-on-eof makes a simulator that wrongly starts end at once.
Finished runToEnd(const std::string& program, const std::vector<std::string>& args) {
    std::string command = "exec '" + program + "' --quit-on-eof";
    for (const std::string& a : args)
        command += " '" + a + "'";
    command += " </dev/null 2>&1";
    Finished f;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return f;
    char buf[512];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
        f.output.append(buf, n);
    f.status = pclose(pipe);
    return f;
}

// A copy of the simulator in its own folder, with or without a map beside it.
class DevsimCopy : public ::testing::Test {
protected:
    TempDir dir{"ostara-devsim-copy"};
    std::string program;

    void SetUp() override {
        program = (dir.Path() / "ostara-devsim").string();
        fs::copy_file(OSTARA_DEVSIM, program);
        fs::permissions(program, fs::perms::owner_all, fs::perm_options::add);
    }
};

} // namespace

TEST_F(DevsimCopy, AMapThatCannotBeReadOrContradictsTheLayoutEndsTheStart) {
    const std::string missing = (dir.Path() / "missing.cfg").string();
    Finished f = runToEnd(OSTARA_DEVSIM, {"--map", missing});
    ASSERT_TRUE(WIFEXITED(f.status)) << f.status;
    EXPECT_EQ(WEXITSTATUS(f.status), 2) << f.output;
    EXPECT_NE(f.output.find("cannot read register map " + missing), std::string::npos) << f.output;
    EXPECT_EQ(f.output.find("ready on"), std::string::npos);

    const fs::path broken = dir.Path() / "broken.cfg";
    writeFile(broken, "[Steuerung]\nfirmware=1\nnonsense\n");
    f = runToEnd(OSTARA_DEVSIM, {"--map=" + broken.string()});
    ASSERT_TRUE(WIFEXITED(f.status));
    EXPECT_EQ(WEXITSTATUS(f.status), 2) << f.output;
    EXPECT_NE(f.output.find("line 3"), std::string::npos) << f.output;

    // A map at odds with the device's layout: every contradiction named.
    const fs::path contrary = dir.Path() / "contrary.cfg";
    writeFile(contrary, movedWith("STEUERUNG", "frequenzraster", "frequenzraster=99",
                                  movedWith("STEUERUNG", "seriennr", "seriennr=2")));
    f = runToEnd(OSTARA_DEVSIM, {"--map", contrary.string()});
    ASSERT_TRUE(WIFEXITED(f.status));
    EXPECT_EQ(WEXITSTATUS(f.status), 2) << f.output;
    EXPECT_NE(f.output.find("ostara-devsim: register map " + contrary.string() +
                            " contradicts the device's layout:\n"),
              std::string::npos)
        << f.output;
    EXPECT_NE(f.output.find("\n  [Steuerung] seriennr=2 names register 902, but the device keeps "
                            "the serial number in register 908"),
              std::string::npos)
        << f.output;
    EXPECT_NE(f.output.find("\n  [Steuerung] frequenzraster=99 names register 999, which the "
                            "device uses for the unlock register"),
              std::string::npos)
        << f.output;
    EXPECT_EQ(f.output.find("ready on"), std::string::npos);
}

TEST_F(DevsimCopy, AMapBesideItIsNotRead) {
    // A map of the old layout beside the simulator is not read.
    writeFile(dir.Path() / "steuerung.cfg",
              movedWith("STEUERUNG", "max_anzahl_funkkanal", "max_anzahl_funkkanal=14",
                        movedWith("STEUERUNG", "seriennr", "seriennr=2")));
    testsupport::Devsim sim(program, {"--type", "0x10"});
    ASSERT_TRUE(sim.Ready()) << sim.Failure();
    EXPECT_EQ(sim.Command("get 906"), "906=16");
    EXPECT_EQ(sim.Command("get 901"), "901=1281"); // 0x0501
    EXPECT_EQ(sim.Command("get 908"), "908=39");   // serial number 0x0027
    EXPECT_EQ(sim.Command("get 918"), "918=768");  // konf_int_eing 0x0300
    EXPECT_EQ(sim.Command("get 955"), "955=100");  // gain
    EXPECT_EQ(sim.Command("get 1150"), "1150=3");
    EXPECT_EQ(sim.Command("get 1203"), "1203=100");
    EXPECT_EQ(sim.Command("get 902"), "902=0");
    EXPECT_EQ(sim.Command("get 914"), "914=0");
    EXPECT_EQ(sim.Command("get 1000"), "1000=0");
}

TEST(DevsimProcessMap, AGivenMapMovesTheFreeValues) {
    TempDir dir("ostara-devsim-map");
    const fs::path moved = dir.Path() / "moved.cfg";
    writeFile(moved, movedMapText);
    testsupport::Devsim sim(OSTARA_DEVSIM,
                            {"--type", "0x21", "--channels", "128", "--map", moved.string()});
    ASSERT_TRUE(sim.Ready()) << sim.Failure();
    EXPECT_EQ(sim.Command("get 1000"), "1000=1328");  // firmware 0x0530
    EXPECT_EQ(sim.Command("get 1010"), "1010=12500"); // frequency step
    EXPECT_EQ(sim.Command("get 1020"), "1020=3");     // interface of [KVL420]
    EXPECT_EQ(sim.Command("get 906"), "906=33");
    EXPECT_EQ(sim.Command("get 1150"), "1150=127");
    EXPECT_EQ(sim.Command("get 1343"), "1343=34904"); // entry 127: 436.3000 MHz
}

TEST(DevsimProcessMap, ChannelsOptionFillsTheLastEntry) {
    // The map shipped with the program agrees with the device's layout.
    testsupport::Devsim sim(OSTARA_DEVSIM, {"--map", shippedMapPath, "--channels=128"});
    ASSERT_TRUE(sim.Ready()) << sim.Failure();
    EXPECT_EQ(sim.Command("get 1150"), "1150=127");
    EXPECT_EQ(sim.Command("get 1343"), "1343=34904"); // 436.3000 MHz
    EXPECT_EQ(sim.Command("get 1471"), "1471=12500");
}

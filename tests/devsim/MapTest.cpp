// The register map: reading steuerung.cfg, the built-in layout, the parameter
// sets placed through a map, and how the process finds its map.
#include "Device.h"
#include "Presets.h"
#include "RegisterMap.h"
#include "support/Devsim.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

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

// Every index differs from the shipped map; the tables lie behind the image.
const char* const movedMapText = R"(; a map that moves every value
[STEUERUNG]
Geraete_ID=100
firmware=0x65
seriennr=102
adr_funklayer=103
aktu_funkkanal=104
def_funkkanal=105
aktu_sendeleistung=106
def_sendeleistung=107
g_betriebsart=108
max_anzahl_funkkanal=109
frequenzraster=110
aktiv_zeit=111
tab_anf_sendeleistung=1000   ; registers 1900..1915
tab_end_sendeleistung=1015
tab_anf_frequenz=1100        ; 2000..2127
tab_end_frequenz=1227
tab_anf_fraster=1300         ; 2200..2327
tab_end_fraster=1427

[kvl420]
konf_com0=120
protokoll_com0=121
konf_geraet=122
defstationsadresse=123

[WBS420]
konf_int_eing=130
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
defstationsadresse=144
konf_com0=145
protokoll_com0=146

[HNQ120]
defstationsadresse=150

[HNQ130]
konf_com0=160
protokoll_com0=161
konf_geraet=162
defstationsadresse=163
deffunkadresse=164
)";

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

TEST(RegisterMap, BuiltInLayoutIsTheShippedFile) {
    std::string error;
    const auto shipped = loadRegisterMap(shippedMapPath, &error);
    ASSERT_TRUE(shipped.has_value()) << error;
    EXPECT_EQ(shipped->sections(), builtInRegisterMap().sections());
    EXPECT_EQ(shipped->sections().size(), 5u);
    // The tables lie where the program also reads them by number.
    const RegisterMap& own = builtInRegisterMap();
    EXPECT_EQ(own.reg("tab_anf_sendeleistung", 0x21), 1200);
    EXPECT_EQ(own.reg("tab_end_sendeleistung", 0x21), 1215);
    EXPECT_EQ(own.reg("tab_anf_frequenz", 0x21), 1216);
    EXPECT_EQ(own.reg("tab_end_frequenz", 0x21), 1343);
    EXPECT_EQ(own.reg("tab_anf_fraster", 0x21), 1344);
    EXPECT_EQ(own.reg("tab_end_fraster", 0x21), 1471);
    EXPECT_EQ(own.reg("geraete_id", 0x21), typeRegister);
}

TEST(RegisterMap, ChoiceOfTheMapFile) {
    TempDir dir("ostara-devsim-map");
    const fs::path moved = dir.Path() / "moved.cfg";
    const fs::path broken = dir.Path() / "broken.cfg";
    writeFile(moved, movedMapText);
    writeFile(broken, "[Steuerung]\nfirmware=one\n");
    const std::string missing = (dir.Path() / "missing.cfg").string();
    std::string error;

    auto choice = chooseRegisterMap("", missing, &error);
    ASSERT_TRUE(choice.has_value()) << error;
    EXPECT_EQ(choice->source, "built-in");
    EXPECT_EQ(choice->map, builtInRegisterMap());
    choice = chooseRegisterMap("", "", &error);
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->source, "built-in");

    choice = chooseRegisterMap("", moved.string(), &error);
    ASSERT_TRUE(choice.has_value()) << error;
    EXPECT_EQ(choice->source, moved.string());
    EXPECT_EQ(choice->map.reg("firmware", 0x21), 1001);
    choice = chooseRegisterMap(moved.string(), missing, &error);
    ASSERT_TRUE(choice.has_value()) << error;
    EXPECT_EQ(choice->map.reg("firmware", 0x21), 1001);

    // An explicit file that is missing, a folder or bad; a bad default file.
    for (const std::string& path : {missing, dir.Path().string(), broken.string()}) {
        error.clear();
        EXPECT_FALSE(chooseRegisterMap(path, moved.string(), &error).has_value()) << path;
        EXPECT_NE(error.find(path), std::string::npos) << error;
    }
    error.clear();
    EXPECT_FALSE(chooseRegisterMap("", broken.string(), &error).has_value());
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    EXPECT_EQ(defaultMapPath().substr(defaultMapPath().rfind('/')), "/steuerung.cfg");
}

TEST(Presets, ValuesLieWhereTheShippedMapSays) {
    std::string error;
    const auto shipped = loadRegisterMap(shippedMapPath, &error);
    ASSERT_TRUE(shipped.has_value()) << error;
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
}

TEST(Presets, AMovedMapMovesEveryValue) {
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
        // The tables, moved and at the registers read by number, equal the reference.
        for (std::uint16_t i = 0; i < 16; ++i)
            EXPECT_EQ(d.read(1900 + i), reference.read(1200 + i)) << type << " level " << i;
        EXPECT_EQ(d.read(1916), sentinel) << "past the end of the moved power table";
        for (std::uint16_t i = 0; i < 128; ++i) {
            EXPECT_EQ(d.read(2000 + i), reference.read(1216 + i)) << type << " entry " << i;
            EXPECT_EQ(d.read(2200 + i), reference.read(1344 + i)) << type << " entry " << i;
        }
        for (std::uint16_t r :
             {906, 910, 911, 912, 913, 1150, 917, 944, 990, 993, 1200, 1215, 1216, 1219, 1344, 1347})
            EXPECT_EQ(d.read(r), reference.read(r)) << type << " register " << r;
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

TEST_F(DevsimCopy, AMapThatCannotBeReadEndsTheStart) {
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

    // A broken map beside the program is an error too, not a silent fallback.
    fs::copy_file(broken, dir.Path() / "steuerung.cfg");
    f = runToEnd(program, {});
    ASSERT_TRUE(WIFEXITED(f.status));
    EXPECT_EQ(WEXITSTATUS(f.status), 2) << f.output;
}

TEST_F(DevsimCopy, WithoutAMapBesideItTheBuiltInLayoutServes) {
    testsupport::Devsim sim(program, {"--type", "0x10"});
    ASSERT_TRUE(sim.Ready()) << sim.Failure();
    EXPECT_EQ(sim.Command("get 906"), "906=16");
    EXPECT_EQ(sim.Command("get 901"), "901=1281"); // 0x0501
    EXPECT_EQ(sim.Command("get 918"), "918=768");  // konf_int_eing 0x0300
    EXPECT_EQ(sim.Command("get 955"), "955=100");  // gain
    EXPECT_EQ(sim.Command("get 1150"), "1150=3");
    EXPECT_EQ(sim.Command("get 1203"), "1203=100");
}

TEST_F(DevsimCopy, TheMapBesideItIsFollowed) {
    writeFile(dir.Path() / "steuerung.cfg", movedMapText);
    testsupport::Devsim sim(program, {"--type", "0x21", "--channels", "128"});
    ASSERT_TRUE(sim.Ready()) << sim.Failure();
    EXPECT_EQ(sim.Command("get 1000"), "1000=33");    // geraete_id
    EXPECT_EQ(sim.Command("get 1001"), "1001=1328");  // firmware 0x0530
    EXPECT_EQ(sim.Command("get 1009"), "1009=127");   // channel count
    EXPECT_EQ(sim.Command("get 1023"), "1023=1");     // station address of [KVL420]
    EXPECT_EQ(sim.Command("get 1915"), "1915=100");   // top power level
    EXPECT_EQ(sim.Command("get 2127"), "2127=34904"); // entry 127: 436.3000 MHz
    EXPECT_EQ(sim.Command("get 2327"), "2327=12500");
    // The fixed tables hold the same entry.
    EXPECT_EQ(sim.Command("get 1343"), "1343=34904");
}

TEST(DevsimProcessMap, ChannelsOptionFillsTheLastEntry) {
    testsupport::Devsim sim(OSTARA_DEVSIM, {"--map", shippedMapPath, "--channels=128"});
    ASSERT_TRUE(sim.Ready()) << sim.Failure();
    EXPECT_EQ(sim.Command("get 1150"), "1150=127");
    EXPECT_EQ(sim.Command("get 1343"), "1343=34904"); // 436.3000 MHz
    EXPECT_EQ(sim.Command("get 1471"), "1471=12500");
}

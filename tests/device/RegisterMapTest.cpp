// The register map loader: the shipped steuerung.cfg for every family, and
// damaged or hostile files, which must never bring an index outside the
// register image into the map.
#include "device/RegisterMap.h"

#include "device/RegisterImage.h"
#include "platform/StringList.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path shippedMap = fs::path(OSTARA_PROGRAM_DIR) / "steuerung.cfg";

std::string ShippedText() {
    std::ifstream in(shippedMap, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

static_assert(std::has_unique_object_representations_v<TRegisterMap>);
bool SameMap(const TRegisterMap& a, const TRegisterMap& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::vector<std::string> Range(int first, int last) {
    std::vector<std::string> out;
    for (int i = first; i <= last; ++i)
        out.push_back(std::to_string(i));
    return out;
}

// The list the shipped map gives: the common keys in their order, tables
// expanded, serial number last; then the family's own keys.
std::vector<std::string> ShippedList(int family) {
    std::vector<std::string> list = {"6", "1", "10", "11", "12", "13", "17", "250", "19", "44"};
    for (const auto& part : {Range(300, 315), Range(316, 443), Range(444, 571)})
        list.insert(list.end(), part.begin(), part.end());
    list.push_back("8");
    std::vector<std::string> own;
    switch (family) {
    case 0x21:
        own = {"30", "34", "37", "16"};
        break;
    case 0x10:
        own = {"18", "50", "51", "52", "20", "21", "22", "23", "24",
               "25", "53", "54", "55", "56", "16", "30", "34"};
        break;
    case 0x30:
        own = {"16"};
        break;
    case 0xD0:
        own = {"30", "34", "37", "16", "40"};
        break;
    }
    list.insert(list.end(), own.begin(), own.end());
    return list;
}

// The registers the devices use for one thing each, which the program also
// addresses by number, as first and last.
const std::pair<int, int> deviceRegisters[] = {
    {906, 906}, {908, 908}, {910, 913}, {915, 918},   {932, 936},   {939, 939},   {944, 944},
    {958, 964}, {990, 993}, {999, 999}, {1070, 1085}, {1150, 1150}, {1200, 1471},
};

bool IsDeviceRegister(int reg) {
    return std::ranges::any_of(deviceRegisters,
                               [reg](const auto& r) { return r.first <= reg && reg <= r.second; });
}

class RegisterMapTest : public ::testing::Test {
protected:
    // Writes text as steuerung.cfg into the temp folder and returns its path.
    fs::path Write(const std::string& text) {
        const fs::path file = tmp_.Path() / "steuerung.cfg";
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        return file;
    }
    // The shipped text with the line "key=..." of section replaced by line
    // (emptied when line is empty). Headings are found at a line start: the
    // comment at the top names the sections too.
    static std::string Replace(std::string text, const std::string& section, const std::string& key,
                               const std::string& line) {
        const size_t sec = text.find("\n[" + section + "]");
        EXPECT_NE(sec, std::string::npos) << section;
        const size_t at = text.find("\n" + key + "=", sec);
        EXPECT_NE(at, std::string::npos) << key;
        const size_t end = text.find('\n', at + 1);
        text.replace(at + 1, end - at - 1, line);
        return text;
    }
    // Removes a whole section: its heading and its lines.
    static std::string WithoutSection(std::string text, const std::string& section) {
        const size_t sec = text.find("\n[" + section + "]");
        EXPECT_NE(sec, std::string::npos) << section;
        const size_t end = text.find("\n[", sec + 1);
        text.erase(sec, (end == std::string::npos ? text.size() : end) - sec);
        return text;
    }

    // A state that a failed load must leave as it is: the shipped map of
    // family 0xD0, which sets every variable the program knows.
    void LoadKnownState() {
        ASSERT_EQ(LoadRegisterMap(shippedMap, 0xD0, map_, list_), MapLoadResult::Loaded);
        knownMap_ = map_;
        knownList_ = list_.Lines();
    }
    void ExpectKnownState() const {
        EXPECT_TRUE(SameMap(map_, knownMap_)) << "the map was changed";
        EXPECT_EQ(list_.Lines(), knownList_) << "the list was changed";
    }

    TempDir tmp_{"ostara-map"};
    TRegisterMap map_;
    TStringList list_;
    TRegisterMap knownMap_;
    std::vector<std::string> knownList_;
};

// Each family's own keys, and each key on the register the device uses it for
// or on one the device leaves free.
TEST_F(RegisterMapTest, ShippedMapLoadsForEveryFamilyWithCommonAndOwnKeys) {
    ASSERT_TRUE(fs::is_regular_file(shippedMap)) << shippedMap;
    using M = TRegisterMap;
    struct Fixed {
        int32_t M::*field;
        int reg;
        std::vector<int> families = {}; // whose sections have the key; none: every family
    };
    // clang-format off
    const Fixed fixed[] = {
        {&M::geraete_id, 906}, {&M::seriennr, 908}, {&M::aktu_funkkanal, 910},
        {&M::def_funkkanal, 911}, {&M::aktu_sendeleistung, 912}, {&M::def_sendeleistung, 913},
        {&M::g_betriebsart, 917}, {&M::aktiv_zeit, 944}, {&M::max_anzahl_funkkanal, 1150},
        {&M::tab_anf_sendeleistung, 1200}, {&M::tab_end_sendeleistung, 1215},
        {&M::tab_anf_frequenz, 1216}, {&M::tab_end_frequenz, 1343},
        {&M::tab_anf_fraster, 1344}, {&M::tab_end_fraster, 1471},
        {&M::defstationsadresse, 916, {0x21, 0x10, 0x30, 0xD0}},
        {&M::protokoll_com0, 934, {0x21, 0x10, 0xD0}}, {&M::konf_int_eing, 918, {0x10}}};
    // clang-format on
    for (int family : {0, 0x21, 0x10, 0x30, 0xD0, 0x71}) {
        SCOPED_TRACE("family " + std::to_string(family));
        TRegisterMap map;
        TStringList list;
        list.Add("left over");
        ASSERT_EQ(LoadRegisterMap(shippedMap, family, map, list), MapLoadResult::Loaded);
        EXPECT_EQ(list.Lines(), ShippedList(family));
        EXPECT_EQ(map.geraete_id, 6);
        EXPECT_EQ(map.aktu_funkkanal, 10);
        EXPECT_EQ(map.max_anzahl_funkkanal, 250);
        EXPECT_EQ(map.tab_anf_sendeleistung, 300);
        EXPECT_EQ(map.tab_end_fraster, 571);
        EXPECT_EQ(map.adr_funklayer, 3);
        EXPECT_EQ(list.IndexOf("3"), -1) << "the radio-layer address is not listed";
        EXPECT_EQ(map.seriennr, 8);
        if (family == 0)
            continue;
        std::set<int> own; // the indexes of the fixed keys
        for (const Fixed& f : fixed)
            if (f.families.empty() || std::ranges::count(f.families, family) != 0) {
                EXPECT_EQ(map.*(f.field) + 900, f.reg);
                own.insert(f.reg - 900);
            }
        // Every other key lies on a register the device leaves free (the
        // tables aside), and no two keys share one.
        std::set<int> seen;
        for (const std::string& text : list.Lines()) {
            const int index = std::stoi(text);
            EXPECT_TRUE(seen.insert(index).second) << "index " << index;
            if (!own.contains(index) && (index < 300 || index > 571)) {
                EXPECT_FALSE(IsDeviceRegister(index + 900)) << "index " << index;
            }
        }
        EXPECT_FALSE(IsDeviceRegister(map.adr_funklayer + 900));
        EXPECT_FALSE(seen.contains(map.adr_funklayer));
    }
}

TEST_F(RegisterMapTest, FrequencyTableIsExpandedAscendingInOneRun) {
    ASSERT_EQ(LoadRegisterMap(shippedMap, 0x21, map_, list_), MapLoadResult::Loaded);
    const int at = list_.IndexOf("316");
    ASSERT_GE(at, 0);
    const std::vector<std::string> run(list_.Lines().begin() + at,
                                       list_.Lines().begin() + at + 128);
    EXPECT_EQ(run, Range(316, 443));
    EXPECT_EQ(list_[at + 128], "444");
}

TEST_F(RegisterMapTest, EachFamilyReadsItsOwnSectionOnly) {
    // Family 0x71 (and no family) read only the common section: the model
    // variables of an earlier family do not linger, they read as 0.
    TRegisterMap map;
    map.konf_com0 = 77;
    map.deffunkadresse = 78;
    ASSERT_EQ(LoadRegisterMap(shippedMap, 0x71, map, list_), MapLoadResult::Loaded);
    EXPECT_EQ(map.konf_com0, 0);
    EXPECT_EQ(map.deffunkadresse, 0);
    EXPECT_EQ(map.aktu_funkkanal, 10);

    // The HNQ-120's section names no protocol register, whatever was loaded before.
    ASSERT_EQ(LoadRegisterMap(shippedMap, 0xD0, map, list_), MapLoadResult::Loaded);
    ASSERT_EQ(map.protokoll_com0, 34);
    ASSERT_EQ(LoadRegisterMap(shippedMap, 0x30, map, list_), MapLoadResult::Loaded);
    EXPECT_EQ(map.protokoll_com0, 0);
    EXPECT_EQ(map.defstationsadresse, 16);

    ASSERT_EQ(LoadRegisterMap(shippedMap, 0xD0, map, list_), MapLoadResult::Loaded);
    EXPECT_EQ(map.deffunkadresse, 40);
    EXPECT_EQ(map.konf_geraet, 37);
    EXPECT_EQ(list_.Lines().back(), "40");

    TRegisterMap wbs;
    ASSERT_EQ(LoadRegisterMap(shippedMap, 0x10, wbs, list_), MapLoadResult::Loaded);
    EXPECT_EQ(wbs.gain, 55);
    EXPECT_EQ(wbs.offset, 56);
    EXPECT_EQ(wbs.konf_int_eing, 18);
    EXPECT_EQ(wbs.deffunkadresse, 0);

    // A bad value in one model section fails only the family that reads it.
    const struct {
        const char* section;
        int family;
    } sections[] = {{"KVL420", 0x21}, {"WBS420", 0x10}, {"HNQ120", 0x30}, {"HNQ130", 0xD0}};
    for (const auto& s : sections) {
        SCOPED_TRACE(s.section);
        const fs::path file = Write(
            Replace(ShippedText(), s.section, "defstationsadresse", "defstationsadresse=600"));
        for (int family : {0, 0x21, 0x10, 0x30, 0xD0, 0x71}) {
            TRegisterMap m;
            TStringList l;
            EXPECT_EQ(LoadRegisterMap(file, family, m, l),
                      family == s.family ? MapLoadResult::IndexOutOfRange : MapLoadResult::Loaded)
                << "family " << family;
        }
    }
}

TEST_F(RegisterMapTest, MissingFileOrSectionLeavesMapAndListAlone) {
    LoadKnownState();
    EXPECT_EQ(LoadRegisterMap(tmp_.Path() / "nothing.cfg", 0x21, map_, list_),
              MapLoadResult::FileMissing);
    ExpectKnownState();
    // A folder of that name is no file either.
    fs::create_directory(tmp_.Path() / "folder.cfg");
    EXPECT_EQ(LoadRegisterMap(tmp_.Path() / "folder.cfg", 0x21, map_, list_),
              MapLoadResult::FileMissing);
    ExpectKnownState();

    // Every section is required, whatever the family.
    for (const char* section : {"Steuerung", "KVL420", "WBS420", "HNQ120", "HNQ130"}) {
        SCOPED_TRACE(section);
        const fs::path file = Write(WithoutSection(ShippedText(), section));
        for (int family : {0x21, 0x71}) {
            EXPECT_EQ(LoadRegisterMap(file, family, map_, list_), MapLoadResult::SectionMissing);
            ExpectKnownState();
        }
    }
    EXPECT_EQ(LoadRegisterMap(Write(""), 0x21, map_, list_), MapLoadResult::SectionMissing);
    ExpectKnownState();
}

TEST_F(RegisterMapTest, MissingListedKeyFailsAndKeepsWhatWasRead) {
    LoadKnownState();
    const fs::path file = Write(Replace(ShippedText(), "Steuerung", "firmware", ""));
    EXPECT_EQ(LoadRegisterMap(file, 0x21, map_, list_), MapLoadResult::IndexZero);
    EXPECT_EQ(map_.firmware, 0);
    EXPECT_EQ(map_.aktu_funkkanal, 10) << "the keys after it were read";
    EXPECT_EQ(map_.seriennr, 8);
    EXPECT_EQ(map_.konf_com0, 30);
    ASSERT_GE(list_.Count(), 2u);
    EXPECT_EQ(list_[1], "0");
    EXPECT_EQ(list_.Count(), ShippedList(0x21).size());

    // A model key missing: only its family fails.
    const fs::path noRadioAddress = Write(Replace(ShippedText(), "HNQ130", "deffunkadresse", ""));
    EXPECT_EQ(LoadRegisterMap(noRadioAddress, 0xD0, map_, list_), MapLoadResult::IndexZero);
    EXPECT_EQ(map_.deffunkadresse, 0);
    EXPECT_EQ(list_.Lines().back(), "0");
    EXPECT_EQ(LoadRegisterMap(noRadioAddress, 0x21, map_, list_), MapLoadResult::Loaded);

    // A key given as 0 is the same as a missing one.
    EXPECT_EQ(LoadRegisterMap(Write(Replace(ShippedText(), "Steuerung", "seriennr", "seriennr=0")),
                              0x71, map_, list_),
              MapLoadResult::IndexZero);
}

TEST_F(RegisterMapTest, MissingRadioLayerAddressDoesNotFail) {
    const fs::path file = Write(Replace(ShippedText(), "Steuerung", "adr_funklayer", ""));
    map_.adr_funklayer = 3;
    EXPECT_EQ(LoadRegisterMap(file, 0x21, map_, list_), MapLoadResult::Loaded);
    EXPECT_EQ(map_.adr_funklayer, 0);
    EXPECT_EQ(list_.Lines(), ShippedList(0x21));
}

TEST_F(RegisterMapTest, TableRangesStartAboveEndAddNothingAndStartAtZeroFails) {
    std::string text =
        Replace(ShippedText(), "Steuerung", "tab_anf_fraster", "tab_anf_fraster=500");
    text = Replace(text, "Steuerung", "tab_end_fraster", "tab_end_fraster=444");
    EXPECT_EQ(LoadRegisterMap(Write(text), 0x21, map_, list_), MapLoadResult::Loaded);
    std::vector<std::string> expected = ShippedList(0x21);
    const auto from = std::find(expected.begin(), expected.end(), "444");
    expected.erase(from, from + 128);
    EXPECT_EQ(list_.Lines(), expected);
    EXPECT_EQ(map_.tab_anf_fraster, 500);
    EXPECT_EQ(map_.tab_end_fraster, 444);

    // A one-entry table.
    text =
        Replace(ShippedText(), "Steuerung", "tab_end_sendeleistung", "tab_end_sendeleistung=300");
    EXPECT_EQ(LoadRegisterMap(Write(text), 0x21, map_, list_), MapLoadResult::Loaded);
    EXPECT_EQ(list_.Count(), ShippedList(0x21).size() - 15);

    text = Replace(ShippedText(), "Steuerung", "tab_anf_sendeleistung", "tab_anf_sendeleistung=0");
    EXPECT_EQ(LoadRegisterMap(Write(text), 0x21, map_, list_), MapLoadResult::IndexZero);
    EXPECT_EQ(list_.Count(), ShippedList(0x21).size() + 300);
    EXPECT_EQ(map_.tab_anf_sendeleistung, 0);
}

TEST_F(RegisterMapTest, IndexesOutsideTheImageAreRefusedAndChangeNothing) {
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"Steuerung", "geraete_id", "600"},
        {"Steuerung", "geraete_id", "-1"},
        {"Steuerung", "aktu_funkkanal", "2147483647"},
        {"Steuerung", "adr_funklayer", "70000"}, // not listed, still an index
        {"Steuerung", "tab_end_frequenz", "650"},
        {"Steuerung", "tab_anf_fraster", "-1"}, // would walk 4 billion entries
        {"Steuerung", "tab_anf_sendeleistung", "-2147483648"},
        {"Steuerung", "firmware", "0x258"},
        {"Steuerung", "seriennr", "$FFFFFFFF"},
        {"HNQ130", "deffunkadresse", "0xFFFF"},
    };
    LoadKnownState();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        const fs::path file =
            Write(Replace(ShippedText(), c.section, c.key, std::string(c.key) + "=" + c.value));
        EXPECT_EQ(LoadRegisterMap(file, 0xD0, map_, list_), MapLoadResult::IndexOutOfRange);
        ExpectKnownState();
    }

    // The last cell of the image is a valid index, in hex as well.
    std::string text =
        Replace(ShippedText(), "Steuerung", "tab_end_fraster", "tab_end_fraster=599");
    text = Replace(text, "Steuerung", "firmware", "firmware=0x1F");
    EXPECT_EQ(LoadRegisterMap(Write(text), 0xD0, map_, list_), MapLoadResult::Loaded);
    EXPECT_EQ(map_.firmware, 31);
    EXPECT_EQ(list_.Count(), ShippedList(0xD0).size() + 28);
    EXPECT_GE(list_.IndexOf("599"), 0);
}

TEST(ModelSection, NamesTheSectionOfEachFamily) {
    EXPECT_EQ(ModelSectionOf(0x21), "KVL420");
    EXPECT_EQ(ModelSectionOf(0x10), "WBS420");
    EXPECT_EQ(ModelSectionOf(0x30), "HNQ120");
    EXPECT_EQ(ModelSectionOf(0xD0), "HNQ130");
    EXPECT_EQ(ModelSectionOf(0x71), "");
    EXPECT_EQ(ModelSectionOf(0), "");
}

} // namespace

// Register names per device type: the lookups on well-formed and on damaged
// files, and the shipped RegisterText.txt against the shipped register map.
#include "device/RegisterText.h"

#include "device/DeviceTypes.h"
#include "device/RegisterMap.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>

namespace {

namespace fs = std::filesystem;

const std::string goodFile = "[Steuerung]\r\n0x21=Modem\r\n0xD0=Fehlt\r\n0x10=Rtu\r\n"
                             "[Modem]\r\nKanal=910\r\nTyp=906\r\nZweiter Name=906\r\n"
                             "Gross=70000\r\nKein=abc\r\nVoll=16777215\r\n[Rtu]\r\nTyp=906\r\n";

} // namespace

TEST(RegisterText, LookupsOnGoodAndDamagedFiles) {
    const std::string longName(5000, 'x');
    struct Row {
        std::optional<std::string> file; // none: no file at all
        uint32_t type;
        size_t names;
        uint32_t number;
        std::string nameOfNumber;
        std::string name;
        uint32_t numberOfName;
    };
    const uint32_t none = TRegisterText::NoRegister;
    const std::string limit = goodFile + std::string(MaxFileBytes - goodFile.size(), '\0');
    const Row rows[] = {
        // One number under two names gives the first; 70000, text and
        // 0xFFFFFF never match.
        {goodFile, 0x21, 6, 906, "Typ", "Kanal", 910},
        {goodFile, 0x21, 6, 70000 & 0xFFFF, "", "Gross", none},
        {goodFile, 0x21, 6, none, "", "Voll", none},
        {goodFile, 0x21, 6, 0, "", "Kein", none},
        {goodFile, 0x10, 1, 906, "Typ", "Kanal", none},
        {goodFile, 0x30, 0, 906, "-1", "Typ", none},                 // no key for the type
        {goodFile, 0xD0, 0, 906, "", "Typ", none},                   // key names a missing section
        {std::nullopt, 0x21, 0, 906, "-1", "Typ", none},             // no file
        {"[Modem]\r\nTyp=906\r\n", 0x21, 0, 906, "-1", "Typ", none}, // no [Steuerung]
        {"\xFF\xFE\x01junk\r\n[Steuerung]\r\n0x21=S\r\n[S]\r\n" + longName + "=906\r\nN\x80me=905",
         0x21, 2, 906, longName, "N\x80me", 905},
        // As large as a file is read; one byte more is refused, and told once.
        {limit, 0x21, 6, 906, "Typ", "Kanal", 910},
        {limit + '\0', 0x21, 0, 906, "-1", "Kanal", none},
    };
    for (const Row& r : rows) {
        TempDir dir;
        const fs::path file = dir.Path() / "RegisterText.txt";
        if (r.file)
            std::ofstream(file, std::ios::binary) << *r.file;
        TRegisterText text(file);
        TStringList list;
        list.Add("stale");
        text.ListNames(list, r.type);
        const std::string what = "type " + std::to_string(r.type) + " name " + r.name;
        EXPECT_EQ(list.Count(), r.names) << what;
        EXPECT_EQ(text.NameOf(r.number), r.nameOfNumber) << what;
        EXPECT_EQ(text.NumberOf(r.name), r.numberOfName) << what;
        EXPECT_EQ(text.TakeRefusal(), r.file && r.file->size() > MaxFileBytes
                                          ? ReadRefusal::TooLarge
                                          : ReadRefusal::None)
            << what;
        EXPECT_EQ(text.TakeRefusal(), ReadRefusal::None) << what;
    }
}

// Every type code has a section, and each name that stands for a key of the
// register map names the register the family's map gives it (and is absent
// where the family's map has no such key).
TEST(RegisterText, ShippedNamesAgreeWithTheShippedMap) {
    const fs::path program(OSTARA_PROGRAM_DIR);
    // Map key "=" the name of its register, "|" between two.
    std::istringstream keyNames(
        "geraete_id=Ger\xE4tetyp|firmware=Firmware|aktu_funkkanal=Aktueller Kanal|"
        "def_funkkanal=Einschaltkanal|aktu_sendeleistung=Aktuelle Sendeleistung|"
        "def_sendeleistung=Einschalt-Sendeleistung|g_betriebsart=Betriebsart|"
        "max_anzahl_funkkanal=Kanalanzahl - 1|frequenzraster=Frequenzraster|"
        "aktiv_zeit=Aktive Zeitschlitze|tab_anf_sendeleistung=Leistungstabelle Anfang|"
        "tab_end_sendeleistung=Leistungstabelle Ende|"
        "tab_anf_frequenz=Kanaltabelle Anfang|tab_end_frequenz=Kanaltabelle Ende|"
        "tab_anf_fraster=Rastertabelle Anfang|tab_end_fraster=Rastertabelle Ende|"
        "adr_funklayer=Funklayer-Adresse|seriennr=Seriennummer|"
        "konf_com0=Schnittstellenformat|protokoll_com0=Schnittstellenprotokoll|"
        "konf_geraet=Ger\xE4tekonfiguration|defstationsadresse=Stationsadresse|"
        "konf_int_eing=Z\xE4hler/Timer-Art|t_time=t-Timeout|x_time=x-Timeout|"
        "abtastrate=Abtastrate|binaereingaenge=Bin\xE4reing\xE4nge|"
        "analogeingaenge=Analogeing\xE4nge|binaerausgaenge=Bin\xE4rausg\xE4nge|"
        "analogausgaenge=Analogausg\xE4nge|zaehler=Z\xE4hler|timer=Timer|"
        "benachbarte_zaehler=Z\xE4hlerkopplung|konf_impulsausgabe=Impulsausgabe|"
        "gain=Verst\xE4rkung|offset=Offset|deffunkadresse=Funkadresse");
    std::vector<std::pair<std::string, std::string>> keys;
    for (std::string item; std::getline(keyNames, item, '|');)
        keys.emplace_back(item.substr(0, item.find('=')), item.substr(item.find('=') + 1));
    const TMemIniFile map(program / "steuerung.cfg");
    TRegisterText text(program / "RegisterText.txt");
    for (size_t i = 0; SupportedDeviceTypes[i] != 0; ++i) {
        const uint32_t type = SupportedDeviceTypes[i];
        TStringList names;
        text.ListNames(names, type);
        ASSERT_GT(names.Count(), 0u) << "type " << type;
        const std::string model = ModelSectionOf(DeviceTypeInfoOf(type).family);
        for (const auto& [key, name] : keys) {
            int index = map.ReadInteger("Steuerung", key, 0);
            if (index == 0 && !model.empty())
                index = map.ReadInteger(model, key, 0);
            EXPECT_EQ(text.NumberOf(name),
                      index != 0 ? static_cast<uint32_t>(index + 900) : TRegisterText::NoRegister)
                << "type " << type << " section " << text.Section() << ": " << name;
        }
    }
}

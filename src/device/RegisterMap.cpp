#include "device/RegisterMap.h"

#include "device/DeviceTypes.h"
#include "device/RegisterImage.h"
#include "platform/IniFile.h"
#include "platform/StringList.h"

#include <system_error>
#include <vector>

TRegisterMap RegisterMap;

namespace {

enum class Kind { Listed, Unlisted, RangeStart, RangeEnd };

struct Key {
    const char* name;
    int32_t TRegisterMap::*field;
    Kind kind;
};

using M = TRegisterMap;

// The common keys in the order they are read and listed.
const std::vector<Key> commonKeys = {
    {"geraete_id", &M::geraete_id, Kind::Listed},
    {"firmware", &M::firmware, Kind::Listed},
    {"aktu_funkkanal", &M::aktu_funkkanal, Kind::Listed},
    {"def_funkkanal", &M::def_funkkanal, Kind::Listed},
    {"aktu_sendeleistung", &M::aktu_sendeleistung, Kind::Listed},
    {"def_sendeleistung", &M::def_sendeleistung, Kind::Listed},
    {"g_betriebsart", &M::g_betriebsart, Kind::Listed},
    {"max_anzahl_funkkanal", &M::max_anzahl_funkkanal, Kind::Listed},
    {"frequenzraster", &M::frequenzraster, Kind::Listed},
    {"aktiv_zeit", &M::aktiv_zeit, Kind::Listed},
    {"tab_anf_sendeleistung", &M::tab_anf_sendeleistung, Kind::RangeStart},
    {"tab_end_sendeleistung", &M::tab_end_sendeleistung, Kind::RangeEnd},
    {"tab_anf_frequenz", &M::tab_anf_frequenz, Kind::RangeStart},
    {"tab_end_frequenz", &M::tab_end_frequenz, Kind::RangeEnd},
    {"tab_anf_fraster", &M::tab_anf_fraster, Kind::RangeStart},
    {"tab_end_fraster", &M::tab_end_fraster, Kind::RangeEnd},
    {"adr_funklayer", &M::adr_funklayer, Kind::Unlisted},
    {"seriennr", &M::seriennr, Kind::Listed},
};

const std::vector<Key> kvlKeys = {
    {"konf_com0", &M::konf_com0, Kind::Listed},
    {"protokoll_com0", &M::protokoll_com0, Kind::Listed},
    {"konf_geraet", &M::konf_geraet, Kind::Listed},
    {"defstationsadresse", &M::defstationsadresse, Kind::Listed},
};

const std::vector<Key> wbsKeys = {
    {"konf_int_eing", &M::konf_int_eing, Kind::Listed},
    {"t_time", &M::t_time, Kind::Listed},
    {"x_time", &M::x_time, Kind::Listed},
    {"abtastrate", &M::abtastrate, Kind::Listed},
    {"binaereingaenge", &M::binaereingaenge, Kind::Listed},
    {"analogeingaenge", &M::analogeingaenge, Kind::Listed},
    {"binaerausgaenge", &M::binaerausgaenge, Kind::Listed},
    {"analogausgaenge", &M::analogausgaenge, Kind::Listed},
    {"zaehler", &M::zaehler, Kind::Listed},
    {"timer", &M::timer, Kind::Listed},
    {"benachbarte_zaehler", &M::benachbarte_zaehler, Kind::Listed},
    {"konf_impulsausgabe", &M::konf_impulsausgabe, Kind::Listed},
    {"gain", &M::gain, Kind::Listed},
    {"offset", &M::offset, Kind::Listed},
    {"defstationsadresse", &M::defstationsadresse, Kind::Listed},
    {"konf_com0", &M::konf_com0, Kind::Listed},
    {"protokoll_com0", &M::protokoll_com0, Kind::Listed},
};

const std::vector<Key> hnq120Keys = {
    {"defstationsadresse", &M::defstationsadresse, Kind::Listed},
};

const std::vector<Key> hnq130Keys = {
    {"konf_com0", &M::konf_com0, Kind::Listed},
    {"protokoll_com0", &M::protokoll_com0, Kind::Listed},
    {"konf_geraet", &M::konf_geraet, Kind::Listed},
    {"defstationsadresse", &M::defstationsadresse, Kind::Listed},
    {"deffunkadresse", &M::deffunkadresse, Kind::Listed},
};

const std::vector<Key>* ModelKeys(int family) {
    switch (family) {
    case FamilyKVL420:
        return &kvlKeys;
    case FamilyWBS420:
        return &wbsKeys;
    case FamilyHNQ120:
        return &hnq120Keys;
    case FamilyHNQ130:
        return &hnq130Keys;
    default:
        return nullptr;
    }
}

// Reads one section's keys into map and list. Returns false when an index
// (or a table) reaches outside the image.
bool ReadKeys(const TMemIniFile& ini, const std::string& section, const std::vector<Key>& keys,
              TRegisterMap& map, TStringList& list) {
    bool inRange = true;
    int32_t rangeStart = 0;
    for (const Key& key : keys) {
        const int32_t value = ini.ReadInteger(section, key.name, 0);
        map.*key.field = value;
        if (!IsImageIndex(value))
            inRange = false;
        switch (key.kind) {
        case Kind::Listed:
            list.Add(std::to_string(value));
            break;
        case Kind::Unlisted:
            break;
        case Kind::RangeStart:
            rangeStart = value;
            break;
        case Kind::RangeEnd:
            // Compared unsigned: a start above the end adds nothing. Out of
            // range tables are refused as a whole above, so the walk is short.
            if (IsImageIndex(rangeStart) && IsImageIndex(value))
                for (int32_t i = rangeStart; i <= value; ++i)
                    list.Add(std::to_string(i));
            break;
        }
    }
    return inRange;
}

} // namespace

std::string ModelSectionOf(int family) {
    switch (family) {
    case FamilyKVL420:
        return "KVL420";
    case FamilyWBS420:
        return "WBS420";
    case FamilyHNQ120:
        return "HNQ120";
    case FamilyHNQ130:
        return "HNQ130";
    default:
        return "";
    }
}

MapLoadResult LoadRegisterMap(const std::filesystem::path& file, int family, TRegisterMap& map,
                              TStringList& mapped) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return MapLoadResult::FileMissing;
    const TMemIniFile ini(file);
    for (const char* section : {"Steuerung", "KVL420", "WBS420", "HNQ120", "HNQ130"})
        if (!ini.SectionExists(section))
            return MapLoadResult::SectionMissing;

    // Keys of other families' sections are not this family's: they read as 0
    // (register 900, which no listed key may name), not as the last family's.
    TRegisterMap read{};
    TStringList list;
    bool inRange = ReadKeys(ini, "Steuerung", commonKeys, read, list);
    if (const std::vector<Key>* keys = ModelKeys(family))
        inRange = ReadKeys(ini, ModelSectionOf(family), *keys, read, list) && inRange;
    if (!inRange)
        return MapLoadResult::IndexOutOfRange;

    map = read;
    mapped = list;
    return list.IndexOf("0") >= 0 ? MapLoadResult::IndexZero : MapLoadResult::Loaded;
}

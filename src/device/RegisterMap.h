#pragma once
// The register map: where each parameter of a device family lives in the
// register image, read from steuerung.cfg. Every value is an image index
// (register number - 900). A key that is missing reads as 0 (register 900).

#include <cstdint>
#include <filesystem>
#include <string>

class TStringList;

struct TRegisterMap {
    // [Steuerung]
    int32_t geraete_id = 0;
    int32_t firmware = 0;
    int32_t aktu_funkkanal = 0;
    int32_t def_funkkanal = 0;
    int32_t aktu_sendeleistung = 0;
    int32_t def_sendeleistung = 0;
    int32_t g_betriebsart = 0;
    int32_t max_anzahl_funkkanal = 0;
    int32_t frequenzraster = 0;
    int32_t aktiv_zeit = 0;
    int32_t tab_anf_sendeleistung = 0;
    int32_t tab_end_sendeleistung = 0;
    int32_t tab_anf_frequenz = 0;
    int32_t tab_end_frequenz = 0;
    int32_t tab_anf_fraster = 0;
    int32_t tab_end_fraster = 0;
    int32_t adr_funklayer = 0;
    int32_t seriennr = 0;
    // Model sections; a key that several sections have fills one variable.
    int32_t konf_com0 = 0;
    int32_t protokoll_com0 = 0;
    int32_t konf_geraet = 0;
    int32_t defstationsadresse = 0;
    int32_t konf_int_eing = 0;
    int32_t t_time = 0;
    int32_t x_time = 0;
    int32_t abtastrate = 0;
    int32_t binaereingaenge = 0;
    int32_t analogeingaenge = 0;
    int32_t binaerausgaenge = 0;
    int32_t analogausgaenge = 0;
    int32_t zaehler = 0;
    int32_t timer = 0;
    int32_t benachbarte_zaehler = 0;
    int32_t konf_impulsausgabe = 0;
    int32_t gain = 0;
    int32_t offset = 0;
    int32_t deffunkadresse = 0;
};

extern TRegisterMap RegisterMap;

enum class MapLoadResult {
    Loaded,
    FileMissing,    // no such file
    SectionMissing, // one of the five sections is missing (or the file unreadable)
    IndexZero,      // a listed key is missing or 0, or a table covers index 0
    IndexOutOfRange // an index, or a table, reaches outside the register image
};

// Loads the map of a family (0x21, 0x10, 0x30, 0xD0, 0x71; 0 reads only the
// common section) from file into map, and refills mapped with the decimal
// texts of every listed index in key order, tables expanded.
// Keys that only other families' sections hold are 0 afterwards.
// FileMissing and SectionMissing leave map and mapped as they were. IndexZero
// keeps what was read. IndexOutOfRange leaves both as they were, so no index
// outside the image is ever taken over.
MapLoadResult LoadRegisterMap(const std::filesystem::path& file, int family, TRegisterMap& map,
                              TStringList& mapped);

// The section of a family's own keys ("" for families without one).
std::string ModelSectionOf(int family);

#pragma once
// The logic behind the radio pages and the frequency editor, free of widgets:
// frequency arithmetic and texts, the device range, the editor's paging, the
// time-slot word, the operating-mode codes and the guards that keep values
// read from the register image from addressing anything outside it.
//
// Frequencies inside the editor are integers in units of 100 Hz (4331250 is
// 433.1250 MHz). All arithmetic is 64-bit, so no product of two cells wraps.

#include "device/RegisterImage.h"

#include <cstdint>
#include <optional>
#include <string>

struct TRegisterMap;

// ---- Frequencies -----------------------------------------------------------

// Entries of the device's frequency table.
constexpr int FrequencyTableEntries = 128;
// The largest frequency the editor accepts as typed text (500.0000 MHz).
constexpr int64_t MaxTypedFrequency = 5000000;
// The two channel rasters in Hz.
constexpr uint32_t WideStepHz = 12500;
constexpr uint32_t NarrowStepHz = 10000;

// Frequency of an entry in Hz: channel number x step (Hz).
uint64_t EntryFrequencyHz(uint32_t channel, uint32_t stepHz);

// Frequency of an entry in units of 100 Hz. A remainder above 50 Hz rounds
// up; exactly 50 Hz rounds down, as the editor's rounding does.
int64_t EntryFrequencyUnits(uint32_t channel, uint32_t stepHz);

// The text of a frequency in units of 100 Hz: the MHz as at least three
// digits, ".", four decimals ("433.1250"; 0 gives "000.0000"). For 100.0000
// to 999.9999 MHz this is the editor's text; past that the MHz part grows
// ("1000.0000"). Negative values read as 0.
std::string FrequencyText(int64_t units);

// The units of a typed text, as the editor reads its row: a text without "."
// gets one after the third character, the text is cut to 8 characters or
// padded on the right with "0" to 8, and the digits without the "." are the
// value. 0 when the text is no number or the value lies outside
// 1..MaxTypedFrequency.
int64_t FrequencyFromText(const std::string& text);

// The device range the editor checks against, in units of 100 Hz.
struct FrequencyRange {
    int64_t minimum = 0;
    int64_t maximum = 0;
    bool isDefault = false; // the device gave no limits: 350.0000-500.0000 MHz
};

constexpr int64_t DefaultMinimumFrequency = 3500000;
constexpr int64_t DefaultMaximumFrequency = 5000000;

// The range from registers 990..993 (lower and upper limit in Hz, high word
// first), each divided by 100. A register holding 65535, or a limit that
// comes out as 0, gives the default range with isDefault set.
FrequencyRange EditorFrequencyRange(const TRegisterImage& image);

// The range as the editor's info line shows it:
// "350.0000 MHz  -  500.0000 MHz", framed "!! " .. " !!" for the default.
std::string FrequencyRangeText(const FrequencyRange& range);

// The raster of a frequency in units of 100 Hz: 125 on the 12.5 kHz raster
// (also when it lies on both), else 100 on the 10 kHz raster; 0 when it lies
// on neither or outside the range (ends included).
int RasterStep(int64_t units, const FrequencyRange& range);
bool IsValidFrequency(int64_t units, const FrequencyRange& range);

// What an entry's two cells hold after a frequency was typed: channel number
// and step in Hz (12500 or 10000); 0 and 0 for a refused frequency (and for
// one whose channel number would not fit a 16-bit register).
struct EntryCells {
    uint32_t channel = 0;
    uint32_t stepHz = 0;
};
EntryCells EntryCellsFor(int64_t units, const FrequencyRange& range);

// ---- The editor's pages ----------------------------------------------------

constexpr int RowsPerPage = 12;

// An entry count kept to 1..FrequencyTableEntries.
int ClampEntryCount(int64_t count);
// Pages over count entries (count clamped): ceil(count / 12).
int PageCount(int64_t count);
// Rows shown on page (1-based); -1 for a page outside 1..PageCount.
int RowsOnPage(int64_t count, int page);
// The first entry (0-based) of page (1-based); -1 for a page below 1.
int FirstEntryOfPage(int page);
// The page chooser's text of page (1-based): "13 - 13"; empty outside.
std::string PageRangeText(int64_t count, int page);

// ---- Time slots ------------------------------------------------------------

constexpr int TimeSlotCount = 10;
constexpr int SubSlotItemCount = 5;

// Slot 1..10 (Z1..Z10) is bit 0..9; false for any other slot.
bool TimeSlotActive(uint32_t word, int slot);
// The word with the bit of slot set or cleared; unchanged for another slot.
uint32_t WithTimeSlot(uint32_t word, int slot, bool active);

// The high-nibble code of a sub-slot item: items 0..4 give 0, 8, 4, 2, 1;
// any other item 0.
uint32_t SubSlotCode(int item);
// The sub-slot item of a word: 1 for bit 15, else 2 for bit 14, 3 for bit
// 13, 4 for bit 12, else 0 (the highest set bit wins).
int SubSlotItem(uint32_t word);
// The word after choosing item: bits 15..12 replaced by the item's code,
// every other bit kept.
uint32_t WithSubSlot(uint32_t word, int item);

// ---- Operating mode --------------------------------------------------------

// The item list shown for a device: family 0x21 has four items with bit 0
// of konf_geraet set, else two with the 3964R protocol, else three; family
// 0x10 has seven; other families none.
struct OperatingModeVariant {
    int family = 0;
    bool konfGeraetBit0 = false;
    bool has3964R = false;
};

int OperatingModeItemCount(const OperatingModeVariant& variant);
// The code (bits 0..2 of g_betriebsart) an item writes. Family 0x21: the
// item itself, for items of its list only; family 0x10: 0, 6, 4, 1, 3, 5, 7
// for items 0..6 and 0 for any other; nothing for other families.
std::optional<uint32_t> OperatingModeCode(const OperatingModeVariant& variant, int item);
// The item that shows the mode in bits 0..2 of cell; -1 when none does.
int OperatingModeItem(const OperatingModeVariant& variant, uint32_t cell);
// cell := (cell AND 0xFFF8) OR code.
uint32_t WithOperatingMode(uint32_t cell, uint32_t code);

// ---- Values read from the image --------------------------------------------

// A value kept inside the range it may address, and whether it had to be
// moved there.
struct ClampedValue {
    int value = 0;
    bool outOfRange = false;
};

ClampedValue ClampToRange(int64_t value, int lo, int hi);

// The cell max_anzahl_funkkanal (entries in use minus 1) kept to 0..127.
ClampedValue LastEntryIndex(const TRegisterImage& image, const TRegisterMap& map);
// The cell aktu_funkkanal (current channel) kept to 0..127.
ClampedValue CurrentChannelIndex(const TRegisterImage& image, const TRegisterMap& map);
// Entries of the power table tab_anf_sendeleistung..tab_end_sendeleistung,
// kept to 1..the power levels of the variant (4 for the low-power module,
// else 16). 0 and out of range when the map's table lies (partly) outside
// the image or ends before it starts.
ClampedValue PowerTableLength(const TRegisterMap& map, bool lowPowerModule);
int PowerLevelCount(bool lowPowerModule);
// True when both 128-cell tables (channel numbers and steps) of the map lie
// inside the image.
bool FrequencyTablesInImage(const TRegisterMap& map);

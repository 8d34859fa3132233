#pragma once
// The decisions behind the tab pages that need no window: which tabs a
// family shows, the page layout selector, the protocol and power choices,
// the channel list's texts and columns, the frequency editor's typing and
// its fill of empty entries.

#include "device/RegisterImage.h"
#include "pages/RadioLogic.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

struct TRegisterMap;

// ---- Visibility profiles ---------------------------------------------------

// The tabs of the device-settings page control a profile decides, in the
// page control's order (InputTabSheet belongs to no profile).
enum class SettingsTab {
    Grundeinstellung,
    rtu_io,
    zaehler_a,
    zaehler_b,
    Betriebsart1,
    comport,
    Impulsausgabe1,
    Modbus,
    dzfEinstellung,
};
constexpr int SettingsTabCount = 9;

struct TabShown {
    SettingsTab tab;
    bool shown;
};

// The profile of a family: for every tab above whether it is shown (and
// enabled). Families 0x21, 0x10, 0xD0, 0x30 and 0x71 have a profile; any
// other family gives an empty list.
std::vector<TabShown> SettingsProfile(uint32_t family);

// ---- Page layout selector --------------------------------------------------

// 1000 for family 0x10, else bit 0 of the konf_geraet cell.
int KonfGeraetBit0For(uint32_t family, uint32_t konfGeraet);

// Whether the time-slot group is shown: selector 1, or family 0xD0 or 0x30,
// or family 0x10 whose mode (bits 0..2 of register 917) is none of 0, 4, 6.
bool TimeSlotsShown(int konfGeraetBit0, uint32_t family, uint32_t register917);

// ---- Protocol group --------------------------------------------------------

// Protocol items of family 0x21: five when the firmware (in hundredths) is
// at least 502 and the device has no 3964R protocol, else four.
int ProtocolItemCount33(int firmwareHundredths, bool has3964R);
// Family 0x10: the item of a protocol word (0x2012 -> 1, 0x0710 -> 2,
// 0x2209 -> 3, any other 0) and the word of an item (0, 0x2012, 0x0710,
// 0x2209 for items 0..3; 0 for any other).
int ProtocolItem16(uint32_t word);
uint32_t ProtocolWord16(int item);

// ---- Power group -----------------------------------------------------------

// The captions of the power levels: four up to 500 mW for the low-power
// module, else sixteen up to 6 W.
std::vector<std::string> PowerCaptions(bool lowPowerModule);
// Columns of the power group: 2 for the low-power module, else 4.
int PowerColumns(bool lowPowerModule);
// The caption of a level the device's value does not match exactly.
std::string MarkedPowerCaption(const std::string& caption); // "(- " + caption + " -)"

// ---- Channel list ----------------------------------------------------------

// Columns of the channel list for count entries: count div d, d from the
// list's table (1 below 5 .. 15 above 128).
int ChannelColumns(int count);
// The columns the channel list shows: the wanted ones, fewer when that many
// items of itemWidth do not fit side by side into room (at least one; the
// list scrolls down to the rest).
int FittingColumns(int wanted, int itemWidth, int room);
// The item of entry (0-based): "f1 = 433.1250", the frequency in MHz with
// four decimals, computed without rounding errors.
std::string ChannelItemText(int entry, uint32_t channel, uint32_t stepHz);

// ---- Frequency editor ------------------------------------------------------

// The text of a row after a key: what a key typed into a row edit does to
// its text and caret, and the frequency the text then stands for.
struct RowKeyResult {
    std::string text;  // the row's new text, "ddd.dddd"
    int caret = 0;     // the caret position after the key
    int64_t units = 0; // the frequency typed, in units of 100 Hz (0: none)
};

// The key codes a row sees besides digits and ".".
constexpr char BackspaceKey = '\b';

// Typing key into a row whose text is text, caret at caret with selLength
// characters selected (from the caret on): a selection is replaced by the
// key and zeros, Backspace deletes left of the caret (nothing at position
// 0), a digit overwrites the character right of the caret (stepping over the
// point), any other key changes nothing; the text is then put back into the
// form "ddd.dddd". A text that is no number, or a value outside
// 1..MaxTypedFrequency, becomes "000.0000" with units 0.
RowKeyResult TypeRowKey(const std::string& text, int caret, int selLength, char key);

// The Delete key: the selection, or the one character right of the caret,
// is removed, then the text is re-padded as after any key; the caret stays.
RowKeyResult DeleteInRow(const std::string& text, int caret, int selLength);

// Fills empty entries (channel x step = 0) that follow a non-empty one with
// that entry's channel and step, in ascending order over entries 1..127,
// straight into the image. Entries in keep (0-based) are left as they are,
// so an entry the user marked invalid stays invalid. Does nothing when the
// map's tables do not lie inside the image.
void FillEmptyEntries(TRegisterImage& image, const TRegisterMap& map, const std::set<int>& keep);

#pragma once
// The decisions behind the device-settings tabs that need no window: what the
// settings group shows for a device, the serial interface's format codes, the
// lists of the time-out combos and the repeater's address choices.

#include <cstdint>

// ---- The settings group (register 917 and its companions) ------------------

// What the settings page is decided from: the family, the firmware in
// hundredths (5.02 is 502), the device type code and the cells it shows.
struct SettingsInput {
    int family = 0;
    int firmware = 0;
    uint32_t typeCode = 0;
    uint32_t reg917 = 0;    // the settings word
    uint32_t reg918 = 0;    // the MoP time-out in units of 10 ms (family 0x21)
    uint32_t reg915 = 0;    // bit 0 clear: MoP2 switched off
    uint32_t reg934 = 0;    // 3: RTS on
    uint32_t operating = 0; // the g_betriebsart cell
};

struct OptionState {
    bool visible = false;
    bool enabled = false;
    bool checked = false;
};

// A choice group or combo box; item -1 selects nothing.
struct ChoiceState {
    bool visible = false;
    bool enabled = false;
    int item = -1;
};

// Every control of the settings group, each decided every time: nothing a
// previous device showed carries over.
struct SettingsPageState {
    bool groupVisible = false; // reg917
    OptionState GatewayFunktion, GatewayMRTU, S7OPC, FeldstaerkenByte, Counter, CounterWrite,
        Pipeline, MoPMastermode, MOP2deaktivieren, RTSaktivieren;
    OptionState MoPtimeout; // the label of the time-out box
    ChoiceState DatenrateFunk, ComRS4xx, MoPtimeoutBox1;
    int mopTimeoutItems = 0; // 250 for family 0x21, else the box is empty
    bool FadresseVisible = false;

    bool operator==(const SettingsPageState&) const = default;
};

SettingsPageState SettingsPageFor(const SettingsInput& in);

// Items of the MoP time-out box: 10 ms ... 2500 ms.
constexpr int MopTimeoutItemCount = 250;

// The item of a combo whose value is item + 1 (registers 918, 932, 933):
// value - 1 when it lies within the list's count items, else -1.
int ComboItemOf(uint32_t value, int count);

// ---- Serial interface (konf_com0) -------------------------------------------

constexpr int BaudRateItems = 7; // 1200 ... 38400 bps
constexpr int ParityNone = 2;    // Parity items: 0 odd, 1 even, 2 none
constexpr int DataBitsSeven = 1; // Datenbits items: 0 eight, 1 seven

// The baud-rate item of the cell (bits 0..2); -1 for code 7, which has none.
int BaudRateItem(uint32_t konfCom0);
// The cell with the baud-rate code of item.
uint32_t WithBaudRate(uint32_t konfCom0, int item);

struct FormatItems {
    int parity = ParityNone;
    int dataBits = 0;
};

// The items that show bits 3..5 of the cell: bit 3 clear is no parity with 8
// data bits (codes outside the table included); bit 3 set gives 8 data bits
// from bit 5 and odd parity from bit 4.
FormatItems FormatItemsOf(uint32_t konfCom0);
// Bits 3..5 (as the value 0..7) of a choice: no parity 000, 7 even 001,
// 7 odd 011, 8 even 101, 8 odd 111.
uint32_t FormatCode(int parity, int dataBits);
// The cell with bits 3..5 replaced by the code of the choice.
uint32_t WithFormat(uint32_t konfCom0, int parity, int dataBits);

// ---- 3964R time-out (register 936, units of 4 us) ----------------------------

constexpr int TimeoutZ2Items = 26; // 10 ms ... 260 ms

// The item that shows the register: whole 10 ms steps less one, 0 below
// 10 ms, the last item from 270 ms on.
int TimeoutZ2Item(uint32_t reg936);
// The register value of an item: (item + 1) x 2500.
uint32_t TimeoutZ2Value(int item);

// ---- Repeater (family 0x71) -------------------------------------------------

// Register 935 bits 0..4: start-address item; register 936 bits 0..2: size item.
int RepeaterStartItem(uint32_t reg935);
int RepeaterSizeItem(uint32_t reg936);
uint32_t WithRepeaterStart(uint32_t reg935, int item);
uint32_t WithRepeaterSize(uint32_t reg936, int item);

#pragma once
// The configuration report without a window: the values a print shows, the
// captions it takes from the language file, and its two layouts as lists of
// styled lines. A line is text laid out with tab characters against the
// page's tab stops; a line break inside a value ("\n" followed by three tabs)
// continues the value on the next line under its first column.
//
// The full layout serves every family except 0x71, which has the short one.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class TSprache;

// ---- Values ------------------------------------------------------------------

// What one print shows; the print command fills it from the register image.
struct ReportValues {
    std::string modelText;    // type line; its model word decides the sections
    std::string protocolText; // protocol line of families without protocol items
    std::string modeText;
    std::string stationText;
    std::string frequencyText; // current channel, shown with more than 16 channels
    uint16_t timeSlots = 0;    // bits 0..9 slots 1..10; bits 12..15 the signed cycle
    std::string dataRateText;  // "" leaves the data-rate line out
    std::string radioAddressText;
    std::string serialText;
    std::string firmwareText;
    std::string channelList; // "f;f;...;" up to 16 channels, else "lowest - highest"
    int dataBits = 0;        // 8, 7 or 0 (neither ticked)
    int baudIndex = 0;       // 0..6 tick "1200 bps".."38400 bps"; 7 ticks none
    int parityIndex = 0;     // 0..2: none, even, odd
    int interfaceIndex = 0;  // 0..2: RS-232, RS-485, RS-422
    uint32_t currentChannel = 0;
    int channelCount = 0;
    uint32_t powerIndex = 0;
    bool lowPower = false; // 4 power levels up to 500 mW, else 16 up to 6 W
    int family = 0;
    uint32_t protocolValue = 0;
    uint16_t binaryInputs = 0;
    uint16_t binaryOutputs = 0;
    int16_t analogInputs = 0;
    uint16_t shortValue1 = 0; // start address of the short layout
    uint16_t shortValue2 = 0; // size of its address range
    bool signature = false;   // the date block ends with a signature line
};

// ---- Captions ----------------------------------------------------------------

constexpr int ReportCaptionCount = 40;

// The fixed texts of the report in the print's language.
struct ReportCaptions {
    // "$T40001".."$T40040"; the first 33 with one blank appended.
    std::array<std::string, ReportCaptionCount> group40;
    std::array<std::string, 5> protocols21; // "$T17002".."$T17006"
    std::array<std::string, 3> protocols10; // "$T17008".."$T17010"
    std::string wbsProtocolLabel;           // "$T17013" + "$T17001"
    std::string dataRateLabel;              // "$T14018"
    std::string footer;                     // group 37, numbers 1 to 5, joined

    // Caption n of group 40 (1..40); "" for any other n.
    const std::string& C(int n) const;
};

// Reads every caption from the language service as it is pointed now. A
// missing text leaves the service's placeholder in its slot.
ReportCaptions ReadReportCaptions(TSprache& sprache);

// ---- Styled lines ------------------------------------------------------------

constexpr int ReportDefaultFontSize = 12;
constexpr int ReportTitleFontSize = 25;

// The styles AddStyledLine adds to the current attributes.
constexpr int StyleBold = 0;
constexpr int StyleItalic = 1;
constexpr int StyleUnderline = 2;
constexpr int StyleUnchanged = -1;

struct TextAttributes {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int size = ReportDefaultFontSize;
    bool operator==(const TextAttributes&) const = default;
};

struct StyledLine {
    std::string text;
    TextAttributes attributes;
};

// The two check marks of the report's choices.
inline constexpr const char* ReportTicked = " [ x ] ";
inline constexpr const char* ReportUnticked = " [    ] ";
// Continues a value on the next line, under its first column.
inline constexpr const char* ReportRowBreak = "\n\t\t\t";

// The page as a list of lines. Like a text control's insertion point it keeps
// attributes from one line to the next: a styled line adds its style to them,
// a field line resets them to plain text of the default size, and blank lines
// take them as they are.
class ReportPage {
public:
    // No lines; plain text of the default size.
    void Clear();
    void AddBlankLines(int n);
    // style: StyleBold, StyleItalic or StyleUnderline is added to the current
    // attributes, any other value leaves them; the size is set either way.
    void AddStyledLine(int style, int size, const std::string& text);
    // tab + label + tab + value, plain, default size.
    void AddField(const std::string& label, const std::string& value);
    // Two blank lines, two tabs + caption in bold at the title size, an empty
    // line of size 10 and one blank line.
    void AddTitle(const std::string& caption);

    const std::vector<StyledLine>& Lines() const { return lines_; }

private:
    TextAttributes current_;
    std::vector<StyledLine> lines_;
};

// ---- Sections ----------------------------------------------------------------

// The slot list ("1, 3, 10": every set bit of 0..9 as its number + 1) and the
// cycle text (bits 12..15 as a signed number and ". "; "" for 0).
struct TimeSlotTexts {
    std::string slotList;
    std::string cycle;
};
TimeSlotTexts TimeSlotTextsOf(uint16_t word);

// The protocol line's value: the protocol items of families 0x21 and 0x10,
// the protocol text for any other family.
std::string ProtocolItemsText(const ReportValues& v, const ReportCaptions& c);
// The power table: 4 or 16 items, the one at the power index ticked.
std::string PowerTableText(const ReportValues& v);
// The channel items of up to 16 channels, the current channel ticked; with
// more, two tabs and the channel list without marks.
std::string ChannelItemsText(const ReportValues& v);

// ---- Layouts -----------------------------------------------------------------

// Fill page (after clearing it) with the full or the short layout. date is
// today's date as the report shows it.
void ComposeFullReport(ReportPage& page, const ReportValues& v, const ReportCaptions& c,
                       const std::string& date);
void ComposeShortReport(ReportPage& page, const ReportValues& v, const ReportCaptions& c,
                        const std::string& date);

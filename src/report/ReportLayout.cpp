#include "report/ReportLayout.h"

#include "device/DeviceTypes.h"
#include "shell/Sprache.h"

#include <initializer_list>

namespace {

// The report's captions, the protocol names of both families and the footer.
constexpr TextIdRange CaptionTexts{40, 1, 40};
static_assert(CaptionTexts.count == ReportCaptionCount);
constexpr TextIdRange Protocols21{17, 2, 5};
constexpr TextIdRange Protocols10{17, 8, 3};
constexpr TextIdRange FooterTexts{37, 1, 5};

constexpr const char* InterfaceNames[] = {"RS-232", "RS-485", "RS-422"};
constexpr const char* BaudNames[] = {"1200 bps",  "2400 bps",  "4800 bps", "9600 bps",
                                     "14400 bps", "19200 bps", "38400 bps"};
constexpr const char* ParityNames[] = {"none ", "even ", "odd "};
constexpr const char* LowPowerNames[] = {"10 mW", "100 mW", "250 mW", "500 mW"};
constexpr const char* HighPowerNames[] = {"100 mW", "250 mW", "500 mW", "750 mW", "1 W",   "1.25 W",
                                          "1.5 W",  "2 W",    "2.5 W",  "3 W",    "3.5 W", "4 W",
                                          "4.5 W",  "5 W",    "5.5 W",  "6 W"};
// More channels than this show only the lowest and the highest.
constexpr int MaxListedChannels = 16;
constexpr size_t MaxChannelEntries = 17;

std::string Item(bool ticked, const std::string& name) {
    return std::string("\t") + (ticked ? ReportTicked : ReportUnticked) + name;
}

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

bool BreaksBefore(size_t i, std::initializer_list<size_t> breaks) {
    for (size_t b : breaks)
        if (i == b)
            return true;
    return false;
}

// Items of names, the one at ticked marked, with a row break before each
// position in breaks.
template <size_t N>
std::string Items(const char* const (&names)[N], long long ticked,
                  std::initializer_list<size_t> breaks) {
    std::string text;
    for (size_t i = 0; i < N; ++i) {
        if (BreaksBefore(i, breaks))
            text += ReportRowBreak;
        text += Item(static_cast<long long>(i) == ticked, names[i]);
    }
    return text;
}

void AddTypeLine(ReportPage& page, const ReportValues& v, const ReportCaptions& c) {
    page.AddField(c.C(2), v.modelText);
    page.AddBlankLines(1);
}

void AddIdentity(ReportPage& page, const ReportValues& v, const ReportCaptions& c) {
    page.AddField(c.C(19), v.radioAddressText);
    page.AddField(c.C(20), v.serialText);
    page.AddField(c.C(21), v.firmwareText);
    page.AddBlankLines(1);
}

void AddInterface(ReportPage& page, const ReportValues& v, const ReportCaptions& c) {
    page.AddField(c.C(3), "\t" + Items(InterfaceNames, v.interfaceIndex, {}));
    page.AddStyledLine(StyleUnchanged, ReportDefaultFontSize,
                       "\t\t" + c.C(23) + Items(BaudNames, v.baudIndex, {4}));
    page.AddStyledLine(StyleUnchanged, ReportDefaultFontSize,
                       "\t\t" + c.C(22) + Item(v.dataBits == 8, "8 ") +
                           Item(v.dataBits == 7, "7 "));
    page.AddStyledLine(StyleUnchanged, ReportDefaultFontSize,
                       "\t\t" + c.C(24) + Items(ParityNames, v.parityIndex, {}));
    page.AddStyledLine(StyleUnchanged, ReportDefaultFontSize,
                       std::string("\t\tStopbit:\t") + ReportTicked + "1");
    page.AddBlankLines(1);
}

void AddPower(ReportPage& page, const ReportValues& v, const ReportCaptions& c) {
    page.AddField(c.C(7), "\t" + PowerTableText(v));
    page.AddBlankLines(1);
}

void AddChannels(ReportPage& page, const ReportValues& v, const ReportCaptions& c) {
    page.AddField(c.C(8), "\t" + ChannelItemsText(v));
    if (v.channelCount > MaxListedChannels)
        page.AddField(c.C(39), "\t\t" + v.frequencyText + " Mhz");
    page.AddBlankLines(1);
}

void AddDataRate(ReportPage& page, const ReportValues& v, const ReportCaptions& c) {
    if (v.dataRateText.empty())
        return;
    page.AddField(c.dataRateLabel + ":", v.dataRateText);
    page.AddBlankLines(1);
}

void AddTimeSlots(ReportPage& page, const ReportValues& v, const ReportCaptions& c) {
    const TimeSlotTexts t = TimeSlotTextsOf(v.timeSlots);
    if (!t.slotList.empty()) {
        page.AddField(c.C(9), t.slotList);
        page.AddBlankLines(1);
    }
    if (!t.cycle.empty()) {
        page.AddField(c.C(10), t.cycle);
        page.AddBlankLines(1);
    }
}

void AddInputsOutputs(ReportPage& page, const ReportValues& v, const ReportCaptions& c) {
    if (v.binaryInputs != 0)
        page.AddField(c.C(31), std::to_string(v.binaryInputs) + ", " + c.C(34) + " " + c.C(36));
    if (v.binaryOutputs != 0)
        page.AddField(c.C(32), std::to_string(v.binaryOutputs) + ", " + c.C(35) + ", " + c.C(36));
    // A negative count is no count.
    if (v.analogInputs > 0)
        page.AddField(c.C(33), std::to_string(v.analogInputs) + " " + c.C(40) + ", " + c.C(36));
    page.AddBlankLines(1);
}

// The signature table, the footer and the date block that end both layouts.
void AddClosing(ReportPage& page, const ReportValues& v, const ReportCaptions& c,
                const std::string& date) {
    page.AddField(c.C(12), c.C(15));
    page.AddField(c.C(14), c.C(17));
    page.AddBlankLines(3);
    page.AddStyledLine(StyleUnchanged, ReportDefaultFontSize, c.footer);
    page.AddBlankLines(1);
    page.AddField(c.C(18), date);
    if (v.signature) {
        page.AddBlankLines(1);
        page.AddField(c.C(25), "_________________");
        page.AddBlankLines(1);
    }
}

} // namespace

const std::string& ReportCaptions::C(int n) const {
    static const std::string none;
    return n >= 1 && n <= ReportCaptionCount ? group40[static_cast<size_t>(n - 1)] : none;
}

ReportCaptions ReadReportCaptions(TSprache& sprache) {
    ReportCaptions c;
    for (int n = 1; n <= ReportCaptionCount; ++n) {
        std::string text = sprache.GetText(CaptionTexts.Id(n - 1));
        if (n <= 33)
            text += ' ';
        c.group40[static_cast<size_t>(n - 1)] = std::move(text);
    }
    for (size_t i = 0; i < c.protocols21.size(); ++i)
        c.protocols21[i] = sprache.GetText(Protocols21.Id(static_cast<int>(i)));
    for (size_t i = 0; i < c.protocols10.size(); ++i)
        c.protocols10[i] = sprache.GetText(Protocols10.Id(static_cast<int>(i)));
    c.wbsProtocolLabel = sprache.GetText("$T17013") + sprache.GetText("$T17001");
    c.dataRateLabel = sprache.GetText("$T14018");
    c.footer = sprache.GetTexts(FooterTexts);
    return c;
}

// ---- ReportPage ----------------------------------------------------------------

void ReportPage::Clear() {
    lines_.clear();
    current_ = TextAttributes{};
}

void ReportPage::AddBlankLines(int n) {
    for (int i = 0; i < n; ++i)
        lines_.push_back({"", current_});
}

void ReportPage::AddStyledLine(int style, int size, const std::string& text) {
    switch (style) {
    case StyleBold:
        current_.bold = true;
        break;
    case StyleItalic:
        current_.italic = true;
        break;
    case StyleUnderline:
        current_.underline = true;
        break;
    default:
        break;
    }
    current_.size = size;
    lines_.push_back({text, current_});
}

void ReportPage::AddField(const std::string& label, const std::string& value) {
    current_ = TextAttributes{};
    lines_.push_back({"\t" + label + "\t" + value, current_});
}

void ReportPage::AddTitle(const std::string& caption) {
    AddBlankLines(2);
    AddStyledLine(StyleBold, ReportTitleFontSize, "\t\t" + caption);
    AddStyledLine(StyleUnchanged, 10, "");
    AddBlankLines(1);
}

// ---- Sections ------------------------------------------------------------------

TimeSlotTexts TimeSlotTextsOf(uint16_t word) {
    TimeSlotTexts t;
    for (int bit = 0; bit < 10; ++bit) {
        if ((word & (1u << bit)) == 0)
            continue;
        if (!t.slotList.empty())
            t.slotList += ", ";
        t.slotList += std::to_string(bit + 1);
    }
    const int cycle = static_cast<int16_t>(word) >> 12;
    if (cycle != 0)
        t.cycle = std::to_string(cycle) + ". ";
    return t;
}

std::string ProtocolItemsText(const ReportValues& v, const ReportCaptions& c) {
    std::string text;
    if (v.family == FamilyKVL420) {
        const uint32_t p = v.protocolValue & 7u;
        for (size_t i = 0; i < c.protocols21.size(); ++i) {
            if (i == 3 || i == 4)
                text += ReportRowBreak;
            text += Item(i == p, c.protocols21[i]);
        }
        return text;
    }
    if (v.family == FamilyWBS420) {
        constexpr uint32_t words[] = {0x2012, 0x0710, 0x2209};
        for (size_t i = 0; i < c.protocols10.size(); ++i) {
            if (i == 1)
                text += ReportRowBreak;
            text += Item(v.protocolValue == words[i], c.protocols10[i]);
        }
        return text;
    }
    return v.protocolText;
}

std::string PowerTableText(const ReportValues& v) {
    const long long index = v.powerIndex;
    return v.lowPower ? Items(LowPowerNames, index, {4, 8, 12})
                      : Items(HighPowerNames, index, {4, 8, 12});
}

std::string ChannelItemsText(const ReportValues& v) {
    if (v.channelCount > MaxListedChannels)
        return "\t" + v.channelList;
    std::vector<std::string> entries;
    size_t start = 0;
    while (entries.size() < MaxChannelEntries) {
        const size_t semicolon = v.channelList.find(';', start);
        if (semicolon == std::string::npos) {
            std::string rest = v.channelList.substr(start);
            if (rest.size() > 1)
                entries.push_back(std::move(rest));
            break;
        }
        entries.push_back(v.channelList.substr(start, semicolon - start));
        start = semicolon + 1;
    }
    std::string text;
    for (size_t i = 0; i < entries.size() && !entries[i].empty(); ++i) {
        if (BreaksBefore(i, {4, 8, 12, 14}))
            text += ReportRowBreak;
        text += Item(i == v.currentChannel, entries[i]);
    }
    return text;
}

// ---- Layouts -------------------------------------------------------------------

void ComposeFullReport(ReportPage& page, const ReportValues& v, const ReportCaptions& c,
                       const std::string& date) {
    page.Clear();
    page.AddTitle(c.C(1));
    AddTypeLine(page, v, c);
    if (!Contains(v.modelText, "HNQ")) {
        page.AddField(c.C(5), v.modeText);
        page.AddBlankLines(1);
    }
    AddIdentity(page, v, c);
    if (!Contains(v.modelText, "HNQ-120"))
        AddInterface(page, v, c);
    const bool wbs = Contains(v.modelText, "WBS-420");
    page.AddField(wbs ? c.wbsProtocolLabel : c.C(4), "\t" + ProtocolItemsText(v, c));
    page.AddBlankLines(1);
    page.AddField(c.C(6), v.stationText);
    page.AddBlankLines(1);
    AddPower(page, v, c);
    AddChannels(page, v, c);
    AddDataRate(page, v, c);
    AddTimeSlots(page, v, c);
    if (Contains(v.modelText, "KX") && !Contains(v.modelText, "KXR")) {
        page.AddField(c.C(29), c.C(30) + ReportTicked);
        page.AddBlankLines(1);
    }
    if (wbs)
        AddInputsOutputs(page, v, c);
    AddClosing(page, v, c, date);
}

void ComposeShortReport(ReportPage& page, const ReportValues& v, const ReportCaptions& c,
                        const std::string& date) {
    page.Clear();
    page.AddTitle(c.C(1));
    AddTypeLine(page, v, c);
    AddIdentity(page, v, c);
    page.AddField(c.C(37), std::to_string(v.shortValue1));
    page.AddField(c.C(38), std::to_string(v.shortValue2));
    page.AddBlankLines(1);
    AddPower(page, v, c);
    AddChannels(page, v, c);
    AddDataRate(page, v, c);
    AddClosing(page, v, c, date);
}

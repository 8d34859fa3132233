// The report's layouts: the sections each model gets and their order, the
// choices laid out in rows with their item ticked, and the attributes lines
// carry from one to the next.
#include "report/ReportLayout.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

ReportCaptions TestCaptions() {
    ReportCaptions c;
    for (int n = 1; n <= ReportCaptionCount; ++n)
        c.group40[n - 1] = "C" + std::to_string(n);
    c.protocols21 = {"P0", "P1", "P2", "P3", "P4"};
    c.protocols10 = {"Q0", "Q1", "Q2"};
    c.wbsProtocolLabel = "WBS";
    c.dataRateLabel = "Rate";
    return c;
}

// The labels of the page's field lines (tab, label, tab, value).
std::string Labels(const ReportPage& page) {
    static const std::regex field(R"(^\t([^\t]+)\t)");
    std::string labels;
    for (const StyledLine& line : page.Lines())
        if (std::smatch m; std::regex_search(line.text, m, field))
            labels += (labels.empty() ? "" : " ") + m[1].str();
    return labels;
}

std::string LineWith(const ReportPage& page, const std::string& part) {
    for (const StyledLine& line : page.Lines())
        if (line.text.find(part) != std::string::npos)
            return line.text;
    return {};
}

// A choice list as "o" per item, "x(name)" per ticked item and "|" per row break.
std::string Shape(const std::string& text) {
    static const std::regex item(R"((\n\t\t\t)|\t \[ x \] ([^\t\n]*)|\t \[    \] )");
    std::string shape;
    for (std::sregex_iterator i(text.begin(), text.end(), item), end; i != end; ++i)
        shape += (*i)[1].matched ? "|" : (*i)[2].matched ? "x(" + (*i)[2].str() + ")" : "o";
    return shape;
}

ReportValues Values(const std::string& model, int family) {
    ReportValues v;
    v.modelText = model;
    v.family = family;
    v.channelList = "433.1250;433.1500;";
    v.channelCount = 2;
    return v;
}

} // namespace

TEST(ReportLayoutTest, EachModelGetsItsSectionsInOrder) {
    struct Case {
        const char* model;
        int family;
        uint16_t timeSlots;
        const char* dataRate;
        const char* labels;
    };
    const Case cases[] = {
        {"KVL-420H/ GN", 0x21, 0x1003, "1200 bps",
         "C2 C5 C19 C20 C21 C3 C4 C6 C7 C8 Rate: C9 C10 C12 C14 C18 C25"},
        {"KVL-420H/ KXR", 0x21, 0, "", "C2 C5 C19 C20 C21 C3 C4 C6 C7 C8 C12 C14 C18 C25"},
        // Counts 16, 8 and -1: a negative count is none.
        {"WBS-420M/ KX2", 0x10, 1, "",
         "C2 C5 C19 C20 C21 C3 WBS C6 C7 C8 C9 C29 C31 C32 C12 C14 C18 C25"},
        {"HNQ-120H/ MQ2", 0x30, 0, "", "C2 C19 C20 C21 C4 C6 C7 C8 C12 C14 C18 C25"},
        {"HNQ-130H/ ", 0xD0, 0, "", "C2 C19 C20 C21 C3 C4 C6 C7 C8 C12 C14 C18 C25"},
        {"DZF-420H/ ", 0x71, 0x1003, "1200 bps",
         "C2 C19 C20 C21 C37 C38 C7 C8 Rate: C12 C14 C18 C25"}};
    for (const Case& c : cases) {
        ReportValues v = Values(c.model, c.family);
        v.timeSlots = c.timeSlots;
        v.dataRateText = c.dataRate;
        v.signature = true;
        v.binaryInputs = 16;
        v.binaryOutputs = 8;
        v.analogInputs = -1;
        ReportPage page;
        if (c.family == 0x71)
            ComposeShortReport(page, v, TestCaptions(), "2024.03.01");
        else
            ComposeFullReport(page, v, TestCaptions(), "2024.03.01");
        EXPECT_EQ(Labels(page), c.labels) << c.model;
        EXPECT_EQ(LineWith(page, "C18"), "\tC18\t2024.03.01");
    }
}

TEST(ReportLayoutTest, ChoicesAreLaidOutInRowsWithTheirItemTicked) {
    const ReportCaptions c = TestCaptions();
    ReportValues v = Values("KVL-420H/ GN", 0x21);
    v.channelList = "a;b;c;d;e;f;g;h;i;j;k;l;m;n;o;p;";
    v.channelCount = 16;
    v.currentChannel = 5;
    v.powerIndex = 9;
    v.protocolValue = 0x0B; // AND 7: item 3
    EXPECT_EQ(Shape(ChannelItemsText(v)), "oooo|ox(f)oo|oooo|oo|oo");
    EXPECT_EQ(Shape(PowerTableText(v)), "oooo|oooo|ox(3 W)oo|oooo");
    EXPECT_EQ(Shape(ProtocolItemsText(v, c)), "ooo|x(P3)|o");
    v.protocolValue = 0x0D; // no item
    EXPECT_EQ(Shape(ProtocolItemsText(v, c)), "ooo|o|o");
    v.lowPower = true;
    EXPECT_EQ(Shape(PowerTableText(v)), "oooo"); // no level 9 among 4
    v.powerIndex = 2;
    EXPECT_EQ(Shape(PowerTableText(v)), "oox(250 mW)o");
    ReportValues wbs = Values("WBS-420M/ MQ2", 0x10);
    wbs.protocolValue = 0x0710;
    EXPECT_EQ(Shape(ProtocolItemsText(wbs, c)), "o|x(Q1)o");
    ReportValues other = Values("HNQ-130H/ ", 0xD0);
    other.protocolText = "own";
    EXPECT_EQ(ProtocolItemsText(other, c), "own");

    struct Interface {
        int baud, dataBits, parity, interface;
        const char* shapes;
    };
    const Interface interfaces[] = {
        {3, 8, 0, 1, "ox(RS-485)o ooox(9600 bps)|ooo x(8 )o x(none )oo"},
        {6, 7, 2, 2, "oox(RS-422) oooo|oox(38400 bps) ox(7 ) oox(odd )"},
        {7, 0, 0, 0, "x(RS-232)oo oooo|ooo oo x(none )oo"}, // baud 7 and data bits 0 name nothing
    };
    for (const Interface& k : interfaces) {
        v.baudIndex = k.baud;
        v.dataBits = k.dataBits;
        v.parityIndex = k.parity;
        v.interfaceIndex = k.interface;
        ReportPage page;
        ComposeFullReport(page, v, c, "");
        EXPECT_EQ(Shape(LineWith(page, "C3")) + " " + Shape(LineWith(page, "C23")) + " " +
                      Shape(LineWith(page, "C22")) + " " + Shape(LineWith(page, "C24")),
                  k.shapes);
    }

    // Time slots: the slots' numbers, and the signed cycle in bits 12..15.
    EXPECT_EQ(TimeSlotTextsOf(0).slotList + TimeSlotTextsOf(0).cycle, "");
    EXPECT_EQ(TimeSlotTextsOf(0x0601).slotList + "|" + TimeSlotTextsOf(0x0601).cycle, "1, 10|");
    EXPECT_EQ(TimeSlotTextsOf(0xF000).slotList + "|" + TimeSlotTextsOf(0xF000).cycle, "|-1. ");
    EXPECT_EQ(TimeSlotTextsOf(0x7002).slotList + "|" + TimeSlotTextsOf(0x7002).cycle, "2|7. ");

    // More than 16 channels: the range, and the current frequency.
    v.channelList = "433.1250 - 434.0000";
    v.channelCount = 17;
    v.frequencyText = "433.1500";
    ReportPage page;
    ComposeFullReport(page, v, c, "");
    EXPECT_EQ(LineWith(page, "C8"), "\tC8\t\t\t433.1250 - 434.0000");
    EXPECT_EQ(LineWith(page, "C39"), "\tC39\t\t\t433.1500 Mhz");
}

TEST(ReportLayoutTest, LinesKeepTheAttributesOfTheInsertionPoint) {
    ReportPage page;
    page.AddTitle("T");                         // lines 1..5
    page.AddStyledLine(StyleItalic, 14, "");    // styles add up
    page.AddBlankLines(1);                      // as it finds them
    page.AddField("L", "V");                    // plain again
    page.AddStyledLine(StyleUnderline, 11, ""); // only what it adds
    std::string attributes;
    for (const StyledLine& line : page.Lines()) {
        const TextAttributes& a = line.attributes;
        attributes += std::string(a.bold ? "b" : "") + (a.italic ? "i" : "") +
                      (a.underline ? "u" : "") + std::to_string(a.size) + " ";
    }
    EXPECT_EQ(attributes, "12 12 b25 b10 b10 bi14 bi14 12 u11 ");
    EXPECT_EQ(page.Lines()[2].text + page.Lines()[7].text, "\t\tT\tL\tV");
}

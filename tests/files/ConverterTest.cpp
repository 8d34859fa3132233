// The converter without a window: which fault of a line stops a conversion
// and which lines are left out (the value forms themselves are the line
// reader's), and the customer file of the worked example, byte-exact.
#include "files/Converter.h"
#include "files/CustomerFiles.h"

#include <gtest/gtest.h>

using namespace testfiles;

TEST(Converter, EachLineConvertsOrStops) {
    using C = ConvertFault;
    const std::tuple<Lines, C, Lines> cases[] = {
        {{"r999=$20AA", "r999=$2446", "r900=$1", "R901=%1111", "r70000=$1", "r999=$0000"},
         C::None,
         {"r900=$0001", "r901=$000F"}},
        {{"r900=$1", "r9x0=$1"}, C::Address, {}},
        {{"r-5=$1"}, C::Address, {}},
        {{"900=$1"}, C::Address, {}},
        {{"r900=$-1"}, C::Hex, {}},
        {{"r900=%102"}, C::Binary, {}},
        {{"r900=65536"}, C::Decimal, {}},
        {{"r900=#1"}, C::UnknownForm, {}},
        {Lines{}, C::NoData, {}},
        {{"; only", "", "r999=$20AA"}, C::NoData, {}}};
    for (const auto& [lines, fault, out] : cases) {
        const ConvertedLines converted = ConvertRegisterText(lines, NameForm::Prefixed);
        EXPECT_EQ(std::pair(converted.fault, converted.lines), std::pair(fault, out))
            << (lines.empty() ? "" : lines.back());
    }
    EXPECT_EQ(ConvertRegisterText({"900=$12"}, NameForm::Bare).lines, Lines{"r900=$0012"});
}

TEST(Converter, WorkedExampleBoundToASerialAndAType) {
    const ConvertedLines converted = ConvertRegisterText(
        {"r999=$20AA", "r900=$0012", "r901=%1111", " ; a comment", "r999=$0000"},
        NameForm::Prefixed);
    TKundenFile codec;
    const CustomerBinding binding{true, 12345, static_cast<int32_t>(ConverterTypeCodes[6]), 100};
    const std::string text = WriteConvertedFile(codec, converted.lines, binding);
    EXPECT_EQ(codec.Lines().Lines(),
              (Lines{"0000000100000064", "0000000200003039", "0000000300000010", "0000000400000001",
                     "0000000500000000", "0000000900000000", "0000000600000000", "0000100000000900",
                     "0000200000000012", "0000100000000901", "000020000000000F", kEnd}));
    TStringList list;
    list.SetText(text);
    EXPECT_EQ(codec.ReadMain(list), "900=$0012\r\n901=$000F\r\n");
    EXPECT_EQ(WriteConvertedFile(codec, converted.lines, {}), ""); // version 0
}

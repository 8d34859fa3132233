// The converter without a window: what each line of an old register text
// file becomes or why it stops the conversion, and the customer file of the
// worked example, byte-exact.
#include "files/Converter.h"
#include "files/CustomerFiles.h"

#include <gtest/gtest.h>

using namespace testfiles;

TEST(Converter, EachLineConvertsOrStops) {
    const std::tuple<Lines, NameForm, ConvertFault, Lines> cases[] = {
        {{"r999=$20AA", "r999=$2446", "r900=$1", "R901=%1111", "r999=$0000"},
         NameForm::Prefixed,
         ConvertFault::None,
         {"r900=$0001", "r901=$000F"}},
        {{"r70000=$1", "r65535=65535", "r0=0"},
         NameForm::Prefixed,
         ConvertFault::None,
         {"r65535=$FFFF", "r0=$0000"}},
        {{"900=$12"}, NameForm::Bare, ConvertFault::None, {"r900=$0012"}},
        {{"r900=$1", "r9x0=$1"}, NameForm::Prefixed, ConvertFault::Address, {}},
        {{"r-5=$1"}, NameForm::Prefixed, ConvertFault::Address, {}},
        {{"r900=$1"}, NameForm::Bare, ConvertFault::Address, {}},
        {{"r900=$-1"}, NameForm::Prefixed, ConvertFault::Hex, {}},
        {{"r900=$"}, NameForm::Prefixed, ConvertFault::Hex, {}},
        {{"r900=$12345"}, NameForm::Prefixed, ConvertFault::Hex, {}},
        {{"r900=%102"}, NameForm::Prefixed, ConvertFault::Binary, {}},
        {{"r900=65536"}, NameForm::Prefixed, ConvertFault::Decimal, {}},
        {{"r900=#1"}, NameForm::Prefixed, ConvertFault::UnknownForm, {}},
        {{}, NameForm::Prefixed, ConvertFault::NoData, {}},
        {{"; only", "", "r999=$20AA"}, NameForm::Prefixed, ConvertFault::NoData, {}},
    };
    for (const auto& [lines, names, fault, out] : cases) {
        SCOPED_TRACE(lines.empty() ? "empty" : lines.back());
        const ConvertedLines converted = ConvertRegisterText(lines, names);
        EXPECT_EQ(std::pair(converted.fault, converted.lines), std::pair(fault, out));
    }
    EXPECT_EQ(ConvertFaultMessage(ConvertFault::Hex, "a"),
              "Parameter in RTU-File zu gro\xDF! (HEX)");
}

TEST(Converter, WorkedExampleBoundToASerialAndAType) {
    const ConvertedLines converted = ConvertRegisterText(
        {"r999=$20AA", "r900=$0012", "r901=%1111", " ; a comment", "r999=$0000"},
        NameForm::Prefixed);
    TKundenFile codec;
    const CustomerBinding binding{true, 12345, static_cast<int32_t>(ConverterTypeCodes[6]), 100};
    const std::string text = WriteConvertedFile(codec, converted.lines, binding);
    const Lines plain = {"0000000100000064", "0000000200003039", "0000000300000010",
                         "0000000400000001", "0000000500000000", "0000000900000000",
                         "0000000600000000", "0000100000000900", "0000200000000012",
                         "0000100000000901", "000020000000000F", kEnd};
    EXPECT_EQ(codec.Lines().Lines(), plain);
    EXPECT_EQ(text.size(), 234u);
    EXPECT_EQ(text.substr(216), "6E1942BA6E19E2E4\r\n");
    TStringList list;
    list.SetText(text);
    EXPECT_EQ(codec.ReadMain(list), "900=$0012\r\n901=$000F\r\n");
    EXPECT_EQ(WriteConvertedFile(codec, converted.lines, {}), ""); // version 0
}

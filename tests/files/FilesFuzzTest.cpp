// Seeded random input for the customer-file readers and the register text
// reader, starting from the damaged files of the format and mutating them.
// The seeds are fixed so that a failure repeats; the suite runs under the
// address sanitizer in CI, which turns any overrun into a failure.
#include "files/CustomerFiles.h"
#include "files/KundenFile.h"
#include "files/RegisterLines.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>

using namespace testfiles;

namespace {

class Random {
public:
    explicit Random(uint32_t seed) : engine_(seed) {}
    uint32_t Below(uint32_t n) {
        return std::uniform_int_distribution<uint32_t>(0, n - 1)(engine_);
    }
    bool Chance(int percent) { return Below(100) < static_cast<uint32_t>(percent); }
    char Byte() { return static_cast<char>(Below(256)); }
    uint32_t Word() { return static_cast<uint32_t>(engine_()); }

private:
    std::mt19937 engine_;
};

// A plain line with a code the readers act on, now and then another one.
std::string PlainLine(Random& rnd) {
    static const uint32_t codes[] = {0, 1,      2,      3,      4,      5,     6,
                                     9, 0x1000, 0x2000, 0x2000, 0x8000, 0x9000};
    const uint32_t code = rnd.Chance(90) ? codes[rnd.Below(std::size(codes))] : rnd.Word();
    uint32_t value = rnd.Chance(50) ? rnd.Below(3) : rnd.Word();
    if (code == 0x1000 && rnd.Chance(80)) {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08u", rnd.Below(100000000));
        return "00001000" + std::string(digits);
    }
    return FormatWordPair(code, value);
}

// The seeds: the damaged and odd files of the format.
std::vector<Lines> SeedFiles() {
    const Lines header = EditorHeader();
    const Lines reg = {"0000100000000900", "0000200000000012"};
    return {
        {},
        Stored({}),
        Stored(Concat(Concat(header, reg), EndLine())),
        Concat(Stored(Concat(Concat(header, reg), EndLine())), {""}),
        Stored(Concat(header, reg)),
        Stored(Concat(header, {"000010000000090A", "0000200000000012", "0000900000000000"})),
        Stored({"0000200000000012", "0000100000000900", "0000900000000000"}),
        Stored({"0000100000000902", "0000200000012345", "0000900000000000"}),
        Stored({"0000800000000001", "4142434445464748", "0000900000000000"}),
        Stored({"0000800000000001", "4142434445464748", "0000800000000002", "0000900000000000"}),
        Concat(Stored(EndLine()), {"", ""}),
    };
}

// Changes a stored file a little: bytes, lines, lengths.
Lines Mutate(Lines file, Random& rnd) {
    const int edits = 1 + static_cast<int>(rnd.Below(4));
    for (int e = 0; e < edits; ++e) {
        if (file.empty() || rnd.Chance(10)) {
            file.push_back(rnd.Chance(50) ? std::string() : FormatWordPair(rnd.Word(), rnd.Word()));
            continue;
        }
        std::string& line = file[rnd.Below(static_cast<uint32_t>(file.size()))];
        switch (rnd.Below(6)) {
        case 0:
            if (!line.empty())
                line[rnd.Below(static_cast<uint32_t>(line.size()))] = rnd.Byte();
            break;
        case 1:
            if (!line.empty())
                line[rnd.Below(static_cast<uint32_t>(line.size()))] =
                    "0123456789abcdefABCDEF"[rnd.Below(22)];
            break;
        case 2:
            line.insert(line.begin() + rnd.Below(static_cast<uint32_t>(line.size()) + 1),
                        rnd.Byte());
            break;
        case 3:
            if (!line.empty())
                line.erase(rnd.Below(static_cast<uint32_t>(line.size())), 1);
            break;
        case 4:
            file.erase(file.begin() + rnd.Below(static_cast<uint32_t>(file.size())));
            break;
        default:
            file.insert(file.begin() + rnd.Below(static_cast<uint32_t>(file.size()) + 1), "");
            break;
        }
    }
    return file;
}

// What a read may hand back: nothing with the error flag, or output lines.
void CheckRead(TKundenFile& file, const TStringList& out, bool preset) {
    static const std::regex outputLine("[0-9]+=\\$[0-9A-F]{4,8}");
    const bool error = file.TakeError();
    if (error || file.LastResult() != TKundenFile::ReadResult::Ok) {
        ASSERT_EQ(out.Count(), 0u);
        ASSERT_EQ(error, file.LastResult() == TKundenFile::ReadResult::Damaged);
        return;
    }
    for (const std::string& line : out.Lines()) {
        if (preset && !std::regex_match(line, outputLine)) {
            for (char c : line)
                ASSERT_LT(static_cast<unsigned char>(c), 0x80u);
            continue;
        }
        ASSERT_TRUE(std::regex_match(line, outputLine)) << line;
    }
}

void FuzzReader(bool preset, uint32_t seed) {
    Random rnd(seed);
    const std::vector<Lines> seeds = SeedFiles();
    int ok = 0;
    int damaged = 0;
    for (int round = 0; round < 4000; ++round) {
        Lines file;
        if (rnd.Chance(50)) {
            file = Mutate(seeds[rnd.Below(static_cast<uint32_t>(seeds.size()))], rnd);
        } else {
            // A well-scrambled file of random plain lines reaches the walk.
            Lines plain;
            for (int i = static_cast<int>(rnd.Below(30)); i > 0; --i)
                plain.push_back(PlainLine(rnd));
            if (rnd.Chance(70))
                plain.push_back("0000900000000000");
            file = Stored(plain);
        }
        TKundenFile reader;
        TStringList list;
        list.Lines() = file;
        if (preset)
            reader.Read(list);
        else
            reader.ReadMain(list);
        CheckRead(reader, list, preset);
        if (::testing::Test::HasFatalFailure())
            return;
        ok += reader.LastResult() == TKundenFile::ReadResult::Ok;
        damaged += reader.LastResult() == TKundenFile::ReadResult::Damaged;
    }
    EXPECT_GT(ok, 300);
    EXPECT_GT(damaged, 300);
}

} // namespace

TEST(FilesFuzz, DecodeAndReadMainNeverHandBackForeignLines) {
    FuzzReader(false, 1);
    FuzzReader(false, 20240611);
}

TEST(FilesFuzz, PresetReadNeverHandsBackForeignLines) {
    FuzzReader(true, 2);
}

TEST(FilesFuzz, LargeFilesReadWhole) {
    Lines plain;
    for (int i = 0; i < 100000; ++i) {
        plain.push_back("0000100000001000");
        plain.push_back("0000200000000001");
    }
    plain.push_back("0000900000000000");
    TKundenFile reader;
    TStringList list;
    list.Lines() = Stored(plain); // 200,002 stored lines
    reader.ReadMain(list);
    EXPECT_EQ(list.Count(), 100000u);
    EXPECT_FALSE(reader.TakeError());
}

TEST(FilesFuzz, RegisterTextReaderKeepsItsPromises) {
    Random rnd(3);
    const std::vector<std::string> seeds = {"r900=$0012",  "r1000=$1F ; comment",
                                            "; only",      "",
                                            "r1000 = $1F", "r901=$-1",
                                            "r901=$",      "r901=$12G",
                                            "r901=%102",   "r901=0x12",
                                            "r901=+5",     "r901=65536",
                                            "r=5",         "=5",
                                            "r900",        "r99999999999=1",
                                            "900=$0012",   "r902=%1010"};
    static const char alphabet[] = "rR0123456789$%=;+-xX aFfG\t";
    for (int round = 0; round < 20000; ++round) {
        std::string line = seeds[rnd.Below(static_cast<uint32_t>(seeds.size()))];
        for (int e = static_cast<int>(rnd.Below(4)); e > 0; --e) {
            const char c = rnd.Chance(70) ? alphabet[rnd.Below(sizeof alphabet - 1)] : rnd.Byte();
            const uint32_t at = rnd.Below(static_cast<uint32_t>(line.size()) + 1);
            if (rnd.Chance(50) || line.empty())
                line.insert(line.begin() + at, c);
            else
                line[std::min<size_t>(at, line.size() - 1)] = c;
        }
        const NameForm names = static_cast<NameForm>(rnd.Below(3));
        const std::string cleaned = CleanRegisterLine(line);
        const RegisterLine parsed = ParseRegisterLine(cleaned, names);
        if (parsed.fault != LineFault::None) {
            ASSERT_EQ(parsed.value, InvalidRegisterValue) << line;
            continue;
        }
        ASSERT_LE(parsed.value, 0xFFFFu) << line;
        ASSERT_LT(parsed.reg, 100000000u) << line;
        // What the reader took, a dump line says again.
        const RegisterLine again =
            ParseRegisterLine(DumpLine(parsed.reg, parsed.value), NameForm::Prefixed);
        ASSERT_EQ(again.fault, LineFault::None) << line;
        ASSERT_EQ(again.reg, parsed.reg) << line;
        ASSERT_EQ(again.value, parsed.value) << line;
    }
}

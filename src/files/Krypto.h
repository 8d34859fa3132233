#pragma once
// The line scrambling of customer files. A stored line is two 32-bit words
// written as 8 hexadecimal digits each; every word is XOR-ed with a fixed
// mask, and a checksum line (the XOR of all scrambled words, XOR the mask)
// closes the list.

#include "platform/StringList.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The two words of a line of exactly 16 hexadecimal digits (either case);
// nothing for any other line.
std::optional<std::pair<uint32_t, uint32_t>> ParseWordPair(std::string_view line);
// Two words as 16 upper-case hexadecimal digits.
std::string FormatWordPair(uint32_t first, uint32_t second);

class TKrypto {
public:
    static constexpr uint32_t Mask = 0x6E19D2B4;

    TKrypto() = default;

    // Scrambles the plain lines (each 16 hexadecimal digits) and appends the
    // checksum line. The result list holds the scrambled lines; the returned
    // text is that list with CR LF after each line. A plain line that is not
    // 16 hexadecimal digits is taken as two zero words (the codec never
    // builds one).
    std::string Encode(const TStringList& lines);

    // Unscrambles stored lines and tests their checksum line; true means
    // failure. Each line's characters 1-8 and 9-16 are read as strtoul reads
    // hexadecimal (a shorter line gives shorter or empty fields, an empty
    // field 0); the last line is the checksum line, so empty lines after it
    // (as the saves write one) still pass. On success the result list holds
    // the unscrambled lines without the last one; on failure it is empty.
    // An empty list succeeds.
    bool Decode(const TStringList& lines);

    std::string GetText() const { return result_.Text(); }
    const TStringList& Result() const { return result_; }
    TStringList& Result() { return result_; }

private:
    uint32_t mask1_ = Mask;
    uint32_t mask2_ = Mask;
    uint32_t total1_ = 0;
    uint32_t total2_ = 0;
    TStringList result_;
};

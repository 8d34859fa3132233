#include "pages/EditLogic.h"

#include "device/DeviceTypes.h"
#include "platform/Numbers.h"

namespace {

// A decimal fraction in hundredths, exactly: digits with at most one '.', an
// optional sign, at least one digit. A third decimal or more is cut, but
// counted in `above` so that 100.001 lies above 100.
struct Fraction {
    bool negative = false;
    int64_t hundredths = 0;
    bool above = false; // digits past the second decimal are not all 0
};

std::optional<Fraction> ParseFraction(const std::string& text) {
    Fraction f;
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        f.negative = text[i++] == '-';
    const size_t point = text.find('.', i);
    const std::string whole = text.substr(i, point == std::string::npos ? text.npos : point - i);
    const std::string decimals = point == std::string::npos ? "" : text.substr(point + 1);
    if (whole.empty() && decimals.empty())
        return std::nullopt;
    auto digitsOnly = [](const std::string& s) {
        return s.find_first_not_of("0123456789") == std::string::npos;
    };
    if (!digitsOnly(whole) || !digitsOnly(decimals))
        return std::nullopt;
    std::optional<uint64_t> units = whole.empty() ? 0 : ParseDigits(whole);
    // Past a 16-bit cell by far: no number of this edit.
    if (!units || *units > 1000000000ull)
        return std::nullopt;
    int64_t h = static_cast<int64_t>(*units) * 100;
    for (size_t k = 0; k < decimals.size(); ++k) {
        const int d = decimals[k] - '0';
        if (k == 0)
            h += 10 * d;
        else if (k == 1)
            h += d;
        else if (d != 0)
            f.above = true;
    }
    f.hundredths = h;
    return f;
}

} // namespace

std::string EditDisplayText(const NumericEdit& edit, uint32_t cell) {
    switch (edit.encoding) {
    case EditEncoding::Decimal:
        return std::to_string(cell);
    case EditEncoding::HighByte:
        return std::to_string((cell >> 8) & 0xFFu);
    case EditEncoding::SignMagnitude:
        return ((cell & 0x8000u) ? "-" : "") + std::to_string(cell & 0xFFFu);
    case EditEncoding::Hundredths:
        return EditLimitText(edit, cell == 0 ? 100 : cell);
    }
    return {};
}

std::string EditLimitText(const NumericEdit& edit, int64_t limit) {
    if (edit.encoding != EditEncoding::Hundredths)
        return std::to_string(limit);
    const std::string sign = limit < 0 ? "-" : "";
    const int64_t magnitude = limit < 0 ? -limit : limit;
    const int64_t cents = magnitude % 100;
    return sign + std::to_string(magnitude / 100) + "." + (cents < 10 ? "0" : "") +
           std::to_string(cents) + "0";
}

std::optional<uint32_t> EncodeEditText(const NumericEdit& edit, const std::string& text,
                                       uint32_t oldCell) {
    if (edit.encoding == EditEncoding::Hundredths) {
        const std::optional<Fraction> f = ParseFraction(text);
        if (!f)
            return std::nullopt;
        const int64_t value = f->negative ? -f->hundredths : f->hundredths;
        // A negative value below the minimum, or any digits past it, is out.
        const bool below =
            value < edit.minimum || (f->negative && f->above && value == edit.minimum);
        const bool above =
            value > edit.maximum || (!f->negative && f->above && value == edit.maximum);
        if (below || above)
            return std::nullopt;
        return static_cast<uint32_t>(value < 0 ? 0 : value);
    }
    const std::optional<int> parsed = ParseInt(text);
    if (!parsed || *parsed < edit.minimum || *parsed > edit.maximum)
        return std::nullopt;
    const int v = *parsed;
    switch (edit.encoding) {
    case EditEncoding::HighByte:
        return static_cast<uint32_t>(v) * 256u + (oldCell & 0xFFu);
    case EditEncoding::SignMagnitude:
        return v >= 0 ? static_cast<uint32_t>(v) : 0x8000u + static_cast<uint32_t>(-v);
    default:
        return static_cast<uint32_t>(v);
    }
}

NumericEdit StationAddressEdit(int family, uint32_t reg935) {
    if (family == FamilyHNQ130 || family == FamilyHNQ120)
        return {EditEncoding::Decimal, 1, 239};
    if (family != FamilyWBS420 && reg935 == 1)
        return {EditEncoding::Decimal, 0, 14};
    return {EditEncoding::Decimal, 0, 239};
}

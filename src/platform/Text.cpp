#include "platform/Text.h"

#include <QFile>

#include <charconv>
#include <cstdio>
#include <ctime>

namespace {

// Unicode of the bytes 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

std::tm LocalTime(std::chrono::system_clock::time_point t) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&seconds, &tm);
    return tm;
}

} // namespace

QString ToQString(const std::string& cp1252) {
    QString out;
    out.resize(static_cast<qsizetype>(cp1252.size()));
    QChar* dst = out.data();
    for (const char c : cp1252) {
        const auto b = static_cast<unsigned char>(c);
        *dst++ = QChar(b >= 0x80 && b <= 0x9F ? kHigh[b - 0x80] : static_cast<char16_t>(b));
    }
    return out;
}

int Cp1252FromUnicode(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return unit;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == unit)
            return 0x80 + i;
    return -1;
}

std::string FromQString(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            out += '?';
            ++i;
            continue;
        }
        const int b = Cp1252FromUnicode(c.unicode());
        out += b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

QString PathToQString(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string PathFromQString(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

std::string PathText(const std::string& path) {
    return FromQString(PathToQString(path));
}

std::string TextPath(const std::string& cp1252) {
    return PathFromQString(ToQString(cp1252));
}

QString ToQString(const TextWithPath& text) {
    QString out;
    std::size_t from = 0;
    for (std::size_t slot; (slot = text.text.find(PathSlot, from)) != std::string::npos;
         from = slot + 1)
        out += ToQString(text.text.substr(from, slot - from)) + PathToQString(text.path);
    return out + ToQString(text.text.substr(from));
}

std::string FromTextWithPath(const TextWithPath& text) {
    return FromQString(ToQString(text));
}

std::string FormatFixed(double v, int decimals) {
    if (decimals < 0)
        decimals = 0;
    char buffer[400];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
    if (ec != std::errc())
        return std::string(); // only for absurd precision requests
    std::string s(buffer, end);
    if (!s.empty() && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos)
        s.erase(0, 1);
    return s;
}

std::string FormatDate(std::chrono::system_clock::time_point t) {
    const std::tm tm = LocalTime(t);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d.%02d.%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday);
    return buffer;
}

std::string FormatTime(std::chrono::system_clock::time_point t) {
    const std::tm tm = LocalTime(t);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buffer;
}

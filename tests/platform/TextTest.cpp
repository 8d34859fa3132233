#include "platform/Text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <ctime>
#include <locale>

namespace {

struct CommaDecimals : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

} // namespace

TEST(Text, AllBytesRoundTripThroughQString) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const QString q = ToQString(all);
    ASSERT_EQ(q.size(), 256);
    EXPECT_EQ(FromQString(q), all);
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(q[b].unicode(), b) << b;
}

TEST(Text, GermanLettersAndEuroMapToUnicode) {
    const QString q = ToQString("\xE4\xF6\xFC\xDF\x80\xC4\xD6\xDC");
    EXPECT_EQ(q, QString::fromUtf8("äöüß€ÄÖÜ"));
    EXPECT_EQ(FromQString(QString::fromUtf8("Grüße 5 €")), "Gr\xFC\xDF"
                                                           "e 5 \x80");
    EXPECT_EQ(FromQString(QString::fromUtf8("\xE2\x80\x9Cquoted\xE2\x80\x9D")), "\x93quoted\x94");
}

TEST(Text, UnmappableCharactersBecomeQuestionMarks) {
    // Cyrillic, a CJK letter, and one character outside the basic plane.
    EXPECT_EQ(FromQString(QString::fromUtf8("a\xD0\x96"
                                            "b\xE4\xB8\xAD"
                                            "c\xF0\x9F\x98\x80"
                                            "d")),
              "a?b?c?d");
    EXPECT_EQ(Cp1252FromUnicode(0x0100), -1);
    EXPECT_EQ(Cp1252FromUnicode(0x20AC), 0x80);
    EXPECT_EQ(Cp1252FromUnicode(0x0178), 0x9F);
}

TEST(Text, FormatFixedUsesPointWhateverTheLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    // The C library's locale with ',' as separator, when the system has one,
    // and a C++ global locale with ',' in any case.
    const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    const std::locale savedGlobal =
        std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));
    EXPECT_EQ(FormatFixed(2.23, 2), "2.23");
    EXPECT_EQ(FormatFixed(433.0125, 4), "433.0125");
    EXPECT_EQ(FormatFixed(1.005, 1), "1.0");
    EXPECT_EQ(FormatFixed(-12.5, 0), "-12"); // exact half rounds to even
    EXPECT_EQ(FormatFixed(-0.001, 2), "0.00");
    EXPECT_EQ(FormatFixed(7, 0), "7");
    EXPECT_EQ(FormatFixed(7, -3), "7");
    std::locale::global(savedGlobal);
    std::setlocale(LC_ALL, saved.c_str());
    if (!german)
        GTEST_LOG_(INFO) << "de_DE.UTF-8 missing; C library checked in its default locale";
}

TEST(Text, DateAndTimeFormats) {
    std::tm tm{};
    tm.tm_year = 2024 - 1900;
    tm.tm_mon = 2;
    tm.tm_mday = 7;
    tm.tm_hour = 21;
    tm.tm_min = 5;
    tm.tm_sec = 9;
    tm.tm_isdst = -1;
    const auto t = std::chrono::system_clock::from_time_t(std::mktime(&tm));
    EXPECT_EQ(FormatDate(t), "2024.03.07");
    EXPECT_EQ(FormatTime(t), "21:05:09");
}

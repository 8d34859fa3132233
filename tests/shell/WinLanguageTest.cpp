// The user's language from the locale variables.
#include "shell/WinLanguage.h"

#include "shell/QtTranslation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

TEST(WinLanguage, LocaleTextsMapToLanguageIds) {
    EXPECT_EQ(TWinLanguage::LanguageIdOf("de_DE.UTF-8"), 0x407);
    EXPECT_EQ(TWinLanguage::LanguageIdOf("de_AT"), 0xC07);
    EXPECT_EQ(TWinLanguage::LanguageIdOf("de_CH.utf8@euro"), 0x807);
    EXPECT_EQ(TWinLanguage::LanguageIdOf("en_GB.UTF-8"), 0x809);
    EXPECT_EQ(TWinLanguage::LanguageIdOf("en_US"), 0x409);
    EXPECT_EQ(TWinLanguage::LanguageIdOf("fr_FR"), 0x40C);
    EXPECT_EQ(TWinLanguage::LanguageIdOf("en-gb"), 0x809);
    // A territory not in the table falls back to the language's main one.
    EXPECT_EQ(TWinLanguage::LanguageIdOf("de_BE.UTF-8"), 0x407);
    EXPECT_EQ(TWinLanguage::LanguageIdOf("C"), -1);
    EXPECT_EQ(TWinLanguage::LanguageIdOf("POSIX"), -1);
    EXPECT_EQ(TWinLanguage::LanguageIdOf("C.UTF-8"), -1);
    EXPECT_EQ(TWinLanguage::LanguageIdOf(""), -1);
    EXPECT_EQ(TWinLanguage::LanguageIdOf("xx_YY"), -1);
}

// Qt's translation for a language id: the id's own locale, else its primary
// language's (the low 10 bits); none for English or a language unknown.
TEST(WinLanguage, QtTranslationsFollowThePrimaryLanguage) {
    const std::pair<int, const char*> cases[] = {
        {1031, "de_DE"}, {0x2007, "de"}, {0x0416, "pt_BR"}, {0x0814, "nn_NO"}, {2057, ""},
        {0x1C09, ""},    {0x0436, ""},   {16777215, ""},    {-1, ""}};
    for (const auto& [id, locale] : cases)
        EXPECT_EQ(QtTranslationLocale(id), locale) << id;
}

class LocaleEnvironment : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* v : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* old = std::getenv(v);
            saved_.emplace_back(v, old ? std::optional<std::string>(old) : std::nullopt);
            ::unsetenv(v);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(LocaleEnvironment, FirstSetVariableWins) {
    ::setenv("LANG", "en_GB.UTF-8", 1);
    EXPECT_EQ(TWinLanguage().GetLanguageId(), 0x809);
    ::setenv("LC_MESSAGES", "fr_FR.UTF-8", 1);
    EXPECT_EQ(TWinLanguage().GetLanguageId(), 0x40C);
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    TWinLanguage language;
    EXPECT_FALSE(language.ReadLocale().empty());
    EXPECT_EQ(language.GetLanguageId(), 0x407);
}

TEST_F(LocaleEnvironment, NoLocaleGivesMinusOne) {
    EXPECT_EQ(TWinLanguage().GetLanguageId(), -1);
    ::setenv("LANG", "C", 1);
    TWinLanguage language;
    EXPECT_EQ(language.ReadLocale(), "");
    EXPECT_EQ(language.GetLanguageId(), -1);
}

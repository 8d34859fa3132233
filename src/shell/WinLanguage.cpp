#include "shell/WinLanguage.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

struct Locale {
    const char* code; // language_TERRITORY, or language alone for the default
    int langId;
    const char* name;
};

// Common locales and their Windows language ids; a bare language code gives
// the language's main territory.
constexpr Locale kLocales[] = {
    {"de_DE", 0x0407, "Deutsch (Deutschland)"},
    {"de_CH", 0x0807, "Deutsch (Schweiz)"},
    {"de_AT", 0x0C07, "Deutsch (Oesterreich)"},
    {"de_LU", 0x1007, "Deutsch (Luxemburg)"},
    {"de_LI", 0x1407, "Deutsch (Liechtenstein)"},
    {"de", 0x0407, "Deutsch (Deutschland)"},
    {"en_US", 0x0409, "English (United States)"},
    {"en_GB", 0x0809, "English (United Kingdom)"},
    {"en_AU", 0x0C09, "English (Australia)"},
    {"en_CA", 0x1009, "English (Canada)"},
    {"en_NZ", 0x1409, "English (New Zealand)"},
    {"en_IE", 0x1809, "English (Ireland)"},
    {"en_ZA", 0x1C09, "English (South Africa)"},
    {"en_IN", 0x4009, "English (India)"},
    {"en", 0x0409, "English (United States)"},
    {"fr_FR", 0x040C, "Francais (France)"},
    {"fr_BE", 0x080C, "Francais (Belgique)"},
    {"fr_CA", 0x0C0C, "Francais (Canada)"},
    {"fr_CH", 0x100C, "Francais (Suisse)"},
    {"fr_LU", 0x140C, "Francais (Luxembourg)"},
    {"fr", 0x040C, "Francais (France)"},
    {"it_IT", 0x0410, "Italiano (Italia)"},
    {"it_CH", 0x0810, "Italiano (Svizzera)"},
    {"it", 0x0410, "Italiano (Italia)"},
    {"es_ES", 0x0C0A, "Espanol (Espana)"},
    {"es_MX", 0x080A, "Espanol (Mexico)"},
    {"es", 0x0C0A, "Espanol (Espana)"},
    {"nl_NL", 0x0413, "Nederlands (Nederland)"},
    {"nl_BE", 0x0813, "Nederlands (Belgie)"},
    {"nl", 0x0413, "Nederlands (Nederland)"},
    {"pt_PT", 0x0816, "Portugues (Portugal)"},
    {"pt_BR", 0x0416, "Portugues (Brasil)"},
    {"pt", 0x0816, "Portugues (Portugal)"},
    {"da_DK", 0x0406, "Dansk"},
    {"da", 0x0406, "Dansk"},
    {"sv_SE", 0x041D, "Svenska"},
    {"sv_FI", 0x081D, "Svenska (Finland)"},
    {"sv", 0x041D, "Svenska"},
    {"nb_NO", 0x0414, "Norsk (bokmal)"},
    {"nn_NO", 0x0814, "Norsk (nynorsk)"},
    {"no", 0x0414, "Norsk (bokmal)"},
    {"fi_FI", 0x040B, "Suomi"},
    {"fi", 0x040B, "Suomi"},
    {"pl_PL", 0x0415, "Polski"},
    {"pl", 0x0415, "Polski"},
    {"cs_CZ", 0x0405, "Cestina"},
    {"cs", 0x0405, "Cestina"},
    {"sk_SK", 0x041B, "Slovencina"},
    {"sk", 0x041B, "Slovencina"},
    {"hu_HU", 0x040E, "Magyar"},
    {"hu", 0x040E, "Magyar"},
    {"sl_SI", 0x0424, "Slovenscina"},
    {"hr_HR", 0x041A, "Hrvatski"},
    {"ro_RO", 0x0418, "Romana"},
    {"el_GR", 0x0408, "Greek"},
    {"tr_TR", 0x041F, "Turkce"},
    {"ru_RU", 0x0419, "Russian"},
    {"ru", 0x0419, "Russian"},
    {"uk_UA", 0x0422, "Ukrainian"},
    {"ja_JP", 0x0411, "Japanese"},
    {"zh_CN", 0x0804, "Chinese (PRC)"},
    {"zh_TW", 0x0404, "Chinese (Taiwan)"},
    {"ko_KR", 0x0412, "Korean"},
};

std::string Normalise(const std::string& locale) {
    // "de_DE.UTF-8@euro" -> "de_DE"
    std::string s = locale.substr(0, locale.find_first_of(".@"));
    const auto sep = s.find_first_of("_-");
    for (size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        s[i] = static_cast<char>(sep != std::string::npos && i > sep ? std::toupper(c)
                                                                     : std::tolower(c));
    }
    if (sep != std::string::npos)
        s[sep] = '_';
    return s;
}

} // namespace

TWinLanguage::TWinLanguage() = default;

int TWinLanguage::LanguageIdOf(const std::string& locale) {
    const std::string s = Normalise(locale);
    if (s.empty() || s == "c" || s == "posix")
        return -1;
    for (const Locale& l : kLocales)
        if (s == l.code)
            return l.langId;
    const std::string language = s.substr(0, s.find('_'));
    for (const Locale& l : kLocales)
        if (language == l.code)
            return l.langId;
    return -1;
}

std::string TWinLanguage::LanguageName(int langId) {
    for (const Locale& l : kLocales)
        if (l.langId == langId)
            return l.name;
    return "";
}

std::string TWinLanguage::LocaleCode(int langId) {
    if (langId <= 0)
        return "";
    for (const Locale& l : kLocales)
        if (l.langId == langId)
            return l.code;
    constexpr int primaryBits = 0x3FF;
    for (const Locale& l : kLocales)
        if ((l.langId & primaryBits) == (langId & primaryBits) && !std::strchr(l.code, '_'))
            return l.code;
    return "";
}

std::string TWinLanguage::ReadLocale() {
    read_ = true;
    langId_ = -1;
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value) {
            langId_ = LanguageIdOf(value);
            break;
        }
    }
    return langId_ == -1 ? std::string() : LanguageName(langId_);
}

int TWinLanguage::GetLanguageId() {
    if (!read_)
        ReadLocale();
    return langId_;
}

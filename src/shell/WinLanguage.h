#pragma once
// The user's language as a Windows language id (LANGID), read from the
// locale variables LC_ALL, LC_MESSAGES and LANG (first one set wins).

#include <string>

class TWinLanguage {
public:
    TWinLanguage();
    // Reads the locale; returns the language's name ("" when no locale is
    // set, or it is "C"/"POSIX"). The LANGID stays -1 then.
    std::string ReadLocale();
    // The LANGID of the locale (reads it first when not yet read); -1 when none.
    int GetLanguageId();

    // LANGID of a locale text such as "de_DE.UTF-8", "en_GB", "fr"; -1 for
    // "C", "POSIX", "" or an unknown language.
    static int LanguageIdOf(const std::string& locale);
    // Name of a LANGID from the table ("" when unknown).
    static std::string LanguageName(int langId);
    // The locale code of a LANGID: "language_TERRITORY" from the table
    // ("de_DE" for 0x0407), else the bare code of its primary language (the
    // low 10 bits: "de" for 0x0C07 too); "" for a language the table lacks.
    static std::string LocaleCode(int langId);

private:
    int langId_ = -1;
    bool read_ = false;
};

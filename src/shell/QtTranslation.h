#pragma once
// Qt's own texts - the labels, buttons and warnings of its file, folder and
// print dialogs - in the program's language, whatever the desktop's locale:
// Qt's translation of that language from Qt's translations folder, installed
// on the application. English is Qt's own language and needs none.

#include <string>

// The locale code whose Qt translation serves the Windows language id
// langId ("de_DE" for 1031); "" for English and for a language unknown.
std::string QtTranslationLocale(int langId);

// Replaces the Qt translation installed before by the one for langId; a
// language without one (or without a running application) leaves Qt in
// English. True when a translation is installed now.
bool UseQtTranslation(int langId);

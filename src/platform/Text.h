#pragma once
// Text conversions at the edges of the program: Windows-1252 bytes to and
// from QString for the widgets, and numbers and dates in the program's fixed
// formats ('.' as decimal separator, dates "yyyy.mm.dd") whatever the locale.

#include <QString>

#include <chrono>
#include <string>

// Every byte becomes its Windows-1252 character; the five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+0081 etc.
QString ToQString(const std::string& cp1252);

// The inverse of ToQString. A character without a Windows-1252 byte (also
// each half of a surrogate pair, counted once per pair) becomes '?'.
std::string FromQString(const QString& text);

// The Windows-1252 byte of one UTF-16 code unit, or -1 when there is none.
int Cp1252FromUnicode(char16_t unit);

// File paths stay bytes in the file system's encoding (UTF-8) from the file
// dialog to the file system and back; never Windows-1252. Only a name put
// into a text (a message, a menu item, the log) is converted, with PathText.
QString PathToQString(const std::string& path);
std::string PathFromQString(const QString& path);
// A path or file name as Windows-1252 text; a character the code page lacks
// becomes '?'.
std::string PathText(const std::string& path);
// The path bytes of a Windows-1252 text used as a file name.
std::string TextPath(const std::string& cp1252);

// A shown text that names a file: a Windows-1252 text (a language text filled
// in with PathSlot where the file goes) and the path, which keeps its bytes
// until the widget shows it with every letter the file system has.
inline constexpr char PathSlot[] = "\x01";
struct TextWithPath {
    std::string text;
    std::string path;
};
// The text for the widget: every PathSlot becomes the path.
QString ToQString(const TextWithPath& text);
// The same as Windows-1252 text (a letter the code page lacks as '?').
std::string FromTextWithPath(const TextWithPath& text);

// v with exactly `decimals` digits after a '.', rounded (decimals < 0 is
// taken as 0). No sign is shown when every shown digit is 0.
std::string FormatFixed(double v, int decimals);

// Local date of t as "yyyy.mm.dd".
std::string FormatDate(std::chrono::system_clock::time_point t);
// Local time of t as "hh:mm:ss", 24 hours.
std::string FormatTime(std::chrono::system_clock::time_point t);

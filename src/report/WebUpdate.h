#pragma once
// What the update check decides without a network or a window: the update
// description file (info.qdv) as read from the Data folder, whether it offers
// a newer version, which of its names may become files in the Data folder,
// and where each file is fetched from.
//
// info.qdv is an INI file:
//   [Datei]      Version=<the version offered, with '.'>
//   [Dateiname]  one key per file to download, in download order (values unused)
//   [Execute]    the first key names the program to start afterwards

#include <optional>
#include <string>
#include <vector>

class TMemIniFile;

struct UpdateDescription {
    // [Datei] Version as a 32-bit float, as the program version is kept; 0
    // when the key is missing or is not a number.
    float version = 0;
    // [Datei] Version as written; lets a caller tell "missing" from "unreadable".
    std::string versionText;
    // The keys of [Dateiname] in file order.
    std::vector<std::string> files;
    // The first key of [Execute]; "" when the section is missing or empty.
    std::string execute;
};

UpdateDescription ReadUpdateDescription(const TMemIniFile& ini);

// True when offered is a version (not 0) above programVersion.
bool OffersNewerVersion(float programVersion, float offered);

// A name that stays a file directly inside the Data folder: not empty, not
// "." or "..", no '/', '\' or ':', no control character.
bool IsPlainFileName(const std::string& name);

// The first name of the description (its files, then its program to start)
// that is not a plain file name; nothing when every name is.
std::optional<std::string> FirstUnsafeName(const UpdateDescription& description);

// The address of one file: location + "/" + name, with name percent-encoded
// byte by byte as one path segment (only letters, digits and "-._~" stay).
// When location is an http address without a port, port is used.
std::string UpdateFileUrl(const std::string& location, const std::string& name, int port);

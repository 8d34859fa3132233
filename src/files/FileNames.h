#pragma once
// The kinds of parameter file and the names the open and save commands
// complete. The final extension of the file name decides the kind, without
// regard to case; folders on the way never do.

#include <filesystem>
#include <string>
#include <vector>

enum class ParameterFileKind {
    Other,        // any other extension, or none
    Customer,     // *.qdv, the scrambled customer file
    RegisterText, // *.rtu, the plain register text file
};

ParameterFileKind FileKindOf(const std::string& path);

// The extension of the file name ("" when it has none), with its ".".
std::string FinalExtension(const std::string& path);

// path with its file name in upper case, every letter as Unicode has it
// (test -> TEST.RTU, Nüsse -> NÜSSE.QDV), and extension appended; the folder
// keeps its spelling. Paths are in the file system's encoding.
std::string UpperNameWithExtension(const std::string& path, const std::string& extension);

// path with its extension replaced by extension, or extension appended when
// it has none.
std::string ReplaceExtension(const std::string& path, const std::string& extension);

// A file of a folder the program offers by name.
struct NamedFile {
    std::string name; // the file name without its extension
    std::string path;
};

// The regular files of folder whose extension is extension (in any case),
// sorted by name; a file without a name before its extension is left out.
// A missing folder is created and gives no file.
std::vector<NamedFile> ListDemoFiles(const std::filesystem::path& folder,
                                     const std::string& extension);

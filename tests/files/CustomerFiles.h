#pragma once
// Customer files for the tests: stored lines scrambled from plain lines; files
// written whole.

#include "files/Krypto.h"
#include "files/KundenFile.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace testfiles {

using Lines = std::vector<std::string>;

// The header of the editor's save (version 100, unbound, kind 10, editable).
const Lines kHeader = {"0000000100000064", "00000002FFFFFFFF", "00000003FFFFFFFF",
                       "0000000400000000", "000000050000000A", "0000000900000001",
                       "0000000600000000"};
const std::string kEnd = "0000900000000000";

inline void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

inline Lines Plus(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The stored lines of plain lines, checksum line included.
inline Lines Stored(const Lines& plain) {
    TStringList list;
    list.Lines() = plain;
    TKrypto krypto;
    krypto.Encode(list);
    return krypto.Result().Lines();
}

inline void PrepareEditorSave(TKundenFile& file) {
    file.Reset();
    file.SetFlag9(true);
    file.SetKind(10);
    file.Info().SetVersion(FileFormatVersion);
}

} // namespace testfiles

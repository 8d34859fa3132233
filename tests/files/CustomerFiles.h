#pragma once
// Customer files for the tests: stored lines built from plain lines, and the
// worked example of the format.

#include "files/Krypto.h"
#include "files/KundenFile.h"
#include "platform/StringList.h"

#include <string>
#include <vector>

namespace testfiles {

using Lines = std::vector<std::string>;

// The stored (scrambled) lines of plain lines, checksum line included.
inline Lines Stored(const Lines& plain) {
    TStringList list;
    list.Lines() = plain;
    TKrypto krypto;
    krypto.Encode(list);
    return krypto.Result().Lines();
}

// The header of the editor's save: version 100, unbound, kind 10, editable.
inline Lines EditorHeader(const std::string& service = "0") {
    return {"0000000100000064", "00000002FFFFFFFF", "00000003FFFFFFFF", "000000040000000" + service,
            "000000050000000A", "0000000900000001", "0000000600000000"};
}

inline Lines Concat(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline const Lines& EndLine() {
    static const Lines end = {"0000900000000000"};
    return end;
}

// A codec prepared as the editor's save prepares it.
inline void PrepareEditorSave(TKundenFile& file) {
    file.Reset();
    file.SetFlag9(true);
    file.SetKind(10);
    file.Info().SetVersion(FileFormatVersion);
}

// The stored file's bytes as the editor's save writes them.
inline std::string FileBytes(const Lines& stored) {
    TStringList list;
    list.Lines() = stored;
    return list.Text() + "\r\n";
}

} // namespace testfiles

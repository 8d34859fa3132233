#pragma once
// The customer-file codec: a header (file-format version, serial-number and
// controller-type binding, service, editable and frequency-set flags, kind)
// and register lines become scrambled 16-digit lines, and back. Presets add
// a block of free text. Nothing here touches the disk: callers hand over
// and take back lists of lines.
//
// Plain line codes: 1 version, 2 serial (-1 = not bound), 3 controller type
// (-1 = any), 4 service flag, 5 kind, 9 editable flag, 6 frequency-set
// flag, 0x1000 register number (decimal digits, "0"-padded to 8), 0x2000
// register value, 0x8000 text block open (1) and close (2), 0x9000 end.

#include "files/Krypto.h"
#include "platform/StringList.h"
#include "shell/StdInfo.h"

#include <cstdint>
#include <string>

// The version every customer file is written with.
constexpr int FileFormatVersion = 100;

class TKundenFile {
public:
    // Line codes.
    static constexpr uint32_t CodeVersion = 1;
    static constexpr uint32_t CodeSerial = 2;
    static constexpr uint32_t CodeControllerType = 3;
    static constexpr uint32_t CodeServiceFlag = 4;
    static constexpr uint32_t CodeKind = 5;
    static constexpr uint32_t CodeFrequencySet = 6;
    static constexpr uint32_t CodeEditable = 9;
    static constexpr uint32_t CodeRegister = 0x1000;
    static constexpr uint32_t CodeValue = 0x2000;
    static constexpr uint32_t CodeText = 0x8000;
    static constexpr uint32_t CodeEnd = 0x9000;

    // How the last read went.
    enum class ReadResult {
        Ok,      // the register lines (and a preset's text) came back
        Empty,   // blank lines only, or no line but the checksum line: nothing came
                 // back, no error flag
        Damaged, // checksum, line form, register field, text block or end
                 // line wrong: nothing came back, the error flag is set
    };

    // Version 0, kind 0, serial and controller type -1, all flags clear.
    TKundenFile() = default;

    // Kind 0, serial and controller type -1, editable, service and
    // frequency-set flags clear; the error flag keeps its value.
    void Reset();
    void SetSerial(int32_t serial) { Serial = serial; }
    void SetControllerType(int32_t type) { ControllerType = type; }
    void SetKind(int32_t kind) { Kind = kind; }
    void SetServiceMode(bool on) { ServiceFlag = on; }
    void SetFlag9(bool on) { Editable = on; }
    void SetFlag6(bool on) { FrequencySet = on; }
    TStdInfo& Info() { return info_; }
    const TStdInfo& Info() const { return info_; }

    bool HasError() const { return error_; }
    // The error flag; clears it.
    bool TakeError();

    // registers holds lines name=value: the register number in decimal
    // (1 to 8 digits) with an optional leading "r" or "R", the value in
    // hexadecimal (1 to 8 digits) with an optional "$". Returns the
    // scrambled file text and replaces registers with the scrambled lines.
    // Fails with "" and changes nothing when the version is 0 or a line is
    // not of that form.
    std::string Write(TStringList& registers);

    // The preset form: header (version, kind 10, editable 0), the register
    // lines as in Write, then the text block holding text's lines with CR LF
    // after each. Returns the scrambled text, "" on the failures of Write;
    // the line list holds the scrambled lines, registers is unchanged and
    // text is left empty.
    std::string WriteExtended(const TStringList& registers, TStringList& text);

    // list holds a stored file's lines. Every read starts from the
    // constructed header with the error flag clear. On return list holds the
    // output lines "number=$value" (at least 4 upper-case hex digits) and
    // the returned text is the same lines with CR LF; a damaged file leaves
    // list empty and sets the error flag.
    std::string ReadMain(TStringList& list);
    // As ReadMain, for presets: every line up to the end line is looked at,
    // and the text block's text is appended as one more entry.
    std::string Read(TStringList& list);

    ReadResult LastResult() const { return lastResult_; }
    // The plain lines of the last Write, or the output lines of the last read.
    const TStringList& Lines() const { return lines_; }

    // Header fields, read by the callers after a read.
    int32_t Kind = 0;
    int32_t Serial = -1;
    int32_t ControllerType = -1;
    bool Editable = false;
    bool ServiceFlag = false;
    bool FrequencySet = false;

private:
    bool BuildRegisterLines(const TStringList& registers);
    void StartRead();
    std::string Fail(TStringList& list, ReadResult result);
    std::string ReadLines(TStringList& list, bool withText);

    bool error_ = false;
    ReadResult lastResult_ = ReadResult::Ok;
    TStringList lines_;
    TKrypto krypto_;
    TStdInfo info_;
};

// The register dump of the service mode: a register range read from the
// device in chunks of 25 registers into a register text file.
#include "device/LinkFault.h"
#include "device/window/Form4.h"
#include "files/FileNames.h"
#include "files/RegisterLines.h"
#include "files/window/FileCommands.h"
#include "files/window/OKBottomDlg.h"
#include "link/Mop.h"
#include "platform/Numbers.h"
#include "platform/StringList.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "shell/Sprache.h"
#include "shell/window/Form1.h"
#include "shell/window/Program.h"

#include <QLineEdit>

#include <algorithm>
#include <filesystem>
#include <optional>

namespace {

constexpr uint32_t chunkSize = 25;
constexpr uint32_t lastRegister = 0xFFFF;
constexpr int retries = 2;

// An edit's register: its digits, or fallback when it is empty; nothing for a
// number above the last register.
std::optional<uint32_t> RangeEnd(const QLineEdit* edit, uint32_t fallback) {
    const std::string text = FromQString(edit->text());
    if (text.empty())
        return fallback;
    const auto number = ParseDigits(text, 10);
    if (!number || *number > lastRegister)
        return std::nullopt;
    return static_cast<uint32_t>(*number);
}

enum class ChunkResult { Read, Failed, Silent };

// Reads count registers from first; their dump lines go into lines.
ChunkResult ReadChunk(TMop& mop, uint32_t first, uint32_t count, TStringList& lines) {
    mop.SetHeader(0x60);
    mop.SetAddress1(0);
    mop.SetAddress2(0);
    mop.SetAddress3(0);
    mop.SetAddress4(0);
    mop.SetReadAddress(static_cast<uint16_t>(first));
    mop.SetReadCount(static_cast<uint8_t>(count));
    mop.SetWriteAddress(0);
    mop.SetWriteCount(0);
    if (mop.TransactRetry(retries)) {
        // Answers for other registers: this chunk is left out. No answer at
        // all, or a lost port: nothing more will come.
        if (LinkFaultOf(mop.LastFailure(), mop.Error()) == LinkFault::WrongAnswer) {
            Dialogs::ShowMessage("Error!\nWriteTimeDatenSatz (pruefAdr)!!!");
            return ChunkResult::Failed;
        }
        Dialogs::ShowMessage("Error!\nWriteTimeDatenSatz!!!");
        return ChunkResult::Silent;
    }
    uint32_t answered = 0;
    mop.GetResponseAddress(answered);
    if (answered != first) {
        Dialogs::ShowMessage("Error!\nWriteTimeDatenSatz (pruefAdr)!!!");
        return ChunkResult::Failed;
    }
    if (mop.GetResponseCount() < static_cast<int>(count)) {
        Dialogs::ShowMessage("Error!\nWriteTimeDatenSatz!!!");
        return ChunkResult::Failed;
    }
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t value = 0;
        mop.NextDataWord(value);
        lines.Add(DumpLine(first + i, value));
    }
    return ChunkResult::Read;
}

std::string Range(uint32_t first, uint32_t last) {
    return first == last ? std::to_string(first)
                         : std::to_string(first) + "-" + std::to_string(last);
}

} // namespace

SaveOutcome RunRegisterDump(TForm1& f, std::string name, const std::string& checked) {
    TOKBottomDlg& dialog = *OKBottomDlg;
    if (Dialogs::ShowModal(dialog) != Dialogs::Ok)
        return SaveOutcome::Stopped;
    const auto start = RangeEnd(dialog.ui.LabeledEdit1, 0);
    const auto end = RangeEnd(dialog.ui.LabeledEdit2, lastRegister);
    if (!start || !end || *start > *end) {
        Dialogs::ShowMessage(f.GetText("$T30004"));
        return SaveOutcome::Stopped;
    }
    const ParameterFileKind kind = FileKindOf(name);
    if (kind == ParameterFileKind::Customer) {
        Dialogs::ShowMessage(f.Sprache->GetTextWithPath("$T30041", name));
        return SaveOutcome::Stopped;
    }
    if (kind != ParameterFileKind::RegisterText)
        name = UpperNameWithExtension(name, ".RTU");

    // Appended to a file, the dump follows its lines (which carry the
    // unlock lines already when they were asked for).
    TStringList lines;
    std::error_code ec;
    if (dialog.ui.anhaengen->isChecked() && std::filesystem::exists(name, ec)) {
        if (!LoadParameterFile(f, name, lines.Lines()))
            return SaveOutcome::Failed;
    } else if (!MayReplace(f, name, checked)) {
        return SaveOutcome::Stopped;
    } else if (dialog.ui.ServiceMode->isChecked()) {
        lines.Add(UnlockLineFirst);
        lines.Add(UnlockLineSecond);
    }
    const std::size_t linesBefore = lines.Count();

    const TransferLock running(f);
    const uint32_t total = *end - *start + 1;
    Form4->SetLabel1Caption("Daten werden gelesen!");
    Form4->SetLabel2Caption("");
    Form4->SetButton1Caption("OK");
    Form4->BeginTransfer(static_cast<int>(total), 0);
    std::vector<std::pair<uint32_t, uint32_t>> missing;
    uint32_t at = *start;
    uint32_t left = total;
    while (left > 0) {
        const uint32_t count = std::min(left, chunkSize);
        const ChunkResult result = ReadChunk(*f.Mop, at, count, lines);
        if (result == ChunkResult::Silent) {
            missing.emplace_back(at, *end);
            break;
        }
        if (result == ChunkResult::Failed)
            missing.emplace_back(at, at + count - 1);
        Form4->StepProgress(static_cast<int>(count));
        at += count;
        left -= count;
    }

    if (missing.empty())
        Form4->AddLine("Daten geladen!");
    for (const auto& [first, last] : missing)
        Form4->AddLine(f.Sprache->GetText1Arg("$T30073", Range(first, last)));
    // Whatever was read is kept; a dump that read nothing leaves the file.
    const bool written = lines.Count() > linesBefore && SaveParameterFile(f, name, lines.Text());
    const TextWithPath last =
        written ? TextWithPath{std::string("Daten geschrieben in \"") + PathSlot + "\"!", name}
                : TextWithPath{f.GetText("$T30044"), {}};
    const bool complete = missing.empty() && written;
    if (complete)
        Form4->AddLine(last);
    else
        Form4->EndWithError(last);
    Form4->EnableClose(true);
    Form4->FocusClose();
    return complete ? SaveOutcome::Saved : SaveOutcome::Failed;
}

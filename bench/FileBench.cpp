// Cost of the parameter-file commands with the editor's whole parameter set
// (registers 900 to 1471): the register dump of the service mode against the
// simulator answering at 9600 baud, the save of a customer file (its atomic
// write included) and the open of that file up to the window's repaint.
// Each is set against a baseline measured in the same run: the dump against
// the same 23 chunk reads sent straight through the protocol object, the save
// against writing the same bytes with the same atomic write, the open against
// reading the same file into lines. A few runs; each one and the median are
// printed. Exit code 0 unless a command fails; targets are PASS or MISS only.
#include "BenchSupport.h"
#include "LineFloor.h"
#include "Reference.h"

#include "device/RegisterImage.h"
#include "device/window/Form4.h"
#include "files/RegisterLines.h"
#include "files/window/OKBottomDlg.h"
#include "link/LineSettings.h"
#include "link/Mop.h"
#include "platform/StringList.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"
#include "support/Devsim.h"
#include "support/TempDir.h"

#include <QLabel>
#include <QLineEdit>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace benchsupport;
using namespace bench;
using namespace linefloor;
namespace fs = std::filesystem;

constexpr int kFirst = 900;
constexpr int kLast = 1471;
constexpr int kChunk = 25;
constexpr double kFileTargetMs = 50.0;

struct Run {
    bool ok = false;
    std::string failure;
    double dumpMs = 0, dumpCpuMs = 0, dumpMainMs = 0, directMs = 0, directCpuMs = 0,
           directMainMs = 0;
    double saveMs = 0, atomicMs = 0;
    double openMs = 0, readMs = 0;
    size_t fileBytes = 0;
};

std::string Status() {
    return FromQString(Form1->StatusPanels[5]->text());
}

// The 23 chunk reads of the dump straight through the protocol object.
bool DirectChunks(TMop& mop) {
    for (int at = kFirst; at <= kLast; at += kChunk) {
        const int count = std::min(kChunk, kLast - at + 1);
        mop.SetHeader(0x60);
        mop.SetAddress1(0);
        mop.SetAddress2(0);
        mop.SetAddress3(0);
        mop.SetAddress4(0);
        mop.SetReadAddress(static_cast<uint16_t>(at));
        mop.SetReadCount(static_cast<uint8_t>(count));
        mop.SetWriteAddress(0);
        mop.SetWriteCount(0);
        if (mop.TransactRetry(2))
            return false;
    }
    return true;
}

Run OneRun(const fs::path& folder, int index) {
    Run run;
    const fs::path dump = folder / ("dump" + std::to_string(index) + ".rtu");
    const fs::path customer = folder / ("set" + std::to_string(index) + ".qdv");

    // The dump: range dialog answered, save name given, clock around the click.
    ServiceMode = 1;
    Dialogs::QueueFileName(dump.string());
    Dialogs::QueueModal([](QDialog& d) {
        auto& dialog = dynamic_cast<TOKBottomDlg&>(d);
        dialog.ui.LabeledEdit1->setText(QString::number(kFirst));
        dialog.ui.LabeledEdit2->setText(QString::number(kLast));
        return int(Dialogs::Ok);
    });
    Meter meter;
    meter.Start();
    Form1->savebuttonClick();
    meter.Stop();
    run.dumpMs = meter.WallMs();
    run.dumpCpuMs = meter.cpu.processMs;
    run.dumpMainMs = meter.cpu.mainThreadMs;
    if (Status() != Form1->GetText("$T29006")) {
        run.failure = "dump: status \"" + Status() + "\"";
        return run;
    }
    Form4->hide();

    // The same exchanges without the window.
    meter.Start();
    const bool direct = DirectChunks(*Form1->Mop);
    meter.Stop();
    run.directMs = meter.WallMs();
    run.directCpuMs = meter.cpu.processMs;
    run.directMainMs = meter.cpu.mainThreadMs;
    if (!direct) {
        run.failure = "direct chunk reads failed";
        return run;
    }

    // The dump opened gives the parameter set the save writes.
    if (DeviceFamily != 0)
        Dialogs::QueueModal([](QDialog&) { return int(Dialogs::Yes); });
    Dialogs::QueueFileName(dump.string());
    Form1->openbuttonClick();
    if (DeviceFamily == 0) {
        run.failure = "the dump did not open";
        return run;
    }

    ServiceMode = 0;
    Dialogs::QueueFileName(customer.string());
    meter.Start();
    Form1->savebuttonClick();
    meter.Stop();
    run.saveMs = meter.WallMs();
    std::string bytes, error;
    if (!ReadFileBytes(customer, bytes, error)) {
        run.failure = "save: " + error;
        return run;
    }
    run.fileBytes = bytes.size();
    meter.Start();
    const bool atomic = WriteFileAtomic(folder / "baseline.qdv", bytes, &error);
    meter.Stop();
    run.atomicMs = meter.WallMs();
    if (!atomic) {
        run.failure = "baseline write: " + error;
        return run;
    }

    Dialogs::QueueModal([](QDialog&) { return int(Dialogs::Yes); });
    Dialogs::QueueFileName(customer.string());
    meter.Start();
    Form1->openbuttonClick();
    meter.Stop();
    run.openMs = meter.WallMs();
    if (Status() != Form1->GetText("$T29009")) {
        run.failure = "open: status \"" + Status() + "\"";
        return run;
    }
    meter.Start();
    std::string again;
    ReadFileBytes(customer, again, error);
    const std::vector<std::string> lines = SplitLines(again);
    meter.Stop();
    run.readMs = meter.WallMs();
    run.ok = lines.size() == 1154;
    if (!run.ok)
        run.failure = "baseline read: " + std::to_string(lines.size()) + " lines";
    return run;
}

} // namespace

int main(int argc, char** argv) {
    Application app(argc, argv);
    TempDir folder("ostara-bench-file");
    const fs::path log = folder.Path() / "devsim.log";
    testsupport::Devsim sim(
        OSTARA_DEVSIM,
        {"--type", "0x21", "--pace", std::to_string(mop::lineBaudRate), "--log", log.string()});
    if (!sim.Ready()) {
        std::fprintf(stderr, "ostara-bench-file: %s\n", sim.Failure().c_str());
        return 2;
    }
    Session session("ostara-bench-file");
    if (!session.Start(folder, sim))
        return 2;
    // Every answer is waited for as long as the program waits; a busy
    // machine must not make an exchange repeat.
    Form1->Mop->SetGapLimit(500);

    std::vector<Run> runs;
    for (int i = 0; i < app.runs; ++i) {
        runs.push_back(OneRun(folder.Path(), i));
        if (!runs.back().ok)
            break;
    }
    session.End();

    // What the dump needs on the line: 23 requests of 11 bytes, answers of
    // 8 + 2 x count bytes, and the send pause between two exchanges.
    int exchanges = 0, requestBytes = 0, answerBytes = 0;
    for (int at = kFirst; at <= kLast; at += kChunk) {
        ++exchanges;
        requestBytes += mop::requestHeadLength;
        answerBytes += 8 + 2 * std::min(kChunk, kLast - at + 1);
    }
    const double wireMs = double(requestBytes + answerBytes) * ByteMs();
    const double pauseMs = double(exchanges - 1) * mop::preSendPauseMs;
    const double minimumMs = wireMs + pauseMs;

    std::printf("ostara-bench-file: register dump %d..%d against ostara-devsim --pace %d, "
                "then save and open of the customer file\n",
                kFirst, kLast, mop::lineBaudRate);
    std::printf("  dump workload   %d reads of up to %d registers\n", exchanges, kChunk);
    PrintWire(requestBytes, answerBytes, wireMs);
    std::printf("  pauses          %d x %u ms between them = %.1f ms\n", exchanges - 1,
                mop::preSendPauseMs, pauseMs);
    std::printf("  minimum         %.1f ms\n", minimumMs);

    bool allOk = true;
    std::vector<double> dumps, directs, cpus, saves, atomics, opens, reads;
    for (size_t i = 0; i < runs.size(); ++i) {
        const Run& r = runs[i];
        if (!r.ok) {
            allOk = false;
            std::printf("  run %zu          FAILED: %s\n", i + 1, r.failure.c_str());
            continue;
        }
        dumps.push_back(r.dumpMs);
        directs.push_back(r.directMs);
        cpus.push_back(r.dumpCpuMs);
        saves.push_back(r.saveMs);
        atomics.push_back(r.atomicMs);
        opens.push_back(r.openMs);
        reads.push_back(r.readMs);
        std::printf("  run %zu          dump %.1f ms (CPU %.1f ms = %.2f %%, main thread %.1f ms), "
                    "direct chunks %.1f ms (CPU %.1f ms, main thread %.1f ms)\n",
                    i + 1, r.dumpMs, r.dumpCpuMs, 100.0 * r.dumpCpuMs / r.dumpMs, r.dumpMainMs,
                    r.directMs, r.directCpuMs, r.directMainMs);
        std::printf("                 save %.2f ms vs atomic write %.2f ms (%zu bytes); open %.2f "
                    "ms vs read %.2f ms\n",
                    r.saveMs, r.atomicMs, r.fileBytes, r.openMs, r.readMs);
    }
    if (!dumps.empty()) {
        const double dump = Median(dumps);
        const double direct = Median(directs);
        const double cpu = Median(cpus);
        PrintMedianRatio(dump, minimumMs);
        std::printf("  baseline        direct chunk reads %.1f ms; dump / baseline %.3f\n", direct,
                    dump / direct);
        std::printf("  CPU             %.1f ms = %.2f %% of wall (target <= %.0f %%) %s\n", cpu,
                    100.0 * cpu / dump, kCpuTargetPercent,
                    Verdict(100.0 * cpu / dump <= kCpuTargetPercent));
        const double save = Median(saves);
        const double open = Median(opens);
        std::printf("  save            %.2f ms (target < %.0f ms) %s; baseline atomic write "
                    "%.2f ms\n",
                    save, kFileTargetMs, Verdict(save < kFileTargetMs), Median(atomics));
        std::printf("  open            %.2f ms (target < %.0f ms) %s; baseline read %.2f ms\n",
                    open, kFileTargetMs, Verdict(open < kFileTargetMs), Median(reads));
    }
    // The simulator's log: every read of the dumps, none repeated.
    std::ifstream in(log);
    int logged = 0;
    for (std::string line; std::getline(in, line);)
        logged += line.find(" req=") != std::string::npos;
    std::printf("  simulator log   %d exchanges (%d expected)\n", logged,
                int(runs.size()) * 2 * exchanges);
    std::fflush(stdout);
    return allOk ? 0 : 2;
}

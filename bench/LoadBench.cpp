// Cost of loading a parameter file into the device: the editor's save of a
// whole parameter set (registers 900 to 1471, read once from the simulator,
// not timed) is loaded with F9 into the simulator answering at 9600 baud;
// the clock runs until the command returns. The wall time is set against
// the floor computed from the simulator's request log (every request and
// answer byte on the line, 5 ms before each exchange, 200 ms per unlock
// pause) and the CPU the process spends meanwhile against the wall time.
// A few runs; each one and the median are printed. Exit code 0 unless a load
// fails; the targets are reported as PASS or MISS.
#include "BenchSupport.h"
#include "LineFloor.h"
#include "Reference.h"

#include "device/RegisterImage.h"
#include "device/window/Form4.h"
#include "files/DeviceLoad.h"
#include "files/KundenFile.h"
#include "link/window/RegisterCommands.h"
#include "platform/StringList.h"
#include "platform/Text.h"

#include <QLabel>

#include <algorithm>
#include <fstream>

namespace {

using namespace benchsupport;
using namespace bench;
using namespace linefloor;
namespace fs = std::filesystem;

constexpr int kUnlockPauseMs = 200;

// What the exchanges of one load need on the line.
struct LoadWorkload {
    int exchanges = 0, blocks = 0, singles = 0, unanswered = 0, pauses = 0;
    int requestBytes = 0, answerBytes = 0;
    double wireMs = 0, floorMs = 0;
};

// The exchanges the simulator logged from byte offset `from` on.
LoadWorkload Measure(const fs::path& log, std::streamoff from) {
    LoadWorkload w;
    std::ifstream in(log);
    in.seekg(from);
    bool firstCode = false;
    for (std::string line; std::getline(in, line);) {
        const size_t req = line.find(" req=");
        const size_t rsp = line.find(" rsp=");
        if (req == std::string::npos || rsp == std::string::npos)
            continue;
        const std::string request = line.substr(req + 5, rsp - req - 5);
        const std::string answer = line.substr(rsp + 5, line.find(' ', rsp + 5) - rsp - 5);
        const int requestBytes = int(request.size() / 2);
        const int answerBytes = answer == "-" ? 0 : int(answer.size() / 2);
        const int writes = requestBytes > 10 ? std::stoi(request.substr(20, 2), nullptr, 16) : 0;
        ++w.exchanges;
        w.unanswered += answerBytes == 0;
        (writes > 1 ? w.blocks : w.singles) += 1;
        w.requestBytes += requestBytes;
        w.answerBytes += answerBytes;
        // The second unlock code follows the first after a pause.
        const bool unlockWrite = writes == 1 && request.substr(16, 4) == "03E7";
        const std::string value = request.size() >= 26 ? request.substr(22, 4) : "";
        if (unlockWrite && firstCode && value == "2446")
            ++w.pauses;
        firstCode = unlockWrite && value == "20AA";
    }
    // The line is quiet 5 ms before every request but the first; an unlock
    // pause is quiet time already.
    const int sendPauses = std::max(w.exchanges - 1 - w.pauses, 0);
    const double pauseMs = double(sendPauses) * mop::preSendPauseMs + w.pauses * kUnlockPauseMs;
    w.wireMs = double(w.requestBytes + w.answerBytes) * ByteMs();
    w.floorMs = w.wireMs + pauseMs;
    return w;
}

// The baseline: the same writes straight through the register functions,
// without the command, its checks and its window.
void DirectWrites(const std::vector<LoadStep>& steps) {
    for (const LoadStep& step : steps) {
        if (step.kind == LoadStepKind::Block) {
            std::copy(step.values.begin(), step.values.end(), RegisterImage.begin());
            WriteAndVerifyRegisters(step.reg, 0, int(step.values.size()));
        } else if (step.kind != LoadStepKind::Pause && step.kind != LoadStepKind::Skip) {
            WriteRegisterChecked(step.reg, int(step.values.front()));
        }
    }
}

struct Run {
    double wallMs = 0, cpuMs = 0, mainMs = 0, directMs = 0, directCpuMs = 0;
    LoadWorkload work;
    std::string failure;
};

std::string ReadFileText(const fs::path& file) {
    std::string bytes, error;
    ReadFileBytes(file, bytes, error);
    return bytes;
}

std::string Status() {
    return FromQString(Form1->StatusPanels[5]->text());
}

} // namespace

int main(int argc, char** argv) {
    const Application app(argc, argv);
    TempDir folder("ostara-bench-load");
    const fs::path log = folder.Path() / "devsim.log";
    testsupport::Devsim sim(
        OSTARA_DEVSIM,
        {"--type", "0x21", "--pace", std::to_string(mop::lineBaudRate), "--log", log.string()});
    if (!sim.Ready()) {
        std::fprintf(stderr, "ostara-bench-load: %s\n", sim.Failure().c_str());
        return 2;
    }
    Session session("ostara-bench-load");
    if (!session.Start(folder, sim))
        return 2;
    // Every answer is waited for as long as the program waits; a busy
    // machine must not make an exchange repeat.
    Form1->Mop->SetGapLimit(500);

    // The editor's file of the device's own parameter set.
    Continuation continuation;
    Form1->down_loadClick();
    continuation.Wait();
    const fs::path file = folder.Path() / "set.qdv";
    Dialogs::QueueFileName(file.string());
    Form1->savebuttonClick();
    if (Status() != Form1->GetText("$T29006")) {
        std::fprintf(stderr, "ostara-bench-load: the save failed (\"%s\")\n", Status().c_str());
        return 2;
    }

    TStringList lines;
    lines.SetText(ReadFileText(file));
    TKundenFile().ReadMain(lines);
    const std::vector<LoadStep> steps =
        PlanDeviceLoad(ReadLoadLines(lines.Lines(), NameForm::Bare).lines);

    std::vector<Run> runs;
    for (int i = 0; i < app.runs; ++i) {
        Run run;
        const std::streamoff from = std::streamoff(fs::file_size(log));
        Dialogs::QueueFileName(file.string());
        Meter meter;
        meter.Start();
        Form1->SaveToStrgClick();
        meter.Stop();
        run.wallMs = meter.WallMs();
        run.cpuMs = meter.cpu.processMs;
        run.mainMs = meter.cpu.mainThreadMs;
        run.work = Measure(log, from);
        if (Status() != Form1->GetText("$T29010"))
            run.failure = "status \"" + Status() + "\"";
        else if (run.work.unanswered > 0)
            run.failure = std::to_string(run.work.unanswered) + " exchanges unanswered";
        Form4->hide();
        meter.Start();
        DirectWrites(steps);
        meter.Stop();
        run.directMs = meter.WallMs();
        run.directCpuMs = meter.cpu.processMs;
        runs.push_back(run);
        if (!run.failure.empty())
            break;
    }
    session.End();

    std::printf("ostara-bench-load: the editor's file (registers 900..1471) loaded with F9 into "
                "ostara-devsim --pace %d\n",
                mop::lineBaudRate);
    bool ok = true;
    std::vector<double> walls, cpus, directs;
    for (size_t i = 0; i < runs.size(); ++i) {
        const Run& r = runs[i];
        if (!r.failure.empty()) {
            ok = false;
            std::printf("  run %zu          FAILED: %s\n", i + 1, r.failure.c_str());
            continue;
        }
        const LoadWorkload& w = r.work;
        if (i == 0) {
            std::printf("  workload        %d exchanges: %d blocks, %d single writes; %d unlock "
                        "pauses\n",
                        w.exchanges, w.blocks, w.singles, w.pauses);
            PrintWire(w.requestBytes, w.answerBytes, w.wireMs);
            std::printf("  pauses          %d x %u ms of quiet line + %d x %d ms\n",
                        std::max(w.exchanges - 1 - w.pauses, 0), mop::preSendPauseMs, w.pauses,
                        kUnlockPauseMs);
            std::printf("  floor           %.1f ms on the line\n", w.floorMs);
        }
        walls.push_back(r.wallMs);
        cpus.push_back(r.cpuMs);
        directs.push_back(r.directMs);
        std::printf(
            "  run %zu          wall %.1f ms; CPU %.1f ms = %.2f %% (main thread %.1f ms)\n", i + 1,
            r.wallMs, r.cpuMs, 100.0 * r.cpuMs / r.wallMs, r.mainMs);
        std::printf("                 the same writes direct: wall %.1f ms, CPU %.1f ms\n",
                    r.directMs, r.directCpuMs);
    }
    if (!walls.empty()) {
        const double wall = Median(walls);
        PrintMedianRatio(wall, runs.front().work.floorMs);
        const double direct = Median(directs);
        std::printf("  baseline        the same writes direct %.1f ms; load / baseline %.3f\n",
                    direct, wall / direct);
        const double cpu = 100.0 * Median(cpus) / wall;
        std::printf("  CPU             %.2f %% of wall (target <= %.0f %%) %s\n", cpu,
                    kCpuTargetPercent, Verdict(cpu <= kCpuTargetPercent));
    }
    std::fflush(stdout);
    return ok ? 0 : 2;
}

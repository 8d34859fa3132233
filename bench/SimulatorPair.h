#pragma once
// The two simulators a benchmark of the link runs against: one the program
// talks to and one the reference client replays the program's exchanges
// on, both started with the same arguments and each logging into a file of
// its own, and the reference client's connection.

#include "Reference.h"
#include "support/Devsim.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

class SimulatorPair {
public:
    // `arguments` before "--log <file>"; the logs go into `folder`.
    SimulatorPair(const std::filesystem::path& folder, std::vector<std::string> arguments)
        : programLog(folder / "program-devsim.log"), referenceLog(folder / "reference-devsim.log"),
          program(OSTARA_DEVSIM, WithLog(arguments, programLog)),
          reference(OSTARA_DEVSIM, WithLog(arguments, referenceLog)),
          client(reference.Ready() ? reference.PtyPath() : std::string()) {}

    // True when both simulators run and the client has its line; otherwise
    // says why on stderr, after the benchmark's name.
    bool Ready(const char* benchmark) const {
        for (const testsupport::Devsim* s : {&program, &reference}) {
            if (!s->Ready()) {
                std::fprintf(stderr, "%s: %s\n", benchmark, s->Failure().c_str());
                return false;
            }
        }
        if (!client.IsOpen()) {
            std::fprintf(stderr, "%s: %s\n", benchmark, client.Failure().c_str());
            return false;
        }
        return true;
    }

    // Replays the program's exchanges of one run (from `log`, made between
    // `start` and `end` with `cpuMs` of the process) on the reference
    // simulator and gives both sides as one sample; false with `failure`
    // set when the reference client could not make them.
    bool ReplayAndSample(const std::vector<LoggedExchange>& log, const Workload& work,
                         Clock::time_point start, Clock::time_point end, double cpuMs, Sample& s,
                         std::string& failure) {
        const std::streamoff referenceFrom = FileSize(referenceLog);
        const ReferenceClient::Run ref = client.Replay(work);
        if (!ref.ok) {
            failure = "the reference client failed: " + ref.failure;
            return false;
        }
        s.wallMs = Ms(end - start);
        s.cpuPercent = 100.0 * cpuMs / s.wallMs;
        s.program = TimelineOf(log, work, start, end);
        s.firstRequestMs = s.program.toFirstRequestMs;
        s.referenceWallMs = ref.WallMs();
        s.referenceCpuPercent = 100.0 * ref.cpuMs / ref.WallMs();
        s.reference = TimelineOf(ReadLog(referenceLog, referenceFrom), work, ref.start, ref.end);
        return true;
    }

    const std::filesystem::path programLog, referenceLog;
    testsupport::Devsim program, reference;
    ReferenceClient client;

private:
    static std::vector<std::string> WithLog(std::vector<std::string> arguments,
                                            const std::filesystem::path& log) {
        arguments.insert(arguments.end(), {"--log", log.string()});
        return arguments;
    }
};

} // namespace bench

#pragma once
// What the command benchmarks share: the clock and the CPU meters, the
// program folder, the main window started against the simulator, the wait
// for the read's continuation, and the lines every report prints.
//
// A benchmark defines OSTARA_PROGRAM_DIR (the folder holding the shipped
// files) and OSTARA_DEVSIM; both come from bench/CMakeLists.txt.

#include "link/LineSettings.h"
#include "link/Mop.h"
#include "link/PortSettings.h"
#include "platform/Timer.h"
#include "platform/window/Dialogs.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"
#include "shell/window/Program.h"
#include "support/Devsim.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace benchsupport {

using Clock = std::chrono::steady_clock;

constexpr int kDefaultRuns = 3;
constexpr int kReadDeadlineMs = 30000;
constexpr double kRatioTarget = 1.05;
constexpr double kCpuTargetPercent = 5.0;

inline double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// One byte on the line: start bit, data bits, stop bit at the line's rate.
inline double ByteMs() {
    return double(mop::bitsPerByteOnWire) * 1000.0 / double(mop::lineBaudRate);
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

inline const char* Verdict(bool met) {
    return met ? "PASS" : "MISS";
}

struct Cpu {
    double processMs = 0;
    double mainThreadMs = 0;
    long voluntarySwitches = 0;
    long involuntarySwitches = 0;

    static double MsOf(const rusage& u) {
        const auto ms = [](const timeval& t) {
            return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0;
        };
        return ms(u.ru_utime) + ms(u.ru_stime);
    }
    static Cpu Now() {
        rusage self{};
        rusage thread{};
        getrusage(RUSAGE_SELF, &self);
        getrusage(RUSAGE_THREAD, &thread);
        return {MsOf(self), MsOf(thread), self.ru_nvcsw, self.ru_nivcsw};
    }
    Cpu operator-(const Cpu& o) const {
        return {processMs - o.processMs, mainThreadMs - o.mainThreadMs,
                voluntarySwitches - o.voluntarySwitches,
                involuntarySwitches - o.involuntarySwitches};
    }
};

// On-CPU time of a thread of this process (from the scheduler's statistics)
// and its name, to tell the main thread, the port's event thread, the reader
// thread and Qt's pooled workers apart.
struct ThreadTime {
    double ms = 0;
    std::string name;
};

// Every thread of this process, by thread id.
inline std::map<int, ThreadTime> ThreadCpuMs() {
    std::map<int, ThreadTime> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", ec)) {
        std::ifstream stat(entry.path() / "schedstat");
        std::ifstream comm(entry.path() / "comm");
        unsigned long long ns = 0;
        ThreadTime t;
        std::getline(comm, t.name);
        if (stat >> ns) {
            t.ms = double(ns) / 1e6;
            out[std::atoi(entry.path().filename().c_str())] = t;
        }
    }
    return out;
}

// The clock, the CPU of the process and every thread's, read at the start
// and at the end of what is measured.
struct Meter {
    std::map<int, ThreadTime> threadsBefore;
    std::map<int, ThreadTime> threadsAfter;
    Cpu cpuBefore;
    Cpu cpu; // spent between Start and Stop
    Clock::time_point start{};
    Clock::time_point end{};

    void Start() {
        threadsBefore = ThreadCpuMs();
        cpuBefore = Cpu::Now();
        start = Clock::now();
    }
    void Stop() {
        end = Clock::now();
        cpu = Cpu::Now() - cpuBefore;
        threadsAfter = ThreadCpuMs();
    }
    double WallMs() const { return Ms(end - start); }
};

// The application object of a benchmark, made under the environment every
// benchmark runs in, and the number of runs (--runs N, at least 1).
class Application {
public:
    Application(int& argc, char** argv)
        : runs(RunsArgument(argc, argv)), prepared_(PrepareEnvironment()), app_(argc, argv) {
        // Numbers are read and written with a dot whatever the language.
        std::setlocale(LC_NUMERIC, "C");
    }

    const int runs;

private:
    static int RunsArgument(int argc, char** argv) {
        int runs = kDefaultRuns;
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
                runs = std::max(1, std::atoi(argv[++i]));
        }
        return runs;
    }
    static bool PrepareEnvironment() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        // A known user language: the language file is loaded without asking.
        setenv("LC_ALL", "en_GB.UTF-8", 1);
        return true;
    }

    bool prepared_; // the environment is set before the application object is made
    QApplication app_;
};

inline bool HasFlag(int argc, char** argv, const char* flag) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], flag) == 0)
            return true;
    }
    return false;
}

inline std::string ProgramDir() {
    if (const char* dir = std::getenv("OSTARA_PROGRAM_DIR"); dir && *dir)
        return dir;
    return OSTARA_PROGRAM_DIR;
}

// The main window started as the program starts, in a fresh program folder
// holding the shipped register map and texts, on the simulator's pty, with
// the dialogs scripted. End() (or the destructor) closes it and goes back to
// the previous working folder.
class Session {
public:
    explicit Session(std::string bench) : bench_(std::move(bench)) {}
    ~Session() { End(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // False, with the reason printed, when a file cannot be copied or the
    // window does not start or open the port.
    bool Start(const TempDir& folder, const testsupport::Devsim& sim) {
        for (const char* name : {"steuerung.cfg", "default.lang"}) {
            const std::filesystem::path file = std::filesystem::path(ProgramDir()) / name;
            std::error_code ec;
            std::filesystem::copy_file(file, folder.Path() / name,
                                       std::filesystem::copy_options::overwrite_existing, ec);
            if (ec) {
                std::fprintf(stderr, "%s: cannot copy %s: %s\n", bench_.c_str(),
                             file.string().c_str(), ec.message().c_str());
                return false;
            }
        }
        previousDir_ = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(folder.Path().string()));

        Dialogs::BeginScript();
        BuildProgramTitle();
        PortName = sim.PtyPath();
        CreateForms();
        started_ = true;
        AppStarted = 1;
        Form1->show();
        if (Form1->QuitAtStart || !Form1->Timer1 || !Form1->Mop || !Form1->Mop->IsOpen()) {
            std::fprintf(stderr, "%s: the window did not start or open %s\n", bench_.c_str(),
                         sim.PtyPath().c_str());
            End();
            return false;
        }
        QCoreApplication::processEvents();
        return true;
    }

    void End() {
        if (!started_)
            return;
        started_ = false;
        DestroyForms();
        Dialogs::EndScript();
        QDir::setCurrent(previousDir_);
    }

private:
    std::string bench_;
    QString previousDir_;
    bool started_ = false;
};

// The read's continuation (Timer1Timer) run by the window's timer, with its
// start and end noted, so that a benchmark can wait for it. Lives as long as
// the window's timer may fire.
class Continuation {
public:
    Continuation() {
        Form1->Timer1->SetOnTimer([this] {
            start = Clock::now();
            Form1->Timer1Timer();
            end = Clock::now();
            ran = true;
            if (waiting_)
                waiting_->quit();
        });
    }
    Continuation(const Continuation&) = delete;
    Continuation& operator=(const Continuation&) = delete;

    // Waits until the continuation has run or the deadline has passed.
    void Wait(int deadlineMs = kReadDeadlineMs) {
        if (ran)
            return;
        QEventLoop loop;
        waiting_ = &loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(deadlineMs);
        loop.exec();
        waiting_ = nullptr;
    }

    bool ran = false;
    Clock::time_point start{};
    Clock::time_point end{};

private:
    QEventLoop* waiting_ = nullptr;
};

// --- the report ----------------------------------------------------------

inline void PrintWire(int requestBytes, int answerBytes, double wireMs) {
    std::printf("  wire            %d + %d = %d bytes x %d bits / %d baud = %.1f ms\n",
                requestBytes, answerBytes, requestBytes + answerBytes, mop::bitsPerByteOnWire,
                mop::lineBaudRate, wireMs);
}

inline void PrintMinimum(double minimumMs, double ptyMinimumMs) {
    std::printf("  minimum         %.1f ms; on the pty %.1f ms (requests arrive at once, "
                "answers complete after n - 1 byte times)\n",
                minimumMs, ptyMinimumMs);
}

// The median run against the minimum and the ratio target.
inline void PrintMedianRatio(double wallMs, double minimumMs, double ratio, double ptyMinimumMs) {
    std::printf("  median          wall %.1f ms, minimum %.1f ms\n", wallMs, minimumMs);
    std::printf("  ratio           %.3f (target <= %.2f) %s; against the pty minimum %.3f\n", ratio,
                kRatioTarget, Verdict(ratio <= kRatioTarget), wallMs / ptyMinimumMs);
}

} // namespace benchsupport

#pragma once
// What the command benchmarks share besides the reference (Reference.h): the
// program folder, the main window started against the simulator, and the
// wait for the read's continuation.
//
// A benchmark defines OSTARA_PROGRAM_DIR (the folder holding the shipped
// files) and OSTARA_DEVSIM; both come from bench/CMakeLists.txt.

#include "Reference.h"

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

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace benchsupport {

using bench::Clock;
using bench::Ms;

constexpr int kReadDeadlineMs = 30000;

// The application object of a benchmark, made under the environment every
// benchmark runs in, and the number of runs (--runs N, at least 1).
class Application {
public:
    Application(int& argc, char** argv)
        : runs(bench::RunsArgument(argc, argv)), prepared_(PrepareEnvironment()), app_(argc, argv) {
        // Numbers are read and written with a dot whatever the language.
        std::setlocale(LC_NUMERIC, "C");
    }

    const int runs;

private:
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

// A time on the monotonic clock in seconds, as a profiler records it.
inline double Seconds(Clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
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

} // namespace benchsupport

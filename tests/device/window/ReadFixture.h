#pragma once
// The program's windows against the device simulator on a real pty: the port
// points at the simulator, the program folder holds the shipped register map,
// and the response time-out is short so that fault cases stay fast.

#include "device/RegisterImage.h"
#include "device/window/Form4.h"
#include "link/Mop.h"
#include "link/PortSettings.h"
#include "link/window/RegisterCommands.h"
#include "platform/Text.h"
#include "platform/Timer.h"
#include "platform/window/Dialogs.h"
#include "shell/window/Form1.h"
#include "shell/window/Program.h"
#include "support/Devsim.h"
#include "support/FileText.h"
#include "support/WindowFixture.h"

#include <QLabel>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

// One exchange as the simulator logged it.
struct SimExchange {
    int number = 0;                // 1-based request count of the simulator
    double atMs = 0;               // when the request came, ms after midnight
    int first = -1;                // first register the request reads
    int count = -1;                // registers it reads
    int writeFirst = -1;           // first register the request writes
    int writeCount = 0;            // registers it writes; 0 for a pure read
    std::vector<uint32_t> written; // the values it writes, in register order
    bool answered = false;
    std::string lock;   // "locked" or "unlocked" after the exchange
    std::string faults; // the faults that fired, comma-separated; "" for none
};

class ReadTest : public WindowTest {
protected:
    static constexpr uint32_t shortTimeoutMs = 150;

    // Starts the simulator with args, copies the shipped map into the
    // program folder, starts the windows and opens the port on the simulator.
    void StartWithDevice(const std::vector<std::string>& args) {
        StartSim(args);
        ASSERT_TRUE(sim_ && sim_->Ready());
        CopyMap();
        // The settings a window before this one left would name its port.
        std::filesystem::remove(dir_ / "ostra.ini");
        PortName = sim_->PtyPath();
        Start();
        ASSERT_TRUE(Form1->Mop->IsOpen()) << "the log says: " << ProgramLog();
        Form1->Mop->SetResponseTimeout(shortTimeoutMs);
    }

    // What the program wrote to its error log.
    std::string ProgramLog() const { return testsupport::FileText(dir_ / "Error.txt"); }

    // Starts (or replaces) the simulator only; it logs into the same file.
    void StartSim(const std::vector<std::string>& args) {
        sim_.reset();
        std::vector<std::string> all = {"--log", LogPath().string()};
        all.insert(all.end(), args.begin(), args.end());
        sim_ = std::make_unique<testsupport::Devsim>(OSTARA_DEVSIM, all);
        ASSERT_TRUE(sim_->Ready()) << sim_->Failure();
    }

    void CopyMap() {
        std::filesystem::copy_file(std::filesystem::path(OSTARA_PROGRAM_DIR) / "steuerung.cfg",
                                   dir_ / "steuerung.cfg",
                                   std::filesystem::copy_options::overwrite_existing);
    }

    static std::string ShippedMap() {
        std::ifstream in(std::filesystem::path(OSTARA_PROGRAM_DIR) / "steuerung.cfg",
                         std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    void WriteMap(const std::string& text) {
        std::ofstream out(dir_ / "steuerung.cfg", std::ios::binary | std::ios::trunc);
        out << text;
    }

    // Presses Read and waits until the continuation has run.
    bool Read(int ms = 10000) {
        Form1->down_loadClick();
        return RunUntil([] { return Form1->TransferIdle && !Form1->Timer1->Enabled(); }, ms);
    }

    // For a line paced at the wire rate: waits long enough that a busy test
    // machine never makes an exchange fail or repeat (the exact requests are
    // checked), while the device still answers at its own speed.
    void AllowSlowLine() {
        Form1->Mop->SetResponseTimeout(1000);
        Form1->Mop->SetGapLimit(500);
    }

    std::string Status() const { return FromQString(Form1->StatusPanels[5]->text()); }

    std::filesystem::path LogPath() const { return dir_ / "devsim.log"; }
    std::vector<SimExchange> SimLog() const { return SimLogOf(LogPath()); }

    // Every exchange the simulator logged so far (the log is written before
    // the answer goes out, so an answered exchange is always in it).
    static std::vector<SimExchange> SimLogOf(const std::filesystem::path& file) {
        std::vector<SimExchange> out;
        std::ifstream in(file);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            std::string time, number, req, rsp, lock, fault;
            words >> time >> number >> req >> rsp >> lock >> fault;
            if (number.size() < 2 || number[0] != '#' || req.rfind("req=", 0) != 0 ||
                rsp.rfind("rsp=", 0) != 0)
                continue;
            SimExchange ex;
            ex.number = std::atoi(number.c_str() + 1);
            if (time.size() >= 12)
                ex.atMs = (std::atoi(time.c_str()) * 60 + std::atoi(time.c_str() + 3)) * 60000.0 +
                          std::atof(time.c_str() + 6) * 1000.0;
            // Request: 60 a1 a2 a3 a4 RR RR rc WW WW wc, then wc data words,
            // hex without blanks.
            const std::string hex = req.substr(4);
            if (hex.size() >= 16) {
                ex.first = static_cast<int>(std::strtol(hex.substr(10, 4).c_str(), nullptr, 16));
                ex.count = static_cast<int>(std::strtol(hex.substr(14, 2).c_str(), nullptr, 16));
            }
            if (hex.size() >= 22) {
                ex.writeFirst =
                    static_cast<int>(std::strtol(hex.substr(16, 4).c_str(), nullptr, 16));
                ex.writeCount =
                    static_cast<int>(std::strtol(hex.substr(20, 2).c_str(), nullptr, 16));
                for (size_t at = 22; at + 4 <= hex.size(); at += 4)
                    ex.written.push_back(static_cast<uint32_t>(
                        std::strtoul(hex.substr(at, 4).c_str(), nullptr, 16)));
            }
            ex.answered = rsp != "rsp=-";
            ex.lock = lock;
            if (fault.rfind("fault=", 0) == 0)
                ex.faults = fault.substr(6);
            out.push_back(ex);
        }
        return out;
    }

    // The simulator's value of a register, through its control input; -1
    // when it does not answer.
    long SimValue(int reg) {
        const std::string answer = sim_->Command("get " + std::to_string(reg));
        const size_t eq = answer.find('=');
        const std::string number = eq == std::string::npos ? answer : answer.substr(eq + 1);
        char* end = nullptr;
        const long v = std::strtol(number.c_str(), &end, 0);
        return end && end != number.c_str() ? v : -1;
    }

    // The first register whose image cell differs from the simulator; -1 when the image holds
    // 900..1471 as the simulator does.
    int FirstDifferenceFromSim() {
        for (uint32_t reg = FirstImageRegister; reg <= LastImageRegister; ++reg)
            if (static_cast<long>(RegisterImage[reg - FirstImageRegister]) != SimValue(reg))
                return static_cast<int>(reg);
        return -1;
    }

    static bool ImageIsClear() {
        for (int i = 0; i < RegisterImageSize; ++i)
            if (RegisterImage[i] != 0)
                return false;
        return true;
    }

    // Message boxes shown with this text.
    static int CountMessages(const std::string& text) {
        int n = 0;
        for (const Dialogs::Shown& s : Dialogs::History())
            if (s.kind == "message" && s.text == text)
                ++n;
        return n;
    }

    // Modal dialogs shown with this object name.
    static int CountModals(const std::string& name) {
        int n = 0;
        for (const Dialogs::Shown& s : Dialogs::History())
            if (s.kind == "modal" && s.text == name)
                ++n;
        return n;
    }

    std::unique_ptr<testsupport::Devsim> sim_;
};

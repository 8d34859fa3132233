#pragma once
// The program's windows against the device simulator on a real pty: the port
// points at the simulator, the program folder holds the shipped register map,
// and the response time-out is short so that fault cases stay fast.

#include "device/Form4.h"
#include "device/RegisterImage.h"
#include "link/Mop.h"
#include "link/RegisterCommands.h"
#include "platform/Text.h"
#include "platform/Timer.h"
#include "shell/Form1.h"
#include "shell/Program.h"
#include "support/Devsim.h"
#include "support/WindowFixture.h"

#include <QLabel>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class ReadTest : public WindowTest {
protected:
    static constexpr uint32_t shortTimeoutMs = 150;

    // Starts the simulator with args, copies the shipped map into the
    // program folder, starts the windows and opens the port on the simulator.
    void StartWithDevice(const std::vector<std::string>& args) {
        std::vector<std::string> all = {"--log", (dir_ / "devsim.log").string()};
        all.insert(all.end(), args.begin(), args.end());
        sim_ = std::make_unique<testsupport::Devsim>(OSTARA_DEVSIM, all);
        ASSERT_TRUE(sim_->Ready()) << sim_->Failure();
        CopyMap();
        PortName = sim_->PtyPath();
        Start();
        ASSERT_TRUE(Form1->Mop->IsOpen());
        Form1->Mop->SetResponseTimeout(shortTimeoutMs);
    }

    void CopyMap() {
        std::filesystem::copy_file(std::filesystem::path(OSTARA_PROGRAM_DIR) / "steuerung.cfg",
                                   dir_ / "steuerung.cfg",
                                   std::filesystem::copy_options::overwrite_existing);
    }

    // Presses Read and waits until the continuation has run.
    bool Read(int ms = 10000) {
        Form1->down_loadClick();
        return RunUntil([] { return Form1->TransferIdle && !Form1->Timer1->Enabled(); }, ms);
    }

    std::string Status() const { return FromQString(Form1->StatusPanels[5]->text()); }

    std::unique_ptr<testsupport::Devsim> sim_;
};

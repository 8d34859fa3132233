#include "device/window/PendingRegisterWrite.h"

#include "device/PendingRegisters.h"
#include "device/RegisterImage.h"
#include "device/window/Transfers.h"
#include "link/Mop.h"
#include "link/window/RegisterCommands.h"
#include "shell/LogFile.h"
#include "shell/window/Form1.h"

#include <optional>
#include <string>
#include <vector>

namespace {

// Writes the image's value of each register until the first one the device
// does not take; that one's number, or 0 when all went through.
uint32_t WriteFromImage(const std::vector<uint32_t>& regs) {
    for (const uint32_t reg : regs)
        if (WriteRegisterChecked(reg, static_cast<int>(ImageCell(reg - FirstImageRegister))) != 0)
            return reg;
    return 0;
}

// Why the last exchange failed, as the protocol object tells it.
LinkFault LastFault() {
    const TMop* mop = Form1 ? Form1->Mop.get() : nullptr;
    return mop ? LinkFaultOf(mop->LastFailure(), mop->Error()) : LinkFault::NoAnswer;
}

void Log(const std::string& line) {
    if (Form1 && Form1->LogFile)
        Form1->LogFile->Write(line);
}

} // namespace

bool WritePendingPresetRegisters(LinkFault& fault, bool& relockFailed) {
    const PendingWrites rest = PendingWritesAfter(PendingPresetRegisters, TakeWrittenRegisters(),
                                                  DeviceFamily, RegisterMap);
    std::optional<LinkFault> failure;
    uint32_t refused = WriteFromImage(rest.free);
    if (refused != 0) {
        failure = LastFault();
    } else if (!rest.locked.empty()) {
        UnlockDevice();
        refused = WriteFromImage(rest.locked);
        if (refused != 0)
            failure = LastFault();
        // Locked again whatever the writes did.
        if (!RelockDevice()) {
            if (Form1)
                ReportRelockFailure(*Form1);
            relockFailed = true;
            if (!failure)
                failure = LastFault();
        }
    }
    if (refused != 0)
        Log("Preset register " + std::to_string(refused) + ": write not taken");
    if (failure) {
        fault = *failure;
        return false;
    }
    PendingPresetRegisters.clear();
    return true;
}

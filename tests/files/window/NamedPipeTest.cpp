// A named pipe chosen as the file of a command that reads parameter files:
// every such command refuses it at once, names it, logs it, reads nothing.
#include "support/NamedPipe.h"
#include "files/window/FileFixture.h"
#include "files/window/KonverterDlg.h"

#include <functional>

namespace {

TEST_F(FileTest, EveryCommandThatReadsAFileRefusesANamedPipe) {
    std::string lang = ReadFile(dir_ / "default.lang"); // the refusal shows its argument
    WriteFile(dir_ / "default.lang",
              lang.replace(lang.find("$T34003GB=$T34003"), 17, "$T34003GB=$T34003 %S%"));
    Start();
    const TRegisterImage image = RadioImage(5);
    WriteFile(dir_ / "shown.qdv", CustomerFileOf(image));
    const auto convert = [this] {
        Dialogs::QueueModal([this](QDialog& d) {
            auto& dialog = static_cast<TKonverterDlg1&>(d);
            dialog.orgbuttonClick();
            Dialogs::QueueFileName((dir_ / "converted.qdv").string());
            dialog.kbuttonClick(), dialog.OKBtnClick();
            return dialog.result();
        });
        Form1->KonverterClick();
    };
    // The file, service mode, the command, whether it asks to drop the data
    // shown and whether that data stays.
    const struct {
        const char* file;
        int service;
        std::function<void()> command;
        bool asks, keepsData;
    } cases[] = {
        {"0.qdv", 0, [] { Form1->openbuttonClick(); }, true, false},
        {"1.qdv", 1, [] { Form1->openbuttonClick(); }, true, false},
        {"2.rtu", 1, [] { Form1->openbuttonClick(); }, true, false},
        {"3.qdv", 0, [] { Form1->FSetLadenClick(); }, true, true},
        {"4.rtu", 1, convert, false, true},
        {"5.qdv", 0, [] { Form1->DateiinSteuerungladen1Click(); }, false, true},
    };
    for (const auto& c : cases) {
        ServiceMode = static_cast<uint8_t>(c.service);
        Open(dir_ / "shown.qdv");
        ASSERT_TRUE(RegisterImage == image);
        const fs::path file = dir_ / c.file;
        SCOPED_TRACE(file.string());
        HeldPipe pipe(file);
        Dialogs::ClearHistory();
        if (c.asks)
            Dialogs::QueueModal([](QDialog&) { return int(Dialogs::Yes); });
        Dialogs::QueueFileName(file.string());
        c.command();
        EXPECT_TRUE(pipe.Untouched());
        EXPECT_EQ(Messages(), Lines{"$T34003 " + file.string()});
        EXPECT_EQ(RegisterImage == image, c.keepsData);
        EXPECT_FALSE(fs::exists(dir_ / "CONVERTED.QDV") || fs::exists(dir_ / "converted.qdv"));
        EXPECT_NE(
            ReadFile(dir_ / "Error.txt").find("Read " + file.string() + ": not a regular file"),
            std::string::npos);
    }
}

} // namespace

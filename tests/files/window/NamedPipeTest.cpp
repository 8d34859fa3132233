// A named pipe chosen as the file of a command that reads parameter files:
// every such command refuses it at once, names it, logs it, and reads
// nothing from it.
#include "files/window/FileFixture.h"
#include "files/window/KonverterDlg.h"
#include "support/NamedPipe.h"

#include <chrono>
#include <functional>

namespace {

TEST_F(FileTest, EveryCommandThatReadsAFileRefusesANamedPipeAtOnce) {
    // The refusal shows the file it names.
    std::string lang = ReadFile(dir_ / "default.lang");
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
            dialog.kbuttonClick();
            dialog.OKBtnClick();
            return dialog.result();
        });
        Form1->KonverterClick();
    };
    struct Case {
        const char* file;
        int service;
        std::function<void()> command;
        bool asks;     // whether the command asks before it drops the data shown
        bool keepsData; // the open drops the data shown once the user agreed
    };
    const Case cases[] = {
        {"x.qdv", 0, [] { Form1->openbuttonClick(); }, true, false},
        {"x.qdv", 1, [] { Form1->openbuttonClick(); }, true, false},
        {"x.rtu", 1, [] { Form1->openbuttonClick(); }, true, false},
        {"x.qdv", 0, [] { Form1->FSetLadenClick(); }, true, true},
        {"x.rtu", 1, convert, false, true},
        {"x.qdv", 0, [] { Form1->DateiinSteuerungladen1Click(); }, false, true},
    };
    // The log's lines that tell a refused pipe.
    const auto LogLines = [this] {
        const std::string log = ReadFile(dir_ / "Error.txt");
        int count = 0;
        for (const fs::path& file : {dir_ / "x.qdv", dir_ / "x.rtu"}) {
            const std::string line = "Read " + file.string() + ": not a regular file";
            for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1))
                ++count;
        }
        return count;
    };
    int logged = 0;
    for (const Case& c : cases) {
        ServiceMode = static_cast<uint8_t>(c.service);
        Open(dir_ / "shown.qdv");
        ASSERT_TRUE(RegisterImage == image);
        const fs::path file = dir_ / c.file;
        SCOPED_TRACE(file.string() + " service " + std::to_string(c.service) + " case " +
                     std::to_string(&c - cases));
        HeldPipe pipe(file);
        Dialogs::ClearHistory();
        if (c.asks)
            Dialogs::QueueModal([](QDialog&) { return int(Dialogs::Yes); });
        Dialogs::QueueFileName(file.string());
        const auto start = std::chrono::steady_clock::now();
        c.command();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_TRUE(pipe.Untouched());
        EXPECT_EQ(Messages(), Lines{"$T34003 " + file.string()});
        EXPECT_EQ(RegisterImage == image, c.keepsData);
        EXPECT_FALSE(fs::exists(dir_ / "CONVERTED.QDV") || fs::exists(dir_ / "converted.qdv"));
        EXPECT_EQ(LogLines(), ++logged);
        fs::remove(file);
    }
}

} // namespace

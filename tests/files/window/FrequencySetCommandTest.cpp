// The frequency page's file buttons offscreen: the names a save completes by
// the kind chosen, and each refused load telling why and leaving the data as
// it was.
#include "device/window/Form4.h"
#include "files/FrequencySet.h"
#include "files/window/FileCommands.h"
#include "files/window/FileFixture.h"

namespace {

TEST_F(FileTest, FrequencySetSavesAndRefusedLoads) {
    Start();
    WriteFile(dir_ / "in.qdv", CustomerFileOf(RadioImage(5)));
    Open(dir_ / "in.qdv");
    Form1->FSetAendernClick();
    ServiceMode = 1;
    fs::create_directory(dir_ / "lower");
    const std::string rtu = RegisterTextFileFilter, qdv = CustomerFileFilter;
    // name chosen, filter chosen, file written (in a folder that keeps its case), message
    const std::tuple<const char*, std::string, const char*, const char*> saves[] = {
        {"plan.qdv", rtu, "", "$T30041"},
        {"plan", rtu, "PLAN.RTU", "$T30003"},
        {"plan.txt", rtu, "PLAN.TXT.RTU", "$T30003"},
        {"Plan.rtu", rtu, "Plan.rtu", "$T30003"},
        {"plan", qdv, "PLAN.QDV", "$T30003"},
        {"no/x.qdv", qdv, "", "$T30071"}};
    for (const auto& [chosen, filter, written, message] : saves) {
        Dialogs::ClearHistory();
        Dialogs::QueueFileName((dir_ / "lower" / chosen).string(), filter);
        Form1->FSetSpeichernClick();
        EXPECT_EQ(Messages(), Lines{message}) << chosen;
        EXPECT_TRUE(!*written || fs::exists(dir_ / "lower" / written)) << chosen;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "lower"), fs::directory_iterator()), 4);

    const auto customer = [](const Lines& header) {
        return CustomerText(testfiles::Plus(header, {"0000100000001216", "0000200000000001"}));
    };
    std::string damaged = customer({"0000000600000001"}), line50;
    damaged[3] = damaged[3] == '0' ? '1' : '0';
    for (int i = 0; i < 49; ++i)
        line50 += "r1216=$1\r\n";
    const std::tuple<const char*, std::string, std::string> loads[] = {
        {"none.qdv", "", "$T30012"},
        {"damaged.qdv", damaged, "$T34001"},
        {"unset.qdv", customer({}), "$T35001$T35002"},
        {"bound.qdv", customer({"0000000600000001", "0000000200003039"}), "$T30041"},
        {"empty.rtu", "; only a comment\r\n\r\n", "$T30038"},
        {"count.rtu", "r1150=128\r\n", "$T30102"},
        {"value.rtu", line50 + "r1217=$12345\r\n", "$T30009"},
        {"binary.rtu", "r1217=%102\r\n", "$T30010"},
        {"decimal.rtu", "r1217=0x12\r\n", "$T30011"},
        {"kind.rtu", "r1150=1\r\nr1216=1\r\n1344=1\r\n", "$T30008"},
        {"register.rtu", "r1150=1\r\nr12x6=1\r\n", "$T30008"},
        {"form.rtu", "r1216=#1\r\n", "$T30039"}};
    const TRegisterImage before = RegisterImage;
    for (const auto& load : loads) {
        const auto& [name, bytes, message] = load;
        if (std::string(name) != "none.qdv")
            WriteFile(dir_ / name, bytes);
        Form1->TranslateReadProgress("$T27001"); // what a read left there
        Dialogs::ClearHistory();
        Dialogs::QueueModal([](QDialog&) { return int(Dialogs::Yes); });
        Dialogs::QueueFileName((dir_ / name).string());
        Form1->FSetLadenClick();
        EXPECT_EQ(std::pair(Messages(), Status()),
                  std::pair(Lines{message}, std::string(*name == 'n' ? "$T29002" : "$T29008")))
            << name;
        EXPECT_TRUE(RegisterImage == before && DeviceFamily == FamilyKVL420 &&
                    RadioSettingsChanged == 0)
            << name;
        // From the file with a count on, the lines reach the check, which says so.
        const bool checked = &load - loads >= 5;
        EXPECT_EQ(Form4->Label1Caption(), checked ? "$T27002" : "$T27001") << name;
    }
    RegisterImage[static_cast<size_t>(map_.max_anzahl_funkkanal)] = 128;
    Dialogs::ClearHistory();
    Form1->FSetSpeichernClick(); // refused before the dialog
    EXPECT_EQ(std::pair(Messages(), Dialogs::History().size()), std::pair(Lines{"$T30101"}, 1ul));
}

} // namespace

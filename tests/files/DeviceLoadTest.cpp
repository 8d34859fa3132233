// The lines of a file loaded into a device: read and checked as a whole, then
// grouped into single writes, runs of at most 10 registers, the unlock step
// and the final relock.
#include "files/DeviceLoad.h"

#include "device/DeviceTypes.h"

#include <gtest/gtest.h>

namespace {

// "900=5" a single write, "900+10" a run, "pause", "skip 999=0", "lock";
// "!" marks failures named "Register: ", "." the run left after the last line;
// "refused at N" a file whose line N is not valid.
std::string Plan(const std::vector<std::string>& lines) {
    const LoadLines loaded = ReadLoadLines(lines, NameForm::Prefixed);
    if (loaded.fault != LineFault::None)
        return "refused at " + std::to_string(loaded.line);
    std::string out;
    for (const LoadStep& s : PlanDeviceLoad(loaded.lines)) {
        const std::string reg = std::to_string(s.reg);
        const std::string value = s.values.empty() ? "" : std::to_string(s.values.front());
        const std::string text[] = {reg + "=" + value, reg + "+" + std::to_string(s.values.size()),
                                    "pause", "skip " + reg + "=" + value, "lock"};
        out += " " + text[static_cast<int>(s.kind)];
        if (s.kind == LoadStepKind::Write || s.kind == LoadStepKind::Block)
            out += std::string(s.registerMemo ? "!" : "") + (s.closing ? "." : "");
    }
    return out.substr(1);
}

// Register text lines of the registers first..last, each valued N % 1000;
// or single ones ("r905=$42").
std::vector<std::string> Rtu(std::initializer_list<std::string> parts) {
    std::vector<std::string> out;
    for (const std::string& part : parts) {
        const size_t dots = part.find("..");
        if (dots == std::string::npos) {
            out.push_back(part);
            continue;
        }
        for (int r = std::stoi(part); r <= std::stoi(part.substr(dots + 2)); ++r)
            out.push_back("r" + std::to_string(r) + "=" + std::to_string(r % 1000));
    }
    return out;
}

const std::string unlock = "999=8362 pause 999=9286 ";

} // namespace

TEST(DeviceLoad, GroupsTheLinesIntoWrites) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {Rtu({"900..915"}), "900+10! 910+6. lock"},
        {Rtu({"900..901", "905..905"}), "900+2 905=905 lock"},
        {Rtu({"900..900", "905..907"}), "900=900 905=905 906+2. lock"},
        // The second code again, alone or at the head of a run.
        {Rtu({"r999=$20AA", "r999=$2446", "900..901"}), unlock + "999=9286 900=900 901=901. lock"},
        {Rtu({"r999=$20AA", "r999=$2446", "1000..1001"}), unlock + "999+3. lock"},
        {Rtu({"r999=$20AA", "r999=$2446"}), unlock + "999=9286. lock"},
        // Register 999 as data neither breaks nor joins a run.
        {Rtu({"900..901", "r999=$0000", "902..902", "r999=$FFFF"}),
         "skip 999=0 skip 999=65535 900+3. lock"},
        {Rtu({"985..1003"}), "985+10! skip 999=999 995+4 1000=0 1001+3. lock"},
        // An unlock pair further down comes after the run before it; a
        // first code alone unlocks too, every later line of 999 is skipped.
        {Rtu({"900..901", "r999=$20AA", "r999=$2446", "1216..1216"}),
         "900+2 " + unlock + "999=9286 1216=216 lock"},
        {Rtu({"r999=$2446", "r999=$20AA", "r999=$20AA", "r999=$2446", "900..900"}),
         "skip 999=9286 " + unlock + "skip 999=8362 skip 999=9286 900=900. lock"},
        {Rtu({"905..905", "904..904", "903..903"}), "905=905 904=904 903=903. lock"},
        {Rtu({"0..1", "65535..65535", "0..0"}), "0+2 65535=535 0=0. lock"},
        {Rtu({"900..909"}), "900+10. lock"},
        {{}, "lock"},
        // The whole file is checked first; comment-only lines are skipped.
        {{"; head", "", " ; c", "r900=$1 ; c", "R65535=%1"}, "900=1 65535=1 lock"},
        {{"r900=1", "r70000=$1"}, "refused at 1"},
        {{"r900=1", "901=$0012"}, "refused at 1"}};
    for (const auto& [lines, steps] : cases)
        EXPECT_EQ(Plan(lines), steps);
}

TEST(DeviceLoad, TheBindingMessagesNameATypeByItsModelWithoutPadding) {
    FillModelNameTable();
    EXPECT_EQ(DeviceTypeName(0xD1), "HNQ-860"); // the table holds "HNQ-860 "
}

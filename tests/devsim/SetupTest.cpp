// Options, image files, plausible parameter sets and the control channel.
#include "Control.h"
#include "Engine.h"
#include "Options.h"
#include "Presets.h"
#include "ValueText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace devsim;

TEST(ValueText, NumbersInDecimalAndBothHexForms) {
    EXPECT_EQ(parseNumber("33"), 33u);
    EXPECT_EQ(parseNumber("$21"), 0x21u);
    EXPECT_EQ(parseNumber(" 0x2a "), 0x2Au);
    EXPECT_EQ(parseNumber("0XFFFF"), 0xFFFFu);
    EXPECT_EQ(parseNumber("$20aa"), 8362u);
    for (const char* bad : {"", "$", "0x", "12a", "-1", "65536", "$10000", "1 2"})
        EXPECT_FALSE(parseNumber(bad).has_value()) << bad;
    EXPECT_EQ(parseNumber("255", 255), 255u);
    EXPECT_FALSE(parseNumber("256", 255).has_value());
}

TEST(ValueText, ImageTextWithCommentsAndBothPrefixes) {
    std::string error;
    const auto items =
        parseImageText("; a dump\r\nr906=$0021\n\n  R910 = 2 ; channel\n1216=0x875A\n", &error);
    ASSERT_TRUE(items.has_value()) << error;
    ASSERT_EQ(items->size(), 3u);
    EXPECT_EQ((*items)[0].reg, 906);
    EXPECT_EQ((*items)[0].value, 0x21);
    EXPECT_EQ((*items)[1].reg, 910);
    EXPECT_EQ((*items)[1].value, 2);
    EXPECT_EQ((*items)[2].value, 0x875A);

    EXPECT_FALSE(parseImageText("r900=1\nr901=$12345\n", &error).has_value());
    EXPECT_EQ(error, "line 2: r901=$12345");
    EXPECT_FALSE(parseImageText("hello\n", &error).has_value());
}

TEST(Options, ParsesEveryOption) {
    std::string error;
    const auto o = parseOptions({"--type",        "0x10",       "--set",   "910=3",
                                 "--set=r911=$4", "--image",    "a.txt",   "--pace=9600",
                                 "--log",         "/tmp/l",     "--link",  "/tmp/p",
                                 "--fault",       "silence@3",  "--fault", "wrong-echo@r906:always",
                                 "--quit-on-eof", "--seed",     "7",       "--map",
                                 "/tmp/m.cfg",    "--channels", "128",     "--keying-speed",
                                 "5000"},
                                &error);
    ASSERT_TRUE(o.has_value()) << error;
    EXPECT_EQ(o->type, 0x10);
    ASSERT_EQ(o->sets.size(), 2u);
    EXPECT_EQ(o->sets[1].reg, 911);
    EXPECT_EQ(o->sets[1].value, 4);
    EXPECT_EQ(o->imageFiles, std::vector<std::string>{"a.txt"});
    EXPECT_EQ(o->paceBaud, 9600);
    EXPECT_EQ(o->logPath, "/tmp/l");
    EXPECT_EQ(o->linkPath, "/tmp/p");
    ASSERT_EQ(o->faults.size(), 2u);
    EXPECT_EQ(o->faults[1].describe(), "wrong-echo@r906:always");
    EXPECT_TRUE(o->quitOnEof);
    EXPECT_EQ(o->seed, 7u);
    EXPECT_FALSE(o->protect.has_value());
    EXPECT_EQ(o->mapPath, "/tmp/m.cfg");
    EXPECT_EQ(o->channels, 128);
    EXPECT_EQ(o->keyingSpeed, 5000);

    const auto decimal = parseOptions({"--type", "33", "--channels=1"}, &error);
    ASSERT_TRUE(decimal.has_value());
    EXPECT_EQ(decimal->type, 0x21);
    EXPECT_EQ(decimal->channels, 1);
    EXPECT_FALSE(decimal->echoUnlock) << "the device's read-back by default";
    EXPECT_TRUE(parseOptions({"--echo-unlock"}, &error)->echoUnlock);
    EXPECT_TRUE(decimal->mapPath.empty()) << "no --map: the default map";
}

TEST(Options, ProtectReplacesTheDefaultTable) {
    std::string error;
    auto o = parseOptions({"--protect", "914", "--protect", "1216-1471"}, &error);
    ASSERT_TRUE(o && o->protect);
    ASSERT_EQ(o->protect->size(), 2u);
    EXPECT_EQ((*o->protect)[0].first, 914);
    EXPECT_EQ((*o->protect)[0].last, 914);
    EXPECT_EQ((*o->protect)[1].last, 1471);
    o = parseOptions({"--protect", "none"}, &error);
    ASSERT_TRUE(o && o->protect);
    EXPECT_TRUE(o->protect->empty());
}

TEST(Options, RejectsBadArgumentsWithAReason) {
    std::string error;
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--type"},
                                               {"--type", "0x121"},
                                               {"--set", "910"},
                                               {"--protect", "20-10"},
                                               {"--pace", "0"},
                                               {"--fault", "noise"},
                                               {"--frobnicate"},
                                               {"--map"},
                                               {"--map="},
                                               {"--channels", "0"},
                                               {"--channels", "129"},
                                               {"--channels", "many"},
                                               {"--keying-speed", "-1"},
                                               {"--log"}}) {
        error.clear();
        EXPECT_FALSE(parseOptions(bad, &error).has_value()) << bad[0];
        EXPECT_FALSE(error.empty());
    }
    EXPECT_NE(helpText().find("ready on /dev/pts/N"), std::string::npos);
    EXPECT_NE(helpText().find("\n  --map FILE "), std::string::npos);
    EXPECT_NE(helpText().find("\n  --channels N "), std::string::npos);
    EXPECT_NE(helpText().find("\n  --echo-unlock "), std::string::npos);
    for (const char* name : {"silence", "late", "wrong-header", "wrong-echo", "wrong-register",
                             "wrong-count", "garbage-before", "trailing-bytes", "split-5",
                             "split-120", "routing-block", "alternate", "ignore-writes", "hangup"})
        EXPECT_NE(helpText().find(std::string("\n  ") + name), std::string::npos) << name;
}

TEST(Presets, EveryKnownTypeHasItsFamily) {
    const std::vector<std::pair<std::vector<int>, int>> table = {
        {{0x21, 0x22, 0x23, 0x28, 0x29, 0x2A, 0x70}, 0x21},
        {{0x10, 0x11, 0x12, 0x13, 0x14, 0x18, 0x19, 0x1A, 0x1B, 0x1C}, 0x10},
        {{0x30, 0x31, 0x32}, 0x30},
        {{0xD0, 0xD1}, 0xD0},
        {{0x71}, 0x71}};
    for (const auto& [codes, family] : table) {
        for (int code : codes)
            EXPECT_EQ(familyOf(static_cast<std::uint16_t>(code)), family) << code;
    }
    for (int unknown : {0x00, 0x15, 0x20, 0x24, 0x33, 0x72, 0xD2})
        EXPECT_EQ(familyOf(static_cast<std::uint16_t>(unknown)), 0) << unknown;
}

namespace {

std::uint32_t limitHz(const Device& d, std::uint16_t high) {
    return (static_cast<std::uint32_t>(d.read(high)) << 16) | d.read(high + 1);
}

int firstPowerLevelOf100(const Device& d) {
    for (int i = 0; i < 16; ++i) {
        if (d.read(static_cast<std::uint16_t>(1200 + i)) == 100)
            return i;
    }
    return -1;
}

} // namespace

TEST(Presets, PlausibleSetsLookLikeARealDevice) {
    for (std::uint16_t type : {0x21, 0x70, 0x10, 0x1C, 0x30, 0xD1, 0x71}) {
        Device d;
        fillPlausibleSet(d, type);
        EXPECT_EQ(d.read(906), type);
        // Power table ascending.
        for (int i = 1; i < 16; ++i)
            EXPECT_LE(d.read(1199 + i), d.read(1200 + i)) << type << " level " << i;
        // Used channels lie within the device limits (default 350..500 MHz).
        std::uint32_t lo = limitHz(d, 990), hi = limitHz(d, 992);
        if (d.read(990) == 0xFFFF)
            lo = 350000000, hi = 500000000;
        ASSERT_GT(d.read(1344), 0) << type;
        int used = 0;
        for (int i = 0; i < 128; ++i) {
            const std::uint32_t hz = std::uint32_t(d.read(1216 + i)) * d.read(1344 + i);
            if (d.read(1344 + i) == 0)
                continue;
            ++used;
            EXPECT_GE(hz, lo) << type;
            EXPECT_LE(hz, hi) << type;
        }
        EXPECT_GE(used, 2) << type;
    }
    Device kvl;
    fillPlausibleSet(kvl, 0x21);
    EXPECT_EQ(firstPowerLevelOf100(kvl), 15);
    EXPECT_EQ(kvl.read(1216), 34650); // 433.1250 MHz
    EXPECT_EQ(kvl.read(1344), 12500);
    EXPECT_EQ(limitHz(kvl, 990), 350000000u);
    EXPECT_EQ(limitHz(kvl, 992), 500000000u);
    Device wbs;
    fillPlausibleSet(wbs, 0x10);
    EXPECT_EQ(firstPowerLevelOf100(wbs), 3);
    Device hnq;
    fillPlausibleSet(hnq, 0xD0);
    EXPECT_EQ(hnq.read(990), 0xFFFF) << "this family reports no limits";

    Device unknown;
    unknown.set(1200, 55);
    fillPlausibleSet(unknown, 0x15);
    EXPECT_EQ(unknown.read(906), 0x15);
    EXPECT_EQ(unknown.read(1200), 55);
}

TEST(Control, CommandsAnswerOneLineEach) {
    Engine e;
    fillPlausibleSet(e.device(), 0x21);
    EXPECT_EQ(runControlCommand("get 906", e).reply, "906=33");
    EXPECT_EQ(runControlCommand("lock?", e).reply, "locked");
    EXPECT_EQ(runControlCommand("set 910=0x7", e).reply, "ok");
    EXPECT_EQ(runControlCommand("get 910", e).reply, "910=7");
    EXPECT_EQ(runControlCommand("set 1216=1", e).reply, "ok") << "set ignores the lock";
    EXPECT_EQ(e.device().read(1216), 1);

    EXPECT_EQ(runControlCommand("fault silence@r999:always", e).reply, "ok silence@r999:always");
    EXPECT_EQ(runControlCommand("faults", e).reply, "faults: silence@r999:always");
    EXPECT_EQ(runControlCommand("clear", e).reply, "ok");
    EXPECT_EQ(runControlCommand("faults", e).reply, "faults: none");

    e.device().write(999, 8362);
    e.device().write(999, 9286);
    EXPECT_EQ(runControlCommand("lock?", e).reply, "unlocked");
    EXPECT_EQ(runControlCommand("get 999", e).reply, "999=65535");

    EXPECT_TRUE(runControlCommand("quit", e).quit);
    EXPECT_TRUE(runControlCommand("hangup", e).hangup);
    EXPECT_TRUE(runControlCommand("   ", e).reply.empty());
    for (const char* bad : {"fault noise", "set 910", "get x", "jump"})
        EXPECT_EQ(runControlCommand(bad, e).reply.rfind("error: ", 0), 0u) << bad;
}

TEST(Control, FaultArmedAtRunTimeHitsTheNextRequest) {
    Engine e;
    fillPlausibleSet(e.device(), 0x21);
    Request r;
    r.readStart = 906;
    r.readCount = 1;
    e.handle(r);
    runControlCommand("fault silence", e);
    EXPECT_TRUE(e.handle(r).emission.chunks.empty());
    EXPECT_FALSE(e.handle(r).emission.chunks.empty());
}

TEST(LogLine, ShowsRequestResponseLockAndFault) {
    Exchange x;
    x.number = 3;
    x.request = std::string("\x60\x00\x00\x00\x00\x03\x8A\x01\x00\x00\x00", 11);
    EXPECT_EQ(formatLogLine("12:00:00.000", x),
              "12:00:00.000 #3 req=6000000000038A01000000 rsp=- locked");
    x.emission.chunks = {{0, std::string("\xE0\x00", 2)}, {120, "\x21"}};
    x.lock = LockState::Unlocked;
    x.faults = "split-120";
    EXPECT_EQ(formatLogLine("t", x),
              "t #3 req=6000000000038A01000000 rsp=E00021 unlocked fault=split-120");
}

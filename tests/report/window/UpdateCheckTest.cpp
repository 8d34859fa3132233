// The update check from end to end: the main window against an HTTP server
// on 127.0.0.1, with scripted questions and a scripted desktop.
#include "platform/IniFile.h"
#include "platform/window/ShellOpen.h"
#include "report/window/Form5.h"
#include "report/window/WebDownload.h"
#include "support/FileText.h"
#include "support/HttpServer.h"
#include "support/WindowFixture.h"

#include <QProgressBar>

#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using R = TestHttpServer::Response;
using testsupport::FileText;
using Texts = std::vector<std::string>;

std::string Info(const std::string& version, const Texts& files, const std::string& execute) {
    std::string text = "[Datei]\r\nVersion=" + version + "\r\n[Dateiname]\r\n";
    for (const auto& f : files)
        text += f + "=1\r\n";
    return text + "[Execute]\r\n" + (execute.empty() ? "" : execute + "=\r\n");
}

class UpdateCheckTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ShellOpen::BeginScript();
        // The start question shows its argument.
        std::string lang = FileText(dir_ / "default.lang");
        for (const std::string id : {"$T30045", "$T30047"})
            lang.replace(lang.find(id + "GB=" + id), 17, id + "GB=" + id + " %S%");
        std::ofstream(dir_ / "default.lang", std::ios::binary) << lang;
        Start();
        ActivationCount = 1; // no first-activation messages in between
        Form1->UpdateUrl = server_.Url();
    }
    void TearDown() override {
        ShellOpen::EndScript();
        WindowTest::TearDown();
    }
    // The texts of the messages and questions shown, in order.
    static Texts Shown() {
        Texts texts;
        for (const auto& s : Dialogs::History())
            texts.push_back(s.text);
        return texts;
    }
    std::string Data(const std::string& name) const { return FileText(dir_ / "Data" / name); }

    TestHttpServer server_{"/updates/ostara"};
};

TEST_F(UpdateCheckTest, EachOutcomeIsShownToAMenuCheckOnlyAndNoPartialFileStays) {
    const std::string ask = "$T42001$T42002", replace = "$T41007";
    const std::string start = "$T36001$T36002$T30045 " + (dir_ / "Data" / "a.bin").string() + "\n";
    const std::string missing = "$T30047 " + (dir_ / "Data" / "old.exe").string();
    const int Y = Dialogs::Yes, N = Dialogs::No;
    const std::string update = Info("2.24", {"a.bin"}, "a.bin"), qdv = "info.qdv";
    const Texts both = {qdv, "a.bin"};
    const R got = {200, "new"};
    // A description beyond the limit is refused without taking it all.
    const int64_t limit = TWebDownload::DescriptionLimitBytes, huge = 64 << 20;
    const auto S = TestHttpServer::Stream, U = TestHttpServer::StreamUnannounced;
    const struct {
        R info, file;
        std::vector<int> answers;
        Texts shown, requested;
        std::string logged, aBin = "old";
    } cases[] = {
        // clang-format off
        {{200, Info("2.23", {"a.bin"}, "a.bin")}, {}, {}, {"$T41005"}, {qdv}, ""},
        {{200, update}, {}, {N}, {ask}, {qdv}, ""},
        {{200, update}, {}, {Dialogs::Cancel}, {ask}, {qdv}, ""}, // dismissed
        {{200, update}, {}, {Y, N}, {ask, replace}, {qdv}, ""},
        {{200, update}, got, {Y, Y, N}, {ask, replace, start}, both, "", "new"},
        {{200, Info("2.24", {"a.bin"}, "")}, got, {Y, Y}, {ask, replace, "$T41006"}, both, "", "new"},
        {{200, Info("2.24", {"a.bin"}, "old.exe")}, got, {Y, Y}, {ask, replace, missing}, both,
         "\"old.exe\", is not one", "new"},
        {{200, Info("2.24", {"a.bin", "../x"}, "a.bin")}, {}, {}, {"$T41009"}, {qdv},
         "\"../x\" is not a plain file name"},
        {{404, "gone"}, {}, {}, {"$T41002"}, {qdv}, "info.qdv: HTTP 404"},
        {{500, "broken"}, {}, {}, {"$T41003"}, {qdv}, "info.qdv: HTTP 500"},
        {{}, {}, {}, {"$T41001"}, {}, "refused"},
        {{200, "", TestHttpServer::Stall}, {}, {}, {"$T41003"}, {qdv}, "no data for 200"},
        {{200, update}, {404, ""}, {Y, Y}, {ask, replace, "$T41002"}, both, "a.bin: HTTP 404"},
        {{200, update}, {200, "new copy", TestHttpServer::CutShort}, {Y, Y},
         {ask, replace, "$T41003"}, both, "a.bin: broken off after 8 bytes"},
        {{200, "", S, huge}, {}, {}, {"$T41008"}, {qdv}, "info.qdv: more than 65536 bytes"},
        {{200, "", U, huge}, {}, {}, {"$T41008"}, {qdv}, "info.qdv: more than 65536 bytes"},
        {{200, "", U, limit + 1}, {}, {}, {"$T41008"}, {qdv}, "info.qdv: more than 65536 bytes"},
        {{200, "", U, limit}, {}, {}, {"$T41005"}, {qdv}, ""}, // no version in it
        // clang-format on
    };
    std::ofstream(dir_ / "Data" / "old.exe") << "stale";
    for (const bool fromMenu : {true, false}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << fromMenu << " " << &c - cases);
            Dialogs::BeginScript();
            server_.ForgetRequests();
            fs::remove(dir_ / "Data" / "info.qdv");
            fs::remove(dir_ / "Error.txt");
            std::ofstream(dir_ / "Data" / "a.bin") << "old";
            server_.Serve("info.qdv", c.info);
            server_.Serve("a.bin", c.file);
            for (int answer : c.answers)
                Dialogs::QueueAnswer(answer);
            Form1->UpdateUrl = c.requested.empty() ? "http://127.0.0.1:1" : server_.Url();
            // Only a server that never answers waits out the time-out; for the
            // rest it is far beyond what a busy machine needs between pieces.
            const bool stalls = c.info.kind == TestHttpServer::Stall;
            Form1->WebDownload->SetTransferTimeout(stalls ? 200 : 30000);
            const auto begun = std::chrono::steady_clock::now();
            Form1->UpdateFromMenu = fromMenu;
            Form1->CheckForUpdates();
            EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(1));
            Texts shown = c.shown;
            if (!fromMenu && shown.back() != replace && shown.back().size() == 7)
                shown.pop_back(); // a notice, not a question
            EXPECT_EQ(Shown(), shown);
            EXPECT_EQ(server_.Requests(), c.requested);
            EXPECT_NE(FileText(dir_ / "Error.txt").find(c.logged), std::string::npos);
            EXPECT_EQ(Data("a.bin"), c.aBin);
            // a.bin, old.exe and at most info.qdv: no temporary file stays
            const auto files = std::distance(fs::directory_iterator(dir_ / "Data"), {});
            EXPECT_LE(files, c.shown[0] == "$T41008" ? 2 : 3); // nor a refused description
            EXPECT_LT(server_.StreamedBytes(), huge / 4);
        }
    }
    EXPECT_TRUE(ShellOpen::History().empty());
    EXPECT_TRUE(Form1->TransferIdle);
}

TEST_F(UpdateCheckTest, YesDownloadsEveryFileStartsTheProgramAndClosesByTheCloseRules) {
    const std::string textBefore = Form1->GetText("$T30021");
    server_.Serve("info.qdv", {200, Info("2.24", {"a.bin", "Setup 2.24.exe"}, "Setup 2.24.exe")});
    server_.Serve("a.bin", {200, "first"});
    server_.Serve("Setup%202.24.exe", {200, "the new program"});
    Form1->show();
    RadioSettingsChanged = 1;
    for (int answer : {Dialogs::Yes, Dialogs::Yes, Dialogs::No})
        Dialogs::QueueAnswer(answer);
    Form1->ui.nowUpdates->trigger();

    EXPECT_EQ(server_.Requests(), (Texts{"info.qdv", "a.bin", "Setup%202.24.exe"}));
    EXPECT_EQ(Data("a.bin"), "first");
    EXPECT_EQ(Data("Setup 2.24.exe"), "the new program");
    EXPECT_FALSE(Form5->isVisible());
    const std::string path = (dir_ / "Data" / "Setup 2.24.exe").string();
    EXPECT_EQ(Shown(), (Texts{"$T42001$T42002", "$T36001$T36002$T30045 " + path + "\n",
                              "$T32001"})); // the close's save question
    EXPECT_EQ(Dialogs::History()[1].defaultButton, Dialogs::Cancel);
    ASSERT_EQ(ShellOpen::History().size(), 1u);
    EXPECT_EQ(ShellOpen::History()[0].target, path);
    EXPECT_TRUE(Application().Terminated());
    EXPECT_EQ(Form1->GetText("$T30021"), textBefore);
}

TEST_F(UpdateCheckTest, DuringADownloadASecondCheckIsIgnoredAndACloseWaits) {
    server_.Serve("info.qdv", {200, Info("2.24", {"a.bin"}, "a.bin")});
    server_.Serve("a.bin", {200, "new"});
    Form1->show();
    bool closed = true;
    server_.onRequest = [&](const std::string& path) {
        if (path == "a.bin") {
            Form1->ui.nowUpdates->trigger();
            closed = Form1->close();
        }
    };
    Dialogs::QueueAnswer(Dialogs::Yes);
    Dialogs::QueueAnswer(Dialogs::No); // do not start it
    Form1->ui.nowUpdates->trigger();
    EXPECT_FALSE(closed);
    EXPECT_EQ(server_.Requests(), (Texts{"info.qdv", "a.bin"}));
    EXPECT_TRUE(RunUntil([] { return Application().Terminated(); }));
    EXPECT_EQ(Form1->WebDownload, nullptr);
}

TEST_F(UpdateCheckTest, AListedFileArrivesWholeThroughABoundedBufferAndTheNextStartsAnEmptyBar) {
    const int64_t size = 8 << 20;
    server_.Serve("info.qdv", {200, Info("2.24", {"big.bin", "next.bin"}, "big.bin")});
    server_.Serve("big.bin", {200, "", TestHttpServer::Stream, size});
    server_.Serve("next.bin", {200, "", TestHttpServer::Stall});
    Form1->WebDownload->SetTransferTimeout(300);
    // A slow window: the network delivers faster than the bar moves.
    QProgressBar* bar = Form5->ui.ProgressBar1;
    QObject::connect(bar, &QProgressBar::valueChanged, bar,
                     [] { std::this_thread::sleep_for(std::chrono::milliseconds(2)); });
    bool emptyAtNext = false;
    server_.onRequest = [&](const std::string& name) {
        emptyAtNext = name == "next.bin" && bar->value() == bar->minimum();
    };
    Dialogs::QueueAnswer(Dialogs::Yes);
    Form1->ui.nowUpdates->trigger();
    EXPECT_EQ(Shown(), (Texts{"$T42001$T42002", "$T41003"})); // next.bin never came
    EXPECT_TRUE(Data("big.bin") == TestHttpServer::StreamBody(0, size));
    EXPECT_TRUE(emptyAtNext);
    EXPECT_GT(Form1->WebDownload->PeakBuffered(), 0);
    // A full buffer stops the reading, yet the piece in flight still lands on top.
    EXPECT_LE(Form1->WebDownload->PeakBuffered(), 2 * TWebDownload::ReadBufferBytes);
}

TEST_F(UpdateCheckTest, TheAutomaticCheckSwitchIsSavedAtOnce) {
    for (const bool on : {true, false}) {
        Form1->ui.Updatessuchen->trigger();
        EXPECT_EQ(Form1->ui.Updatessuchen->isChecked(), on);
        EXPECT_EQ(TMemIniFile(dir_ / "ostra.ini").ReadBool("Main", "Updates", !on), on);
    }
}

} // namespace

// The main window's update commands: the check for a newer version (from the
// Info menu or automatically at the first activation), and the switch of the
// automatic check.
#include "shell/window/Form1.h"

#include "platform/Application.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "platform/window/ShellOpen.h"
#include "report/window/WebDownload.h"
#include "shell/LogFile.h"
#include "shell/Sprache.h"
#include "shell/window/Globals.h"

#include <filesystem>

namespace {

// The note before the downloaded setup starts, joined from two texts.
constexpr TextIdRange SetupNote{36, 1, 2};

// Marks the update check as running; while it runs the window counts as
// busy, so a close waits for its end and no transfer starts meanwhile.
class UpdateCheckScope {
public:
    explicit UpdateCheckScope(TForm1& form) : form_(form) {
        form_.UpdateCheckRunning = true;
        form_.TransferIdle = false;
    }
    ~UpdateCheckScope() {
        form_.TransferIdle = true;
        form_.UpdateCheckRunning = false;
        form_.UpdateFromMenu = false;
    }
    UpdateCheckScope(const UpdateCheckScope&) = delete;
    UpdateCheckScope& operator=(const UpdateCheckScope&) = delete;

private:
    TForm1& form_;
};

} // namespace

void TForm1::nowUpdatesClick() {
    UpdateFromMenu = true;
    CheckForUpdates();
}

void TForm1::UpdatessuchenClick() {
    AutoUpdate = !AutoUpdate;
    ui.Updatessuchen->setChecked(AutoUpdate);
    WriteSettingsFile();
}

void TForm1::CheckForUpdates() {
    // One check at a time: the download answers the window meanwhile.
    if (UpdateCheckRunning || !WebDownload)
        return;
    const bool fromMenu = UpdateFromMenu;
    if (TransferRunning()) {
        UpdateFromMenu = false;
        if (fromMenu)
            TransferCommandAllowed(); // says why nothing happens
        return;
    }
    bool started = false;
    {
        const UpdateCheckScope running(*this);
        started = RunUpdateCheck(fromMenu);
    }
    // The new version runs: this one ends the normal way, so changed data
    // still gets its save question.
    if (started)
        close();
}

bool TForm1::RunUpdateCheck(bool fromMenu) {
    const std::string dataFolder = (std::filesystem::path(ProgramDir) / DataFolderName).string();
    TWebDownload& download = *WebDownload;
    download.SetBaseLocation(UpdateUrl);
    download.SetDescriptionFile(UpdateInfoFile);
    download.SetPort(80);
    download.SetLocalFolder(dataFolder);
    download.SetProgramVersion(ProgramVersion);
    download.SetWindowTitle(ProgramTitle);
    download.SetLanguageFile("default.lang");
    download.SetSilent(!fromMenu);
    if (download.Run()) {
        const std::string& message = download.GetMessage();
        if (!message.empty() && fromMenu) {
            Dialogs::ShowMessage(message);
            LogFile->WriteVisible(message);
        }
        return false;
    }

    const std::string path =
        (std::filesystem::path(dataFolder) / TextPath(download.GetProgramToStart())).string();
    const std::string title = GetText("$T30021");
    std::error_code ec;
    // A program of this update that did not arrive is missing, even where an
    // older file of its name lies.
    if (!download.ProgramDownloaded() || !std::filesystem::is_regular_file(path, ec)) {
        Dialogs::MessageBox(Sprache->GetTextWithPath("$T30047", path), title, Dialogs::OK,
                            Dialogs::Error);
        return false;
    }
    const TextWithPath question{
        Sprache->GetTexts(SetupNote) + Sprache->GetText1Arg("$T30045", PathSlot) + "\n", path};
    Application().ProcessMessages();
    if (Dialogs::MessageBox(question, title, Dialogs::YesNoCancel, Dialogs::Question,
                            Dialogs::Cancel) != Dialogs::Yes)
        return false;
    if (!ShellOpen::OpenFile(path)) {
        Dialogs::MessageBox(Sprache->GetTextWithPath("$T30046", path), title, Dialogs::OK,
                            Dialogs::Error);
        return false;
    }
    return true;
}

#pragma once
// The update download: fetches the update description from the update
// location into the local (Data) folder, and when it offers a newer version
// and the user agrees, every file it lists, with progress in the download
// window (TForm5). Files are only ever written inside the local folder, and
// each one whole: it is fetched into a temporary file beside its target and
// takes the target's place only when complete.
//
// A GET waits in a local event loop, so the windows stay alive meanwhile;
// the caller keeps a second run from starting during one. A GET that
// receives no data for the transfer time-out fails.
//
// Texts come from the program's language object as it stands; the download
// leaves it as it found it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QNetworkAccessManager;
class TLogFile;
class TSprache;

class TWebDownload {
public:
    // sprache: the program's texts; log: the error log (may be null). Neither
    // is owned.
    TWebDownload(TSprache* sprache, TLogFile* log);
    ~TWebDownload();
    TWebDownload(const TWebDownload&) = delete;
    TWebDownload& operator=(const TWebDownload&) = delete;

    void SetBaseLocation(const std::string& location) { baseLocation_ = location; }
    void SetDescriptionFile(const std::string& name) { descriptionFile_ = name; }
    // The port of an http location that names none.
    void SetPort(uint16_t port) { port_ = port; }
    void SetLocalFolder(const std::string& folder) { localFolder_ = folder; }
    void SetProgramVersion(float version) { programVersion_ = version; }
    // The caption of the download window and of the questions.
    void SetWindowTitle(const std::string& title) { windowTitle_ = title; }
    // The language file the program runs with; a run without one is refused.
    void SetLanguageFile(const std::string& name) { languageFile_ = name; }
    // The automatic check: the description file is replaced without asking.
    void SetSilent(bool silent) { silent_ = silent; }
    // How long a GET may go without data before it fails (30 s).
    void SetTransferTimeout(int ms) { transferTimeoutMs_ = ms; }

    // The text of the last failure or notice; "" when the run had none.
    const std::string& GetMessage() const { return message_; }
    // After a run that returned false: the program the update names to start.
    const std::string& GetProgramToStart() const { return programToStart_; }
    // After a run that returned false: whether the program to start is one of
    // the files this run downloaded; only then may it be started.
    bool ProgramDownloaded() const { return programDownloaded_; }

    // True when there is nothing to start: no newer version, the user
    // declined, no program named, or a failure (GetMessage tells). False when
    // every listed file has been downloaded and the update names a program
    // to start.
    bool Run();

    // Fetches name from the update location into the local folder. An
    // existing copy is replaced after the user agrees (ask, or any file of a
    // check from the menu); otherwise, and on any failure, it stays as it
    // was. A file of more than maxBytes (when not 0) is refused as soon as
    // that shows. Returns true on error.
    bool DownloadFile(const std::string& name, bool ask, int64_t maxBytes = 0);

    // The most a GET holds in memory before its data goes to the file.
    static constexpr int64_t ReadBufferBytes = 256 * 1024;
    // The largest update description taken: it is read whole into memory.
    static constexpr int64_t DescriptionLimitBytes = 64 * 1024;
    // The most data a GET of the last run held in memory at once.
    int64_t PeakBuffered() const { return peakBuffered_; }

    // Progress of the running GET, shown in the download window while the
    // listed files are fetched: the length when known, the bytes so far, and
    // the end of a complete transfer.
    void HttpWorkBegin(int64_t count);
    void HttpWork(int64_t count);
    void HttpWorkEnd();

private:
    // message := the text of id; the detail goes to the log. Returns true.
    bool Fail(const std::string& id, const std::string& detail);
    void Log(const std::string& line);
    std::string LocalPath(const std::string& name) const;

    std::string baseLocation_;
    std::string descriptionFile_;
    std::string localFolder_;
    std::string message_;
    std::string windowTitle_;
    std::string languageFile_ = "default.lang";
    std::string programToStart_;
    float programVersion_ = 0;
    uint16_t port_ = 80;
    bool programDownloaded_ = false;
    bool progress_ = false;
    bool silent_ = false;
    int transferTimeoutMs_ = 30000;
    int64_t peakBuffered_ = 0;
    std::unique_ptr<QNetworkAccessManager> http_;
    TSprache* sprache_;
    TLogFile* log_;
};

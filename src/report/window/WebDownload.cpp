#include "report/window/WebDownload.h"

#include "platform/Application.h"
#include "platform/IniFile.h"
#include "platform/StringList.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "report/WebUpdate.h"
#include "report/window/Form5.h"
#include "shell/LogFile.h"
#include "shell/Sprache.h"
#include "shell/window/Program.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <unistd.h>

namespace {

// The question before a download, joined from two texts.
constexpr TextIdRange DownloadQuestion{42, 1, 2};

// Failures that mean no connection to the server came about.
bool IsConnectionFailure(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        return true;
    default:
        return false;
    }
}

int ClampToInt(int64_t n) {
    return static_cast<int>(std::clamp<int64_t>(n, 0, INT_MAX));
}

// A file written beside its target under a name of its own, and renamed
// over the target only when complete; otherwise removed again. Paths are
// the bytes the file system sees.
class PartialFile {
public:
    explicit PartialFile(const std::string& target) : target_(target) {
        static std::atomic<unsigned> counter{0};
        temp_ = target + ".part" + std::to_string(::getpid()) + "." +
                std::to_string(counter.fetch_add(1));
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0)
            error_ = std::strerror(errno);
    }
    ~PartialFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!committed_)
            ::unlink(temp_.c_str());
    }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int64_t Size() const { return size_; }
    const std::string& Error() const { return error_; }
    bool Write(std::string_view bytes) {
        if (!WriteAllBytes(fd_, bytes))
            return Failed();
        size_ += static_cast<int64_t>(bytes.size());
        return true;
    }
    bool Commit() {
        if (::fsync(fd_) != 0)
            return Failed();
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0 || ::rename(temp_.c_str(), target_.c_str()) != 0)
            return Failed();
        committed_ = true;
        return true;
    }

private:
    bool Failed() {
        error_ = std::strerror(errno);
        return false;
    }

    std::string target_, temp_, error_;
    int fd_ = -1;
    int64_t size_ = 0;
    bool committed_ = false;
};

// The download window's progress flag, cleared on every way out of a run.
class ProgressShown {
public:
    explicit ProgressShown(bool& flag) : flag_(flag) { flag_ = true; }
    ~ProgressShown() { flag_ = false; }
    ProgressShown(const ProgressShown&) = delete;
    ProgressShown& operator=(const ProgressShown&) = delete;

private:
    bool& flag_;
};

} // namespace

TWebDownload::TWebDownload(TSprache* sprache, TLogFile* log)
    : http_(std::make_unique<QNetworkAccessManager>()), sprache_(sprache), log_(log) {}

TWebDownload::~TWebDownload() = default;

std::string TWebDownload::LocalPath(const std::string& name) const {
    // The name is the description's text; the folder is a file system path.
    return (std::filesystem::path(localFolder_) / TextPath(name)).string();
}

void TWebDownload::Log(const std::string& line) {
    if (log_)
        log_->WriteVisible(line);
}

bool TWebDownload::Fail(const std::string& id, const std::string& detail) {
    message_ = sprache_->GetText(id);
    Log(detail);
    return true;
}

bool TWebDownload::Run() {
    message_.clear();
    programToStart_.clear();
    programDownloaded_ = false;
    peakBuffered_ = 0;
    if (languageFile_.empty()) {
        message_ = "Error!\nNo FileName in Modul: WebDownLoad!";
        return true;
    }
    if (descriptionFile_.empty())
        return true;
    if (!IsPlainFileName(descriptionFile_))
        return Fail("$T41003",
                    "update description \"" + descriptionFile_ + "\" is not a plain file name");
    if (DownloadFile(descriptionFile_, false, DescriptionLimitBytes))
        return true;

    const TMemIniFile ini{std::filesystem::path(LocalPath(descriptionFile_))};
    if (ini.LoadFailed())
        return Fail("$T41003", PathText(LocalPath(descriptionFile_)) + ": " + ini.LoadError());
    const UpdateDescription update = ReadUpdateDescription(ini);
    if (update.version == 0 && !update.versionText.empty())
        Log(descriptionFile_ + ": the version \"" + update.versionText + "\" is not a number");
    if (!OffersNewerVersion(programVersion_, update.version)) {
        message_ = sprache_->GetText("$T41005");
        return true;
    }
    // Every name must stay a file inside the local folder before anything
    // is fetched.
    if (const auto unsafe = FirstUnsafeName(update))
        return Fail("$T41009", descriptionFile_ + ": \"" + *unsafe +
                                   "\" is not a plain file name; nothing downloaded");
    if (update.files.empty())
        return Fail("$T41003", descriptionFile_ + " lists no files to download");

    // Only Yes downloads; a question closed without an answer is a No.
    if (Dialogs::MessageBox(sprache_->GetTexts(DownloadQuestion), windowTitle_, Dialogs::YesNo,
                            Dialogs::Information) != Dialogs::Yes)
        return true;

    const ProgressShown shown(progress_);
    TForm5* window = Form5;
    if (window) {
        window->ui.Label2->clear();
        window->ui.ProgressBar1->setValue(1);
        window->ui.Button1->setText(ToQString(sprache_->GetText("$T23001")));
        window->setWindowTitle(ToQString(windowTitle_));
        window->ui.Label1->setText(ToQString(sprache_->GetText("$T41004")));
        window->ui.Button1->setEnabled(false);
        window->show();
        window->repaint();
    }
    Application().ProcessMessages();

    std::vector<std::string> downloaded;
    bool failed = false;
    for (const std::string& name : update.files) {
        if (std::find(downloaded.begin(), downloaded.end(), name) != downloaded.end())
            continue; // listed twice: fetched once
        if (window) {
            // The bar starts empty for each file, also one whose data is slow to come.
            window->ui.Label2->setText(ToQString(name));
            window->ui.ProgressBar1->setValue(window->ui.ProgressBar1->minimum());
            window->repaint();
        }
        if (DownloadFile(name, true)) {
            failed = true;
            break;
        }
        downloaded.push_back(name);
    }

    if (window) {
        window->ui.Button1->setEnabled(true);
        window->ui.Button1->setText(ToQString(sprache_->GetText("$T23004")));
        window->repaint();
    }
    Application().ProcessMessages();
    if (failed) {
        if (window)
            window->Button1Click();
        return true;
    }
    if (window) {
        window->activateWindow();
        Application().ProcessMessages();
        window->hide();
        window->close();
    }
    Application().ProcessMessages();

    if (update.execute.empty()) {
        message_ = sprache_->GetText("$T41006");
        return true;
    }
    programToStart_ = update.execute;
    // Only a file of this very update is started, never a stale one.
    programDownloaded_ =
        std::find(downloaded.begin(), downloaded.end(), update.execute) != downloaded.end();
    if (!programDownloaded_)
        Log(descriptionFile_ + ": the program to start, \"" + update.execute +
            "\", is not one of the files downloaded");
    return false;
}

bool TWebDownload::DownloadFile(const std::string& name, bool ask, int64_t maxBytes) {
    const std::string local = LocalPath(name);
    std::error_code ec;
    if (std::filesystem::exists(local, ec) && (!silent_ || ask)) {
        // The old copy is replaced only by a complete new one.
        if (Dialogs::MessageBox(sprache_->GetTextWithPath("$T41007", local), windowTitle_,
                                Dialogs::YesNoCancel, Dialogs::Information) != Dialogs::Yes)
            return true;
    }

    PartialFile file(local);
    if (!file.IsOpen())
        return Fail("$T41003", PathText(local) + ": " + file.Error());

    const std::string url = UpdateFileUrl(baseLocation_, name, port_);
    QNetworkRequest request(QUrl::fromEncoded(QByteArray::fromStdString(url)));
    QNetworkReply* reply = http_->get(request);
    // The reply reads no more from the network than fits its buffer; each
    // chunk goes to the file as it comes.
    reply->setReadBufferSize(ReadBufferBytes);

    QEventLoop loop;
    QTimer silence;
    silence.setSingleShot(true);
    silence.setInterval(transferTimeoutMs_);
    bool timedOut = false;
    bool writeFailed = false;
    bool tooLarge = false;
    bool begun = false;
    const auto overLimit = [&](int64_t bytes) { return maxBytes > 0 && bytes > maxBytes; };
    std::vector<char> chunk(static_cast<std::size_t>(ReadBufferBytes));
    const auto take = [&] {
        peakBuffered_ = std::max<int64_t>(peakBuffered_, reply->bytesAvailable());
        while (!timedOut && !writeFailed && !tooLarge) {
            const qint64 got = reply->read(chunk.data(), static_cast<qint64>(chunk.size()));
            if (got <= 0)
                return;
            if (overLimit(file.Size() + got))
                tooLarge = true;
            else if (!file.Write({chunk.data(), static_cast<std::size_t>(got)}))
                writeFailed = true;
            else
                continue;
            reply->abort();
        }
    };
    QObject::connect(&silence, &QTimer::timeout, reply, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (!tooLarge && length.isValid() && overLimit(length.toLongLong())) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
        silence.start();
        take();
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [&](qint64 received, qint64 total) {
                         silence.start();
                         if (!begun) {
                             begun = true;
                             HttpWorkBegin(total);
                         }
                         HttpWork(received);
                     });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    silence.start();
    if (!reply->isFinished())
        loop.exec();
    silence.stop();
    reply->disconnect();
    take();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int code = status.isValid() ? status.toInt() : 0;
    const QNetworkReply::NetworkError error = reply->error();
    const std::string errorText = FromQString(reply->errorString());
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    delete reply;

    const std::string where = url + ": ";
    if (timedOut)
        return Fail("$T41003", where + "no data for " + std::to_string(transferTimeoutMs_) +
                                   " ms; download given up");
    if (writeFailed)
        return Fail("$T41003", PathText(local) + ": " + file.Error());
    if (code == 404)
        return Fail("$T41002", where + "HTTP 404");
    if (code >= 300 || (code != 0 && code < 200))
        return Fail("$T41003", where + "HTTP " + std::to_string(code));
    if (tooLarge)
        return Fail("$T41008",
                    where + "more than " + std::to_string(maxBytes) + " bytes; download given up");
    if (error != QNetworkReply::NoError && code != 0)
        return Fail("$T41003", where + "broken off after " + std::to_string(file.Size()) +
                                   " bytes: " + errorText);
    if (error != QNetworkReply::NoError)
        return Fail(IsConnectionFailure(error) ? "$T41001" : "$T41003", where + errorText);
    if (length.isValid() && file.Size() != length.toLongLong())
        return Fail("$T41003", where + "cut short at " + std::to_string(file.Size()) + " of " +
                                   std::to_string(length.toLongLong()) + " bytes");
    if (!file.Commit())
        return Fail("$T41003", PathText(local) + ": " + file.Error());
    HttpWorkEnd();
    return false;
}

void TWebDownload::HttpWorkBegin(int64_t count) {
    TForm5* window = Form5;
    if (!progress_ || !window)
        return;
    // An unknown length keeps the bar's range.
    if (count > 0)
        window->ui.ProgressBar1->setMaximum(ClampToInt(count));
    window->ui.ProgressBar1->setValue(window->ui.ProgressBar1->minimum());
    window->ui.ProgressBar1->repaint();
}

void TWebDownload::HttpWork(int64_t count) {
    TForm5* window = Form5;
    if (!progress_ || !window)
        return;
    window->ui.ProgressBar1->setValue(ClampToInt(count));
    window->ui.ProgressBar1->repaint();
}

void TWebDownload::HttpWorkEnd() {
    TForm5* window = Form5;
    if (!window) {
        Dialogs::ShowMessage("Fehler: \nModul: TWEBDOWNLOAD\nFunktion: HttpWorkEnd");
        return;
    }
    window->ui.ProgressBar1->setValue(window->ui.ProgressBar1->maximum());
    window->ui.ProgressBar1->repaint();
}

#include "platform/StringList.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.emplace_back(text, start, i - start);
        if (c == '\r' && i + 1 < n && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.emplace_back(text, start, n - start);
    return lines;
}

bool ReadFileBytes(const std::filesystem::path& fileName, std::string& bytes, std::string& error,
                   ReadRefusal* refusal) {
    bytes.clear();
    if (refusal)
        *refusal = ReadRefusal::None;
    auto refuse = [&](ReadRefusal why, const char* text) {
        if (refusal)
            *refusal = why;
        error = text;
        return false;
    };
    // Opening a pipe or a device may wait or act on its own: only what is
    // a regular file now is opened at all.
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode))
        return refuse(ReadRefusal::NotRegularFile, NotRegularFileText);
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    auto refuseOpen = [&](ReadRefusal why, const char* text) {
        ::close(fd);
        return refuse(why, text);
    };
    // The name may have been given to another file since the check.
    if (::fstat(fd, &info) != 0)
        return refuseOpen(ReadRefusal::None, std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        return refuseOpen(ReadRefusal::NotRegularFile, NotRegularFileText);
    // The size is checked before reading; a file that grows meanwhile stops
    // at the limit while it is read.
    if (static_cast<std::uintmax_t>(info.st_size) > MaxFileBytes)
        return refuseOpen(ReadRefusal::TooLarge, std::strerror(EFBIG));
    std::string data;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return refuseOpen(ReadRefusal::None, std::strerror(errno));
        }
        if (got == 0)
            break;
        if (data.size() + static_cast<std::size_t>(got) > MaxFileBytes)
            return refuseOpen(ReadRefusal::TooLarge, std::strerror(EFBIG));
        data.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    bytes = std::move(data);
    return true;
}

void TStringList::LoadFromFile(const std::filesystem::path& fileName) {
    std::string bytes, error;
    if (!ReadFileBytes(fileName, bytes, error))
        throw std::runtime_error(error);
    lines_ = SplitLines(bytes);
}

bool WriteAllBytes(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

namespace {

bool Fail(std::string* error, int err) {
    if (error)
        *error = std::strerror(err);
    return false;
}

} // namespace

// Written by hand rather than with QSaveFile. Qt 6.4's QSaveFile does replace
// a symlink's target, syncs the data before its rename and leaves no
// temporary file, but it refuses to replace an existing file we may not write
// even where the folder lets the rename through, it reports its own texts
// instead of the system's message, and of the old permissions it keeps only
// the read/write/execute bits.
bool WriteFileAtomic(const std::filesystem::path& fileName, const std::string& bytes,
                     std::string* error) {
    if (fileName.empty())
        return Fail(error, ENOENT);
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target = fileName;
    if (fs::is_symlink(target, ec)) {
        // Replace the file the link points to, not the link itself.
        const fs::path resolved = fs::canonical(target, ec);
        if (!ec)
            target = resolved;
    }

    // A unique name beside the target, so the rename stays within one file system.
    static std::atomic<unsigned> counter{0};
    const fs::path temp =
        target.parent_path() / (target.filename().string() + ".tmp" + std::to_string(::getpid()) +
                                "." + std::to_string(counter.fetch_add(1)));
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return Fail(error, errno);

    struct stat old {};
    if (::stat(target.c_str(), &old) == 0)
        (void)::fchmod(fd, old.st_mode & 07777); // keep the old file's permissions

    bool ok = WriteAllBytes(fd, bytes) && ::fsync(fd) == 0;
    int err = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return Fail(error, err);
    }
    return true;
}

void TStringList::SaveToFile(const std::filesystem::path& fileName) const {
    const std::string bytes = Text();
    // A named pipe without a reader would hold the opening for good: it is
    // not waited for, and nothing but a regular file is written.
    const int fd =
        ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        throw std::runtime_error(std::strerror(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw std::runtime_error(NotRegularFileText);
    }
    if (!WriteAllBytes(fd, bytes)) {
        const int err = errno;
        ::close(fd);
        throw std::runtime_error(std::strerror(err));
    }
    if (::close(fd) != 0)
        throw std::runtime_error(std::strerror(errno));
}

void TStringList::SetText(const std::string& text) {
    lines_ = SplitLines(text);
}

std::string TStringList::Text() const {
    std::size_t size = 0;
    for (const auto& line : lines_)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::size_t TStringList::Add(const std::string& line) {
    lines_.push_back(line);
    return lines_.size() - 1;
}

void TStringList::Insert(std::size_t index, const std::string& line) {
    if (index > lines_.size())
        throw std::out_of_range("TStringList::Insert: index out of range");
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), line);
}

void TStringList::Delete(std::size_t index) {
    if (index >= lines_.size())
        throw std::out_of_range("TStringList::Delete: index out of range");
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index));
}

int TStringList::IndexOf(const std::string& line) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i] == line)
            return static_cast<int>(i);
    return -1;
}

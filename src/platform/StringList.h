#pragma once
// A list of 8-bit text lines, read from and written to a file as a whole.
// Parameter files, frequency files and presets use it; lines are byte-exact.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Splits text into lines at CR LF, LF or CR alone. A line end at the very end
// does not start another (empty) line; "" gives no lines.
std::vector<std::string> SplitLines(const std::string& text);

// Writes every byte to fd, retrying after EINTR and partial writes; false
// with errno set on failure.
bool WriteAllBytes(int fd, std::string_view bytes);

// Replaces the file with bytes as one step: the bytes go into a temporary
// file beside the target (same folder, so the rename stays within one file
// system), are synced, and the temporary file is renamed over the target.
// The target keeps its permissions; a symlink's target is replaced, not the
// link. On failure the old file is untouched, no temporary file is left, and
// error (when given) holds the system's message (strerror).
bool WriteFileAtomic(const std::filesystem::path& fileName, const std::string& bytes,
                     std::string* error);

// The largest file the program reads, 4 MiB: far above any file it works
// with (a customer file holds some hundred lines, RegisterText.txt and the
// language file some thousands), so that a file far beyond any real one is
// refused before it is read rather than filling the memory.
constexpr std::size_t MaxFileBytes = std::size_t{4} << 20;
// The limit as the messages name it.
const char* const MaxFileSizeText = "4 MB";

// Why ReadFileBytes refused a file it could open, for the message the user
// is shown (the system's message alone tells neither).
enum class ReadRefusal {
    None,
    TooLarge,       // more than MaxFileBytes
    NotRegularFile, // a named pipe, a device, a folder, a socket
};

// What error holds for a file that is no regular file.
const char* const NotRegularFileText = "not a regular file";

// Reads the whole file into bytes. On failure returns false, leaves bytes
// empty and puts the system's message (strerror) into error; refusal (when
// given) tells whether the file was refused for what it is. A file of more
// than MaxFileBytes is not read. Only a regular file is read: anything else
// is refused before it is opened, and the opening itself never waits (a
// named pipe without a writer would block it for good), so a file swapped
// for a pipe meanwhile is refused after the opening, still unread.
bool ReadFileBytes(const std::filesystem::path& fileName, std::string& bytes, std::string& error,
                   ReadRefusal* refusal = nullptr);

class TStringList {
public:
    TStringList() = default;

    // Replaces the lines with those of the file (split as SplitLines does).
    // Throws std::runtime_error with the system's message when the file
    // cannot be read; the list is then unchanged.
    void LoadFromFile(const std::filesystem::path& fileName);

    // Writes every line followed by CR LF, replacing the file. Throws
    // std::runtime_error with the system's message on failure; a target that
    // is no regular file (a named pipe, a device) is not written.
    void SaveToFile(const std::filesystem::path& fileName) const;

    // Replaces the lines with those of text (split as SplitLines does).
    void SetText(const std::string& text);
    // Every line followed by CR LF.
    std::string Text() const;

    std::size_t Count() const { return lines_.size(); }
    // No bounds check beyond the vector's own.
    const std::string& operator[](std::size_t i) const { return lines_[i]; }
    std::string& operator[](std::size_t i) { return lines_[i]; }

    // Appends line; returns its index.
    std::size_t Add(const std::string& line);
    // Inserts line before index (index == Count() appends). Throws
    // std::out_of_range when index > Count().
    void Insert(std::size_t index, const std::string& line);
    // Removes the line at index. Throws std::out_of_range when index >= Count().
    void Delete(std::size_t index);
    void Clear() { lines_.clear(); }
    // Index of the first line equal to line (byte-exact), or -1.
    int IndexOf(const std::string& line) const;

    const std::vector<std::string>& Lines() const { return lines_; }
    std::vector<std::string>& Lines() { return lines_; }

private:
    std::vector<std::string> lines_;
};

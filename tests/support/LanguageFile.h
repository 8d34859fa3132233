#pragma once
// A language file for tests: the shipped default.lang with every text
// replaced by its own id, so that a window under test shows "$T29001" where
// the program shows the text of $T29001, while the whole language service
// runs as it does for the user.

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace testsupport {

inline bool WriteIdentityLanguageFile(const std::filesystem::path& folder) {
    std::ifstream in(std::filesystem::path(OSTARA_PROGRAM_DIR) / "default.lang", std::ios::binary);
    if (!in)
        return false;
    std::ostringstream out;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        // "$Tggnnn" + language code + "=" + text
        const bool text = line.size() > 9 && line.compare(0, 2, "$T") == 0 &&
                          std::isdigit(static_cast<unsigned char>(line[2])) && line[9] == '=';
        out << (text ? line.substr(0, 10) + line.substr(0, 7) : line) << "\r\n";
    }
    std::ofstream(folder / "default.lang", std::ios::binary) << out.str();
    return true;
}

} // namespace testsupport

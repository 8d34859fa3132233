#include "files/FileNames.h"

#include "platform/Text.h"

#include <algorithm>
#include <system_error>

namespace {

// Where the file name starts: after the last folder separator.
std::size_t NameStart(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? 0 : slash + 1;
}

// Where the extension starts, or npos. A name that only starts with a dot
// (".qdv") has no extension.
std::size_t ExtensionStart(const std::string& path) {
    const std::size_t name = NameStart(path);
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= name)
        return std::string::npos;
    return dot;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

std::string FinalExtension(const std::string& path) {
    const std::size_t at = ExtensionStart(path);
    return at == std::string::npos ? std::string() : path.substr(at);
}

ParameterFileKind FileKindOf(const std::string& path) {
    const std::string extension = Lower(FinalExtension(path));
    if (extension == ".qdv")
        return ParameterFileKind::Customer;
    if (extension == ".rtu")
        return ParameterFileKind::RegisterText;
    return ParameterFileKind::Other;
}

std::string UpperNameWithExtension(const std::string& path, const std::string& extension) {
    const std::size_t name = NameStart(path);
    return path.substr(0, name) + PathFromQString(PathToQString(path.substr(name)).toUpper()) +
           extension;
}

std::string ReplaceExtension(const std::string& path, const std::string& extension) {
    const std::size_t at = ExtensionStart(path);
    return (at == std::string::npos ? path : path.substr(0, at)) + extension;
}

std::vector<NamedFile> ListDemoFiles(const std::filesystem::path& folder,
                                     const std::string& extension) {
    namespace fs = std::filesystem;
    std::vector<NamedFile> files;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        return files;
    }
    const std::string wanted = Lower(extension);
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        const std::string path = it->path().string();
        const std::string found = FinalExtension(path);
        if (!it->is_regular_file(kind) || found.empty() || Lower(found) != wanted)
            continue;
        const std::string name = it->path().filename().string();
        files.push_back({name.substr(0, name.size() - found.size()), path});
    }
    std::sort(files.begin(), files.end(),
              [](const NamedFile& a, const NamedFile& b) { return a.name < b.name; });
    return files;
}

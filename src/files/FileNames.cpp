#include "files/FileNames.h"

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
    std::string out = path;
    for (std::size_t i = NameStart(out); i < out.size(); ++i)
        if (out[i] >= 'a' && out[i] <= 'z')
            out[i] = static_cast<char>(out[i] - 'a' + 'A');
    return out + extension;
}

std::string ReplaceExtension(const std::string& path, const std::string& extension) {
    const std::size_t at = ExtensionStart(path);
    return (at == std::string::npos ? path : path.substr(0, at)) + extension;
}

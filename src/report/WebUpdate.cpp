#include "report/WebUpdate.h"

#include "platform/IniFile.h"
#include "platform/Text.h"

#include <QUrl>

UpdateDescription ReadUpdateDescription(const TMemIniFile& ini) {
    UpdateDescription d;
    d.version = static_cast<float>(ini.ReadFloat("Datei", "Version", 0));
    d.versionText = ini.ReadString("Datei", "Version", "");
    d.files = ini.ReadSection("Dateiname");
    const std::vector<std::string> execute = ini.ReadSection("Execute");
    if (!execute.empty())
        d.execute = execute.front();
    return d;
}

bool OffersNewerVersion(float programVersion, float offered) {
    return offered != 0 && programVersion < offered;
}

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || c == ':' || b < 0x20 || b == 0x7F)
            return false;
    }
    return true;
}

std::optional<std::string> FirstUnsafeName(const UpdateDescription& description) {
    for (const std::string& name : description.files)
        if (!IsPlainFileName(name))
            return name;
    if (!description.execute.empty() && !IsPlainFileName(description.execute))
        return description.execute;
    return std::nullopt;
}

namespace {

std::string PercentEncoded(const std::string& segment) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : segment) {
        const auto b = static_cast<unsigned char>(c);
        const bool unreserved = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
                                (b >= '0' && b <= '9') || b == '-' || b == '.' || b == '_' ||
                                b == '~';
        if (unreserved) {
            out += c;
        } else {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 0x0F];
        }
    }
    return out;
}

} // namespace

std::string UpdateFileUrl(const std::string& location, const std::string& name, int port) {
    QUrl url(ToQString(location + "/" + PercentEncoded(name)), QUrl::TolerantMode);
    // The port belongs to plain HTTP; another scheme keeps its own default.
    if (url.scheme() == "http" && url.port() == -1 && port > 0 && port != 80)
        url.setPort(port);
    return url.toEncoded().toStdString();
}

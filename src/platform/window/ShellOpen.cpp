#include "platform/window/ShellOpen.h"

#include "platform/Text.h"
#include "platform/window/Dialogs.h"

#include <QDesktopServices>
#include <QUrl>

#include <deque>

namespace {

struct Script {
    bool active = false;
    std::deque<bool> results;
    std::vector<ShellOpen::Opened> history;
};

Script& script() {
    static Script s;
    return s;
}

bool Open(const std::string& target, bool isFile) {
    if (ShellOpen::Scripted()) {
        Script& s = script();
        bool result = true;
        if (!s.results.empty()) {
            result = s.results.front();
            s.results.pop_front();
        }
        s.history.push_back({target, isFile, result});
        return result;
    }
    const QUrl url = isFile ? QUrl::fromLocalFile(PathToQString(target))
                            : QUrl(ToQString(target), QUrl::TolerantMode);
    return url.isValid() && QDesktopServices::openUrl(url);
}

} // namespace

bool ShellOpen::OpenFile(const std::string& path) {
    return Open(path, true);
}

bool ShellOpen::OpenUrl(const std::string& url) {
    return Open(url, false);
}

void ShellOpen::BeginScript() {
    EndScript();
    script().active = true;
}

void ShellOpen::EndScript() {
    script() = Script{};
}

bool ShellOpen::Scripted() {
    return script().active || Dialogs::Scripted();
}

void ShellOpen::QueueResult(bool taken) {
    script().results.push_back(taken);
}

const std::vector<ShellOpen::Opened>& ShellOpen::History() {
    return script().history;
}

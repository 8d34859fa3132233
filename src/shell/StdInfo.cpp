#include "shell/StdInfo.h"

TStdInfo::TStdInfo(const std::string& name, const std::string& folder)
    : name_(name), folder_(folder) {
    if (!folder_.empty() && folder_.back() != '/')
        folder_ += '/';
}

std::filesystem::path TStdInfo::FullPath() const {
    if (folder_.empty())
        return std::filesystem::path(name_);
    return std::filesystem::path(folder_) / name_;
}

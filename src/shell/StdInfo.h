#pragma once
// A small record of a file name, its folder and a version number. The error
// log builds on it; the customer-file codec uses it on its own.

#include <filesystem>
#include <string>

class TStdInfo {
public:
    // Name and folder empty, version 0.
    TStdInfo() = default;
    // Version 0. A folder that is not empty and lacks a trailing '/' gets one.
    TStdInfo(const std::string& name, const std::string& folder);

    void SetVersion(int n) { version_ = n; }
    int Version() const { return version_; }

    const std::string& Name() const { return name_; }
    const std::string& Folder() const { return folder_; }
    // folder / name; just the name when the folder is empty.
    std::filesystem::path FullPath() const;

private:
    std::string name_;
    std::string folder_;
    int version_ = 0;
};

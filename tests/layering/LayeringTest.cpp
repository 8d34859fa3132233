// The include rules of the source tree (README, "Layout"), read from the
// #include lines of every *.h and *.cpp under src/ and tools/:
//  1. window-free code of src/<A>/ includes only subsystems before A in
//     platform -> shell -> link -> device -> {pages, files, report}, and A;
//  2. window-free code includes no window header (<sub>/window/..., ui_*.h);
//  3. window-free code includes no Qt header outside QtCore;
//  4. the simulator (tools/devsim) includes nothing of src/.
// Window code (src/<sub>/window/) may include any header.
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Include {
    int line;
    std::string text; // between the quotes or angle brackets
    bool quoted;
};

struct Violation {
    std::string file; // relative to the root
    int line;
    std::string text;
    std::string rule;
};

std::string Describe(const std::vector<Violation>& violations) {
    std::string out;
    for (const auto& v : violations)
        out +=
            v.file + ":" + std::to_string(v.line) + ": #include " + v.text + ": " + v.rule + "\n";
    return out;
}

// The order of the window-free folders; equal levels are siblings.
const std::map<std::string, int> kLevel = {{"platform", 0}, {"shell", 1}, {"link", 2},
                                           {"device", 3},   {"pages", 4}, {"files", 4},
                                           {"report", 4}};

// "link/Mop.h" -> "link"; "Protocol.h" -> "" (no folder).
std::string Folder(const std::string& path) {
    auto slash = path.find('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::vector<Include> ReadIncludes(const fs::path& file) {
    static const std::regex kInclude(R"(^\s*#\s*include\s*([<"])([^>"]*)[>"])");
    std::vector<Include> includes;
    std::ifstream in(file);
    std::string line;
    std::smatch m;
    for (int n = 1; std::getline(in, line); ++n)
        if (std::regex_search(line, m, kInclude))
            includes.push_back({n, m[2].str(), m[1].str() == "\""});
    return includes;
}

// Whether a header of the Qt installation lies outside QtCore. coreDir is the
// QtCore include folder; its parent holds the other modules' folders.
bool IsQtOutsideCore(const fs::path& coreDir, const std::string& name) {
    if (name.empty() || (name[0] != 'Q' && name[0] != 'q'))
        return false;
    if (std::string folder = Folder(name); !folder.empty()) // <QtWidgets/QLabel>
        return folder.starts_with("Qt") && folder != "QtCore";
    if (fs::exists(coreDir / name))
        return false;
    if (name[0] == 'Q') // a Qt class header (QWidget, QtWidgets) not in QtCore
        return true;
    for (const auto& dir : fs::directory_iterator(coreDir.parent_path()))
        if (dir.path().filename().string().starts_with("Qt") && fs::exists(dir.path() / name))
            return true; // <qwidget.h>; <queue> is found in no Qt folder
    return false;
}

// The header of the program an include names, relative to src/, or "" when it
// names none. A quoted include is found next to its file first, as the
// compiler does; otherwise a path starting with a subsystem, "forms/" or
// "ui_" names a program header.
std::string ProgramHeader(const fs::path& root, const std::string& file, const Include& inc) {
    if (inc.quoted) {
        fs::path local = (fs::path(file).parent_path() / inc.text).lexically_normal();
        if (fs::exists(root / local)) {
            std::string p = local.generic_string();
            return p.starts_with("src/") ? p.substr(4) : "";
        }
    }
    std::string folder = Folder(inc.text);
    if (kLevel.contains(folder) || folder == "forms" || inc.text.starts_with("ui_"))
        return inc.text;
    return "";
}

bool IsWindowHeader(const std::string& header) {
    std::string name = fs::path(header).filename().string();
    return header.find("/window/") != std::string::npos || Folder(header) == "forms" ||
           name.starts_with("ui_");
}

std::vector<Violation> CheckFile(const fs::path& root, const std::string& file,
                                 const std::vector<Include>& includes, const fs::path& qtCoreDir) {
    std::vector<Violation> out;
    auto report = [&](const Include& inc, std::string rule) {
        std::string shown = inc.quoted ? "\"" + inc.text + "\"" : "<" + inc.text + ">";
        out.push_back({file, inc.line, shown, std::move(rule)});
    };
    if (file.starts_with("tools/devsim/")) {
        for (const auto& inc : includes)
            if (!ProgramHeader(root, file, inc).empty())
                report(inc, "rule 4: the simulator shares no code with the program (src/)");
        return out;
    }
    fs::path rel(file);
    auto part = rel.begin();
    if (*part != "src" || ++part == rel.end())
        return out;
    std::string sub = part->string();
    if (!kLevel.contains(sub) || (++part != rel.end() && *part == "window"))
        return out; // not a subsystem folder, or window code: no rule
    for (const auto& inc : includes) {
        std::string header = ProgramHeader(root, file, inc);
        std::string folder = Folder(header);
        if (header.empty()) {
            if (IsQtOutsideCore(qtCoreDir, inc.text))
                report(inc, "rule 3: window-free code includes a Qt header outside QtCore");
        } else if (IsWindowHeader(header)) {
            report(inc, "rule 2: window-free code includes a window header");
        } else if (kLevel.contains(folder) && folder != sub &&
                   kLevel.at(folder) >= kLevel.at(sub)) {
            report(inc, "rule 1: window-free code of " + sub + " includes " + folder +
                            ", which does not come before it (platform -> shell -> link -> "
                            "device -> pages, files, report)");
        }
    }
    return out;
}

std::vector<std::string> SourceFiles(const fs::path& root) {
    std::vector<std::string> files;
    for (const char* top : {"src", "tools"}) {
        if (!fs::exists(root / top))
            continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            auto ext = entry.path().extension();
            if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp"))
                files.push_back(entry.path().lexically_relative(root).generic_string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<Violation> CheckTree(const fs::path& root, const fs::path& qtCoreDir) {
    std::vector<Violation> out;
    for (const auto& file : SourceFiles(root))
        for (auto& v : CheckFile(root, file, ReadIncludes(root / file), qtCoreDir))
            out.push_back(std::move(v));
    return out;
}

const fs::path kQtCore = OSTARA_QTCORE_INCLUDE_DIR;

// One planted include: the file it goes into, its text, and the rule it
// breaks (0: allowed).
struct Plant {
    std::string file;
    std::string include;
    int rule;
};

const std::vector<Plant> kPlants = {
    // 1: order and siblings
    {"src/link/Bad1.cpp", "\"pages/PageLogic.h\"", 1},
    {"src/pages/Bad1.h", "\"files/Loader.h\"", 1},
    {"src/report/Bad1.cpp", "\"pages/PageLogic.h\"", 1},
    {"src/platform/Bad1.cpp", "<shell/Settings.h>", 1},
    {"src/link/Bad1.cpp", "\"device/RegisterImage.h\"", 1},
    // 2: window headers
    {"src/device/Bad2.cpp", "\"device/window/Form4.h\"", 2},
    {"src/device/Bad2.cpp", "\"ui_TForm4.h\"", 2},
    {"src/device/Bad2.cpp", "\"window/Form4.h\"", 2}, // found next to the file
    {"src/platform/Bad2.h", "\"shell/window/Form1.h\"", 2},
    // 3: Qt outside QtCore
    {"src/link/Bad3.cpp", "<QWidget>", 3},
    {"src/link/Bad3.cpp", "<QtWidgets/QLabel>", 3},
    {"src/link/Bad3.cpp", "<QColor>", 3},
    {"src/link/Bad3.cpp", "<QLocalSocket>", 3},
    {"src/link/Bad3.cpp", "<QPrinter>", 3},
    {"src/link/Bad3.cpp", "<qwidget.h>", 3},
    // 4: the simulator and src/
    {"tools/devsim/Bad4.cpp", "\"link/Mop.h\"", 4},
    {"tools/devsim/Bad4.cpp", "\"ui_TForm1.h\"", 4},
    {"tools/devsim/Bad4.cpp", "\"../../src/link/Mop.h\"", 4},
    // allowed
    {"src/pages/Ok.cpp", "\"pages/RadioLogic.h\"", 0},
    {"src/pages/Ok.cpp", "\"device/RegisterImage.h\"", 0},
    {"src/pages/Ok.cpp", "\"platform/Text.h\"", 0},
    {"src/pages/Ok.cpp", "\"Local.h\"", 0},
    {"src/pages/Ok.cpp", "<QString>", 0},
    {"src/pages/Ok.cpp", "<QtCore/QObject>", 0},
    {"src/pages/Ok.cpp", "<qglobal.h>", 0},
    {"src/pages/Ok.cpp", "<queue>", 0},
    {"src/pages/Ok.cpp", "<sys/stat.h>", 0},
    {"src/link/Mop.h", "\"link/FrameAssembler.h\"", 0},
    {"src/link/window/Ok.cpp", "\"shell/window/Form1.h\"", 0},
    {"src/link/window/Ok.cpp", "\"ui_TForm2.h\"", 0},
    {"src/link/window/Ok.cpp", "<QWidget>", 0},
    {"src/link/window/Ok.cpp", "\"pages/PageLogic.h\"", 0},
    {"src/shell/window/Form1.h", "\"ui_TForm1.h\"", 0},
    {"tools/devsim/Protocol.h", "<cstdint>", 0},
    {"tools/devsim/Bad4.cpp", "\"Protocol.h\"", 0},
    {"tools/devsim/Bad4.cpp", "<string>", 0},
};

TEST(Layering, ReportsEachPlantedViolationWithFileAndLine) {
    ASSERT_TRUE(fs::exists(kQtCore / "QString")) << kQtCore;
    TempDir root("layering");
    fs::create_directories(root.Path() / "src/device/window");
    std::ofstream(root.Path() / "src/device/window/Form4.h") << "#pragma once\n";
    // Each file gets a comment line, then its plants in order.
    std::map<std::string, std::vector<std::string>> lines;
    std::vector<Violation> expected;
    for (const auto& p : kPlants) {
        auto& fileLines = lines[p.file];
        if (fileLines.empty())
            fileLines.push_back("// planted");
        fileLines.push_back("#include " + p.include);
        if (p.rule)
            expected.push_back(
                {p.file, int(fileLines.size()), p.include, "rule " + std::to_string(p.rule)});
    }
    for (const auto& [file, text] : lines) {
        fs::create_directories((root.Path() / file).parent_path());
        std::ofstream out(root.Path() / file);
        for (const auto& line : text)
            out << line << "\n";
    }

    auto found = CheckTree(root.Path(), kQtCore);
    for (const auto& e : expected) {
        auto match = [&](const Violation& v) {
            return v.file == e.file && v.line == e.line && v.text == e.text &&
                   v.rule.starts_with(e.rule + ":");
        };
        EXPECT_EQ(std::count_if(found.begin(), found.end(), match), 1)
            << e.file << ":" << e.line << " " << e.text << " should break " << e.rule;
    }
    EXPECT_EQ(found.size(), expected.size()) << "reported:\n" << Describe(found);
}

TEST(Layering, SourceTreeKeepsTheRules) {
    const fs::path root = OSTARA_SOURCE_DIR;
    ASSERT_TRUE(fs::exists(kQtCore / "QString")) << kQtCore;
    ASSERT_GT(SourceFiles(root).size(), 50u) << "no source tree at " << root;
    auto found = CheckTree(root, kQtCore);
    EXPECT_TRUE(found.empty()) << found.size() << " include(s) break the layering:\n"
                               << Describe(found);
}

} // namespace

#pragma once
// The main window with the shipped register map in its program folder, and
// parameter sets and files to open and save.

#include "device/DeviceTypes.h"
#include "device/RegisterImage.h"
#include "device/RegisterMap.h"
#include "files/CustomerFiles.h"
#include "files/KundenFile.h"
#include "files/RegisterLines.h"
#include "platform/StringList.h"
#include "platform/Text.h"
#include "support/WindowFixture.h"

#include <QLabel>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

class FileTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        fs::copy_file(fs::path(OSTARA_PROGRAM_DIR) / "steuerung.cfg", dir_ / "steuerung.cfg",
                      fs::copy_options::overwrite_existing);
    }

    // A parameter set of a radio modem (type 0x21) with seeded random values,
    // except where they decide what the window does: the power table tells
    // the high-power variant, and the one channel in use lies in the band.
    TRegisterImage RadioImage(uint32_t seed) {
        TRegisterMap map;
        TStringList mapped;
        EXPECT_EQ(LoadRegisterMap(dir_ / "steuerung.cfg", FamilyKVL420, map, mapped),
                  MapLoadResult::Loaded);
        std::mt19937 random(seed);
        TRegisterImage image{};
        for (int i = 0; i <= static_cast<int>(LastImageRegister - FirstImageRegister); ++i)
            image[static_cast<size_t>(i)] = random() % 0x10000;
        image[static_cast<size_t>(map.geraete_id)] = 0x21;
        image[static_cast<size_t>(map.firmware)] = 0x0502;
        for (int i = map.tab_anf_sendeleistung; i <= map.tab_end_sendeleistung; ++i)
            image[static_cast<size_t>(i)] =
                static_cast<uint32_t>(i - map.tab_anf_sendeleistung) * 5;
        image[static_cast<size_t>(map.tab_end_sendeleistung)] = 100;
        image[static_cast<size_t>(map.max_anzahl_funkkanal)] = 0;
        image[static_cast<size_t>(map.tab_anf_frequenz)] = 32000;
        image[static_cast<size_t>(map.tab_anf_fraster)] = 12500;
        for (int reg = 990; reg <= 993; ++reg)
            image[static_cast<size_t>(reg - 900)] = 0;
        return image;
    }

    // The bytes of the customer file the editor's save writes for image.
    static std::string CustomerFileOf(const TRegisterImage& image) {
        TKundenFile file;
        testfiles::PrepareEditorSave(file);
        TStringList lines;
        BuildCustomerSaveLines(image, lines);
        return file.Write(lines) + "\r\n";
    }

    // A register dump of image as text lines.
    static std::string DumpOf(const TRegisterImage& image) {
        std::string text;
        for (uint32_t reg = 900; reg <= 1471; ++reg)
            text += DumpLine(reg, image[reg - 900]) + "\r\n";
        return text;
    }

    static void WriteFile(const fs::path& file, const std::string& bytes) {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    }

    static std::string ReadFile(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Opens file through the open command's dialog, discarding data shown.
    static void Open(const fs::path& file) {
        if (DeviceFamily != FamilyNone && RegisterImage[DeviceTypeCell] != 0)
            Dialogs::QueueModal([](QDialog&) { return int(Dialogs::Yes); });
        Dialogs::QueueFileName(file.string());
        Form1->openbuttonClick();
    }

    static void Save(const fs::path& file) {
        Dialogs::QueueFileName(file.string());
        Form1->savebuttonClick();
    }

    static std::string Status() { return FromQString(Form1->StatusPanels[5]->text()); }

    // The texts of the messages shown since the last clear, in order.
    static std::vector<std::string> Messages() {
        std::vector<std::string> out;
        for (const Dialogs::Shown& s : Dialogs::History())
            if (s.kind == "message" || s.kind == "plain")
                out.push_back(s.text);
        return out;
    }

    // The first cell where the program's image differs from image; -1 for none.
    static int FirstDifference(const TRegisterImage& image) {
        for (size_t i = 0; i < image.size(); ++i)
            if (RegisterImage[i] != image[i])
                return static_cast<int>(i);
        return -1;
    }

    static bool ImageIsClear() {
        for (uint32_t cell : RegisterImage)
            if (cell != 0)
                return false;
        return true;
    }
};

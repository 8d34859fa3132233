#pragma once
// The main window with the shipped register map in its program folder, a
// parameter set to open and save, and the files and messages of a test.

#include "device/DeviceTypes.h"
#include "device/RegisterMap.h"
#include "files/CustomerFiles.h"
#include "files/RegisterLines.h"
#include "platform/Text.h"
#include "support/WindowFixture.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;
using testfiles::Lines;
using testfiles::WriteFile;

inline std::string ReadFile(const fs::path& file) {
    std::string bytes, error;
    ReadFileBytes(file, bytes, error);
    return bytes;
}

// The texts of the message boxes (not the questions) shown, in order.
inline Lines Messages() {
    Lines out;
    for (const Dialogs::Shown& s : Dialogs::History())
        if ((s.kind == "message" || s.kind == "plain") && s.buttons == Dialogs::OK)
            out.push_back(s.text);
    return out;
}

// A customer file of the plain lines given (header and registers).
inline std::string CustomerText(const Lines& plain) {
    TStringList file;
    file.Lines() = testfiles::Stored(testfiles::Plus(plain, {testfiles::kEnd}));
    return file.Text();
}

inline void Key(QWidget* w, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &press);
}

// Types text into edit key by key, Enter after it when asked.
inline void Type(QLineEdit* edit, const std::string& text, bool enter = true) {
    edit->clear();
    for (char c : text)
        Key(edit, 0, QString(QChar(c)));
    if (enter)
        Key(edit, Qt::Key_Return, "\r");
}

inline std::string Status() {
    return FromQString(Form1->StatusPanels[5]->text());
}

// Opens file through the open command's dialog, agreeing to drop data shown.
inline void Open(const fs::path& file) {
    if (DeviceFamily != FamilyNone && RegisterImage[DeviceTypeCell] != 0)
        Dialogs::QueueModal([](QDialog&) { return int(Dialogs::Yes); });
    Dialogs::QueueFileName(file.string());
    Form1->openbuttonClick();
}

class FileTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        fs::copy_file(fs::path(OSTARA_PROGRAM_DIR) / "steuerung.cfg", dir_ / "steuerung.cfg");
        TStringList mapped;
        ASSERT_EQ(LoadRegisterMap(dir_ / "steuerung.cfg", FamilyKVL420, map_, mapped),
                  MapLoadResult::Loaded);
    }

    // A radio modem's parameter set (type 0x21) of seeded random values,
    // except where they decide what the window does: a valid firmware, a
    // power table that tells the variant (100 at its end), one channel in
    // the band.
    TRegisterImage RadioImage(uint32_t seed) const {
        std::mt19937 random(seed);
        TRegisterImage image{};
        for (size_t i = 0; i <= LastImageRegister - FirstImageRegister; ++i)
            image[i] = random() % 0x10000;
        auto cell = [&image](int index) -> uint32_t& { return image[static_cast<size_t>(index)]; };
        cell(map_.geraete_id) = 0x21;
        cell(map_.firmware) = 0x0502;
        for (int i = map_.tab_anf_sendeleistung; i <= map_.tab_end_sendeleistung; ++i)
            cell(i) = static_cast<uint32_t>(i - map_.tab_anf_sendeleistung) * 7;
        cell(map_.tab_end_sendeleistung) = 100;
        cell(map_.max_anzahl_funkkanal) = 0;
        cell(map_.tab_anf_frequenz) = 32000;
        cell(map_.tab_anf_fraster) = 12500; // 400 MHz
        for (size_t reg = 990; reg <= 993; ++reg)
            image[reg - 900] = 0; // the device names no band of its own
        return image;
    }

    // The bytes the editor's save writes for image.
    static std::string CustomerFileOf(const TRegisterImage& image) {
        TKundenFile file;
        testfiles::PrepareEditorSave(file);
        TStringList lines;
        BuildCustomerSaveLines(image, lines);
        return file.Write(lines) + "\r\n";
    }

    TRegisterMap map_;
};

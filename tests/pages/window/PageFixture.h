#pragma once
// The main window's tab pages against the simulator: the window shown as the
// user sees it, a device read, and what the pages showed and changed.

#include "device/RegisterMap.h"
#include "device/window/ReadFixture.h"
#include "platform/window/Dialogs.h"
#include "platform/window/PageControl.h"

#include <QApplication>
#include <QKeyEvent>

#include <filesystem>
#include <string>
#include <vector>

inline bool Shown(const QWidget* w) {
    return w->isVisibleTo(Form1);
}

inline void SendKey(QWidget* target, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

// Message boxes (with buttons or plain) shown with exactly this text.
inline int CountShown(const std::string& text) {
    int n = 0;
    for (const Dialogs::Shown& s : Dialogs::History())
        if ((s.kind == "message" || s.kind == "plain") && s.text == text)
            ++n;
    return n;
}

// The cells in which two images differ, as "index:old->new".
inline std::vector<std::string> Differences(const TRegisterImage& before,
                                            const TRegisterImage& after) {
    std::vector<std::string> out;
    for (int i = 0; i < RegisterImageSize; ++i)
        if (before[i] != after[i])
            out.push_back(std::to_string(i) + ":" + std::to_string(before[i]) + "->" +
                          std::to_string(after[i]));
    return out;
}

class PageTest : public ReadTest {
protected:
    void SetUp() override {
        ReadTest::SetUp();
        // The map as a freshly started program has it.
        RegisterMap = TRegisterMap{};
    }

    // The simulator and the windows, the main window shown as the user sees it.
    void StartShown(const std::vector<std::string>& args) {
        StartWithDevice(args);
        if (!HasFatalFailure())
            Form1->show();
    }

    // The windows start with the shipped texts instead of their ids.
    void UseShippedTexts() {
        std::filesystem::copy_file(std::filesystem::path(OSTARA_PROGRAM_DIR) / "default.lang",
                                   dir_ / "default.lang",
                                   std::filesystem::copy_options::overwrite_existing);
    }

    void StartAndRead(const std::vector<std::string>& args) {
        StartShown(args);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(Read());
        ASSERT_EQ(Status(), "$T29001");
        Dialogs::ClearHistory();
    }

    // The user picks another tab.
    static void UserSelects(TPageControl* pages, QWidget* page) {
        ASSERT_NE(pages->currentWidget(), page);
        pages->setCurrentIndex(pages->indexOf(page));
        ASSERT_EQ(pages->currentWidget(), page);
    }
};

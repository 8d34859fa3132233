#pragma once
// Starts the program's windows as the entry point does, in a fresh program
// folder, with every dialog scripted; tears them down again.

#include "device/ChangeFlags.h"
#include "device/PowerTable.h"
#include "device/RegisterImage.h"
#include "link/PortSettings.h"
#include "pages/window/InputFrame.h"
#include "platform/Application.h"
#include "platform/window/Dialogs.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"
#include "shell/window/Program.h"
#include "support/EventLoop.h"
#include "support/LanguageFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir_ = QDir::currentPath();
        // The user's language is English whatever this machine says.
        if (const char* all = std::getenv("LC_ALL"))
            previousLcAll_ = all;
        setenv("LC_ALL", "en_GB.UTF-8", 1);
        ASSERT_TRUE(testsupport::WriteIdentityLanguageFile(dir_));
        QDir::setCurrent(QString::fromStdString(dir_.string()));
        Dialogs::BeginScript();
        Application().ResetTerminated();
        ResetGlobals();
        BuildProgramTitle();
    }

    void TearDown() override {
        if (Form1)
            DestroyForms();
        // A test that ended in the middle of a transfer leaves no busy cursor.
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        Application().SetOnIdle(nullptr);
        Application().ResetTerminated();
        Dialogs::EndScript();
        QDir::setCurrent(previousDir_);
        if (previousLcAll_.empty())
            unsetenv("LC_ALL");
        else
            setenv("LC_ALL", previousLcAll_.c_str(), 1);
    }

    static void ResetGlobals() {
        ActivationCount = 0;
        ServiceMode = 0;
        PasswordAccepted = 0;
        RadioSettingsChanged = 0;
        DeviceSettingsChanged = 0;
        InputDelaysChanged = false;
        ControlsUpdating = 0;
        AppStarted = 0;
        TForm1::FirstArgument.clear();
        RegisterImage.fill(0);
        DeviceFamily = 0;
        LowPowerModule = 0;
        // A port that does not exist, whatever serial ports this machine has.
        PortName = "/nonexistent/ostara-test-port";
    }

    void Start() {
        CreateForms();
        AppStarted = 1;
    }

    // Runs the event loop (blocking, so idle moments happen) until cond holds
    // or the deadline passes; returns cond().
    static bool RunUntil(const std::function<bool()>& cond, int ms = 2000) {
        return RunEventsUntil(cond, ms, 20);
    }

    TempDir tmp_{"ostara-window"};
    const std::filesystem::path& dir_ = tmp_.Path();

private:
    QString previousDir_;
    std::string previousLcAll_;
};

#pragma once
// Starts the program's windows as the entry point does, in a fresh program
// folder, with every dialog scripted; tears them down again.

#include "pages/InputFrame.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "shell/Form1.h"
#include "shell/Globals.h"
#include "shell/Program.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir_ = QDir::currentPath();
        dir_ = std::filesystem::temp_directory_path() /
               ("ostara-window-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        QDir::setCurrent(QString::fromStdString(dir_.string()));
        Dialogs::BeginScript();
        Application().ResetTerminated();
        ResetGlobals();
        BuildProgramTitle();
    }

    void TearDown() override {
        if (Form1)
            DestroyForms();
        Application().SetOnIdle(nullptr);
        Application().ResetTerminated();
        Dialogs::EndScript();
        QDir::setCurrent(previousDir_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
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
        TInputFrame::ResetNumbering();
    }

    void Start() {
        CreateForms();
        AppStarted = 1;
    }

    // Runs the event loop (blocking, so idle moments happen) until cond holds
    // or the deadline passes; returns cond().
    static bool RunUntil(const std::function<bool()>& cond, int ms = 2000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!cond() && std::chrono::steady_clock::now() < deadline) {
            QEventLoop loop;
            QTimer::singleShot(20, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return cond();
    }

    std::filesystem::path dir_;

private:
    QString previousDir_;
    static inline int counter_ = 0;
};

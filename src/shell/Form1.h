#pragma once
// The main window: owns the helpers for its whole life, starts up, activates
// and closes as the program's life cycle requires. Its handlers live in the
// folders of the subsystems that own them.

#include "ui_TForm1.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QMenu;
class TInputFrame;
class TLogFile;
class TMop;

class TForm1 : public QMainWindow {
public:
    explicit TForm1(QWidget* owner = nullptr);
    ~TForm1() override;

    Ui::TForm1 ui;

    // --- members of the life cycle -----------------------------------
    std::string ProgramDir;
    std::string WorkplaceName = "Arbeitsplatz";
    std::string WorkDir;
    int LanguageId = -1;
    std::string UpdateUrl;
    std::string UpdateInfoFile = "info.qdv";
    std::string DataFolderName = "Data";
    std::string LogFileName = "Error.txt";
    std::string DemoFolder = "Demos";
    std::string FileExtension = ".qdv";
    bool TransferIdle = true;
    bool ClosePending = false;
    bool QuitAtStart = false;
    bool AutoUpdate = false;
    bool ServiceSwitchAllowed = false;
    bool UpdateFromMenu = false;
    bool FrequencyTableChanged = false;
    int WindowsLanguageId = 0;
    QLabel* InputLabel = nullptr;
    std::array<TInputFrame*, 16> InputFrames{};
    std::vector<QAction*> LanguageMenuItems;
    QMenu* PopupMenu1 = nullptr;
    std::array<QLabel*, 6> StatusPanels{};

    // --- owned helpers -------------------------------------------------
    std::unique_ptr<TLogFile> LogFile;
    std::unique_ptr<TMop> Mop;

    // --- life cycle ------------------------------------------------------
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormCloseQuery(bool& canClose);
    // Returns false when the window is to stay open.
    bool FormClose();
    void CloseIfPending();
    void DestroyHelpers();
    void AllowServiceSwitch() { ServiceSwitchAllowed = true; }
    // True while the register scan of the service mode runs.
    bool ScanRunning() const;

    // --- handlers of the window's own commands --------------------------
    void ToolButton1Click();
    void ber1Click();
    void HFParameter1Click();
    void DeviceParameter1Click();
    void Beenden1Click() {}

    // The first command-line argument ("" when none); set by the entry point.
    static std::string FirstArgument;

    // --- calls into parts of the program that are not built yet ---------
    void ReadSettingsFile();
    void WriteSettingsFile();
    void ApplyLanguage();
    void OpenPort();
    void ClosePort();
    void FillPresetMenu();
    void SetPageVisibility(bool serviceSwitchAllowed);
    void CheckForUpdates();
    void FillModelNames();
    void up_loadClick();
    void funkClick();
    void einstellungClick();
    void RebuildDemoMenu();
    void Hilfe1Click();
    void scanregClick();
    std::string GetText(const std::string& id);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void ConnectCommands();
    void CreateInputFrames();
    void FillComboBoxes();
    void PrepareDataFolder();
    void RunPasswordDialog();

    bool helpersDestroyed_ = false;
};

extern TForm1* Form1;

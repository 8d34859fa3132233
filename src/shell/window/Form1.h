#pragma once
// The main window: owns the helpers for its whole life, starts up, activates
// and closes as the program's life cycle requires. Its handlers live in the
// folders of the subsystems that own them.

#include "device/RegisterClasses.h"
#include "platform/StringList.h"
#include "ui_TForm1.h"

#include <QMainWindow>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class TFrequenzEditor;
class TPageAnAusVisible;
class TPrintSteuerung;
class TInputFrame;
class TLedBalken;
class TBit8Feld;
class TRegisterText;
class TSendertastung;
class TFileListDialog;
class TLogFile;
class TMainWindowLayout;
class TSprache;
class TMop;
class TForm4;
class TWebDownload;
struct TextWithPath;
class TKrypto;
class TKundenFile;
class TPreSets;
class TTimer;
class haupt;

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
    // An update check is under way (one at a time).
    bool UpdateCheckRunning = false;
    bool FrequencyTableChanged = false;
    int WindowsLanguageId = 0;
    QLabel* InputLabel = nullptr;
    std::array<TInputFrame*, 16> InputFrames{};
    std::vector<QAction*> LanguageMenuItems;
    QMenu* PopupMenu1 = nullptr;
    std::array<QLabel*, 6> StatusPanels{};

    // --- register model and transfers ------------------------------------
    std::atomic<int> ReadFailed{0}; // written by the reader thread
    uint8_t Has3964R = 0;
    int PowerChoice = 1;
    bool PowerExactMatch = false;
    // The service flag of the customer file the data came from (file opening
    // sets it together with LoadedFromCustomerFile).
    bool CustomerFileServiceFlag = false;
    // The input/output page's working copy of the impulse word; its low byte
    // is written with the impulse register.
    uint32_t ImpulseWord = 0;
    double FirmwareVersion = 0;
    int FirmwareHundredths = 0;
    bool LoadedFromCustomerFile = false;
    // The demo file menu: the file chosen last, and while OpenDemoFile is
    // set the open command takes it without asking. DemoLoaded: the data
    // came from a demo file (the save then asks for a name in its folder).
    std::string DemoFile;
    bool OpenDemoFile = false;
    bool DemoLoaded = false;
    bool FrequencyEditorPending = true;
    bool TimeSlotsFilling = false;

    // --- tab pages -------------------------------------------------------
    // True while the keying or the browser tab runs its refresh; a tab
    // change meanwhile returns to that tab.
    bool KeyingPageBusy = false;
    bool BrowserPageBusy = false;
    // The page of the frequency editor shown, 1-based.
    int FrequencyPage = 1;

    // --- the transmitter keying test -------------------------------------
    std::unique_ptr<TSendertastung> Sendertastung;
    // Returns the start button to its start state once the test is idle.
    std::unique_ptr<TTimer> SendertastungEnde;
    void Button4Click();
    void newParameterClick();
    void SendertastungEndeTimer();
    void HighPowerClick();
    // True from the start of a keying test until the device is back at its
    // power.
    bool KeyingRunning() const;
    // Leaving the service pages or closing ends a keying test first. True
    // when no test runs (any end written here); otherwise the test ends at
    // its next poll, again (when given) runs once it is idle, and the
    // caller does nothing now.
    bool EndKeyingFirst(const std::function<void()>& again);

    // --- owned helpers -------------------------------------------------
    GBits Bits;
    std::unique_ptr<TGetSpeicherRegister> SpeicherRegister;
    std::unique_ptr<TLogFile> LogFile;
    std::unique_ptr<TSprache> Sprache;
    TFileListDialog* LanguageChooser = nullptr; // the language chooser (a child)
    std::unique_ptr<TMop> Mop;
    std::unique_ptr<TTimer> Timer1;
    // The reader of the running parameter-set read; null when none ran yet.
    std::unique_ptr<haupt> Reader;
    std::unique_ptr<TPageAnAusVisible> PageVisibility;
    std::unique_ptr<TFrequenzEditor> FrequenzEditor;
    std::unique_ptr<TWebDownload> WebDownload;
    // The LED rows of the input/output test tab (outputs, inputs) and the
    // bit fields of the presets tab (high byte, low byte).
    std::unique_ptr<TLedBalken> LedBalken1;
    std::unique_ptr<TLedBalken> LedBalken2;
    std::unique_ptr<TBit8Feld> Bit8Feld1;
    std::unique_ptr<TBit8Feld> Bit8Feld2;
    std::unique_ptr<TPrintSteuerung> PrintSteuerung;
    // Places the client area and fits the window to its texts (a child).
    TMainWindowLayout* WindowLayout = nullptr;
    // Brings the print dialog of a service-mode print to the front: every
    // 100 ms, at most six times per print.
    std::unique_ptr<TTimer> Drucker;
    int DruckerTries = 0;
    // The customer-file codec of the open and save commands, and a
    // scrambler of its own.
    std::unique_ptr<TKundenFile> KundenFile;
    std::unique_ptr<TKrypto> Krypto;

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

    // --- reading a device and the register model -------------------------
    void down_loadClick();
    void Timer1Timer();
    void ToolButton2Click();
    // Clear's steps, for the transfers that clear the data themselves.
    void ClearParameterSet();
    bool FindDeviceType(uint32_t code, uint32_t& index) const;
    uint32_t FindNearestIndex(int lo, int hi, uint32_t value);
    // The model-variant chooser prepared for a device of type.
    void PrepareModelChooser(uint32_t type);
    // The radio's power variant from the power table, or the user's choice
    // in the chooser; false, with the data dropped, when the user declines.
    bool ChoosePowerVariant();
    // Writes first..last from the image in blocks with read-back; mismatches
    // and progress go to the transfer window (none when null). Returns the
    // number of registers not confirmed.
    int WriteRegisterBlock(TForm4* window, long long first, long long last,
                           const std::function<void()>& onExchangeFailed = {});
    // True while a parameter-set read owns the link and the register image;
    // every command that touches either is disabled meanwhile.
    // A keying test counts as a transfer: it owns the link until the device
    // is back at its power.
    bool TransferRunning() const {
        return !TransferIdle || commandsRunning_ > 0 || KeyingRunning();
    }
    void LockTransferCommands(bool locked);
    // Refuses while a transfer runs: with a note in the status line, or a
    // message while a keying test runs.
    bool TransferCommandAllowed();
    // Releases the register-browser button and leaves the browser.
    void LeaveBrowser();
    // The transfers' status panel (5): the text of id, or empty for "".
    void SetTransferStatus(const std::string& id);
    // A message box with text, caption "$T30021", the error icon and OK.
    void ErrorBox(const std::string& text);
    void ErrorBox(const TextWithPath& text);
    void Port1Click();

    // --- parameter files -------------------------------------------------
    // Open (F3) and save (F4); in service mode the save can read a register
    // range from the device into a register text file.
    void openbuttonClick();
    void savebuttonClick();
    // Sets family, register map, pages and commands up for the device type
    // in the image after an open.
    void ApplyLoadedParameterSet();
    // Cleans the lines in place and tests each; true when one is invalid
    // (its message is shown and logged).
    bool CheckParameterLines(TStringList& lines);
    // Loads a parameter file straight into the device (menu item), and the
    // same from the tool button and F9, whose button is disabled meanwhile.
    void DateiinSteuerungladen1Click();
    void SaveToStrgClick();
    // The frequency page's buttons: the frequency table alone to a file of
    // its own, and back into the image.
    void FSetSpeichernClick();
    void FSetLadenClick();
    // Opens the file converter.
    void KonverterClick();

    // --- handlers of the window's own commands --------------------------
    void ToolButton1Click();
    void ber1Click();
    void HFParameter1Click();
    void DeviceParameter1Click();
    // The commands that save, write, print, load into the device or close
    // first take the entry being typed into a page's edit as leaving it would;
    // false when it was rejected (the range message was shown, the edit has
    // the focus again), and the command then stops.
    bool CommitFocusedEdit();

    // --- tab pages: the page loaders and the pages' handlers -------------
    void PageControl1Change();
    void PageControl2Change();
    void PageControl3Change();
    // The radio or settings tab on screen filled again from the register
    // image and the working copies, as choosing it again would; the fill
    // stores nothing. Hidden pages are filled when they are shown.
    void RefillShownPages();
    void schicht1Click();
    void frequenz1Click();
    void sendeleistungClick();
    void BetriebsartClick();
    // The time-slot boxes Z1..Z10 (slot 1..10).
    void ZClick(int slot);
    void SubSlotClick();
    void InitFrequencyEditor();
    void FAnzahlSelect();
    void FSeitenSelect();
    // A key typed into a row edit of the frequency editor, and the Delete
    // key pressed in one.
    void FEdit1KeyPress(QLineEdit* edit, char key);
    void FEdit1KeyDown(QLineEdit* edit);
    void FLeftButtonClick();
    void FRightButtonClick();
    void FSetAendernClick();

    // --- register browser and service mode ------------------------------
    std::unique_ptr<TRegisterText> RegisterText;
    // Opens the browser 10 ms after its button went down.
    std::unique_ptr<TTimer> Timer2;
    void Timer2Timer();
    void GoToRegister(uint32_t address);
    // Reads the register and fills every view; the value, 0 after a failure.
    int ShowRegister(uint32_t address);
    void WriteBrowserRegister();
    void NextRegister();
    void PreviousRegister();
    // Moves by step registers (wrapping) unless an edit waits for Enter.
    void MoveRegister(int step);
    void BrowserKeyCommand(int key, Qt::KeyboardModifiers shift);
    void serviceClick();
    void Beenden2Click();
    void RegTextSelect();
    void ShowBits(const std::string& bits);
    void ApplyBinaryText(const std::string& bits);
    // The edits' handlers: focus taken, text changed, character typed (set
    // to 0 to discard it, or replaced), key released.
    void reg_nameEnter();
    void reg_deziEnter();
    void reg_hexEnter();
    void reg_deziChange();
    void reg_hexChange();
    void reg_nameKeyPress(char& key);
    void reg_deziKeyPress(char& key);
    void reg_hexKeyPress(char& key);
    void reg_nameKeyUp(int key, Qt::KeyboardModifiers shift);
    void reg_deziKeyUp(int key, Qt::KeyboardModifiers shift);
    void reg_hexKeyUp(int key, Qt::KeyboardModifiers shift);
    // Bit box 1..16 (box 1 is bit 15).
    void CheckBoxClick(int box);
    void CheckBoxKeyUp(int box, int key, Qt::KeyboardModifiers shift);
    // True while a browser exchange waits for the device's answer.
    bool BrowserExchangeWaiting() const;
    // The password dialog run of both ways into service mode; true when the
    // right code was given (service mode is then on).
    bool RunPasswordDialog();

    // --- presets and demo files --------------------------------------------
    // The presets of the program folder: the preset menu and its apply.
    std::unique_ptr<TPreSets> PreSets;
    void ConnectPresetsPage();
    // The presets tab: a register shown in decimal, hex and bits, and the
    // handlers of its edits, bit rows, buttons and pop-up menus.
    void ShowPresetRegister(uint32_t reg);
    void ShowPresetDecimal(uint32_t value);
    void ShowPresetHex(uint32_t value);
    void ShowPresetBits(uint32_t value);
    void PresetBitsChanged();
    void PreRegisterTextAnzSelect();
    void Minus1Click();
    void Plus1Click();
    // A character typed into the edit; set to 0 to discard it.
    void PreRegAdrKeyPress(char& key);
    void PreDezimalKeyPress(char& key);
    void PreHexKeyPress(char& key);
    // The value typed into Dezimal or Hex, taken as Enter takes it: shown in
    // the other forms; false when it is empty or refused.
    bool TakePresetDecimal();
    bool TakePresetHex();
    // Adds the register with the value typed last, entered or not.
    void PreHinzuClick();
    void Loeschen1Click();
    void PreNowClick();
    // The enabled preset menu item index: its registers into the image.
    void ApplyPresetClick(int index);
    void BuildDemoMenu();
    void DemoFileClick(const std::string& path);

    // --- the configuration printout --------------------------------------
    void drucken1Click();
    void DruckerTimer();

    // The first command-line argument ("" when none); set by the entry point.
    static std::string FirstArgument;

    // --- settings, language texts, updates and the other handlers -------
    void ReadSettingsFile();
    // The working folder of the parameter files, chosen by the user.
    void UserdatenClick();
    void WriteSettingsFile();
    // Language texts: loads the language, rebuilds the language menu and
    // retranslates the window.
    void ApplyLanguage();
    void MenuClick(int tag);
    void SetMainCaption(const std::string& title);
    void RetranslateMainForm();
    void FillPresetMenu();
    void ClearPresetMenu();
    void SetPageVisibility(bool serviceSwitchAllowed);
    // The update check, from the Info menu or at the first activation.
    void CheckForUpdates();
    void nowUpdatesClick();
    void UpdatessuchenClick();
    void FillModelNames();
    void UpdateStatusLine();
    void FillPresetMenuForDevice();
    void TranslateReadProgress(const std::string& titleId);
    void TranslateModelChooser();
    void TranslateDatenladenDialog();
    void TranslateWriteProgress(const std::string& secondLine);
    void TranslatePortSettingsDialog();
    // The about box's texts, before each showing.
    void TranslateAboutBox();
    void ResetCustomerFileHeader();
    void BrowserEnableClick();
    void up_loadClick();
    void funkClick();
    void einstellungClick();
    void RebuildDemoMenu();
    void Hilfe1Click();
    void scanregClick();
    void Button6Click();
    // RegisterText's names for the device type; tells once when the file was
    // refused for its size.
    void ListRegisterNames(TStringList& names, uint32_t deviceType);
    void FillPresetRegisterNames();
    // The serial-interface and repeater tabs, the input delays and the LED
    // rows of the input/output test tab.
    void ShowProtocolPage();
    void ShowRepeaterPage();
    void ShowInputDelays();
    void SetupLedRows();
    // Every text of the window shown whole, the window as large as its pages.
    void FitWindowToTexts();
    // Forgets what the pages decided for the device of the cleared image.
    void ResetPageGating();
    std::string GetText(const std::string& id);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void ConnectCommands();
    void ConnectPages();
    void ConnectRadioPages();
    void ConnectFrequencyEditor();
    // The frequency editor's row after a key: text, caret, stored entry.
    void TakeRowResult(QLineEdit* edit, const struct RowKeyResult& result);
    void ShowRadioPages();
    // The radio pages' hint line: the text of id filled with arg. Both are
    // kept, so that a change of language shows the line anew.
    void ShowRadioHint(const char* id, const std::string& arg);
    void RetranslateRadioHint();
    void ShowFrequencyEditorTab();
    void ShowEditorPage();
    // The arrows of the editor for FrequencyPage out of pages.
    void SetEditorArrows(int pages);
    // Tells the user that cell holds a value outside what the pages can show.
    void ReportOutOfRange(int cell);
    void CreateInputFrames();
    void FillComboBoxes();
    void PrepareDataFolder();
    void ConnectBrowser();
    void ConnectKeying();
    // The update check's steps; true when the new version was started.
    bool RunUpdateCheck(bool fromMenu);

    bool helpersDestroyed_ = false;
    // How many transfer commands are running (the read with its device
    // identification, its continuation with the chooser, the write): while
    // any runs, other transfer commands refuse and a close waits.
    int commandsRunning_ = 0;
    // The window title kept by the first SetMainCaption.
    std::string mainTitle_;
    bool mainTitleKept_ = false;
    // What the radio pages' hint line shows: text id and argument.
    std::string radioHintId_;
    std::string radioHintArg_;
    friend class RunningCommand;
    // The commands a running transfer disables, as one group: disabling the
    // group leaves each command's own state (and whether it is shown) alone,
    // so the commands come back exactly as the program last set them.
    QActionGroup* transferCommands_ = nullptr;
    // The page controls the running transfer disabled.
    std::vector<QWidget*> lockedPages_;
};

extern TForm1* Form1;

// Marks a transfer command as running for its whole duration.
class RunningCommand {
public:
    explicit RunningCommand(TForm1& form) : form_(form) { ++form_.commandsRunning_; }
    ~RunningCommand() { --form_.commandsRunning_; }
    RunningCommand(const RunningCommand&) = delete;
    RunningCommand& operator=(const RunningCommand&) = delete;

private:
    TForm1& form_;
};

// The main window: construction, start-up and activation.
#include "shell/window/Form1.h"
#include "device/ChangeFlags.h"
#include "pages/window/Bit8Feld.h"
#include "pages/window/FrequenzEditor.h"
#include "pages/window/LedBalken.h"
#include "pages/window/PageAnAusVisible.h"
#include "pages/window/Sendertastung.h"

#include "device/RegisterImage.h"
#include "device/RegisterText.h"
#include "files/KundenFile.h"
#include "files/PreSets.h"
#include "link/Mop.h"
#include "link/Reader.h"
#include "link/window/RegisterCommands.h"
#include "pages/window/InputFrame.h"
#include "platform/Application.h"
#include "platform/Text.h"
#include "platform/Timer.h"
#include "platform/window/Dialogs.h"
#include "report/window/PrintSteuerung.h"
#include "report/window/WebDownload.h"
#include "shell/LogFile.h"
#include "shell/Sprache.h"
#include "shell/WinLanguage.h"
#include "shell/window/AboutBox.h"
#include "shell/window/FileListDialog.h"
#include "shell/window/Globals.h"
#include "shell/window/MainWindowLayout.h"
#include "shell/window/PasswordDlg.h"
#include "shell/window/Program.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QStatusBar>

#include <filesystem>

TForm1* Form1 = nullptr;
std::string TForm1::FirstArgument;

TForm1::TForm1(QWidget* owner) : QMainWindow(owner) {
    Form1 = this;
    ui.setupUi(this);
    ProgramDir = PathFromQString(QDir::currentPath());
    UpdateUrl = "http://localhost/updates/ostara";
    for (size_t i = 0; i < StatusPanels.size(); ++i) {
        StatusPanels[i] = new QLabel(this);
        StatusPanels[i]->setObjectName(QString("StatusPanel%1").arg(i));
        statusBar()->addWidget(StatusPanels[i], i == 5 ? 1 : 0);
    }
    setWindowTitle(ToQString(ProgramTitle));

    SpeicherRegister = std::make_unique<TGetSpeicherRegister>(RegisterImage.data());
    LogFile = std::make_unique<TLogFile>(LogFileName, ProgramDir);
    // A log line that cannot be written (a read-only program folder) is shown
    // to the user; the log holds back repeats until a write succeeds again.
    TLogFile::SetFailureReporter([](const std::string& text) { Dialogs::ShowMessage(text); });
    Sprache = std::make_unique<TSprache>(ProgramDir, LogFile.get());
    LanguageChooser = new TFileListDialog(this);
    LanguageChooser->setObjectName("LanguageChooser");
    ConnectLanguageDialogs(*Sprache, LanguageChooser);
    WebDownload = std::make_unique<TWebDownload>(Sprache.get(), LogFile.get());
    Mop = std::make_unique<TMop>(LogFile.get());
    KundenFile = std::make_unique<TKundenFile>();
    Krypto = std::make_unique<TKrypto>();
    Timer1 = std::make_unique<TTimer>(true);
    Timer1->SetInterval(50);
    Timer1->SetOnTimer([this] { Timer1Timer(); });
    PrintSteuerung = std::make_unique<TPrintSteuerung>(Sprache.get());
    Drucker = std::make_unique<TTimer>();
    Drucker->SetInterval(100);
    Drucker->SetOnTimer([this] { DruckerTimer(); });
    WindowLayout = new TMainWindowLayout(*this);
    ConnectCommands();
    ConnectPages();
    ConnectBrowser();
    ConnectPresetsPage();
}

TForm1::~TForm1() {
    // The client area stops being laid out before its controls go.
    delete WindowLayout;
    WindowLayout = nullptr;
    DestroyHelpers();
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::ConnectCommands() {
    // The pop-up menu holds the window's F1 to F10 commands; their keys work
    // whenever the window is active, shown in a menu or not.
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    for (QAction* action :
         {ui.Exit, ui.Clear1, ui.LoadFile1, ui.SaveFile1, ui.ReadDevice1, ui.SaveatDevice1,
          ui.HFParameter1, ui.DeviceParameter1, ui.SaveFileatDevice1, ui.Hilfe}) {
        PopupMenu1->addAction(action);
        addAction(action);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(mapToGlobal(pos)); });

    auto bind = [this](QAction* action, void (TForm1::*handler)()) {
        if (action)
            connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    bind(ui.ToolButton1, &TForm1::ToolButton1Click);
    bind(ui.Beenden1, &TForm1::ToolButton1Click);
    bind(ui.Exit, &TForm1::ToolButton1Click);
    bind(ui.ber1, &TForm1::ber1Click);
    bind(ui.HFParameter1, &TForm1::HFParameter1Click);
    bind(ui.DeviceParameter1, &TForm1::DeviceParameter1Click);
    bind(ui.down_load, &TForm1::down_loadClick);
    bind(ui.ReadDevice1, &TForm1::down_loadClick);
    bind(ui.ToolButton2, &TForm1::ToolButton2Click);
    bind(ui.Clear1, &TForm1::ToolButton2Click);
    bind(ui.up_load, &TForm1::up_loadClick);
    bind(ui.SaveatDevice1, &TForm1::up_loadClick);
    bind(ui.DateiinSteuerungladen1, &TForm1::DateiinSteuerungladen1Click);
    bind(ui.SaveToStrg, &TForm1::SaveToStrgClick);
    bind(ui.SaveFileatDevice1, &TForm1::SaveToStrgClick);
    bind(ui.Userdaten, &TForm1::UserdatenClick);
    bind(ui.funk, &TForm1::funkClick);
    bind(ui.einstellung, &TForm1::einstellungClick);
    bind(ui.Hilfe1, &TForm1::Hilfe1Click);
    bind(ui.Hilfe, &TForm1::Hilfe1Click);
    bind(ui.Port1, &TForm1::Port1Click);
    bind(ui.nowUpdates, &TForm1::nowUpdatesClick);
    bind(ui.Updatessuchen, &TForm1::UpdatessuchenClick);
    bind(ui.drucken1, &TForm1::drucken1Click);
    bind(ui.openbutton, &TForm1::openbuttonClick);
    bind(ui.LoadFile1, &TForm1::openbuttonClick);
    bind(ui.savebutton, &TForm1::savebuttonClick);
    bind(ui.SaveFile1, &TForm1::savebuttonClick);
    bind(ui.BrowserEnable, &TForm1::BrowserEnableClick);
    bind(ui.scanreg, &TForm1::scanregClick);
    bind(ui.service, &TForm1::serviceClick);
    bind(ui.Konverter, &TForm1::KonverterClick);
    connect(ui.Datei1, &QMenu::aboutToShow, this, [this] { RebuildDemoMenu(); });
}

void TForm1::FormCreate() {
    // A close refused while a transfer runs is retried whenever the loop idles.
    TransferIdle = true;
    ClosePending = false;
    Application().SetOnIdle([] {
        if (Form1)
            Form1->CloseIfPending();
    });
    FillModelNames();
    // No pages and no data commands until there is data.
    ui.PageControl1->setVisible(false);
    ui.PageControl2->setVisible(false);
    ui.PageControl3->setVisible(false);
    ui.browser_label->setVisible(false);
    ui.scanreg->setVisible(false);
    ui.service->setVisible(false);
    ui.funk->setEnabled(false);
    ui.einstellung->setEnabled(false);
    ui.savebutton->setEnabled(false);
    ui.up_load->setEnabled(false);
    FrequencyTableChanged = false;
    UpdateFromMenu = false;
    // The sub-slot items get room for their captions.
    for (QRadioButton* b : {ui.SubSlot_0, ui.SubSlot_1, ui.SubSlot_2, ui.SubSlot_3, ui.SubSlot_4}) {
        b->move(b->x() + 60, b->y());
        b->resize(150, b->height());
    }
    // The input page's heading and its 16 delay frames.
    InputDelaysChanged = false;
    InputLabel = new QLabel(ui.InputTabSheet);
    InputLabel->setObjectName("InputLabel1");
    InputLabel->move(210, 10);
    InputLabel->show();
    CreateInputFrames();
    FillComboBoxes();
    // The language: the user's choice from the settings, else the system's.
    WindowsLanguageId = 0;
    try {
        TWinLanguage language;
        WindowsLanguageId = language.GetLanguageId();
    } catch (...) {
        WindowsLanguageId = 0x407;
    }
    ReadSettingsFile();
    if (LanguageId == -1)
        LanguageId = WindowsLanguageId;
    FillPresetMenu();
    AllowServiceSwitch();
    SetPageVisibility(ServiceSwitchAllowed);
    ApplyLanguage();
    PrepareDataFolder();
    // Up and Down arrows step through the pages' lists.
    ui.Minus1->setShortcut(QKeySequence(Qt::Key_Up));
    ui.Plus1->setShortcut(QKeySequence(Qt::Key_Down));
    OpenPort();
}

void TForm1::CreateInputFrames() {
    int lastFailed = -1;
    for (int i = 0; i < 16; ++i) {
        InputDelayValues[i] = 0;
        TInputFrame* frame = nullptr;
        try {
            frame = new TInputFrame(ui.InputTabSheet);
        } catch (...) {
            frame = nullptr;
        }
        InputFrames[i] = frame;
        if (!frame) {
            lastFailed = i;
            continue;
        }
        frame->setObjectName(QString("InBox%1").arg(i));
        frame->SetText("Eingang:");
        frame->SetChangedFlag(&InputDelaysChanged);
        frame->show();
        const int column = i / 8;
        const int k = i % 8;
        const int left = column == 0 ? 10 : frame->width() + 160;
        frame->move(left, 25 + k * (frame->height() + 5));
    }
    if (lastFailed >= 0)
        Dialogs::ShowMessage("MyInputFrame konnte nicht erstellt werden! [" +
                             std::to_string(lastFailed) + "] :-(");
}

void TForm1::FillComboBoxes() {
    for (int i = 1; i <= 200; ++i) {
        const QString ms = QString::number(i * 10) + " ms";
        ui.QuittungVer1->addItem(ms);
        if (i <= 150)
            ui.ZeichenVer1->addItem(ms);
        if (i <= 26)
            ui.TimeoutZ2->addItem(ms);
        if (i <= 32)
            ui.dzfBeginAdr->addItem(QString::number((i - 1) * 8));
        if (i <= 8)
            ui.dzfGrossAdr->addItem(QString::number(i * 8));
        if (i <= 128)
            ui.FAnzahl->addItem(QString::number(i));
    }
}

void TForm1::PrepareDataFolder() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder = fs::path(ProgramDir) / DataFolderName;
    if (fs::is_directory(folder, ec)) {
        const fs::path info = folder / UpdateInfoFile;
        if (fs::exists(info, ec))
            fs::remove(info, ec);
    } else {
        fs::create_directory(folder, ec);
    }
    if (ec && LogFile)
        LogFile->Write("Data: " + ec.message());
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    FormShow();
}

void TForm1::FormShow() {
    if (QuitAtStart)
        QMetaObject::invokeMethod(
            this, [this] { close(); }, Qt::QueuedConnection);
}

bool TForm1::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QMainWindow::event(e);
}

void TForm1::FormActivate() {
    if (Application().Terminated() || helpersDestroyed_)
        return;
    const std::string p = FirstArgument;
    if (ActivationCount == 0) {
        if (!Mop->IsOpen()) {
            Dialogs::MessageBox(GetText("$T30023"), GetText("$T30024"), Dialogs::OK,
                                Dialogs::NoIcon);
            ui.down_load->setEnabled(false);
            ui.up_load->setEnabled(false);
            ui.BrowserEnable->setEnabled(false);
        }
        if (QuitAtStart)
            QMetaObject::invokeMethod(
                this, [this] { close(); }, Qt::QueuedConnection);
        if (p.empty() && AutoUpdate && AppStarted == 1)
            CheckForUpdates();
        ui.Bild1->show();
    }
    ActivationCount = ActivationCount + 1 >= 100 ? 1 : ActivationCount + 1;
    if (p == "/qdvservice" && ServiceSwitchAllowed) {
        ServiceMode = 1;
        ui.BrowserEnable->setVisible(true);
    }
    if (ServiceMode == 1) {
        if (ui.BrowserEnable->isVisible()) {
            ui.savebutton->setEnabled(true);
            return;
        }
        if (!ServiceSwitchAllowed) {
            ServiceMode = 0;
            return;
        }
        if (RunPasswordDialog())
            ui.savebutton->setEnabled(true);
    }
    if (ServiceMode != 1) {
        ui.browser_label->setVisible(false);
        ui.PageControl3->setVisible(false);
        ui.scanreg->setVisible(false);
        ui.service->setVisible(false);
    }
}

void TForm1::FitWindowToTexts() {
    if (WindowLayout)
        WindowLayout->Refit();
}

void TForm1::ToolButton1Click() {
    ui.ToolButton1->setEnabled(false);
    close();
    ui.ToolButton1->setEnabled(true);
}

void TForm1::ber1Click() {
    if (AboutBox) {
        TranslateAboutBox();
        Dialogs::ShowModal(*AboutBox);
    }
    Application().ProcessMessages();
}

void TForm1::HFParameter1Click() {
    if (!ui.funk->isEnabled())
        return;
    ui.funk->setChecked(!ui.funk->isChecked());
    funkClick();
}

void TForm1::DeviceParameter1Click() {
    if (!ui.einstellung->isEnabled())
        return;
    ui.einstellung->setChecked(!ui.einstellung->isChecked());
    einstellungClick();
}

#include "shell/window/Program.h"

#include "device/window/Form4.h"
#include "device/window/Stwaehlen.h"
#include "files/window/Datenladen.h"
#include "files/window/FormPreSets.h"
#include "files/window/KonverterDlg.h"
#include "files/window/OKBottomDlg.h"
#include "link/window/Form2.h"
#include "platform/Application.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "platform/window/SingleInstance.h"
#include "report/window/Form5.h"
#include "report/window/Schnittstelle.h"
#include "shell/window/AboutBox.h"
#include "shell/window/FileListDialog.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"
#include "shell/window/PasswordDlg.h"

#include <QApplication>
#include <QSocketNotifier>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <exception>
#include <sys/socket.h>
#include <unistd.h>

TForm2* Form2 = nullptr;
TAboutBox* AboutBox = nullptr;
TOKBottomDlg* OKBottomDlg = nullptr;
TPasswordDlg* PasswordDlg = nullptr;
TForm4* Form4 = nullptr;
Tstwaehlen* stwaehlen = nullptr;
TKonverterDlg1* KonverterDlg1 = nullptr;
Tdatenladen1* datenladen1 = nullptr;
TFileListDialog* FileListDialog = nullptr;
TForm5* Form5 = nullptr;
TpSchnittstelle* pSchnittstelle = nullptr;
TFormPreSets1* FormPreSets1 = nullptr;

const char* const FormOrder[13] = {
    "TForm1", "TForm2",          "TAboutBox",      "TOKBottomDlg", "TPasswordDlg",
    "TForm4", "Tstwaehlen",      "TKonverterDlg1", "Tdatenladen1", "TFileListDialog",
    "TForm5", "TpSchnittstelle", "TFormPreSets1"};

void CreateForms() {
    auto* form1 = new TForm1();
    form1->FormCreate();
    Form2 = new TForm2(form1);
    AboutBox = new TAboutBox(form1);
    OKBottomDlg = new TOKBottomDlg(form1);
    PasswordDlg = new TPasswordDlg(form1);
    Form4 = new TForm4(form1);
    stwaehlen = new Tstwaehlen(form1);
    KonverterDlg1 = new TKonverterDlg1(form1);
    datenladen1 = new Tdatenladen1(form1);
    FileListDialog = new TFileListDialog(form1);
    Form5 = new TForm5(form1);
    pSchnittstelle = new TpSchnittstelle(form1);
    FormPreSets1 = new TFormPreSets1(form1);
}

void DestroyForms() {
    // The dialogs are children of the main window and go with it.
    delete Form1;
    Form2 = nullptr;
    AboutBox = nullptr;
    OKBottomDlg = nullptr;
    PasswordDlg = nullptr;
    Form4 = nullptr;
    stwaehlen = nullptr;
    KonverterDlg1 = nullptr;
    datenladen1 = nullptr;
    FileListDialog = nullptr;
    Form5 = nullptr;
    pSchnittstelle = nullptr;
    FormPreSets1 = nullptr;
}

namespace {

int signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const char c = 1;
    [[maybe_unused]] auto n = ::write(signalPipe[1], &c, 1);
}

// SIGTERM and SIGINT close the main window as the Exit command does.
void CloseOnTerminationSignals(QObject* owner) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [] {
        char c;
        [[maybe_unused]] auto n = ::read(signalPipe[0], &c, 1);
        if (Form1)
            Form1->close();
        else
            Application().Terminate();
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace

int WinMain(int argc, char** argv) {
    QApplication app(argc, argv);
    // Numbers are written with '.' whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    BuildProgramTitle();
    TForm1::FirstArgument = argc > 1 ? argv[1] : "";
    if (std::getenv("OSTARA_SCRIPTED_DIALOGS"))
        Dialogs::BeginScript();

    // One copy per version, user and display: a later start raises the
    // running copy's window and ends.
    SingleInstance instance(ProgramTitle);
    if (!instance.Claim())
        return 0;
    InstanceMutex = &instance;

    Application().SetTitle(ProgramTitle);
    Application().SetTitle("Vantu");
    QApplication::setApplicationDisplayName(QString());
    try {
        CreateForms();
        instance.SetOnRaise([] {
            if (!Form1)
                return;
            Form1->showNormal();
            Form1->raise();
            Form1->activateWindow();
            if (Dialogs::Scripted())
                std::fprintf(stderr, "ostara: raised by a second start\n");
        });
        CloseOnTerminationSignals(&app);
        AppStarted = 1;
        Form1->show();
        if (!Application().Terminated())
            app.exec();
    } catch (const std::exception& e) {
        Dialogs::ShowMessage(e.what());
    } catch (...) {
        Dialogs::ShowMessage("");
    }
    DestroyForms();
    InstanceMutex = nullptr;
    return 0;
}

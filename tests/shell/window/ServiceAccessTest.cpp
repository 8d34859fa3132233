// Ctrl+F12 in the about box, the access code asked once per press, the other
// keys of the about box, and the help and web address through the desktop.
#include "platform/window/ShellOpen.h"
#include "shell/window/AboutBox.h"
#include "shell/window/PasswordDlg.h"
#include "support/WindowFixture.h"

#include <QKeyEvent>

#include <algorithm>
#include <fstream>

namespace {

void Press(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, key, mods);
    QCoreApplication::sendEvent(w, &e);
}

long PasswordAsks() {
    const auto& h = Dialogs::History();
    return std::count_if(h.begin(), h.end(),
                         [](const auto& s) { return s.text == "TPasswordDlg"; });
}

void QueueAccessCode(const std::string& code, bool ok) {
    Dialogs::QueueModal([code, ok](QDialog& d) {
        auto& dlg = dynamic_cast<TPasswordDlg&>(d);
        dlg.ui.Password->setText(QString::fromLatin1(code.c_str()));
        if (!ok)
            return static_cast<int>(Dialogs::Cancel);
        dlg.OKBtnClick();
        return static_cast<int>(Dialogs::Ok);
    });
}

} // namespace

class CtrlF12Test : public WindowTest,
                    public ::testing::WithParamInterface<std::tuple<const char*, bool, bool>> {};

// The code is asked exactly once: by the activation that follows the key,
// or by the about box when no activation asked; never again after a wrong
// answer or Cancel, nor by the about box's keys once it was right.
TEST_P(CtrlF12Test, AsksForTheCodeOnce) {
    const auto [code, ok, activationAsks] = GetParam();
    const bool accepted = ok && std::string(code) == "Kiesel mal";
    Start();
    Form1->FormActivate();
    Dialogs::QueueModal([activationAsks = activationAsks](QDialog& box) {
        if (activationAsks) // the window system's activation arrives first
            QMetaObject::invokeMethod(
                Form1, [] { Form1->FormActivate(); }, Qt::QueuedConnection);
        Press(&box, Qt::Key_F12, Qt::ControlModifier);
        return box.result();
    });
    QueueAccessCode(code, ok);
    Form1->ber1Click();
    Form1->FormActivate(); // the next activation
    EXPECT_EQ(PasswordAsks(), 1);
    EXPECT_EQ(ServiceMode, accepted ? 1 : 0);
    EXPECT_EQ(PasswordAccepted, accepted ? 1 : 0);
    EXPECT_FALSE(Form1->ui.PageControl3->isVisibleTo(Form1));
    if (!accepted)
        return;
    // In service mode Ctrl+F12 only closes the box, F12 and Ctrl+F11 do
    // nothing, Esc closes.
    for (auto [key, mods] :
         {std::pair{Qt::Key_F12, Qt::NoModifier}, std::pair{Qt::Key_F11, Qt::ControlModifier}}) {
        AboutBox->setResult(-1);
        Press(AboutBox, key, mods);
        EXPECT_EQ(AboutBox->result(), -1) << key;
    }
    Press(AboutBox, Qt::Key_Escape);
    EXPECT_EQ(AboutBox->result(), QDialog::Rejected);
    Press(AboutBox, Qt::Key_F12, Qt::ControlModifier);
    EXPECT_EQ(AboutBox->result(), QDialog::Accepted);
    EXPECT_EQ(ServiceMode, 1);
    EXPECT_EQ(PasswordAsks(), 1);
}

// Right, blank-ended and cancelled codes, whichever side asks first.
INSTANTIATE_TEST_SUITE_P(Answers, CtrlF12Test,
                         ::testing::Combine(::testing::Values("Kiesel mal", "Kiesel mal "),
                                            ::testing::Bool(), ::testing::Bool()));

// Help (menu and F10) opens the help document beside the program; the about
// box's address opens in the browser; a missing document or a failed open
// is reported.
TEST_F(WindowTest, HelpAndWebAddressGoToTheDesktop) {
    Start();
    const std::string help = (dir_ / "Config.html").string();
    struct Row {
        bool present, taken;
        std::function<void()> command;
        std::string target, message;
    };
    const Row rows[] = {
        {true, true, [] { Form1->ui.Hilfe1->trigger(); }, help, ""},
        {true, false, [] { Form1->ui.Hilfe->trigger(); }, help, "$T46002"},
        {false, true, [] { Form1->ui.Hilfe->trigger(); }, "", "$T46001"},
        {true, true, [] { AboutBox->Label4Click(); }, "http://www.example.com", ""},
        {true, false, [] { AboutBox->Label4Click(); }, "http://www.example.com", "$T46003"},
    };
    for (const Row& r : rows) {
        std::filesystem::remove(help);
        if (r.present)
            std::ofstream(help) << "<html></html>";
        ShellOpen::BeginScript();
        ShellOpen::QueueResult(r.taken);
        Dialogs::ClearHistory();
        r.command();
        const auto& opened = ShellOpen::History();
        EXPECT_EQ(opened.empty() ? "" : opened.back().target, r.target);
        EXPECT_EQ(Dialogs::History().empty() ? "" : Dialogs::History().back().text, r.message);
    }
    ShellOpen::EndScript();
}

// The about box, the access-code dialog of the service mode, the one run of
// that dialog that both ways into service mode share, and the help command.
#include "shell/window/AboutBox.h"

#include "platform/Application.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "platform/window/ShellOpen.h"
#include "shell/Sprache.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"
#include "shell/window/PasswordDlg.h"
#include "shell/window/Program.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include <filesystem>

namespace {

// The maker's logo: three radio waves over a mast, drawn in the box's size.
QPixmap MakerLogo(const QSize& size) {
    QPixmap logo(size);
    logo.fill(Qt::white);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();
    const QPointF top(w / 2, h * 0.42);
    p.setPen(QPen(QColor(0, 70, 140), w / 16, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(top, QPointF(w * 0.34, h * 0.88));
    p.drawLine(top, QPointF(w * 0.66, h * 0.88));
    for (int i = 1; i <= 3; ++i) {
        const qreal r = w * 0.12 * i;
        const QRectF arc(top.x() - r, top.y() - r, 2 * r, 2 * r);
        p.drawArc(arc, 30 * 16, 120 * 16);
    }
    p.setBrush(QColor(200, 40, 40));
    p.setPen(Qt::NoPen);
    p.drawEllipse(top, w / 14, w / 14);
    return logo;
}

} // namespace

TAboutBox::TAboutBox(QWidget* owner) : TFormBase(owner) {
    ui.ProductName->setText(ToQString(ProgramTitle));
    ui.Image1->setPixmap(MakerLogo(ui.Image1->size() - QSize(2, 2)));
    // The web address reads as a link.
    QFont link = ui.Label4->font();
    link.setUnderline(true);
    ui.Label4->setFont(link);
    QPalette blue = ui.Label4->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 200));
    ui.Label4->setPalette(blue);
    ui.Label4->installEventFilter(this);
    QObject::connect(ui.OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui.Label4 && event->type() == QEvent::MouseButtonRelease) {
        Label4Click();
        return true;
    }
    return TFormBase::eventFilter(watched, event);
}

void TAboutBox::Label4Click() {
    const std::string address = FromQString(ui.Label4->text());
    if (!ShellOpen::OpenUrl(address) && Form1)
        Form1->ErrorBox(Form1->Sprache->GetText1Arg("$T46003", address));
}

void TAboutBox::keyPressEvent(QKeyEvent* event) {
    if (!FormKeyDown(event->key(), event->modifiers()))
        TFormBase::keyPressEvent(event); // Enter presses OK
}

bool TAboutBox::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
    if (key == Qt::Key_Escape) {
        reject();
        return true;
    }
    if (key == Qt::Key_F12 && (shift & Qt::ControlModifier)) {
        ServiceEntry();
        return true;
    }
    return false;
}

void TAboutBox::ServiceEntry() {
    if (!Form1)
        return;
    TForm1& f = *Form1;
    auto bringToFront = [&f] {
        f.show();
        f.raise();
        f.activateWindow();
    };
    if (ServiceMode == 1 && f.ui.BrowserEnable->isVisible()) {
        bringToFront();
        accept();
        return;
    }
    ServiceMode = 1;
    accept();
    bringToFront();
    f.setFocus();
    // The activation that follows asks for the access code. Only when none
    // has asked (service mode still pending) does the about box: the code is
    // asked once per Ctrl+F12, never again after a wrong answer.
    Application().ProcessMessages();
    if (ServiceMode == 1 && !f.ui.BrowserEnable->isVisible())
        f.RunPasswordDialog();
    if (f.ui.BrowserEnable->isVisible()) {
        // The browser itself starts closed.
        f.ui.browser_label->setVisible(false);
        f.ui.PageControl3->setVisible(false);
        f.ui.service->setVisible(false);
        f.ui.scanreg->setVisible(false);
    }
}

TPasswordDlg::TPasswordDlg(QWidget* owner) : TFormBase(owner) {
    QObject::connect(ui.OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    QObject::connect(ui.CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TPasswordDlg::OKBtnClick() {
    PasswordAccepted = 1;
    accept();
}

bool TForm1::RunPasswordDialog() {
    if (!PasswordDlg)
        return false;
    PasswordDlg->ui.Password->clear();
    // Only this run's OK counts.
    PasswordAccepted = 0;
    PasswordDlg->raise();
    Dialogs::ShowModal(*PasswordDlg);
    if (PasswordAccepted != 1 ||
        FromQString(PasswordDlg->ui.Password->text()) != ServiceAccessCode) {
        PasswordAccepted = 0;
        ServiceMode = 0;
        return false;
    }
    // Whoever asked, the right code is service mode: the browser button is
    // never shown without it.
    ServiceMode = 1;
    ui.imp_ein->setEnabled(true);
    ui.BrowserEnable->setVisible(true);
    ui.browserdiv1->setVisible(true);
    return true;
}

void TForm1::Hilfe1Click() {
    const std::filesystem::path help = std::filesystem::path(ProgramDir) / "Config.html";
    const std::string path = help.string();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(help, ec)) {
        ErrorBox(Sprache->GetTextWithPath("$T46001", path));
        return;
    }
    if (!ShellOpen::OpenFile(path))
        ErrorBox(Sprache->GetTextWithPath("$T46002", path));
}

#pragma once
// The file converter: an old register text file becomes a customer file,
// bound to a serial number or a controller type and marked for the service
// unlock when wanted. A refused conversion leaves the dialog open with its
// entries; a conversion or Cancel closes it.

#include "platform/StringList.h"
#include "platform/window/FormBase.h"
#include "ui_TKonverterDlg1.h"

#include <memory>
#include <string>

class TKundenFile;

struct TextWithPath;

class TKonverterDlg1 : public TFormBase<Ui::TKonverterDlg1> {
public:
    explicit TKonverterDlg1(QWidget* owner);
    ~TKonverterDlg1() override;

    // The folder both file dialogs start in.
    void SetFolder(const std::string& folder) { folder_ = folder; }
    // The file-format version the customer file carries; 0 (as constructed)
    // converts nothing.
    void SetVersion(int version) { version_ = version; }

    void FormShow();
    void orgbuttonClick();
    void kbuttonClick();
    void OKBtnClick();
    void SNummerClick();
    void StrTypClick();
    void Edit1Click();
    void Edit1Exit();
    // Key filters: true drops the typed character.
    static bool Edit1KeyPress(char key);
    static bool ComboBox1KeyPress(char key);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Tells text and gives the focus to control.
    static void Refuse(const std::string& text, QWidget* control = nullptr);
    static void Refuse(const TextWithPath& text);

    std::string folder_;
    // The target as the save dialog returned it (and asked about); empty
    // when the target was derived from the source.
    std::string checkedTarget_;
    TStringList lines_;
    std::unique_ptr<TKundenFile> codec_;
    int version_ = 0;
};

#pragma once
// Hint texts of a new preset: one line per language chosen from the
// languages of LaenderCodes.txt, English (USA) required. "Weiter" ends with
// the lines ready for the preset file; "Abbrechen" and Esc write nothing.

#include "files/PreSets.h"
#include "platform/window/FormBase.h"
#include "ui_TFormPreSets1.h"

#include <string>
#include <vector>

class QMenu;

class TFormPreSets1 : public TFormBase<Ui::TFormPreSets1> {
public:
    explicit TFormPreSets1(QWidget* owner);

    void SetTitle(const std::string& text);
    // Offers the languages of the file at path; without the file none.
    void LoadCountryCodes(const std::string& path);
    // The lines of the list, each followed by CR LF.
    std::string GetText() const;
    std::vector<std::string> Lines() const;
    // The English (USA) hint as typed, in the file system's encoding: the
    // preset's file name keeps every letter of it.
    const std::string& EnglishHintName() const { return englishHintName_; }

    void FormShow();
    void SprachWahlSelect();
    // Enter adds the line (when a language waits for it).
    void SprachtextKeyPress(char& key);
    void HinzuClick();
    void Loeschen1Click();
    void Bearbeiten1Click();
    void Button2Click();
    void Exit1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool HasLine(int languageId) const;

    std::string countryCodeFile_;
    std::string englishHintName_;
    std::vector<CountryCode> codes_;
    QMenu* popupMenu1_ = nullptr; // the list's: Loeschen1, Bearbeiten1
    QMenu* popupMenu2_ = nullptr; // the form's: Exit1
};

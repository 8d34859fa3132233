#pragma once
// The configuration printout: holds the report's values and captions, lays
// the report out on a hidden text document and prints it through the print
// dialog. The print command hands in the values before each print.

#include "report/ReportLayout.h"

#include <QFont>
#include <QSizeF>

#include <memory>
#include <string>

class QTextDocument;
class TSprache;

class TPrintSteuerung {
public:
    // sprache: the program's language service (not owned), pointed at the
    // report's language file only while the captions are read.
    explicit TPrintSteuerung(TSprache* sprache);
    ~TPrintSteuerung();
    TPrintSteuerung(const TPrintSteuerung&) = delete;
    TPrintSteuerung& operator=(const TPrintSteuerung&) = delete;

    // ---- values of the next print ------------------------------------------
    void SetValues(const ReportValues& values) { values_ = values; }
    // The interface the user chose for the report, and the signature line of
    // a service-mode print.
    void SetInterfaceIndex(int i) { values_.interfaceIndex = i; }
    void SetSignature(uint8_t on) { values_.signature = on != 0; }
    // The operating mode as a language text: looked up with the captions, in
    // the print's language ("" leaves the mode text as it is).
    void SetModeTextId(const std::string& id) { modeTextId_ = id; }
    // The folder of the report's language file ("default.lang").
    void SetLanguageFolder(const std::string& folder) { languageFolder_ = folder; }
    void SetMinLangVersion(int version) { minLangVersion_ = version; }
    // The print dialog's title, in the program's language; the focus timer
    // finds the dialog by it.
    void SetDialogTitle(const std::string& title) { dialogTitle_ = title; }
    const std::string& DialogTitle() const { return dialogTitle_; }

    // Reads the captions (and the mode text) in the language languageCode
    // from the language folder's "default.lang". The language service is
    // left as it was found. Always false: a missing text leaves the
    // service's placeholder in its slot.
    bool LoadCaptions(const std::string& languageCode);

    // ---- the page ------------------------------------------------------------
    // Lay out the full or the short report and print it after the print
    // dialog; true when it was printed. A cancelled dialog keeps the page.
    bool PrintFull();
    bool PrintShort();

private:
    // Appends the lines of page_ the document does not show yet.
    void ShowNewLines();
    void ClearPage();
    // Sets the document's page to the paper's shape, large enough for the
    // whole report on one page.
    void FitToPage(const QSizeF& paperPt);
    bool Print();

    TSprache* sprache_;
    ReportValues values_;
    ReportCaptions captions_;
    std::string modeTextId_;
    std::string languageFolder_;
    int minLangVersion_ = 0;
    std::string dialogTitle_ = "Drucken";
    ReportPage page_;
    size_t linesShown_ = 0;
    std::unique_ptr<QTextDocument> document_;
    QFont font_;
};

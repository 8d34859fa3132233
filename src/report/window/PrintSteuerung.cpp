#include "report/window/PrintSteuerung.h"

#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "shell/Sprache.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPrinter>
#include <QScreen>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <chrono>

namespace {

constexpr const char* ReportFontFamily = "Times New Roman";
// Serif families to use when the system lacks the report's own.
constexpr const char* SerifFallbacks[] = {"Liberation Serif", "Tinos", "Nimbus Roman",
                                          "DejaVu Serif", "FreeSerif"};
// The page's tab stops, in points.
constexpr int TabStopsPt[] = {45, 175, 185, 235, 318, 395, 478};
// Tab stops past the last one of the page.
constexpr int DefaultTabDistancePt = 36;
constexpr double PageMarginMm = 12;
constexpr const char* DocumentTitle = "Test Seite!!!";

QFont ReportFont() {
    QFont font(ReportFontFamily, ReportDefaultFontSize);
    font.setStyleHint(QFont::Serif);
    if (QFontDatabase::hasFamily(ReportFontFamily))
        return font;
    for (const char* family : SerifFallbacks) {
        if (QFontDatabase::hasFamily(family)) {
            font.setFamilies({family});
            break;
        }
    }
    return font;
}

// A text document measures in pixels of the default resolution, which is the
// screen's (as a document without a device of its own is laid out).
double DocumentUnitsPerPoint() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int dpi = screen ? qRound(screen->logicalDotsPerInchY()) : 100;
    return dpi / 72.0;
}

QTextBlockFormat ReportBlockFormat() {
    QList<QTextOption::Tab> tabs;
    const double scale = DocumentUnitsPerPoint();
    for (int pt : TabStopsPt)
        tabs.append(QTextOption::Tab(pt * scale, QTextOption::LeftTab));
    QTextBlockFormat format;
    format.setTabPositions(tabs);
    return format;
}

QTextCharFormat CharFormat(const QFont& font, const TextAttributes& a) {
    QTextCharFormat format;
    format.setFontFamilies(font.families().isEmpty() ? QStringList{font.family()}
                                                     : font.families());
    format.setFontStyleHint(QFont::Serif);
    format.setFontPointSize(a.size);
    format.setFontWeight(a.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(a.italic);
    format.setFontUnderline(a.underline);
    return format;
}

// Leaves the language service as it was found when it goes.
class KeepLanguageService {
public:
    explicit KeepLanguageService(TSprache& s)
        : s_(s), directory_(s.GetDirectory()), file_(s.GetFileName()), language_(s.GetLanguage()),
          minVersion_(s.GetMinVersion()), askUser_(s.GetAskUser()) {}
    ~KeepLanguageService() {
        s_.SetDirectory(directory_);
        s_.SetFile(file_);
        s_.SetAskUser(askUser_);
        s_.SetLanguage(language_);
        s_.SetMinVersion(minVersion_);
    }
    KeepLanguageService(const KeepLanguageService&) = delete;
    KeepLanguageService& operator=(const KeepLanguageService&) = delete;

private:
    TSprache& s_;
    std::string directory_;
    std::string file_;
    std::string language_;
    int minVersion_;
    bool askUser_;
};

} // namespace

TPrintSteuerung::TPrintSteuerung(TSprache* sprache)
    : sprache_(sprache), document_(std::make_unique<QTextDocument>()), font_(ReportFont()) {
    document_->setDefaultFont(font_);
    document_->setUndoRedoEnabled(false);
    document_->setDocumentMargin(0);
    QTextOption option = document_->defaultTextOption();
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(DefaultTabDistancePt * DocumentUnitsPerPoint());
    document_->setDefaultTextOption(option);
    ClearPage();
}

TPrintSteuerung::~TPrintSteuerung() = default;

bool TPrintSteuerung::LoadCaptions(const std::string& languageCode) {
    if (!sprache_)
        return false;
    TSprache& s = *sprache_;
    KeepLanguageService keep(s);
    s.SetDirectory(languageFolder_);
    s.SetFile("default.lang");
    s.SetAskUser(false);
    s.SetLanguage(languageCode);
    s.SetMinVersion(minLangVersion_);
    captions_ = ReadReportCaptions(s);
    if (!modeTextId_.empty())
        values_.modeText = s.GetText(modeTextId_);
    return false;
}

void TPrintSteuerung::ClearPage() {
    page_.Clear();
    document_->clear();
    linesShown_ = 0;
}

void TPrintSteuerung::ShowNewLines() {
    const std::vector<StyledLine>& lines = page_.Lines();
    QTextCursor cursor(document_.get());
    cursor.movePosition(QTextCursor::End);
    const QTextBlockFormat block = ReportBlockFormat();
    for (; linesShown_ < lines.size(); ++linesShown_) {
        const StyledLine& line = lines[linesShown_];
        const QTextCharFormat format = CharFormat(font_, line.attributes);
        // A line break inside the text starts a paragraph of its own.
        const QStringList paragraphs = ToQString(line.text).split('\n');
        for (qsizetype i = 0; i < paragraphs.size(); ++i) {
            if (linesShown_ == 0 && i == 0) {
                cursor.setBlockFormat(block);
                cursor.setBlockCharFormat(format);
            } else {
                cursor.insertBlock(block, format);
            }
            cursor.insertText(paragraphs[i], format);
        }
    }
}

bool TPrintSteuerung::PrintFull() {
    ClearPage();
    ComposeFullReport(page_, values_, captions_, FormatDate(std::chrono::system_clock::now()));
    ShowNewLines();
    return Print();
}

bool TPrintSteuerung::PrintShort() {
    ClearPage();
    ComposeShortReport(page_, values_, captions_, FormatDate(std::chrono::system_clock::now()));
    ShowNewLines();
    return Print();
}

void TPrintSteuerung::FitToPage(const QSizeF& paperPt) {
    // Unbroken lines measure the page's widest line; a page that needs more
    // room than the paper has is printed smaller, whole.
    document_->setPageSize(QSizeF());
    const QSizeF content = document_->size();
    const double units = DocumentUnitsPerPoint();
    const double aspect = paperPt.height() / paperPt.width();
    double width = std::max(content.width(), paperPt.width() * units);
    double height = width * aspect;
    if (content.height() >= height) {
        height = content.height() + 1;
        width = height / aspect;
    }
    document_->setPageSize(QSizeF(width, height));
}

bool TPrintSteuerung::Print() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(DocumentTitle);
    printer.setPageMargins(QMarginsF(PageMarginMm, PageMarginMm, PageMarginMm, PageMarginMm),
                           QPageLayout::Millimeter);
    if (!Dialogs::PrintDialog(printer, dialogTitle_))
        return false;
    printer.setDocName(DocumentTitle);
    FitToPage(printer.pageRect(QPrinter::Point).size());
    document_->print(&printer);
    return true;
}

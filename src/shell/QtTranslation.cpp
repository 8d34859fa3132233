#include "shell/QtTranslation.h"

#include "shell/WinLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace {

// The translation installed now; it belongs to the application.
QPointer<QTranslator>& Installed() {
    static QPointer<QTranslator> translator;
    return translator;
}

} // namespace

std::string QtTranslationLocale(int langId) {
    const std::string code = TWinLanguage::LocaleCode(langId);
    return code.starts_with("en") ? std::string() : code;
}

bool UseQtTranslation(int langId) {
    QPointer<QTranslator>& installed = Installed();
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    QCoreApplication* app = QCoreApplication::instance();
    const std::string locale = QtTranslationLocale(langId);
    if (!app || locale.empty())
        return false;
    auto* translator = new QTranslator(app);
    // "qtbase_de_DE" is found as qtbase_de.qm, the language's file.
    if (!translator->load(QStringLiteral("qtbase_") + QString::fromStdString(locale),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

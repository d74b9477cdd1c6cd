#include "app/messages.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>
#include <vector>

namespace trackfold {

namespace {

// The program's own texts are built in; Qt's (Yes, No, Cancel, OK, the folder dialog) come with
// the desktop's Qt, where its translations are installed.
struct Catalogue {
    const char* name;
    const char* folder;  // nullptr: Qt's own translations folder
};
constexpr Catalogue kCatalogues[] = {{"trackfold", ":/i18n"}, {"qtbase", nullptr}};

std::vector<std::unique_ptr<QTranslator>>& installed_translators() {
    static std::vector<std::unique_ptr<QTranslator>> installed;
    return installed;
}

}  // namespace

void install_ui_language(const QLocale& locale) {
    auto& installed = installed_translators();
    for (const auto& translator : installed) {
        QCoreApplication::removeTranslator(translator.get());
    }
    installed.clear();
    for (const Catalogue& catalogue : kCatalogues) {
        const QString folder = catalogue.folder != nullptr
                                   ? QString::fromLatin1(catalogue.folder)
                                   : QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(locale, QString::fromLatin1(catalogue.name), QStringLiteral("_"),
                             folder)) {
            QCoreApplication::installTranslator(translator.get());
            installed.push_back(std::move(translator));
        }
    }
}

QString cancel_question_text() {
    return QCoreApplication::translate("trackfold", "Do you want to cancel the run?");
}

QString already_running_text() {
    return QCoreApplication::translate("trackfold", "Trackfold is already running.");
}

}  // namespace trackfold

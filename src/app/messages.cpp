#include "app/messages.h"

#include <QCoreApplication>
#include <QTranslator>
#include <memory>

namespace trackfold {

void install_ui_language(const QLocale& locale) {
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(locale, QStringLiteral("trackfold"), QStringLiteral("_"),
                         QStringLiteral(":/i18n"))) {
        QCoreApplication::installTranslator(translator.get());
        installed = std::move(translator);
    }
}

QString cancel_question_text() {
    return QCoreApplication::translate("trackfold", "Do you want to cancel the run?");
}

QString already_running_text() {
    return QCoreApplication::translate("trackfold", "Trackfold is already running.");
}

}  // namespace trackfold

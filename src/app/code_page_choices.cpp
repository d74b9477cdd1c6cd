#include "app/code_page_choices.h"

#include <QCoreApplication>

#include <iterator>

#include "util/text.h"

namespace trackfold {
namespace {

const QString kAuto = QStringLiteral("auto");

struct Choice {
    const char* code_page;
    const char* language;
};

// The languages stay in the dialog's own context, where their translations are.
constexpr Choice kChoices[] = {
    {"CP1252", QT_TRANSLATE_NOOP("trackfold::SettingsDialog", "Western European")},
    {"CP1250", QT_TRANSLATE_NOOP("trackfold::SettingsDialog", "Central European")},
    {"CP1251", QT_TRANSLATE_NOOP("trackfold::SettingsDialog", "Russian")},
    {"CP1253", QT_TRANSLATE_NOOP("trackfold::SettingsDialog", "Greek")},
    {"CP1254", QT_TRANSLATE_NOOP("trackfold::SettingsDialog", "Turkish")},
    {"CP1255", QT_TRANSLATE_NOOP("trackfold::SettingsDialog", "Hebrew")},
    {"CP1256", QT_TRANSLATE_NOOP("trackfold::SettingsDialog", "Arabic")},
    {"CP1257", QT_TRANSLATE_NOOP("trackfold::SettingsDialog", "Baltic")},
    {"CP1258", QT_TRANSLATE_NOOP("trackfold::SettingsDialog", "Vietnamese")},
    {"CP874", QT_TRANSLATE_NOOP("trackfold::SettingsDialog", "Thai")},
    {"CP932", QT_TRANSLATE_NOOP("trackfold::SettingsDialog", "Japanese")},
    {"GBK", QT_TRANSLATE_NOOP("trackfold::SettingsDialog", "Chinese, simplified")},
    {"BIG5", QT_TRANSLATE_NOOP("trackfold::SettingsDialog", "Chinese, traditional")},
    {"CP949", QT_TRANSLATE_NOOP("trackfold::SettingsDialog", "Korean")},
    {"ISO-8859-1", QT_TRANSLATE_NOOP("trackfold::SettingsDialog", "Latin-1")},
    {"KOI8-R", QT_TRANSLATE_NOOP("trackfold::SettingsDialog", "Russian")},
};

QString text_of(const Choice& choice) {
    return QCoreApplication::translate("trackfold::SettingsDialog", choice.language) +
           QStringLiteral(" (%1)").arg(QLatin1String(choice.code_page));
}

bool is_auto(const QString& value) {
    return value.isEmpty() || value.compare(kAuto, Qt::CaseInsensitive) == 0;
}

}  // namespace

QStringList code_page_choice_texts() {
    QStringList texts{kAuto};
    for (const Choice& choice : kChoices) {
        texts << text_of(choice);
    }
    return texts;
}

QString shown_code_page(const QString& value) {
    if (is_auto(value.trimmed())) {
        return kAuto;
    }
    for (const Choice& choice : kChoices) {
        if (value.compare(QLatin1String(choice.code_page), Qt::CaseInsensitive) == 0) {
            return text_of(choice);
        }
    }
    return value;
}

QString chosen_code_page(const QString& shown) {
    for (const Choice& choice : kChoices) {
        if (shown == text_of(choice)) {
            return QLatin1String(choice.code_page);
        }
    }
    // The reader trims values, so what is written is trimmed too and reads back as written.
    return QString::fromStdString(trim_spaces(shown.toStdString()));
}

bool same_code_page(const QString& a, const QString& b) {
    return (is_auto(a) && is_auto(b)) || a.compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace trackfold
